# The man page and the tool's own texts must not drift apart: the synopsis is
# the usage line, the options are those of the help text in the same order,
# the version is the one -V prints, and every exit status and every reason for
# status 1 is listed.   -DTAVRIK= -DMAN_PAGE=
file(READ "${MAN_PAGE}" page)

execute_process(COMMAND "${TAVRIK}" -h RESULT_VARIABLE status OUTPUT_VARIABLE help)
if(NOT status EQUAL 2)
  message(FATAL_ERROR "tavrik -h exited with ${status}")
endif()

# Usage line -> "tavrik -i inc_file ... [ -s body_suffix ]".
string(REGEX MATCH "^usage: ([^\n]*)" usage "${help}")
set(usage "${CMAKE_MATCH_1}")
string(REGEX REPLACE "[<>]" "" usage "${usage}")
string(REGEX REPLACE "([][])" " \\1 " usage "${usage}")
string(REGEX REPLACE " +" " " usage "${usage}")
string(STRIP "${usage}" usage)
# Synopsis: its first form, up to the first .br, with the font macros dropped.
if(NOT page MATCHES "\n\\.SH SYNOPSIS\n(.*)\n\\.br\n")
  message(FATAL_ERROR "no SYNOPSIS in ${MAN_PAGE}")
endif()
string(REGEX REPLACE "\n\\.br\n.*" "" synopsis "${CMAKE_MATCH_1}")
string(REGEX REPLACE "(^|\n)\\.(B|I|BI|IB|RB|IR) " "\\1" synopsis "${synopsis}")
string(REPLACE "\\-" "-" synopsis "${synopsis}")
string(REGEX REPLACE "([][])" " \\1 " synopsis "${synopsis}")
string(REGEX REPLACE "[ \n]+" " " synopsis "${synopsis}")
string(STRIP "${synopsis}" synopsis)
if(NOT synopsis STREQUAL usage)
  message(FATAL_ERROR "synopsis and usage differ:\n  man:   ${synopsis}\n  usage: ${usage}")
endif()

# Options of the help text, "-i inc_file;-n struct_name;...;-h;-V".
string(REGEX MATCHALL "\n    -[A-Za-z]( <[a-z_]+>)?" help_options "${help}")
list(TRANSFORM help_options REPLACE "^\n    " "")
list(TRANSFORM help_options REPLACE "[<>]" "")
# Options of the man page: the tags of the OPTIONS section.
string(REGEX MATCH "\n\\.SH OPTIONS\n.*" options_section "${page}")
string(REGEX REPLACE "(\n\\.SH OPTIONS\n.*)\n\\.SH .*" "\\1" options_section "${options_section}")
string(REGEX MATCHALL "\n\\.TP\n\\.BI? \\\\-[A-Za-z]( \" [a-z_]+\")?" man_options "${options_section}")
list(TRANSFORM man_options REPLACE "^\n\\.TP\n\\.BI? \\\\" "")
list(TRANSFORM man_options REPLACE "\"" "")
list(TRANSFORM man_options REPLACE "  " " ")
if(NOT man_options STREQUAL help_options)
  message(FATAL_ERROR "options differ:\n  man:  ${man_options}\n  help: ${help_options}")
endif()

execute_process(COMMAND "${TAVRIK}" -V RESULT_VARIABLE status OUTPUT_VARIABLE version)
string(REGEX REPLACE "^version ([^\n]*)\n$" "\\1" version "${version}")
if(NOT page MATCHES "\n\\.TH TAVRIK 1 \"[^\"]*\" \"tavrik ${version}\"")
  message(FATAL_ERROR "the .TH line does not carry version ${version}")
endif()

string(REGEX MATCH "\n\\.SH EXIT STATUS\n.*" status_section "${page}")
string(REGEX REPLACE "(\n\\.SH EXIT STATUS\n.*)\n\\.SH .*" "\\1" status_section "${status_section}")
string(REGEX MATCHALL "\n\\.TP\n\\.B [0-9]+\n" statuses "${status_section}")
list(TRANSFORM statuses REPLACE "[^0-9]" "")
if(NOT statuses STREQUAL "0;1;2;3;4")
  message(FATAL_ERROR "EXIT STATUS lists ${statuses}, not 0 to 4")
endif()

foreach(reason IN ITEMS "string is too long." "file name is too long."
        "output file outside the current directory.(" "output file is the include file.("
        "file open error.(" "file write error.(")
  string(FIND "${page}" "${reason}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the man page does not list the reason '${reason}'")
  endif()
endforeach()
