# Configures and builds the tavrik executable with clang and warnings as
# errors, and checks that it needs the C library alone (clang does not link
# --as-needed by itself). Run with cmake -P; SOURCE_DIR, BUILD_DIR, CLANGXX
# and CLANG are given, READELF where it was found.
# Testing is off in that tree: only the tool's own code is built.
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BUILD_DIR}
          -DCMAKE_CXX_COMPILER=${CLANGXX} -DCMAKE_C_COMPILER=${CLANG}
          -DCMAKE_COMPILE_WARNING_AS_ERROR=ON -DBUILD_TESTING=OFF
  RESULT_VARIABLE configure_result)
if(NOT configure_result EQUAL 0)
  message(FATAL_ERROR "configuring with clang failed")
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target tavrik -j2
  RESULT_VARIABLE build_result)
if(NOT build_result EQUAL 0)
  message(FATAL_ERROR "building with clang and -Werror failed")
endif()
if(READELF)
  include("${CMAKE_CURRENT_LIST_DIR}/../c_library_alone.cmake")
  expect_c_library_alone("${READELF}" "${BUILD_DIR}/tavrik" "tavrik built with clang")
endif()
