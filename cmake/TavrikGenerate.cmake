# Running tavrik from a CMake build.
#
# tavrik_add_library(<target> [STATIC|OBJECT] INCLUDE <spelling> STRUCT <name>
#                    [KEY <field> | STRING_KEY <field>] [SUFFIX <suffix>]
#                    [HEADER <file>] [OUTPUT_DIR <dir>] [LANGUAGE C|CXX])
#
# Makes <target>, a library (STATIC unless OBJECT is given) of the generated
# module, with the output folder and the header's folder as PUBLIC include
# folders (build-tree only: $<BUILD_INTERFACE:...>). Any target of the
# project, in any directory, gets the module and #include "<name><suffix>.h"
# with target_link_libraries(<program> PRIVATE <target>). The custom command
# belongs to this directory's target, so every generator runs it.
#
# tavrik_generate(<out_var> INCLUDE <spelling> STRUCT <name>
#                 [KEY <field> | STRING_KEY <field>] [SUFFIX <suffix>]
#                 [HEADER <file>] [OUTPUT_DIR <dir>] [TARGET <target>]
#                 [LANGUAGE C|CXX])
#
# Adds only the custom command. Sets in the caller's scope:
#   <out_var>               the generated source and header paths
#   <out_var>_INCLUDE_DIRS  folders a consumer needs on its include path: the
#                           output folder (generated header) and the folder
#                           the header is found from (see HEADER)
# With TARGET (a target of the same directory), also adds the generated source
# and header to that target and the folders to its private include path.
# Makefile generators run the command only for targets of this directory.
#
# Both run tavrik in OUTPUT_DIR (default: CMAKE_CURRENT_BINARY_DIR) and write
# <lower-case STRUCT><SUFFIX>.h and .c (SUFFIX defaults to _mgr; SUFFIX ""
# gives <lower-case STRUCT>.h and .c). The command depends on the tavrik
# executable and on the header, so editing the header or rebuilding tavrik
# regenerates the module and nothing else.
#
# The generated files name the header exactly as written after INCLUDE.
# Without HEADER, a relative INCLUDE is the file the command depends on,
# taken relative to CMAKE_CURRENT_SOURCE_DIR, and that folder goes on the
# include path. HEADER <file> (relative to CMAKE_CURRENT_SOURCE_DIR) names the
# file when INCLUDE is a spelling found through an include folder, as in
# INCLUDE geo/point.h HEADER include/geo/point.h; the include folder is then
# HEADER less the spelling (here include/). When HEADER does not end in the
# spelling (or the spelling is absolute, or holds . or ..), no folder is
# added for the header: the caller puts it on the include path.
#
# The module is compiled as C, or as C++ when LANGUAGE CXX is given or the
# project has not enabled C (so C++ callers need no extern "C"). The LANGUAGE
# source property is set in this directory, which is where the target of
# tavrik_add_library or TARGET is made.
#
# TAVRIK_EXECUTABLE (cache) names a tavrik that runs on the build host; when
# empty, the tavrik::tavrik (or tavrik) target is used. In a cross build that
# target is run only through its CROSSCOMPILING_EMULATOR (or
# CMAKE_CROSSCOMPILING_EMULATOR); without one, configuration stops and asks
# for TAVRIK_EXECUTABLE.
#
# A wrong call ends configuration with a message that names the mistake,
# rather than a build-time failure later: a missing INCLUDE or STRUCT, both
# KEY and STRING_KEY, an unknown or repeated keyword, a keyword without a
# value, a value holding ';' or a generator expression (every value is needed
# at configure time: file names, folders, checks), a STRUCT that is not a C
# identifier, a header that neither exists nor is a GENERATED file.

# The functions keep the policies in force here, whatever the caller's
# cmake_minimum_required says (quoted keywords in if(), IN_LIST).
cmake_policy(PUSH)
cmake_policy(VERSION 3.16...3.25)

