# Running tavrik from a CMake build:
#
# tavrik_add_library(<target> [STATIC|OBJECT] INCLUDE <spelling> STRUCT <name>
#                    [KEY <field> | STRING_KEY <field>] [SUFFIX <suffix>]
#                    [HEADER <file>] [OUTPUT_DIR <dir>] [LANGUAGE C|CXX])
# tavrik_generate(<out_var> INCLUDE <spelling> STRUCT <name>
#                 [KEY <field> | STRING_KEY <field>] [SUFFIX <suffix>]
#                 [HEADER <file>] [OUTPUT_DIR <dir>] [TARGET <target>]
#                 [LANGUAGE C|CXX])
#
# The man page (docs/tavrik.1, "In a CMake build") says what they do and
# which calls they refuse. Every check happens at configure time, so that a
# wrong call names its mistake there rather than failing the build later.

# The functions keep the policies in force here, whatever the caller's
# cmake_minimum_required says (quoted keywords in if(), IN_LIST). CMP0174:
# the scan below reads SUFFIX "" either way; NEW only keeps CMake quiet.
cmake_policy(PUSH)
cmake_policy(VERSION 3.16...3.25)
if(POLICY CMP0174)
  cmake_policy(SET CMP0174 NEW)
endif()

set(TAVRIK_EXECUTABLE "" CACHE FILEPATH
    "tavrik program that runs on the build host (for cross builds); empty: the tavrik target")

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

# The work both functions share, one step a function. The caller has just
# read its arguments <args> (after the first) with cmake_parse_arguments(PARSE_ARGV
# 1 TG ...) using <keywords> and <flags>: only there are they whole, as CMake
# passes no empty argument on, so the steps read the call from those TG_*
# variables; all else they take as arguments, and they hand their results
# back in the variables named to them. <owner> names the module in messages. Sets <out_var> to the generated source and header, and
# <out_var>_INCLUDE_DIRS to the folders a consumer needs.
function(_tavrik_add_module fn owner keywords flags args out_var)
  _tavrik_read_arguments("${fn}" "${keywords}" "${flags}" "${args}" given)
  _tavrik_check_arguments("${fn}" "${keywords}" "${given}" suffix)
  _tavrik_choose_language("${fn}" "${given}" language)
  _tavrik_choose_command("${fn}" tool command)
  # tavrik names the files and functions after the struct, in lower case.
  string(TOLOWER "${TG_STRUCT}" stem)
  _tavrik_output_files("${given}" "${stem}${suffix}" out_dir header source)
  _tavrik_find_header("${given}" header_path header_dir)
  _tavrik_check_files("${fn}" "${given}" "${out_dir}" "${header}" "${source}" "${header_path}")
  _tavrik_claim_names("${fn}" "${owner}" "${given}" "${stem}" "${suffix}" "${header}" "${source}")
  _tavrik_add_command("${tool}" "${command}" "${given}" "${suffix}" "${language}"
                      "${header_path}" "${out_dir}" "${header}" "${source}")

  set(include_dirs "${out_dir}")
  if(NOT header_dir STREQUAL "" AND NOT header_dir STREQUAL out_dir)
    list(APPEND include_dirs "${header_dir}")
  endif()
  set(${out_var} "${source}" "${header}" PARENT_SCOPE)
  set(${out_var}_INCLUDE_DIRS "${include_dirs}" PARENT_SCOPE)
endfunction()

