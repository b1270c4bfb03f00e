# tavrik_generate(<out_var> INCLUDE <header> STRUCT <name>
#                 [KEY <field> | STRING_KEY <field>] [SUFFIX <suffix>]
#                 [OUTPUT_DIR <dir>] [TARGET <target>])
#
# Adds the custom command that runs tavrik in OUTPUT_DIR (default:
# CMAKE_CURRENT_BINARY_DIR) and writes <lower-case STRUCT><SUFFIX>.h and .c
# (SUFFIX defaults to _mgr; SUFFIX "" gives <lower-case STRUCT>.h and .c).
# The command depends on the tavrik executable and on the header, so editing
# the header or rebuilding tavrik regenerates the module and nothing else.
#
# Sets in the caller's scope:
#   <out_var>               the generated source and header paths
#   <out_var>_INCLUDE_DIRS  folders a consumer needs on its include path: the
#                           output folder (generated header) and, for a header
#                           named by a relative path, the folder that path is
#                           relative to (CMAKE_CURRENT_SOURCE_DIR)
# With TARGET (a target of the same directory), also adds the generated source
# and header to that target and the folders to its private include path.
#
# The generated files name the header exactly as written after INCLUDE. A
# relative INCLUDE is taken relative to CMAKE_CURRENT_SOURCE_DIR.
#
# A wrong call (missing INCLUDE or STRUCT, both KEY and STRING_KEY, an unknown
# or repeated keyword, a keyword without a value) ends configuration with a
# message that names the mistake, rather than a build-time failure later.

# The function keeps the policies in force here, whatever the caller's
# cmake_minimum_required says (quoted keywords in if(), IN_LIST).
cmake_policy(PUSH)
cmake_policy(VERSION 3.16...3.25)

