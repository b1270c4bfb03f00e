# A parent project (the probe, CASE=subproject) that sets its build type to
# Debug, has no GoogleTest and includes tavrik with add_subdirectory: it keeps
# its build type and cache, gets no tests and no packaging of tavrik's, and
# builds and runs its program through tavrik::tavrik and tavrik_generate().
# STRICT_FLAGS, when given, are the parent's CMAKE_CXX_FLAGS (its own
# warnings as errors), which tavrik's sources then build with too.
#   -DPROBE_DIR= -DSOURCE_DIR= -DWORK_DIR= -DGENERATOR= [-DMAKE_PROGRAM=] [-DSTRICT_FLAGS=]
file(REMOVE_RECURSE "${WORK_DIR}")
set(args -S "${PROBE_DIR}" -G "${GENERATOR}" -DCASE=subproject
    "-DTAVRIK_SOURCE_DIR=${SOURCE_DIR}" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON)
if(MAKE_PROGRAM)
  list(APPEND args "-DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM}")
endif()

# With no build type the parent's empty cache entry must stay empty too (the
# probe compares every entry it had before add_subdirectory).
execute_process(COMMAND "${CMAKE_COMMAND}" ${args} -B "${WORK_DIR}/no_build_type"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT out MATCHES "-- build type=\n")
  message(FATAL_ERROR "configuring the parent project without a build type:\n${out}${err}")
endif()

execute_process(COMMAND "${CMAKE_COMMAND}" ${args} -B "${WORK_DIR}" -DCMAKE_BUILD_TYPE=Debug
                        "-DCMAKE_CXX_FLAGS=${STRICT_FLAGS}"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "configuring the parent project failed:\n${out}${err}")
endif()
if(NOT out MATCHES "-- build type=Debug\n")
  message(FATAL_ERROR "the parent's build type is not Debug:\n${out}")
endif()
file(STRINGS "${WORK_DIR}/CMakeCache.txt" build_type REGEX "^CMAKE_BUILD_TYPE:")
if(NOT build_type MATCHES "=Debug$")
  message(FATAL_ERROR "the parent's cache says ${build_type}")
endif()
if(EXISTS "${WORK_DIR}/CPackConfig.cmake" OR EXISTS "${WORK_DIR}/CPackSourceConfig.cmake")
  message(FATAL_ERROR "tavrik added packaging to the parent project")
endif()

execute_process(COMMAND "${CMAKE_CTEST_COMMAND}" -N WORKING_DIRECTORY "${WORK_DIR}"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT out MATCHES "\n *Test +#1: probe_demo\n+Total Tests: 1\n")
  message(FATAL_ERROR "ctest -N in the parent lists more than its own test:\n${out}${err}")
endif()

execute_process(COMMAND "${CMAKE_COMMAND}" --build "${WORK_DIR}" --target demo --parallel 2
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "building the parent project failed:\n${out}${err}")
endif()
execute_process(COMMAND "${CMAKE_CTEST_COMMAND}" --output-on-failure WORKING_DIRECTORY "${WORK_DIR}"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the parent's program failed:\n${out}${err}")
endif()