# Refuses arguments the call cannot have: a value that would split or wait for
# the build, an unknown argument, a keyword given twice. Sets <given_var> to the
# keywords and flags the call gives, in their order.
function(_tavrik_read_arguments fn keywords flags args given_var)
  # Before CMake 3.31 cmake_parse_arguments tells neither SUFFIX "" from no
  # SUFFIX nor a keyword given twice; "given" does, and keeps a TG_* variable
  # of the caller's scope or the cache from passing for an argument.
  set(given "")
  set(repeated "")
  foreach(arg IN LISTS args)
    if(arg IN_LIST given)
      list(APPEND repeated "${arg}")
    elseif(arg IN_LIST keywords OR arg IN_LIST flags)
      list(APPEND given "${arg}")
    endif()
  endforeach()

  # A ';' splits the value into list elements: the command would get several
  # arguments, and Ninja build files break on it.
  foreach(keyword IN LISTS given)
    if("${TG_${keyword}}" MATCHES ";")
      message(FATAL_ERROR "${fn}: the value of ${keyword} holds ';'; give one value per keyword")
    elseif("${TG_${keyword}}" MATCHES "\\$<")
      message(FATAL_ERROR "${fn}: the value of ${keyword} holds a generator expression; "
        "file names and folders are settled at configure time, so give a plain value")
    endif()
  endforeach()
  if(DEFINED TG_UNPARSED_ARGUMENTS)
    # Quoted, so that an empty argument shows too; foreach sees no element
    # in a list that is one empty argument.
    set(unknown "")
    foreach(arg IN LISTS TG_UNPARSED_ARGUMENTS)
      string(APPEND unknown " \"${arg}\"")
    endforeach()
    if(unknown STREQUAL "")
      set(unknown " \"\"")
    endif()
    set(words ${keywords} ${flags})
    list(JOIN words " " words)
    message(FATAL_ERROR "${fn}: unknown argument(s):${unknown} (the keywords are ${words})")
  endif()
  if(repeated)
    list(REMOVE_DUPLICATES repeated)
    message(FATAL_ERROR "${fn}: keyword(s) given more than once: ${repeated}")
  endif()
  set(${given_var} "${given}" PARENT_SCOPE)
endfunction()

