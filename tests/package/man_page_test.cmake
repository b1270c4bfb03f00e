# Renders the man page with every warning on; any diagnostic fails the test.
#   -DMAN_PAGE= [-DGROFF=] [-DMAN=]
if(GROFF)
  execute_process(COMMAND "${GROFF}" -man -ww -z "${MAN_PAGE}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR NOT err STREQUAL "")
    message(FATAL_ERROR "groff -man -ww reports (status ${status}):\n${err}")
  endif()
endif()
if(MAN)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env MANWIDTH=80 MANPAGER=cat PAGER=cat
                          "${MAN}" --warnings -l "${MAN_PAGE}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR NOT err STREQUAL "")
    message(FATAL_ERROR "man --warnings -l reports (status ${status}):\n${err}")
  endif()
  foreach(section IN ITEMS NAME SYNOPSIS DESCRIPTION OPTIONS FILES "EXIT STATUS" DIAGNOSTICS
          "THE GENERATED MODULE" EXAMPLES)
    if(NOT out MATCHES "\n${section}\n")
      message(FATAL_ERROR "the rendered man page has no section ${section}:\n${out}")
    endif()
  endforeach()
endif()
