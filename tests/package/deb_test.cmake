# Packs the build tree with `cpack -G DEB`, lists the package and unpacks it:
# the tool, the man page and the CMake package must be in it, and the
# unpacked tree must work where it lands (the package is relocatable).
#   -DBUILD_DIR= -DWORK_DIR= -DCPACK= -DDPKG_DEB= -DPROBE_DIR=
file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(COMMAND "${CPACK}" -G DEB --config "${BUILD_DIR}/CPackConfig.cmake" -B "${WORK_DIR}"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cpack -G DEB failed (${status}):\n${out}${err}")
endif()
file(GLOB debs "${WORK_DIR}/*.deb")
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one .deb in ${WORK_DIR}, found: ${debs}")
endif()

execute_process(COMMAND "${DPKG_DEB}" -c "${debs}" RESULT_VARIABLE status OUTPUT_VARIABLE listing)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "dpkg-deb -c failed (${status})")
endif()
# The program executable, everything else plain files.
foreach(entry IN ITEMS "-rwxr-xr-x [^\n]* \\./usr/bin/tavrik"
        "-rw-r--r-- [^\n]* \\./usr/share/man/man1/tavrik\\.1\\.gz"
        "-rw-r--r-- [^\n]* \\./usr/lib/cmake/tavrik/tavrikConfig\\.cmake"
        "-rw-r--r-- [^\n]* \\./usr/lib/cmake/tavrik/tavrikConfigVersion\\.cmake"
        "-rw-r--r-- [^\n]* \\./usr/lib/cmake/tavrik/tavrikTargets\\.cmake"
        "-rw-r--r-- [^\n]* \\./usr/lib/cmake/tavrik/TavrikGenerate\\.cmake")
  if(NOT listing MATCHES "(^|\n)${entry}\n")
    message(FATAL_ERROR "the package lacks ${entry}:\n${listing}")
  endif()
endforeach()

execute_process(COMMAND "${DPKG_DEB}" -f "${debs}" Package Version OUTPUT_VARIABLE fields)
if(NOT fields STREQUAL "Package: tavrik\nVersion: 1.0\n")
  message(FATAL_ERROR "unexpected control fields:\n${fields}")
endif()

set(root "${WORK_DIR}/root")
execute_process(COMMAND "${DPKG_DEB}" -x "${debs}" "${root}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "dpkg-deb -x failed (${status})")
endif()
execute_process(COMMAND "${root}/usr/bin/tavrik" -V RESULT_VARIABLE status OUTPUT_VARIABLE out)
if(NOT status EQUAL 3 OR NOT out STREQUAL "version 1.0\n")
  message(FATAL_ERROR "packed tavrik -V: status ${status}, output '${out}'")
endif()
# find_package through the unpacked tree finds the tool in that same tree.
execute_process(COMMAND "${CMAKE_COMMAND}" -S "${PROBE_DIR}" -B "${WORK_DIR}/probe" -DCASE=find_package
                        "-DCMAKE_PREFIX_PATH=${root}/usr" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT out MATCHES "-- tool=([^\n]*)\n" OR NOT CMAKE_MATCH_1 STREQUAL "${root}/usr/bin/tavrik")
  message(FATAL_ERROR "find_package in the unpacked tree:\n${out}${err}")
endif()
