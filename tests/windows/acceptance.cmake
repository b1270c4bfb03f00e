# The Windows executable's file handling under Wine, included by driver.cmake
# (STEP acceptance) with TAVRIK_EXE, LAUNCHER, HOST_TAVRIK, WORK_ROOT,
# emulator and prefix set. Every file is compared with the host tavrik's output for the
# same arguments, each LF turned into CR LF.
#
# What Wine cannot show, and so is not checked here: that Windows refuses to
# replace a read-only file (Wine replaces it), names longer than MAX_PATH
# (Wine has no such limit), and case-insensitive names on a case-sensitive
# disk (Wine folds case itself). A refused replace is shown by the unit test
# ReplaceThatWindowsRefusesFailsTheRename (a file held open without sharing),
# which Wine does enforce. Nor that messages reach a console as UTF-16 and
# read right in any code page: Wine gives a program a console only in a
# terminal, and turns what it writes there back into the terminal's UTF-8.
# Console control events (Ctrl-C, Ctrl-Break, closing
# the console) cannot be sent to a Wine program from here.

set(work "${WORK_ROOT}/work")
set(host "${WORK_ROOT}/host")
file(REMOVE_RECURSE "${WORK_ROOT}")
file(MAKE_DIRECTORY "${work}" "${host}")
set_property(GLOBAL PROPERTY acceptance_failures "")

function(fail text)
  set_property(GLOBAL APPEND PROPERTY acceptance_failures "${text}")
endfunction()

# Names in a folder, hidden ones included, sorted.
function(entries dir out_var)
  file(GLOB names LIST_DIRECTORIES true RELATIVE "${dir}" "${dir}/*" "${dir}/.*")
  list(REMOVE_DUPLICATES names)
  list(SORT names)
  set(${out_var} "${names}" PARENT_SCOPE)
endfunction()

function(expect_entries dir expected what)
  entries("${dir}" actual)
  list(SORT expected)
  if(NOT actual STREQUAL expected)
    fail("${what}: ${dir} holds [${actual}], not [${expected}]")
  endif()
endfunction()

# A file of the user's, unchanged.
function(expect_text path text)
  if(NOT EXISTS "${path}")
    fail("${path} is gone")
    return()
  endif()
  file(READ "${path}" actual)
  if(NOT actual STREQUAL text)
    fail("${path} was changed")
  endif()
endfunction()

