# The two-line make rule offered to make users: one tavrik run for both
# files, none when nothing changed, another after the header changed.
#   -DMAKE= -DTAVRIK= -DWORK_DIR=
file(REMOVE_RECURSE "${WORK_DIR}")
file(WRITE "${WORK_DIR}/item.h" "#include <stddef.h>\ntypedef struct { int id; } Item;\n")
file(WRITE "${WORK_DIR}/Makefile"
  "item_mgr.c item_mgr.h &: item.h\n"
  "\ttavrik -i item.h -n Item -k id\n")
get_filename_component(tool_dir "${TAVRIK}" DIRECTORY)

function(run_make step expected_runs)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env "PATH=${tool_dir}:$ENV{PATH}"
                          "${MAKE}" -C "${WORK_DIR}" -j2 item_mgr.c item_mgr.h
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${step}: make failed (${status}):\n${out}${err}")
  endif()
  string(REGEX MATCHALL "tavrik -i item\\.h -n Item -k id" runs "${out}")
  list(LENGTH runs count)
  if(NOT count EQUAL expected_runs)
    message(FATAL_ERROR "${step}: tavrik ran ${count} times, not ${expected_runs}:\n${out}${err}")
  endif()
  foreach(file IN ITEMS item_mgr.c item_mgr.h)
    if(NOT EXISTS "${WORK_DIR}/${file}")
      message(FATAL_ERROR "${step}: ${file} was not written")
    endif()
  endforeach()
endfunction()

run_make("first make" 1)
run_make("make with no change" 0)
file(TOUCH "${WORK_DIR}/item.h")
run_make("make after touching item.h" 1)
