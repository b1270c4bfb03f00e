# cmake -DSTEP=<step> -DSOURCE_DIR=<tree> -DWIN_DIR=<folder> -DWINE=<wine>
#       -DWINESERVER=<wineserver> -DTOOLCHAIN=<file> -DGTEST_SOURCE=<dir>
#       -DGENERATOR=<cmake generator> [-DHOST_TAVRIK=<exe> -DSCRIPT=<file>]
#       -P driver.cmake
#
# One step of the windows tests; every step uses the Wine prefix in WIN_DIR:
#   wine_start  start a persistent Wine server (and make the prefix once)
#   build       GoogleTest for the target, then tavrik, the unit tests and the
#               generated modules (tavrik.exe run through Wine) cross-built
#   unit        the unit tests under Wine
#   generated   the generated-module programs, compiled by MinGW-w64 as
#               C89..C17 and as C++, run under Wine
#   acceptance  SCRIPT, the Windows executable's file handling
#   wine_stop   end the Wine server

foreach(var STEP SOURCE_DIR WIN_DIR WINE WINESERVER)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "driver.cmake: ${var} is not set")
  endif()
endforeach()

set(prefix "${WIN_DIR}/wineprefix")
set(build_dir "${WIN_DIR}/build")
set(gtest_dir "${WIN_DIR}/googletest")
set(log_dir "${WIN_DIR}/logs")
file(MAKE_DIRECTORY "${prefix}" "${log_dir}")
# The same for every Wine process: its own prefix, no debug chatter, a UTF-8
# locale for the Unix side (file names, console text), and no offer to
# install Mono or Gecko when the prefix is made.
set(ENV{WINEPREFIX} "${prefix}")
set(ENV{WINEDEBUG} "-all")
set(ENV{LANG} "C.UTF-8")
set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=")
set(emulator "${CMAKE_COMMAND}" -E env "WINEPREFIX=${prefix}" "WINEDEBUG=-all" "LANG=C.UTF-8"
             "WINEDLLOVERRIDES=mscoree,mshtml=" "${WINE}")
get_filename_component(cmake_bin "${CMAKE_COMMAND}" DIRECTORY)
set(ctest "${cmake_bin}/ctest")

include("${CMAKE_CURRENT_LIST_DIR}/../run_logged.cmake")

if(STEP STREQUAL "wine_start")
  # Output to files: the server and Wine's services live on after this step
  # and must not hold CTest's pipes open.
  run_logged(wineserver "${WINESERVER}" -p)
  # The first Wine program makes the prefix (some seconds, once per build
  # folder) and starts the services every later program shares.
  run_logged(wine_start ${emulator} cmd /c exit)

elseif(STEP STREQUAL "wine_stop")
  execute_process(COMMAND "${WINESERVER}" -k OUTPUT_QUIET ERROR_QUIET)

elseif(STEP STREQUAL "build")
  if(NOT EXISTS "${gtest_dir}/lib/cmake/GTest/GTestConfig.cmake")
    run_logged(googletest_configure "${CMAKE_COMMAND}" -S "${GTEST_SOURCE}" -B "${WIN_DIR}/googletest-build"
               -G "${GENERATOR}" "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}" -DCMAKE_BUILD_TYPE=Release
               -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=ON "-DCMAKE_INSTALL_PREFIX=${gtest_dir}")
    run_logged(googletest_build "${CMAKE_COMMAND}" --build "${WIN_DIR}/googletest-build" --parallel 2)
    run_logged(googletest_install "${CMAKE_COMMAND}" --install "${WIN_DIR}/googletest-build")
  endif()
  # The emulator is a list, so it goes in through an initial cache. Tests are
  # listed when they run, not at build time under Wine. Every program links
  # statically: the C++ ones would otherwise need MinGW's runtime DLLs, which
  # Wine does not find.
  file(WRITE "${WIN_DIR}/initial-cache.cmake"
       "set(CMAKE_CROSSCOMPILING_EMULATOR \"${emulator}\" CACHE STRING \"\")\n")
  run_logged(configure "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${build_dir}" -G "${GENERATOR}"
             -C "${WIN_DIR}/initial-cache.cmake"
             "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}" -DCMAKE_BUILD_TYPE=Release -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
             -DCMAKE_EXE_LINKER_FLAGS=-static
             "-DGTest_DIR=${gtest_dir}/lib/cmake/GTest"
             -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST)
  run_logged(build "${CMAKE_COMMAND}" --build "${build_dir}" --parallel 2
             --target tavrik tavrik_unit_tests tavrik_generated_modules tavrik_launcher)

elseif(STEP STREQUAL "unit")
  # One process for all of them: a Wine start per test would cost more than
  # the tests.
  run_logged(unit ${emulator} "${build_dir}/tests/unit/tavrik_unit_tests.exe")
  file(STRINGS "${log_dir}/unit.log" summary REGEX "^\\[  (PASSED|SKIPPED) ")
  list(JOIN summary "\n" summary)
  message(STATUS "${summary}")
  # Wine gives a program a console to press Ctrl-C on only in a terminal:
  # the interrupt test again, in one that script(1) provides.
  find_program(SCRIPT_TOOL script)
  if(SCRIPT_TOOL)
    set(command "")
    foreach(word IN LISTS emulator ITEMS "${build_dir}/tests/unit/tavrik_unit_tests.exe"
                 "--gtest_filter=WriteFailureTest.InterruptedRunRemovesItsTemporary")
      string(APPEND command " '${word}'")
    endforeach()
    run_logged(unit_interrupt "${SCRIPT_TOOL}" -qec "${command}" /dev/null)
    file(READ "${log_dir}/unit_interrupt.log" log)
    if(log MATCHES "no console")
      message(FATAL_ERROR "the Ctrl-C test found no console even in a terminal")
    endif()
    message(STATUS "Ctrl-C test run in a terminal: passed")
  else()
    message(STATUS "script(1) not found: the Ctrl-C test stays skipped")
  endif()

elseif(STEP STREQUAL "generated")
  # -E chdir rather than ctest --test-dir, which needs CMake 3.20.
  run_logged(generated "${CMAKE_COMMAND}" -E chdir "${build_dir}" "${ctest}" -L generated --output-on-failure)
  file(STRINGS "${log_dir}/generated.log" summary REGEX "tests passed|Test +#")
  list(JOIN summary "\n" summary)
  message(STATUS "${summary}")

elseif(STEP STREQUAL "acceptance")
  set(TAVRIK_EXE "${build_dir}/tavrik.exe")
  set(LAUNCHER "${build_dir}/tests/windows/tavrik_launcher.exe")
  set(WORK_ROOT "${WIN_DIR}/acceptance")
  include("${SCRIPT}")

else()
  message(FATAL_ERROR "driver.cmake: unknown STEP ${STEP}")
endif()
