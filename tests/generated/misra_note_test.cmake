# Runs cppcheck's MISRA addon on the generated modules and checks that the
# rules it reports in them are exactly the rules the coding-standards note
# lists in its tables.
#   -DCPPCHECK= -DNOTE= -DMODULE_DIR= -DINCLUDE_DIRS=<dir>|... -DSOURCES=<file>|...
string(REPLACE "|" ";" sources "${SOURCES}")
string(REPLACE "|" ";" dirs "${INCLUDE_DIRS}")
list(TRANSFORM dirs PREPEND "-I")
execute_process(COMMAND "${CPPCHECK}" --addon=misra --quiet -DALLOC_HOOK_NO_MACROS ${dirs} ${sources}
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err)

# A report reads "<file>:<line>:<column>: style: ... [misra-c2012-<rule>]";
# those in the tests' own headers are not the module's.
string(REGEX MATCHALL "[^\n]*\\[misra-c2012-[0-9.]+\\]" reports "${err}")
set(reported)
foreach(report IN LISTS reports)
  string(FIND "${report}" "${MODULE_DIR}/" at)
  if(at EQUAL 0 AND report MATCHES "misra-c2012-([0-9.]+)\\]$")
    list(APPEND reported "${CMAKE_MATCH_1}")
  endif()
endforeach()
if(NOT status EQUAL 0 OR NOT reported)
  message(FATAL_ERROR "cppcheck's MISRA addon reported nothing in the modules (status ${status}):\n${err}")
endif()
list(REMOVE_DUPLICATES reported)

file(STRINGS "${NOTE}" rows REGEX "^\\| [0-9]+\\.[0-9]+ \\|")
set(listed)
foreach(row IN LISTS rows)
  if(row MATCHES "^\\| ([0-9]+\\.[0-9]+) \\|")
    list(APPEND listed "${CMAKE_MATCH_1}")
  endif()
endforeach()
list(SORT reported)
list(SORT listed)
if(NOT reported STREQUAL listed)
  list(JOIN reported " " reported)
  list(JOIN listed " " listed)
  message(FATAL_ERROR "cppcheck's MISRA addon reports rules ${reported} in the generated modules, "
                      "but ${NOTE} lists ${listed}")
endif()
