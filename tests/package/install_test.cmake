# Installs the build tree into a fresh prefix, as `cmake --install` does for a
# user, and checks what lands there.   -DBUILD_DIR= -DPREFIX= -DMAN_PAGE=
# [-DREADELF= -DLINK_MODE=]
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${status}):\n${out}${err}")
endif()

foreach(path IN ITEMS bin/tavrik share/man/man1/tavrik.1 share/doc/tavrik/LICENSE
        lib/cmake/tavrik/tavrikConfig.cmake lib/cmake/tavrik/tavrikConfigVersion.cmake
        lib/cmake/tavrik/tavrikTargets.cmake lib/cmake/tavrik/TavrikGenerate.cmake)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "not installed: ${path}\n${out}")
  endif()
endforeach()

# The installed program is the tool and runs from there.
execute_process(COMMAND "${PREFIX}/bin/tavrik" -V RESULT_VARIABLE status OUTPUT_VARIABLE out)
if(NOT status EQUAL 3 OR NOT out STREQUAL "version 1.0\n")
  message(FATAL_ERROR "installed tavrik -V: status ${status}, output '${out}'")
endif()

if(READELF AND LINK_MODE MATCHES "^(default|shared)$")
  include("${CMAKE_CURRENT_LIST_DIR}/../c_library_alone.cmake")
  expect_c_library_alone("${READELF}" "${PREFIX}/bin/tavrik" "the installed tavrik")
endif()

file(READ "${PREFIX}/share/man/man1/tavrik.1" installed)
file(READ "${MAN_PAGE}" source)
if(NOT installed STREQUAL source)
  message(FATAL_ERROR "the installed man page differs from ${MAN_PAGE}")
endif()
