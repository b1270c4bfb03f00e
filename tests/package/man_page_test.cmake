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
# The Windows ZIP's HTML manual, as the packaging's html step renders it: the version in the title,
# and each example block of the man page (.nf to .fi) in a <pre> of its own, in order, with the
# same lines, an indented line still indented.
#   [-DMANDOC= -DSTEPS=<TavrikPackagingSteps.cmake> -DVERSION= -DWORK_DIR=]
if(MANDOC)
  execute_process(COMMAND "${CMAKE_COMMAND}" -DTAVRIK_STEP=html "-DMANDOC=${MANDOC}" "-DMAN_PAGE=${MAN_PAGE}"
                          "-DVERSION=${VERSION}" "-DOUTPUT=${WORK_DIR}/tavrik.html" -P "${STEPS}"
                  RESULT_VARIABLE status ERROR_VARIABLE err)
  file(READ "${WORK_DIR}/tavrik.html" page)
  if(NOT status EQUAL 0 OR NOT page MATCHES "<title>[^<]*tavrik ${VERSION}[^<]*</title>")
    message(FATAL_ERROR "the html step failed (${status}) or left the version out of the title:\n${err}")
  endif()
  file(READ "${MAN_PAGE}" man)
  string(ASCII 1 semicolon)
  string(ASCII 2 start)
  string(ASCII 3 end)
  string(REPLACE ";" "${semicolon}" man "${man}")
  string(REPLACE ";" "${semicolon}" page "${page}")
  string(REGEX REPLACE "\n\\.nf\n([^\n]*(\n[^.][^\n]*|\n)*)\n\\.fi\n" "${start}\\1${end}" man "${man}")
  string(REGEX MATCHALL "${start}[^${end}]*${end}" examples "${man}")
  string(REGEX MATCHALL "<pre>[^<]*</pre>" pres "${page}")
  foreach(pair IN ITEMS "\\-|-" "\\e|\\" "\\&|" "${start}|" "${end}|" "<pre>|" "</pre>|"
          "&lt${semicolon}|<" "&gt${semicolon}|>" "&quot${semicolon}|\"" "&amp${semicolon}|&")
    string(REGEX MATCH "^([^|]*)\\|(.*)$" pair "${pair}")
    string(REPLACE "${CMAKE_MATCH_1}" "${CMAKE_MATCH_2}" examples "${examples}")
    string(REPLACE "${CMAKE_MATCH_1}" "${CMAKE_MATCH_2}" pres "${pres}")
  endforeach()
  string(REGEX REPLACE "(^|\n)[ \t]+" "\\1\t" examples "${examples}")
  string(REGEX REPLACE "(^|\n)[ \t]+" "\\1\t" pres "${pres}")
  if(NOT pres STREQUAL examples)
    message(FATAL_ERROR "the man page's examples:\n${examples}\n\nthe HTML's <pre> blocks:\n${pres}")
  endif()
endif()
