# cmake -DSTEP=<step> -DARCH=<Debian architecture> -DSOURCE_DIR=<tree>
#       -DWORK_DIR=<folder> -DTOOLCHAIN=<file> -DGTEST_SOURCE=<dir>
#       -DGENERATOR=<cmake generator> [-DHOST_MODULES=<dir>]
#       [-DRPM_ARCH=<arch> -DDPKG_DEB=<dpkg-deb> -DRPM=<rpm> -DREADELF=<readelf>]
#       -P driver.cmake
#
# One step of the cross tests for one target, in WORK_DIR:
#   build      GoogleTest for the target (once per folder), then the whole
#              tree with its tests, cross-built with TOOLCHAIN
#   unit       the unit group, run through the toolchain's emulator
#   generated  the generated group (the cross-built tavrik writes the
#              modules, the target's compilers build the test programs, all
#              run through the emulator); the modules must be the bytes the
#              host's tavrik wrote into HOST_MODULES
#   package    cpack -G DEB and -G RPM: each named and labelled with the
#              target's architecture (ARCH, RPM_ARCH), the tool needing the
#              C library alone and the packages depending on it alone

foreach(var STEP ARCH SOURCE_DIR WORK_DIR TOOLCHAIN GTEST_SOURCE GENERATOR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "driver.cmake: ${var} is not set")
  endif()
endforeach()

set(build_dir "${WORK_DIR}/build")
set(gtest_dir "${WORK_DIR}/googletest")
set(log_dir "${WORK_DIR}/logs")
file(MAKE_DIRECTORY "${log_dir}")
get_filename_component(cmake_bin "${CMAKE_COMMAND}" DIRECTORY)
set(ctest "${cmake_bin}/ctest")
include("${CMAKE_CURRENT_LIST_DIR}/../run_logged.cmake")

# Runs the cross tree's tests of one label (-E chdir rather than
# ctest --test-dir, which needs CMake 3.20) and shows ctest's summary.
function(run_group label)
  run_logged(${label} "${CMAKE_COMMAND}" -E chdir "${build_dir}" "${ctest}" -L "^${label}$"
             --output-on-failure ${ARGN})
  file(READ "${log_dir}/${label}.log" log)
  if(log MATCHES "No tests were found")
    message(FATAL_ERROR "the cross build registered no ${label} test")
  endif()
  string(REGEX MATCH "[0-9]+% tests passed[^\n]*" summary "${log}")
  message(STATUS "${ARCH} ${label}: ${summary}")
endfunction()

if(STEP STREQUAL "build")
  if(NOT EXISTS "${gtest_dir}/lib/cmake/GTest/GTestConfig.cmake")
    run_logged(googletest_configure "${CMAKE_COMMAND}" -S "${GTEST_SOURCE}"
               -B "${WORK_DIR}/googletest-build" -G "${GENERATOR}" "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}"
               -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF "-DCMAKE_INSTALL_PREFIX=${gtest_dir}")
    run_logged(googletest_build "${CMAKE_COMMAND}" --build "${WORK_DIR}/googletest-build" --parallel 2)
    run_logged(googletest_install "${CMAKE_COMMAND}" --install "${WORK_DIR}/googletest-build")
  endif()
  # Tests are listed when they run, through the emulator, not at build time.
  run_logged(configure "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${build_dir}" -G "${GENERATOR}"
             "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}" -DCMAKE_BUILD_TYPE=Release
             -DCMAKE_COMPILE_WARNING_AS_ERROR=ON "-DGTest_DIR=${gtest_dir}/lib/cmake/GTest"
             -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST)
  run_logged(build "${CMAKE_COMMAND}" --build "${build_dir}" --parallel 2)
  run_logged(modules "${CMAKE_COMMAND}" --build "${build_dir}" --target tavrik_generated_modules)

elseif(STEP STREQUAL "unit")
  # The clang build of the tool is a host test, run by the host build.
  run_group(unit -E "^unit\\.clang_build")

elseif(STEP STREQUAL "generated")
  run_group(generated)
  file(GLOB host_modules RELATIVE "${HOST_MODULES}" "${HOST_MODULES}/*")
  file(GLOB cross_modules RELATIVE "${build_dir}/tests/generated/modules"
       "${build_dir}/tests/generated/modules/*")
  if(NOT host_modules OR NOT cross_modules STREQUAL host_modules)
    message(FATAL_ERROR "modules written on ${ARCH}: ${cross_modules}; on the host: ${host_modules}")
  endif()
  foreach(name IN LISTS host_modules)
    file(READ "${HOST_MODULES}/${name}" host HEX)
    file(READ "${build_dir}/tests/generated/modules/${name}" cross HEX)
    if(NOT cross STREQUAL host)
      message(FATAL_ERROR "${name} written on ${ARCH} differs from the host's")
    endif()
  endforeach()

elseif(STEP STREQUAL "package")
  include("${CMAKE_CURRENT_LIST_DIR}/../c_library_alone.cmake")
  expect_c_library_alone("${READELF}" "${build_dir}/tavrik" "tavrik built for ${ARCH}")
  set(packages "${WORK_DIR}/packages")
  file(REMOVE_RECURSE "${packages}")
  foreach(generator DEB RPM)
    run_logged(cpack_${generator} "${CMAKE_COMMAND}" -E chdir "${build_dir}"
               "${cmake_bin}/cpack" -G ${generator} -B "${packages}")
  endforeach()
  file(GLOB deb RELATIVE "${packages}" "${packages}/*.deb")
  file(GLOB rpm RELATIVE "${packages}" "${packages}/*.rpm")
  if(NOT deb STREQUAL "tavrik_1.0_${ARCH}.deb" OR NOT rpm STREQUAL "tavrik-1.0-1.${RPM_ARCH}.rpm")
    message(FATAL_ERROR "cpack wrote ${deb} and ${rpm} for ${ARCH}")
  endif()
  # The fields themselves, not only the names; a dependency may carry the
  # package's own architecture as its qualifier, which means the same.
  execute_process(COMMAND "${DPKG_DEB}" -f "${packages}/${deb}" Architecture Depends
                  OUTPUT_VARIABLE fields)
  if(NOT fields MATCHES "^Architecture: ${ARCH}\nDepends: libc6(:${ARCH})? \\(>= [0-9.]+\\)\n$")
    message(FATAL_ERROR "${deb}:\n${fields}")
  endif()
  execute_process(COMMAND "${RPM}" -qp --qf "%{ARCH}\n[%{REQUIRENAME}\n]" "${packages}/${rpm}"
                  OUTPUT_VARIABLE fields)
  string(REGEX REPLACE "\n(rpmlib|rtld)\\([^\n]*" "" fields "${fields}")
  string(REGEX REPLACE "\nlibc\\.so\\.6(\\([A-Z0-9_.]*\\))?(\\(64bit\\))?" "" libraries "${fields}")
  if(NOT fields MATCHES "\nlibc\\.so\\.6" OR NOT libraries STREQUAL "${RPM_ARCH}\n")
    message(FATAL_ERROR "${rpm}: architecture and requirements:\n${fields}")
  endif()
  message(STATUS "${deb} and ${rpm}: the target's architecture, the C library alone")

else()
  message(FATAL_ERROR "driver.cmake: unknown STEP ${STEP}")
endif()
