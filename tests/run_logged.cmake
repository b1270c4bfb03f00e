# run_logged(<name> <command>...): runs the command with its output in
# ${log_dir}/<name>.log and fails with the log's end when it fails. Included
# by the drivers of the groups that cross-build (windows, cross).
function(run_logged name)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc
                  OUTPUT_FILE "${log_dir}/${name}.log" ERROR_FILE "${log_dir}/${name}.log")
  if(NOT rc EQUAL 0)
    file(READ "${log_dir}/${name}.log" log)
    string(LENGTH "${log}" length)
    if(length GREATER 6000)
      math(EXPR start "${length} - 6000")
      string(SUBSTRING "${log}" ${start} -1 log)
    endif()
    message(FATAL_ERROR "${name} failed (${rc}):\n${log}")
  endif()
endfunction()