set(TAVRIK_EXECUTABLE "" CACHE FILEPATH
    "tavrik program that runs on the build host (for cross builds); empty: the tavrik target")

# Reads the calling function's arguments from index <first> on into TG_<keyword>
# and "given" (keywords and flags in the order they came), and stops
# configuration on a malformed call. Reads the caller's "keywords" and "flags".
# A macro, so that ARGC and ARGV<n> below are those of the calling function.
# Parsed by hand: cmake_parse_arguments drops an empty value such as SUFFIX ""
# (before policy CMP0174), and an empty suffix is meaningful here. "given"
# keeps a variable of the same name in the caller's scope or the cache from
# passing for an argument.
macro(_tavrik_parse_arguments fn first)
  set(words ${keywords} ${flags})
  set(given "")
  set(unknown "")
  set(missing "")
  set(repeated "")
  set(semicolon "")
  set(genex "")
  set(i ${first})
  while(i LESS ARGC)
    set(arg "${ARGV${i}}")
    math(EXPR i "${i} + 1")
    if(NOT arg IN_LIST words)
      # Quoted, so that an empty argument shows (and counts) too.
      list(APPEND unknown "\"${arg}\"")
      continue()
    endif()
    if(arg IN_LIST given)
      list(APPEND repeated "${arg}")
    endif()
    list(APPEND given "${arg}")
    if(arg IN_LIST flags)
      continue()
    endif()
    if(i LESS ARGC)
      set(value "${ARGV${i}}")
      if(NOT value IN_LIST words)
        set(TG_${arg} "${value}")
        math(EXPR i "${i} + 1")
        if(value MATCHES ";")
          list(APPEND semicolon "${arg}")
        endif()
        if(value MATCHES "\\$<")
          list(APPEND genex "${arg}")
        endif()
        # An explicitly empty value is as useless as a missing one, except
        # for SUFFIX.
        if(NOT value STREQUAL "" OR arg STREQUAL "SUFFIX")
          continue()
        endif()
      endif()
    endif()
    # A bare SUFFIX means the empty suffix, as SUFFIX "" does.
    if(arg STREQUAL "SUFFIX")
      set(TG_SUFFIX "")
    else()
      list(APPEND missing "${arg}")
    endif()
  endwhile()

  if(unknown)
    list(JOIN unknown " " unknown_text)
    list(JOIN words " " keywords_text)
    message(FATAL_ERROR "${fn}: unknown argument(s): ${unknown_text} "
      "(the keywords are ${keywords_text})")
  endif()
  if(repeated)
    list(REMOVE_DUPLICATES repeated)
    message(FATAL_ERROR "${fn}: keyword(s) given more than once: ${repeated}")
  endif()
  if(missing)
    list(REMOVE_DUPLICATES missing)
    message(FATAL_ERROR "${fn}: keyword(s) without a value: ${missing}")
  endif()
  # A ';' splits the value into list elements: the command would get several
  # arguments, and Ninja build files break on it.
  if(semicolon)
    message(FATAL_ERROR "${fn}: the value of ${semicolon} holds ';'; give one value per keyword")
  endif()
  if(genex)
    message(FATAL_ERROR "${fn}: the value of ${genex} holds a generator expression; "
      "file names and folders are settled at configure time, so give a plain value")
  endif()
  if(NOT "INCLUDE" IN_LIST given)
    message(FATAL_ERROR "${fn}: INCLUDE <header> is required")
  endif()
  if(NOT "STRUCT" IN_LIST given)
    message(FATAL_ERROR "${fn}: STRUCT <name> is required")
  endif()
  if("KEY" IN_LIST given AND "STRING_KEY" IN_LIST given)
    message(FATAL_ERROR "${fn}: give KEY or STRING_KEY, not both")
  endif()
  if("LANGUAGE" IN_LIST given AND NOT TG_LANGUAGE MATCHES "^(C|CXX)$")
    message(FATAL_ERROR "${fn}: LANGUAGE is C or CXX, not \"${TG_LANGUAGE}\"")
  endif()
