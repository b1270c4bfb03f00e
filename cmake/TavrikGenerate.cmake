# tavrik_generate(<out_var> INCLUDE <header> STRUCT <name>
#                 [KEY <field> | STRING_KEY <field>] [SUFFIX <suffix>]
#                 [OUTPUT_DIR <dir>] [TARGET <target>])
#
# Adds the custom command that runs tavrik in OUTPUT_DIR (default:
# CMAKE_CURRENT_BINARY_DIR) and writes <lower-case STRUCT><SUFFIX>.h and .c.
# The command depends on the tavrik executable and on the header, so editing
# the header or rebuilding tavrik regenerates the module and nothing else.
#
# Sets in the caller's scope:
#   <out_var>               the generated source and header paths
#   <out_var>_INCLUDE_DIRS  folders a consumer needs on its include path: the
#                           output folder (generated header) and, for a header
#                           named by a relative path, the folder that path is
#                           relative to (CMAKE_CURRENT_SOURCE_DIR)
# With TARGET, also adds the generated source to that target and the folders
# to its private include path.
#
# The generated files name the header exactly as written after INCLUDE. A
# relative INCLUDE is taken relative to CMAKE_CURRENT_SOURCE_DIR.

function(tavrik_generate out_var)
  set(one_value INCLUDE STRUCT KEY STRING_KEY SUFFIX OUTPUT_DIR TARGET)
  cmake_parse_arguments(PARSE_ARGV 1 TG "" "${one_value}" "")

  if(TG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "tavrik_generate: unknown argument(s): ${TG_UNPARSED_ARGUMENTS}")
  endif()
  # SUFFIX may be deliberately empty; every other keyword needs a value.
  set(missing ${TG_KEYWORDS_MISSING_VALUES})
  list(REMOVE_ITEM missing SUFFIX)
  if(missing)
    message(FATAL_ERROR "tavrik_generate: keyword(s) without a value: ${missing}")
  endif()
  if(NOT DEFINED TG_INCLUDE)
    message(FATAL_ERROR "tavrik_generate: INCLUDE <header> is required")
  endif()
  if(NOT DEFINED TG_STRUCT)
    message(FATAL_ERROR "tavrik_generate: STRUCT <name> is required")
  endif()
  if(DEFINED TG_KEY AND DEFINED TG_STRING_KEY)
    message(FATAL_ERROR "tavrik_generate: give KEY or STRING_KEY, not both")
  endif()

  if(TARGET tavrik::tavrik)
    set(tool tavrik::tavrik)
  elseif(TARGET tavrik)
    set(tool tavrik)
  else()
    message(FATAL_ERROR "tavrik_generate: no tavrik executable target (find_package(tavrik) first)")
  endif()

  if("SUFFIX" IN_LIST TG_KEYWORDS_MISSING_VALUES)
    set(suffix "")
  elseif(DEFINED TG_SUFFIX)
    set(suffix "${TG_SUFFIX}")
  else()
    set(suffix "_mgr")
  endif()
  if(DEFINED TG_OUTPUT_DIR)
    get_filename_component(out_dir "${TG_OUTPUT_DIR}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  else()
    set(out_dir "${CMAKE_CURRENT_BINARY_DIR}")
  endif()

  set(args -i "${TG_INCLUDE}" -n "${TG_STRUCT}")
  if(DEFINED TG_KEY)
    list(APPEND args -k "${TG_KEY}")
  elseif(DEFINED TG_STRING_KEY)
    list(APPEND args -K "${TG_STRING_KEY}")
  endif()
  list(APPEND args -s "${suffix}")

  string(TOLOWER "${TG_STRUCT}" stem)
  set(header "${out_dir}/${stem}${suffix}.h")
  set(source "${out_dir}/${stem}${suffix}.c")

  get_filename_component(header_path "${TG_INCLUDE}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  set(include_dirs "${out_dir}")
  if(NOT IS_ABSOLUTE "${TG_INCLUDE}")
    list(APPEND include_dirs "${CMAKE_CURRENT_SOURCE_DIR}")
  endif()

  file(MAKE_DIRECTORY "${out_dir}")
  add_custom_command(
    OUTPUT "${header}" "${source}"
    COMMAND ${tool} ${args}
    WORKING_DIRECTORY "${out_dir}"
    DEPENDS ${tool} "${header_path}"
    COMMENT "Generating ${stem}${suffix}.h and ${stem}${suffix}.c with tavrik"
    VERBATIM)

  if(DEFINED TG_TARGET)
    target_sources(${TG_TARGET} PRIVATE "${source}" "${header}")
    target_include_directories(${TG_TARGET} PRIVATE ${include_dirs})
  endif()

  set(${out_var} "${source}" "${header}" PARENT_SCOPE)
  set(${out_var}_INCLUDE_DIRS ${include_dirs} PARENT_SCOPE)
endfunction()
