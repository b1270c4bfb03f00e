# Packs the build tree with `cpack -G DEB`, lists the package and unpacks it:
# the tool, the man page, the CMake package, the copyright file and the
# changelog must be in it, lintian must find no error and no warning, and the
# unpacked tree must work where it lands (the package is relocatable).
#   -DBUILD_DIR= -DWORK_DIR= -DCPACK= -DDPKG_DEB= -DPROBE_DIR= -DNEWS= [-DLINTIAN=] [-DLINK_MODE=]
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
        "-rw-r--r-- [^\n]* \\./usr/lib/cmake/tavrik/TavrikGenerate\\.cmake"
        "-rw-r--r-- [^\n]* \\./usr/share/doc/tavrik/copyright"
        "-rw-r--r-- [^\n]* \\./usr/share/doc/tavrik/changelog\\.gz")
  if(NOT listing MATCHES "(^|\n)${entry}\n")
    message(FATAL_ERROR "the package lacks ${entry}:\n${listing}")
  endif()
endforeach()

if(listing MATCHES "man1/tavrik\\.1\n")
  message(FATAL_ERROR "the package holds the man page uncompressed:\n${listing}")
endif()

# lintian: no error and no warning. Installed when missing, where apt-get
# can do it (root, Debian or Ubuntu).
if(NOT LINTIAN)
  find_program(APT_GET apt-get)
  execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(APT_GET AND uid STREQUAL "0")
    message(STATUS "installing lintian with apt-get")
    execute_process(COMMAND "${CMAKE_COMMAND}" -E env DEBIAN_FRONTEND=noninteractive
                            "${APT_GET}" install -y --no-install-recommends lintian
                    RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err)
    if(NOT status EQUAL 0)
      message(STATUS "apt-get install lintian failed (${status}): ${err}")
    endif()
    find_program(LINTIAN lintian)
  endif()
endif()
if(LINTIAN)
  execute_process(COMMAND "${LINTIAN}" "${debs}" RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  # A static link (TAVRIK_LINK=static) is a choice the builder made.
  if(LINK_MODE STREQUAL "static")
    string(REGEX REPLACE "W: tavrik: statically-linked-binary[^\n]*\n" "" out "${out}")
  endif()
  # Errors make lintian fail; anything else that fails is lintian's own fault.
  if(NOT status EQUAL 0 OR out MATCHES "(^|\n)[EW]: ")
    message(FATAL_ERROR "lintian on the package (status ${status}):\n${out}${err}")
  endif()
else()
  message(STATUS "lintian not found and not installable here: the package is not checked with lintian")
endif()

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
# The changelog says what NEWS.md's entry for 1.0 says, whatever the layout.
execute_process(COMMAND gzip -dc "${root}/usr/share/doc/tavrik/changelog.gz" OUTPUT_VARIABLE log)
file(READ "${NEWS}" news)
string(REGEX MATCH "\n## 1\\.0 [^\n]*\n(.*)" news "${news}")
string(REGEX REPLACE "(^|\n)(- |  )" " " news "${CMAKE_MATCH_1}")
string(REGEX REPLACE "\n *(\\* |    )" " " log "${log}")
string(FIND "${log}" "${news}" at)
if(NOT log MATCHES "^tavrik \\(1\\.0\\) " OR at EQUAL -1)
  message(FATAL_ERROR "the Debian changelog:\n${log}\ndoes not say what NEWS.md says:\n${news}")
endif()