endmacro()

# Whether <path> is marked GENERATED as the directory that marked it sees
# it: under policy CMP0118 NEW (CMake 3.20 and later) a mark made in a
# directory where it is OLD, or on a relative path, reads as unset.
cmake_policy(PUSH)
if(POLICY CMP0118)
  cmake_policy(SET CMP0118 OLD)
endif()
function(_tavrik_marked_generated path out_var)
  get_source_file_property(made "${path}" GENERATED)
  set(${out_var} "${made}" PARENT_SCOPE)
endfunction()
cmake_policy(POP)

# Sets tool_command (what COMMAND starts with) and tool_depends in the
# caller's scope: TAVRIK_EXECUTABLE, else the tavrik target, run through the
# cross-compiling emulator when the target is built for another machine.
function(_tavrik_tool fn)
  if(NOT TAVRIK_EXECUTABLE STREQUAL "")
    if(NOT EXISTS "${TAVRIK_EXECUTABLE}" OR IS_DIRECTORY "${TAVRIK_EXECUTABLE}")
      message(FATAL_ERROR "${fn}: TAVRIK_EXECUTABLE is \"${TAVRIK_EXECUTABLE}\", "
        "which is not a file; name a tavrik program that runs on this machine")
    endif()
    set(tool_command "${TAVRIK_EXECUTABLE}" PARENT_SCOPE)
    set(tool_depends "${TAVRIK_EXECUTABLE}" PARENT_SCOPE)
    return()
  endif()

  if(TARGET tavrik::tavrik)
    set(tool tavrik::tavrik)
  elseif(TARGET tavrik)
    set(tool tavrik)
  else()
    message(FATAL_ERROR "${fn}: no tavrik executable target (find_package(tavrik) first), "
      "and TAVRIK_EXECUTABLE is not set")
  endif()
  set(command ${tool})
  if(CMAKE_CROSSCOMPILING)
    get_target_property(imported ${tool} IMPORTED)
    get_target_property(emulator ${tool} CROSSCOMPILING_EMULATOR)
    # CMake puts a built executable target's own emulator before it in a
    # custom command by itself; an imported target it runs as it is.
    if(NOT emulator OR imported)
      if(NOT emulator)
        set(emulator "${CMAKE_CROSSCOMPILING_EMULATOR}")
      endif()
      if(emulator STREQUAL "")
        message(FATAL_ERROR "${fn}: this is a cross build, and ${tool} is a program for the "
          "target machine: set TAVRIK_EXECUTABLE to a tavrik that runs on this machine, or "
          "CMAKE_CROSSCOMPILING_EMULATOR to a program that runs the target's executables")
      endif()
      set(command ${emulator} "$<TARGET_FILE:${tool}>")
    endif()
  endif()
  set(tool_command ${command} PARENT_SCOPE)
  set(tool_depends ${tool} PARENT_SCOPE)
endfunction()

