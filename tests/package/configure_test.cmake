# Configures the probe project with one CASE and checks the outcome.
#   -DPROBE_DIR= -DWORK_DIR= -DCASE= -DEXPECT=success|failure
#   -DPATTERNS=<regexes, ';'-separated, each must match the output>
#   [-DMODULE=<TavrikGenerate.cmake>] [-DPREFIX_PATH= -DWANTED_VERSION=]
file(REMOVE_RECURSE "${WORK_DIR}")
set(args -S "${PROBE_DIR}" -B "${WORK_DIR}" "-DCASE=${CASE}")
if(DEFINED MODULE)
  list(APPEND args "-DTAVRIK_GENERATE_MODULE=${MODULE}")
endif()
if(DEFINED PREFIX_PATH)
  list(APPEND args "-DCMAKE_PREFIX_PATH=${PREFIX_PATH}" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
                   "-DWANTED_VERSION=${WANTED_VERSION}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" ${args}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
# Paths made readable and messages unwrapped, so that patterns stay short.
set(all "${out}${err}")
string(REPLACE "${WORK_DIR}" "<work>" all "${all}")
string(REPLACE "${PROBE_DIR}" "<probe>" all "${all}")
if(DEFINED PREFIX_PATH)
  string(REPLACE "${PREFIX_PATH}" "<prefix>" all "${all}")
endif()
string(REGEX REPLACE "[ \n]+" " " all "${all}")
if(EXPECT STREQUAL "failure" AND status EQUAL 0)
  message(FATAL_ERROR "case ${CASE}: configuration succeeded but should have failed:\n${all}")
elseif(EXPECT STREQUAL "success" AND NOT status EQUAL 0)
  message(FATAL_ERROR "case ${CASE}: configuration failed:\n${all}")
endif()
foreach(pattern IN LISTS PATTERNS)
  if(NOT all MATCHES "${pattern}")
    message(FATAL_ERROR "case ${CASE}: output does not match '${pattern}':\n${all}")
  endif()
endforeach()
# Every refusal must come from the module's functions, not from some later error.
if(EXPECT STREQUAL "failure" AND DEFINED MODULE AND NOT all MATCHES "tavrik_(generate|add_library): ")
  message(FATAL_ERROR "case ${CASE}: failed, but not in tavrik_generate or tavrik_add_library:\n${all}")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