# tavrik.exe in <dir> under Wine; status and standard error (CR LF read as LF).
function(run_windows dir out_status out_err)
  execute_process(COMMAND ${emulator} "${TAVRIK_EXE}" ${ARGN} WORKING_DIRECTORY "${dir}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REPLACE "\r\n" "\n" err "${out}${err}")
  set(${out_status} "${rc}" PARENT_SCOPE)
  set(${out_err} "${err}" PARENT_SCOPE)
endfunction()

function(expect_success dir)
  run_windows("${dir}" rc err ${ARGN})
  if(NOT rc STREQUAL "0" OR NOT err STREQUAL "")
    fail("tavrik ${ARGN}: status ${rc}, output '${err}'")
  endif()
endfunction()

function(expect_refusal dir reason)
  run_windows("${dir}" rc err ${ARGN})
  if(NOT rc STREQUAL "1" OR NOT err STREQUAL "${reason}\n")
    fail("tavrik ${ARGN}: status ${rc}, output '${err}' where status 1 and '${reason}' are due")
  endif()
endfunction()

# The host tavrik's files for these arguments, in host/<name>, each LF
# turned into CR LF; <name>_files lists them.
function(host_files name)
  set(dir "${host}/${name}")
  file(REMOVE_RECURSE "${dir}")
  file(MAKE_DIRECTORY "${dir}")
  execute_process(COMMAND "${HOST_TAVRIK}" ${ARGN} WORKING_DIRECTORY "${dir}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "host tavrik ${ARGN} failed (${rc})")
  endif()
  entries("${dir}" files)
  foreach(file IN LISTS files)
    file(READ "${dir}/${file}" text)
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE "${dir}/${file}" "${text}")
  endforeach()
  set(${name}_files "${files}" PARENT_SCOPE)
endfunction()

# Each of the host's files in host/<name> has its twin in dir, byte for byte
# (compare_files, as file(READ) would drop the CRs).
function(expect_host_bytes dir name what)
  foreach(file IN LISTS ${name}_files)
    execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${host}/${name}/${file}" "${dir}/${file}"
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      fail("${what}: ${file} is not the host's file with CR LF line ends")
    endif()
  endforeach()
endfunction()

# ---- replacing earlier outputs; files that look like temporaries ----------
file(WRITE "${work}/.tavrik-0.tmp" "the user's\n")
file(WRITE "${work}/.tavrik-4242-0.tmp" "the user's too\n")
set(user_files .tavrik-0.tmp .tavrik-4242-0.tmp)
expect_success("${work}" -i item.h -n Item -k id)
expect_success("${work}" -i item.h -n Item -k id)
host_files(value_key -i item.h -n Item -k id)
expect_host_bytes("${work}" value_key "second run with the same key")
expect_success("${work}" -i item.h -n Item -K name)
host_files(string_key -i item.h -n Item -K name)
expect_host_bytes("${work}" string_key "run with another key")
expect_entries("${work}" "item_mgr.c;item_mgr.h;${user_files}" "after three runs")
expect_text("${work}/.tavrik-0.tmp" "the user's\n")
expect_text("${work}/.tavrik-4242-0.tmp" "the user's too\n")

# ---- names that would leave the folder --------------------------------------
file(MAKE_DIRECTORY "${work}/sub")
set(drive_c_dirs "${prefix}/drive_c" "${prefix}/drive_c/windows" "${prefix}/drive_c/windows/system32")
foreach(dir IN LISTS drive_c_dirs)
  file(REMOVE "${dir}/x_mgr.h" "${dir}/x_mgr.c")  # left by an earlier, failed run
endforeach()
expect_refusal("${work}" "output file outside the current directory.(..\\x_mgr.h)" -i item.h -n "..\\x")
expect_refusal("${work}" "output file outside the current directory.(sub\\x_mgr.h)" -i item.h -n "sub\\x")
expect_refusal("${work}" "output file outside the current directory.(item\\y.h)" -i item.h -n Item -s "\\y")
expect_refusal("${work}" "output file outside the current directory.(c:x_mgr.h)" -i item.h -n "C:x")
expect_entries("${WORK_ROOT}" "host;work" "outside the folder")
expect_entries("${work}/sub" "" "the subfolder")
foreach(dir IN LISTS drive_c_dirs)
  if(EXISTS "${dir}/x_mgr.h")
    fail("-n C:x wrote ${dir}/x_mgr.h")
  endif()
endforeach()
file(REMOVE_RECURSE "${work}/sub")

# ---- the include file through a linked folder ---------------------------------
# The spellings alone are checked on every host (name_rules_test.cpp); here
# the system's own answers: sub is a link to the current folder, so
# sub\item_mgr.h is the header, there or not yet.
file(REMOVE "${work}/item_mgr.h" "${work}/item_mgr.c")
file(CREATE_LINK . "${work}/sub" SYMBOLIC)
foreach(present FALSE TRUE)
  if(present)
    file(WRITE "${work}/item_mgr.h" "typedef struct { int id; } Item;\n")
  endif()
  foreach(spelling "sub\\item_mgr.h" "sub\\ITEM_MGR.H")
    expect_refusal("${work}" "output file is the include file.(item_mgr.h)" -i "${spelling}" -n Item)
  endforeach()
endforeach()
file(REMOVE "${work}/sub")
# The same folder spelled as the system's own name, which it does not tidy.
file(REMOVE "${work}/item_mgr.h")
string(REPLACE "/" "\\" device_name "\\\\?\\Z:${work}")
foreach(output item_mgr.h item_mgr.c)
  expect_refusal("${work}" "output file is the include file.(${output})" -i "${device_name}\\${output}" -n Item)
endforeach()
file(WRITE "${work}/item_mgr.h" "typedef struct { int id; } Item;\n")
# Letters no fixed table folds: the folder itself is asked (U+0531, U+0561).
expect_refusal("${work}" "output file is the include file.(Աtem_mgr.h)" -i "աTEM_MGR.H" -n "Աtem")
expect_text("${work}/item_mgr.h" "typedef struct { int id; } Item;\n")
expect_entries("${work}" "item_mgr.h;${user_files}" "after the include refusals")

# ---- a name outside the ANSI code page ----------------------------------------
# U+0114 keeps its case: only ASCII letters change.
expect_success("${work}" -i item.h -n "Ĕtem")
host_files(unicode -i item.h -n "Ĕtem")
if(NOT unicode_files STREQUAL "Ĕtem_mgr.c;Ĕtem_mgr.h")
  message(FATAL_ERROR "host tavrik wrote [${unicode_files}] for -n Ĕtem")
endif()
expect_host_bytes("${work}" unicode "-n Ĕtem")

# ---- parallel runs in one folder ------------------------------------------------
set(structs Alpha Beta Gamma Delta Epsilon)
set(expected_all "")
foreach(s IN LISTS structs)
  host_files(${s} -i item.h -n ${s} -k id)
  list(APPEND expected_all ${${s}_files})
endforeach()
set(commands)
foreach(s IN LISTS structs)
  list(APPEND commands COMMAND ${emulator} "${TAVRIK_EXE}" -i item.h -n ${s} -k id)
endforeach()
set(rounds 10)
foreach(round RANGE 1 ${rounds})
  set(dir "${WORK_ROOT}/parallel")
  file(REMOVE_RECURSE "${dir}")
  file(MAKE_DIRECTORY "${dir}")
  # The commands of one execute_process run at the same time.
  execute_process(${commands} WORKING_DIRECTORY "${dir}" RESULTS_VARIABLE statuses
                  OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT statuses STREQUAL "0;0;0;0;0" OR NOT "${out}${err}" STREQUAL "")
    fail("parallel round ${round}: statuses ${statuses}, output '${out}${err}'")
  endif()
  expect_entries("${dir}" "${expected_all}" "parallel round ${round}")
  foreach(s IN LISTS structs)
    expect_host_bytes("${dir}" ${s} "parallel round ${round}")
  endforeach()
endforeach()

# ---- started by another Windows program; new files held open by another ----------
# The launcher (launcher.c) starts tavrik.exe with CreateProcessW, as Windows
# programs do, and can meanwhile hold every new temporary open without
# sharing delete access, as virus scanners and indexers do. Runs a copy of
# tavrik.exe in <dir> and gives the launcher's status lines and the runs'
# standard error.
function(launch dir out_statuses out_err)
  file(COPY "${TAVRIK_EXE}" DESTINATION "${dir}")
  execute_process(COMMAND ${emulator} "${LAUNCHER}" ${ARGN} WORKING_DIRECTORY "${dir}"
                  OUTPUT_VARIABLE statuses ERROR_VARIABLE err)
  string(REPLACE "\r\n" "\n" statuses "${statuses}")
  string(REPLACE "\r\n" "\n" err "${err}")
  file(REMOVE "${dir}/tavrik.exe")
  set(${out_statuses} "${statuses}" PARENT_SCOPE)
  set(${out_err} "${err}" PARENT_SCOPE)
endfunction()

# "\uD800", a lone surrogate, is no character: refused before the options
# are read, with its position, and nothing is written.
launch("${WORK_ROOT}/lone_surrogate" statuses err tavrik.exe -i item.h -n "\\uD800")
if(NOT statuses STREQUAL "1\n" OR NOT err STREQUAL "argument is not valid Unicode.(4)\n")
  fail("-n <lone surrogate>: status ${statuses}, output '${err}'")
endif()
expect_entries("${WORK_ROOT}/lone_surrogate" "" "after the lone surrogate")

# Held for 0.3 s, each replace waits for the holder: every run succeeds.
set(held "${WORK_ROOT}/held")
launch("${held}" statuses err --hold 300 --runs 24 tavrik.exe -i item.h -n Item)
string(REPEAT "0\n" 24 all_good)
if(NOT statuses STREQUAL all_good OR NOT err STREQUAL "")
  fail("24 runs with new files held for 0.3 s: statuses ${statuses}, output '${err}'")
endif()
expect_entries("${held}" "item_mgr.c;item_mgr.h" "after the runs with files held for 0.3 s")
# Held for 5 s, past the wait: the first run caught fails and names the
# temporary it could not remove. The holder may catch either file's
# temporary first (the header's, or on a busy machine the source's).
launch("${held}" statuses err --hold 5000 --runs 20 --until-failure tavrik.exe -i item.h -n Item)
if(NOT err MATCHES "^file rename error\\.\\(item_mgr\\.[ch]\\) [^\n]+ \\(left (\\.tavrik-[0-9]+-0\\.tmp)\\)\n$")
  fail("runs with new files held for 5 s: statuses ${statuses}, output '${err}'")
elseif(NOT EXISTS "${held}/${CMAKE_MATCH_1}")
  fail("the reason names ${CMAKE_MATCH_1}, which is not there")
endif()

get_property(failures GLOBAL PROPERTY acceptance_failures)
if(failures)
  list(JOIN failures "\n" failures)
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "Windows file handling under Wine: all checks passed (${rounds} parallel rounds)")