# Checks the parsed values and adds the custom command. Reads TG_* and
# "given" from the caller; sets source, header, include_dirs and language in
# the caller's scope.
function(_tavrik_add_command fn)
  if("SUFFIX" IN_LIST given)
    set(suffix "${TG_SUFFIX}")
  else()
    set(suffix "_mgr")
  endif()
  # tavrik itself refuses these at build time; saying so now is clearer.
  if(TG_STRUCT MATCHES "/" OR suffix MATCHES "/")
    message(FATAL_ERROR "${fn}: STRUCT and SUFFIX must not hold '/': "
      "the files are always written in OUTPUT_DIR")
  endif()
  # The name is pasted into C declarations and file names.
  if(NOT TG_STRUCT MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
    message(FATAL_ERROR "${fn}: STRUCT \"${TG_STRUCT}\" is not a C identifier "
      "(a letter or '_', then letters, digits or '_')")
  endif()

  # Which language compiles the module, and whether the project has it.
  get_property(languages GLOBAL PROPERTY ENABLED_LANGUAGES)
  if("LANGUAGE" IN_LIST given)
    set(language ${TG_LANGUAGE})
    if(NOT language IN_LIST languages)
      message(FATAL_ERROR "${fn}: LANGUAGE ${language}, but the project has not enabled "
        "${language} (project(... LANGUAGES ${language}) or enable_language(${language}))")
    endif()
  elseif("C" IN_LIST languages)
    set(language C)
  elseif("CXX" IN_LIST languages)
    set(language CXX)
  else()
    set(language "")
  endif()
  if(fn STREQUAL "tavrik_add_library" AND language STREQUAL "")
    message(FATAL_ERROR "${fn}: the project has enabled neither C nor CXX, "
      "so nothing can compile the module (project(... LANGUAGES C) or LANGUAGES CXX)")
  endif()

  _tavrik_tool(${fn})

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

  # The file the command depends on, and the folder that makes the INCLUDE
  # spelling resolve to it.
  set(header_dir "")
  if("HEADER" IN_LIST given)
    get_filename_component(header_path "${TG_HEADER}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    string(LENGTH "${header_path}" path_length)
    string(LENGTH "/${TG_INCLUDE}" spelling_length)
    math(EXPR dir_length "${path_length} - ${spelling_length}")
    if(NOT IS_ABSOLUTE "${TG_INCLUDE}" AND NOT TG_INCLUDE MATCHES "(^|/)\\.\\.?(/|$)"
       AND dir_length GREATER 0)
      string(SUBSTRING "${header_path}" ${dir_length} -1 tail)
      if(tail STREQUAL "/${TG_INCLUDE}")
        string(SUBSTRING "${header_path}" 0 ${dir_length} header_dir)
      endif()
    endif()
  else()
    get_filename_component(header_path "${TG_INCLUDE}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    if(NOT IS_ABSOLUTE "${TG_INCLUDE}")
      set(header_dir "${CMAKE_CURRENT_SOURCE_DIR}")
    endif()
  endif()

  # tavrik resolves INCLUDE against OUTPUT_DIR when it checks for a clash;
  # CMake resolves it against the source folder for the dependency. Either
  # clash would overwrite the user's header or make the command depend on
  # its own output.
  get_filename_component(header_in_out_dir "${TG_INCLUDE}" ABSOLUTE BASE_DIR "${out_dir}")
  foreach(generated IN ITEMS "${header}" "${source}")
    if(generated STREQUAL header_path OR generated STREQUAL header_in_out_dir)
      message(FATAL_ERROR "${fn}: the generated file ${generated} would replace "
        "INCLUDE ${TG_INCLUDE}; change SUFFIX or OUTPUT_DIR")
    endif()
  endforeach()

  if("TARGET" IN_LIST given)
    if(NOT TARGET "${TG_TARGET}")
      message(FATAL_ERROR "${fn}: TARGET ${TG_TARGET} is not a target")
    endif()
    # Makefile generators find a custom command's outputs only from targets
    # of the directory that adds it.
    get_target_property(target_dir "${TG_TARGET}" SOURCE_DIR)
    if(NOT target_dir STREQUAL CMAKE_CURRENT_SOURCE_DIR)
      message(FATAL_ERROR "${fn}: TARGET ${TG_TARGET} was made in ${target_dir}; "
        "call tavrik_generate in that directory, use tavrik_add_library, "
        "or use <out_var> and <out_var>_INCLUDE_DIRS")
    endif()
  endif()

  # A header made by the build (GENERATED) need not exist yet.
  if(NOT EXISTS "${header_path}")
    get_source_file_property(made "${header_path}" GENERATED)
    if(NOT made)
      _tavrik_marked_generated("${header_path}" made)
    endif()
    if(NOT made)
      if("HEADER" IN_LIST given)
        set(how "HEADER ${TG_HEADER}")
      else()
        set(how "INCLUDE ${TG_INCLUDE}; when that is a spelling found through an include folder, name the file with HEADER <file>")
      endif()
      message(FATAL_ERROR "${fn}: the header ${header_path} does not exist (${how})")
    endif()
  endif()

  file(MAKE_DIRECTORY "${out_dir}")
  add_custom_command(
    OUTPUT "${header}" "${source}"
    # -s stays out of the list: an empty list element would vanish, and an
    # empty suffix must reach tavrik as an empty argument.
    COMMAND ${tool_command} ${args} -s "${suffix}"
    WORKING_DIRECTORY "${out_dir}"
    DEPENDS ${tool_depends} "${header_path}"
    COMMENT "Generating ${stem}${suffix}.h and ${stem}${suffix}.c with tavrik"
    VERBATIM)

  # Compiled as C++, the module has C++ linkage like its callers.
  if(language STREQUAL "CXX")
    set_source_files_properties("${source}" PROPERTIES LANGUAGE CXX)
  endif()

  set(include_dirs "${out_dir}")
  if(NOT header_dir STREQUAL "" AND NOT header_dir STREQUAL out_dir)
    list(APPEND include_dirs "${header_dir}")
  endif()
  set(source "${source}" PARENT_SCOPE)
  set(header "${header}" PARENT_SCOPE)
  set(include_dirs "${include_dirs}" PARENT_SCOPE)
  set(language "${language}" PARENT_SCOPE)
endfunction()

function(tavrik_generate out_var)
  set(keywords INCLUDE STRUCT KEY STRING_KEY SUFFIX HEADER OUTPUT_DIR TARGET LANGUAGE)
  set(flags "")
  if(out_var STREQUAL "" OR out_var IN_LIST keywords)
    message(FATAL_ERROR "tavrik_generate: the first argument must be the name of the output variable, not \"${out_var}\"")
  endif()
  _tavrik_parse_arguments(tavrik_generate 1)
  _tavrik_add_command(tavrik_generate)

  if("TARGET" IN_LIST given)
    target_sources(${TG_TARGET} PRIVATE "${source}" "${header}")
    target_include_directories(${TG_TARGET} PRIVATE ${include_dirs})
  endif()

  set(${out_var} "${source}" "${header}" PARENT_SCOPE)
  set(${out_var}_INCLUDE_DIRS ${include_dirs} PARENT_SCOPE)
endfunction()

function(tavrik_add_library target)
  set(keywords INCLUDE STRUCT KEY STRING_KEY SUFFIX HEADER OUTPUT_DIR LANGUAGE)
  set(flags STATIC OBJECT)
  if(target STREQUAL "" OR target IN_LIST keywords OR target IN_LIST flags)
    message(FATAL_ERROR "tavrik_add_library: the first argument must be the name of the new target, not \"${target}\"")
  endif()
  if(TARGET "${target}")
    message(FATAL_ERROR "tavrik_add_library: a target named ${target} exists already")
  endif()
  _tavrik_parse_arguments(tavrik_add_library 1)
  if("STATIC" IN_LIST given AND "OBJECT" IN_LIST given)
    message(FATAL_ERROR "tavrik_add_library: give STATIC or OBJECT, not both")
  endif()
  _tavrik_add_command(tavrik_add_library)

  if("OBJECT" IN_LIST given)
    set(type OBJECT)
  else()
    set(type STATIC)
  endif()
  # The outputs belong to a target of the directory that adds the command:
  # that is what makes every generator run it, wherever the library is used.
  add_library(${target} ${type} "${source}" "${header}")
  foreach(dir IN LISTS include_dirs)
    target_include_directories(${target} PUBLIC "$<BUILD_INTERFACE:${dir}>")
  endforeach()
endfunction()

cmake_policy(POP)
