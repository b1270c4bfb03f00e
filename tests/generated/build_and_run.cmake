# cmake -DCOMPILER=<cc> -DCOMPILE_FLAGS=<a|b|..> -DLINK_FLAGS=<..> -DRUNNER=<..>
#       -DWORK_DIR=<dir> -DPLAN=<programs.cmake> [-DEXE_SUFFIX=.exe] -P build_and_run.cmake
#
# Compiles every source named in the plan once (flags '|'-separated), links
# each test program and runs it, through RUNNER when one is given.  Any
# compiler output, a failed link, a non-zero exit or unexpected text on
# stderr fails the test.

foreach(var COMPILER WORK_DIR PLAN)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "build_and_run.cmake: ${var} is not set")
  endif()
endforeach()
include("${PLAN}")

string(REPLACE "|" ";" compile_flags "${COMPILE_FLAGS}")
string(REPLACE "|" ";" link_flags "${LINK_FLAGS}")
string(REPLACE "|" ";" runner "${RUNNER}")
set(include_flags)
foreach(dir IN LISTS plan_include_dirs)
  list(APPEND include_flags "-I${dir}")
endforeach()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

foreach(program IN LISTS plan_programs)
  set(objects)
  foreach(source IN LISTS plan_${program})
    get_filename_component(stem "${source}" NAME_WE)
    set(object "${WORK_DIR}/${stem}.o")
    if(NOT EXISTS "${object}")
      execute_process(
        COMMAND "${COMPILER}" ${compile_flags} ${include_flags} -c "${source}" -o "${object}"
        RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
      # A warning that -Werror did not catch still counts.
      if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
        message(FATAL_ERROR "compiling ${source} failed (${rc}):\n${out}")
      endif()
    endif()
    list(APPEND objects "${object}")
  endforeach()

  set(exe "${WORK_DIR}/${program}${EXE_SUFFIX}")
  execute_process(
    COMMAND "${COMPILER}" ${link_flags} ${objects} -o "${exe}"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "linking ${program} failed (${rc}):\n${out}")
  endif()

  execute_process(
    COMMAND ${runner} "${exe}"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${program} failed (${rc}):\n${out}${err}")
  endif()
  # Text mode on Windows ends each line in CR LF.
  string(REPLACE "\r\n" "\n" err "${err}")
  # stderr holds the generated vector_extend's line once per failed
  # allocation and nothing else: no sanitizer or valgrind report either.
  set(expected_err "")
  if(DEFINED plan_${program}_messages)
    foreach(i RANGE 1 ${plan_${program}_messages})
      string(APPEND expected_err "memory allocation error.( vector_extend() )\n")
    endforeach()
  endif()
  if(NOT err STREQUAL expected_err)
    message(FATAL_ERROR "${program} wrote unexpected text on stderr:\n${err}")
  endif()
  string(STRIP "${out}" out)
  message(STATUS "${out}")
endforeach()
