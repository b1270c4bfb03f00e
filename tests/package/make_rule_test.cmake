# The make rules offered to make users, each in a Makefile of its own: one
# tavrik run for both files, none when nothing changed, another after the
# header changed; run without and with -j2.
#   -DMAKE= -DTAVRIK= -DWORK_DIR= -DGROUPED=ON|OFF (grouped targets need GNU make 4.3)
file(REMOVE_RECURSE "${WORK_DIR}")
# Any GNU make: a pattern rule's targets are made by one run of its recipe.
# The struct name is case sensitive, so it comes from a variable named after
# the file stem.
set(rules pattern)
set(rule_pattern
  "item_TAVRIK = -n Item -k id\n"
  "%_mgr.c %_mgr.h: %.h\n"
  "\ttavrik -i $< $($*_TAVRIK)\n")
# POSIX make: tavrik writes the header first, so the source is never older
# than the header it is made to depend on.
list(APPEND rules posix)
set(rule_posix
  ".POSIX:\n"
  "item_mgr.h: item.h\n"
  "\ttavrik -i item.h -n Item -k id\n"
  "item_mgr.c: item_mgr.h\n")
if(GROUPED)
  list(APPEND rules grouped)
  set(rule_grouped
    "item_mgr.c item_mgr.h &: item.h\n"
    "\ttavrik -i item.h -n Item -k id\n")
endif()
get_filename_component(tool_dir "${TAVRIK}" DIRECTORY)

function(run_make dir jobs step expected_runs)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env "PATH=${tool_dir}:$ENV{PATH}"
                          "${MAKE}" -C "${dir}" ${jobs} item_mgr.c item_mgr.h
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(step "${dir}, ${jobs} ${step}")
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${step}: make failed (${status}):\n${out}${err}")
  endif()
  string(REGEX MATCHALL "tavrik -i item\\.h -n Item -k id" runs "${out}")
  list(LENGTH runs count)
  if(NOT count EQUAL expected_runs)
    message(FATAL_ERROR "${step}: tavrik ran ${count} times, not ${expected_runs}:\n${out}${err}")
  endif()
  foreach(file IN ITEMS item_mgr.c item_mgr.h)
    if(NOT EXISTS "${dir}/${file}")
      message(FATAL_ERROR "${step}: ${file} was not written")
    endif()
  endforeach()
endfunction()

foreach(rule IN LISTS rules)
  foreach(jobs IN ITEMS -j1 -j2)
    set(dir "${WORK_DIR}/${rule}${jobs}")
    file(WRITE "${dir}/item.h" "#include <stddef.h>\ntypedef struct { int id; } Item;\n")
    string(CONCAT makefile ${rule_${rule}})
    file(WRITE "${dir}/Makefile" "${makefile}")
    run_make("${dir}" ${jobs} "first make" 1)
    run_make("${dir}" ${jobs} "make with no change" 0)
    file(TOUCH "${dir}/item.h")
    run_make("${dir}" ${jobs} "make after touching item.h" 1)
  endforeach()
endforeach()