function(tavrik_generate out_var)
  set(keywords INCLUDE STRUCT KEY STRING_KEY SUFFIX OUTPUT_DIR TARGET)

  # Parsed by hand: cmake_parse_arguments drops an empty value such as
  # SUFFIX "" (before policy CMP0174), and an empty suffix is meaningful here.
  # "given" records which keywords came, so that a variable of the same name
  # in the caller's scope or the cache cannot pass for an argument.
  set(given "")
  set(unknown "")
  set(missing "")
  set(repeated "")
  set(i 1)
  while(i LESS ARGC)
    set(arg "${ARGV${i}}")
    math(EXPR i "${i} + 1")
    if(NOT arg IN_LIST keywords)
      # Quoted, so that an empty argument shows (and counts) too.
      list(APPEND unknown "\"${arg}\"")
      continue()
    endif()
    if(arg IN_LIST given)
      list(APPEND repeated "${arg}")
    endif()
    list(APPEND given "${arg}")
    if(i LESS ARGC)
      set(value "${ARGV${i}}")
      if(NOT value IN_LIST keywords)
        set(TG_${arg} "${value}")
        math(EXPR i "${i} + 1")
        # An explicitly empty value is as useless as a missing one, except
        # for SUFFIX.
        if(NOT value STREQUAL "" OR arg STREQUAL "SUFFIX")
          continue()
        endif()
      endif()
    endif()
    # A bare SUFFIX keeps its old meaning: the empty suffix.
    if(arg STREQUAL "SUFFIX")
      set(TG_SUFFIX "")
    else()
      list(APPEND missing "${arg}")
    endif()
  endwhile()

  if(out_var STREQUAL "" OR out_var IN_LIST keywords)
    message(FATAL_ERROR "tavrik_generate: the first argument must be the name of the output variable, not \"${out_var}\"")
  endif()
  if(unknown)
    list(JOIN unknown " " unknown_text)
    list(JOIN keywords " " keywords_text)
    message(FATAL_ERROR "tavrik_generate: unknown argument(s): ${unknown_text} "
      "(the keywords are ${keywords_text})")
  endif()
  if(repeated)
    list(REMOVE_DUPLICATES repeated)
    message(FATAL_ERROR "tavrik_generate: keyword(s) given more than once: ${repeated}")
  endif()
  if(missing)
    list(REMOVE_DUPLICATES missing)
    message(FATAL_ERROR "tavrik_generate: keyword(s) without a value: ${missing}")
  endif()
  if(NOT "INCLUDE" IN_LIST given)
    message(FATAL_ERROR "tavrik_generate: INCLUDE <header> is required")
  endif()
  if(NOT "STRUCT" IN_LIST given)
    message(FATAL_ERROR "tavrik_generate: STRUCT <name> is required")
  endif()
  if("KEY" IN_LIST given AND "STRING_KEY" IN_LIST given)
    message(FATAL_ERROR "tavrik_generate: give KEY or STRING_KEY, not both")
  endif()

  if("SUFFIX" IN_LIST given)
    set(suffix "${TG_SUFFIX}")
  else()
    set(suffix "_mgr")
  endif()
  # tavrik itself refuses these at build time; saying so now is clearer.
  if(TG_STRUCT MATCHES "/" OR suffix MATCHES "/")
    message(FATAL_ERROR "tavrik_generate: STRUCT and SUFFIX must not hold '/': "
      "the files are always written in OUTPUT_DIR")
  endif()

  if(TARGET tavrik::tavrik)
    set(tool tavrik::tavrik)
  elseif(TARGET tavrik)
    set(tool tavrik)
  else()
    message(FATAL_ERROR "tavrik_generate: no tavrik executable target (find_package(tavrik) first)")
  endif()

  if("OUTPUT_DIR" IN_LIST given)
    get_filename_component(out_dir "${TG_OUTPUT_DIR}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  else()
    set(out_dir "${CMAKE_CURRENT_BINARY_DIR}")
  endif()

  set(args -i "${TG_INCLUDE}" -n "${TG_STRUCT}")
  if("KEY" IN_LIST given)
    list(APPEND args -k "${TG_KEY}")
  elseif("STRING_KEY" IN_LIST given)
    list(APPEND args -K "${TG_STRING_KEY}")
  endif()

  string(TOLOWER "${TG_STRUCT}" stem)
  set(header "${out_dir}/${stem}${suffix}.h")
  set(source "${out_dir}/${stem}${suffix}.c")

  get_filename_component(header_path "${TG_INCLUDE}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  # tavrik resolves INCLUDE against OUTPUT_DIR when it checks for a clash;
  # CMake resolves it against the source folder for the dependency. Either
  # clash would overwrite the user's header or make the command depend on
  # its own output.
  get_filename_component(header_in_out_dir "${TG_INCLUDE}" ABSOLUTE BASE_DIR "${out_dir}")
  foreach(generated IN ITEMS "${header}" "${source}")
    if(generated STREQUAL header_path OR generated STREQUAL header_in_out_dir)
      message(FATAL_ERROR "tavrik_generate: the generated file ${generated} would replace "
        "INCLUDE ${TG_INCLUDE}; change SUFFIX or OUTPUT_DIR")
    endif()
  endforeach()

  set(include_dirs "${out_dir}")
  if(NOT IS_ABSOLUTE "${TG_INCLUDE}")
    list(APPEND include_dirs "${CMAKE_CURRENT_SOURCE_DIR}")
  endif()

  if("TARGET" IN_LIST given)
    if(NOT TARGET "${TG_TARGET}")
      message(FATAL_ERROR "tavrik_generate: TARGET ${TG_TARGET} is not a target")
    endif()
    # Makefile generators find a custom command's outputs only from targets
    # of the directory that adds it.
    get_target_property(target_dir "${TG_TARGET}" SOURCE_DIR)
    if(NOT target_dir STREQUAL CMAKE_CURRENT_SOURCE_DIR)
      message(FATAL_ERROR "tavrik_generate: TARGET ${TG_TARGET} was made in ${target_dir}; "
        "call tavrik_generate in that directory, or use <out_var> and <out_var>_INCLUDE_DIRS")
    endif()
  endif()

  file(MAKE_DIRECTORY "${out_dir}")
  add_custom_command(
    OUTPUT "${header}" "${source}"
    # -s stays out of the list: an empty list element would vanish, and an
    # empty suffix must reach tavrik as an empty argument.
    COMMAND ${tool} ${args} -s "${suffix}"
    WORKING_DIRECTORY "${out_dir}"
    DEPENDS ${tool} "${header_path}"
    COMMENT "Generating ${stem}${suffix}.h and ${stem}${suffix}.c with tavrik"
    VERBATIM)

  if("TARGET" IN_LIST given)
    target_sources(${TG_TARGET} PRIVATE "${source}" "${header}")
    target_include_directories(${TG_TARGET} PRIVATE ${include_dirs})
  endif()

  set(${out_var} "${source}" "${header}" PARENT_SCOPE)
  set(${out_var}_INCLUDE_DIRS ${include_dirs} PARENT_SCOPE)
endfunction()

cmake_policy(POP)