# Refuses values the call cannot have: an empty one, a missing INCLUDE or
# STRUCT, two keywords that exclude each other, a LANGUAGE, STRUCT or SUFFIX
# that is no such thing. Sets <suffix_var> to the suffix of the file names.
function(_tavrik_check_arguments fn keywords given suffix_var)
  # An explicitly empty value is as useless as a missing one, except for
  # SUFFIX: SUFFIX "" and a bare SUFFIX both mean the empty suffix.
  set(missing "")
  foreach(keyword IN LISTS given)
    if(keyword IN_LIST keywords AND NOT keyword STREQUAL "SUFFIX" AND "${TG_${keyword}}" STREQUAL "")
      list(APPEND missing ${keyword})
    endif()
  endforeach()
  if(missing)
    message(FATAL_ERROR "${fn}: keyword(s) without a value: ${missing}")
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
  if("STATIC" IN_LIST given AND "OBJECT" IN_LIST given)
    message(FATAL_ERROR "${fn}: give STATIC or OBJECT, not both")
  endif()
  if("LANGUAGE" IN_LIST given AND NOT TG_LANGUAGE MATCHES "^(C|CXX)$")
    message(FATAL_ERROR "${fn}: LANGUAGE is C or CXX, not \"${TG_LANGUAGE}\"")
  endif()

  # The name is pasted into C declarations and file names.
  if(NOT TG_STRUCT MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
    message(FATAL_ERROR "${fn}: STRUCT \"${TG_STRUCT}\" is not a C identifier "
      "(a letter or '_', then letters, digits or '_')")
  endif()
  set(suffix "_mgr")
  if("SUFFIX" IN_LIST given)
    set(suffix "${TG_SUFFIX}")
  endif()
  # tavrik refuses these at build time on Windows, where they name folders
  # and drives; a project's CMake files serve every host, so refuse them here.
  if(suffix MATCHES "[/\\\\:]")
    message(FATAL_ERROR "${fn}: SUFFIX \"${suffix}\" must not hold '/', '\\' or ':': "
      "the files are always written in OUTPUT_DIR")
  endif()
  set(${suffix_var} "${suffix}" PARENT_SCOPE)
endfunction()

# Sets <language_var> to the language that compiles the module: LANGUAGE,
# else C or CXX as the project has enabled them, else (tavrik_generate only)
# empty, which leaves the source to its .c extension. Refuses a language the
# project lacks.
function(_tavrik_choose_language fn given language_var)
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
  elseif(fn STREQUAL "tavrik_add_library")
    message(FATAL_ERROR "${fn}: the project has enabled neither C nor CXX, "
      "so nothing can compile the module (project(... LANGUAGES C) or LANGUAGES CXX)")
  else()
    set(language "")
  endif()
  set(${language_var} "${language}" PARENT_SCOPE)
endfunction()

# The program: TAVRIK_EXECUTABLE, else the tavrik target, run through the
# cross-compiling emulator when the target is built for another machine. Sets
# <tool_var> to the file or target the command depends on, and <command_var>
# to the command line that runs it.
function(_tavrik_choose_command fn tool_var command_var)
  if(NOT TAVRIK_EXECUTABLE STREQUAL "")
    if(NOT EXISTS "${TAVRIK_EXECUTABLE}" OR IS_DIRECTORY "${TAVRIK_EXECUTABLE}")
      message(FATAL_ERROR "${fn}: TAVRIK_EXECUTABLE is \"${TAVRIK_EXECUTABLE}\", "
        "which is not a file; name a tavrik program that runs on this machine")
    endif()
    set(tool "${TAVRIK_EXECUTABLE}")
  elseif(TARGET tavrik::tavrik)
    set(tool tavrik::tavrik)
  elseif(TARGET tavrik)
    set(tool tavrik)
  else()
    message(FATAL_ERROR "${fn}: no tavrik executable target (find_package(tavrik) first), "
      "and TAVRIK_EXECUTABLE is not set")
  endif()
  set(command "${tool}")
  if(CMAKE_CROSSCOMPILING AND TAVRIK_EXECUTABLE STREQUAL "")
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
  set(${tool_var} "${tool}" PARENT_SCOPE)
  set(${command_var} "${command}" PARENT_SCOPE)
endfunction()

# Sets <out_dir_var> to the folder tavrik writes in, OUTPUT_DIR or the current
# binary folder, and <header_var> and <source_var> to the files <name>.h and
# <name>.c it writes there.
function(_tavrik_output_files given name out_dir_var header_var source_var)
  set(out_dir "${CMAKE_CURRENT_BINARY_DIR}")
  if("OUTPUT_DIR" IN_LIST given)
    get_filename_component(out_dir "${TG_OUTPUT_DIR}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  endif()
  set(${out_dir_var} "${out_dir}" PARENT_SCOPE)
  set(${header_var} "${out_dir}/${name}.h" PARENT_SCOPE)
  set(${source_var} "${out_dir}/${name}.c" PARENT_SCOPE)
endfunction()

# Sets <header_path_var> to the file the command depends on, and
# <header_dir_var> to the folder that makes the INCLUDE spelling resolve to
# it, or to nothing when no folder does.
function(_tavrik_find_header given header_path_var header_dir_var)
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
  set(${header_path_var} "${header_path}" PARENT_SCOPE)
  set(${header_dir_var} "${header_dir}" PARENT_SCOPE)
endfunction()

# Refuses files that cannot work: generated files that would replace the
# header, outputs that TARGET could not find, a header that neither exists
# nor is made by the build.
function(_tavrik_check_files fn given out_dir header source header_path)
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
endfunction()

# Global properties record every module's files and function names (those
# tavrik writes; bsearch and sort need a key): whichever function or
# directory made it, a program that links both would get either definition.
# Refuses a module that would write files or define functions another has,
# then records this one's.
function(_tavrik_claim_names fn owner given stem suffix header source)
  set(module "${owner} (STRUCT ${TG_STRUCT}) in ${CMAKE_CURRENT_SOURCE_DIR}")
  get_property(other GLOBAL PROPERTY "tavrik_output ${header}")
  if(other)
    message(FATAL_ERROR "${fn}: ${module} would write ${header} and ${source}, "
      "which ${other} writes already")
  endif()
  set(names push_back pop_back touch_pop_back clear touch_clear size at find findfirst
      findnext bsearch_by sort_by transform transform_if)
  if("KEY" IN_LIST given OR "STRING_KEY" IN_LIST given)
    list(APPEND names bsearch sort)
  endif()
  list(TRANSFORM names PREPEND "${stem}_")
  foreach(name IN LISTS names)
    get_property(other GLOBAL PROPERTY "tavrik_function ${name}")
    if(other)
      _tavrik_collision_message("${fn}" "${module}" "${name}" "${other}" "${stem}" "${suffix}"
                                "${given}" clash)
      message(FATAL_ERROR "${clash}")
    endif()
  endforeach()
  set_property(GLOBAL PROPERTY "tavrik_output ${header}" "${module}")
  foreach(name IN LISTS names)
    set_property(GLOBAL PROPERTY "tavrik_function ${name}" "${module}")
  endforeach()
endfunction()

# Sets <message_var> to the refusal of <module>, which would define the
# function <name> that <other> defines already, with what to do instead.
function(_tavrik_collision_message fn module name other stem suffix given message_var)
  set(clash "${fn}: ${module} would define ${name}, which ${other} defines already; a "
    "program would run one module's code for both, since a suffix changes only the file names.")
  if(NOT name STREQUAL "${stem}_push_back")
    # Two structs, one name the prefix of the other's functions.
    string(CONCAT clash ${clash} " Give one of the structs another name for tavrik: in a "
      "header of its own, typedef ${TG_STRUCT} <Alias>; then name that header in INCLUDE and "
      "give STRUCT <Alias>")
    set(${message_var} "${clash}" PARENT_SCOPE)
    return()
  endif()
  # A second container of one struct: an alias named after the suffix
  # (Part with _by_qty: PartByQty), else after the struct.
  set(alias "${TG_STRUCT}")
  string(REGEX MATCHALL "[A-Za-z0-9]+" words "${suffix}")
  if(NOT "SUFFIX" IN_LIST given)
    set(words "")
  endif()
  foreach(word IN LISTS words)
    string(SUBSTRING "${word}" 0 1 first)
    string(SUBSTRING "${word}" 1 -1 rest)
    string(TOUPPER "${first}" first)
    string(APPEND alias "${first}${rest}")
  endforeach()
  if(alias STREQUAL TG_STRUCT)
    string(APPEND alias "2")
  endif()
  string(TOLOWER "${alias}" alias_stem)
  string(CONCAT clash ${clash} " A second container of one struct takes an alias: in a "
    "header of its own, #include \"${TG_INCLUDE}\" and typedef ${TG_STRUCT} ${alias}; then "
    "name that header in INCLUDE and give STRUCT ${alias} without SUFFIX: its files are "
    "${alias_stem}_mgr.h and .c, its functions ${alias_stem}_*")
  set(${message_var} "${clash}" PARENT_SCOPE)
endfunction()

# Adds the command that writes <header> and <source> in <out_dir> from the
# header at <header_path>, run as <command> and rebuilt when <tool> is.
function(_tavrik_add_command tool command given suffix language header_path out_dir header source)
  set(options -i "${TG_INCLUDE}" -n "${TG_STRUCT}")
  if("KEY" IN_LIST given)
    list(APPEND options -k "${TG_KEY}")
  elseif("STRING_KEY" IN_LIST given)
    list(APPEND options -K "${TG_STRING_KEY}")
  endif()
  get_filename_component(header_name "${header}" NAME)
  get_filename_component(source_name "${source}" NAME)
  file(MAKE_DIRECTORY "${out_dir}")
  add_custom_command(
    OUTPUT "${header}" "${source}"
    # -s stays out of the list: an empty list element would vanish, and an
    # empty suffix must reach tavrik as an empty argument.
    COMMAND ${command} ${options} -s "${suffix}"
    WORKING_DIRECTORY "${out_dir}"
    DEPENDS ${tool} "${header_path}"
    COMMENT "Generating ${header_name} and ${source_name} with tavrik"
    VERBATIM)

  # Compiled as C++, the module has C++ linkage like its callers.
  if(language STREQUAL "CXX")
    set_source_files_properties("${source}" PROPERTIES LANGUAGE CXX)
  endif()
endfunction()

function(tavrik_generate out_var)
  set(keywords INCLUDE STRUCT KEY STRING_KEY SUFFIX HEADER OUTPUT_DIR TARGET LANGUAGE)
  if(out_var STREQUAL "" OR out_var IN_LIST keywords)
    message(FATAL_ERROR "tavrik_generate: the first argument must be the name of the output variable, not \"${out_var}\"")
  endif()
  cmake_parse_arguments(PARSE_ARGV 1 TG "" "${keywords}" "")
  _tavrik_add_module(tavrik_generate "output variable ${out_var}" "${keywords}" "" "${ARGN}" files)
  if("TARGET" IN_LIST ARGN)
    target_sources(${TG_TARGET} PRIVATE ${files})
    target_include_directories(${TG_TARGET} PRIVATE ${files_INCLUDE_DIRS})
  endif()
  set(${out_var} ${files} PARENT_SCOPE)
  set(${out_var}_INCLUDE_DIRS ${files_INCLUDE_DIRS} PARENT_SCOPE)
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
  cmake_parse_arguments(PARSE_ARGV 1 TG "${flags}" "${keywords}" "")
  _tavrik_add_module(tavrik_add_library "target ${target}" "${keywords}" "${flags}" "${ARGN}" files)
  set(type STATIC)
  if(TG_OBJECT)
    set(type OBJECT)
  endif()
  # The outputs belong to a target of the directory that adds the command:
  # that is what makes every generator run it, wherever the library is used.
  add_library(${target} ${type} ${files})
  foreach(dir IN LISTS files_INCLUDE_DIRS)
    target_include_directories(${target} PUBLIC "$<BUILD_INTERFACE:${dir}>")
  endforeach()
endfunction()

cmake_policy(POP)
