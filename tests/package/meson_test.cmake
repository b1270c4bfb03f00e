# Builds examples/meson, the Meson recipe of the man page, with the tavrik just
# built, runs its program, and checks that only an edit of the header (or a
# new tavrik) runs tavrik again.
#   -DMESON= -DNINJA= -DTAVRIK= -DSOURCE_DIR= -DWORK_DIR=
file(REMOVE_RECURSE "${WORK_DIR}")
# A copy, so that touching its header leaves the source tree alone.
file(COPY "${SOURCE_DIR}/" DESTINATION "${WORK_DIR}/src")
set(build "${WORK_DIR}/build")
# find_program('tavrik') takes the program from the native file.
file(WRITE "${WORK_DIR}/native.ini" "[binaries]\ntavrik = '${TAVRIK}'\n")

execute_process(COMMAND "${MESON}" setup "--native-file=${WORK_DIR}/native.ini" "${build}" "${WORK_DIR}/src"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "meson setup failed (${status}):\n${out}${err}")
endif()

function(build step expected_runs)
  execute_process(COMMAND "${NINJA}" -C "${build}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${step}: the build failed (${status}):\n${out}${err}")
  endif()
  string(REGEX MATCHALL "Generating sensor/sensor_mgr " runs "${out}")
  list(LENGTH runs count)
  if(NOT count EQUAL expected_runs)
    message(FATAL_ERROR "${step}: tavrik ran ${count} times, not ${expected_runs}:\n${out}${err}")
  endif()
endfunction()

function(run step)
  foreach(file IN ITEMS sensor_mgr.h sensor_mgr.c)
    if(NOT EXISTS "${build}/sensor/${file}")
      message(FATAL_ERROR "${step}: ${file} is not in the target's build folder")
    endif()
  endforeach()
  execute_process(COMMAND "${build}/sensor_demo" RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR NOT out MATCHES "sensor_demo: 0 failed\n$")
    message(FATAL_ERROR "${step}: the checks of sensor_demo failed (status ${status}):\n${out}${err}")
  endif()
endfunction()

build("first build" 1)
run("first build")
build("build with no change" 0)
file(TOUCH "${WORK_DIR}/src/sensor/sensor.h")
build("build after touching sensor/sensor.h" 1)
run("build after touching sensor/sensor.h")
