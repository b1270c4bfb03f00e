# A release artifact made as README says and checked as a user meets it:
#   zip     the Windows ZIP of a MinGW-w64 cross build: its files, its tavrik.exe
#           under Wine with no MinGW DLL to find, and a cross-built consumer
#   rpm     the RPM package: its file list and rpmlint
#   source  the source archive of a clone against its git ls-files, README's first
#           command in the unpacked tree, and the archive made again from there
#   -DARTIFACT= -DSOURCE_DIR= -DBUILD_DIR= -DWORK_DIR= -DCPACK= -DGENERATOR=
#   -DTOOLCHAIN= -DWINE_PREFIX= -DTOOL_<program>=<path> for each program it needs

# Runs a command; fails with its output unless it exits 0, else leaves it in out.
function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE error)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${output}${error}")
  endif()
  set(out "${output}" PARENT_SCOPE)
endfunction()

# Unpacks <archive> into <dir> and lists what it holds in files.
function(unpack archive dir)
  file(MAKE_DIRECTORY "${dir}")
  run("unpacking ${archive}" "${CMAKE_COMMAND}" -E chdir "${dir}" "${CMAKE_COMMAND}" -E tar xf "${archive}")
  file(GLOB_RECURSE listing LIST_DIRECTORIES false RELATIVE "${dir}" "${dir}/*")
  list(SORT listing)
  set(files "${listing}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${WORK_DIR}")

if(ARTIFACT STREQUAL "zip")
  # groff-base (Debian) cannot render the ZIP's HTML manual: groff is installed
  # where apt-get can; elsewhere cpack says what is missing.
  execute_process(COMMAND groff -Thtml -man "${SOURCE_DIR}/docs/tavrik.1" RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
  if(NOT status EQUAL 0 AND EXISTS /usr/bin/apt-get)
    run("apt-get install groff" "${CMAKE_COMMAND}" -E env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends groff)
  endif()
  # The cross build stays: a run builds only what changed.
  set(build "${WORK_DIR}-build")
  run("configuring" "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${build}" -G "${GENERATOR}" -DBUILD_TESTING=OFF
      "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON)
  run("building" "${CMAKE_COMMAND}" --build "${build}" --parallel 2)
  run("cpack -G ZIP" "${CPACK}" -G ZIP --config "${build}/CPackConfig.cmake" -B "${WORK_DIR}")
  unpack("${WORK_DIR}/tavrik-1.0-win64.zip" "${WORK_DIR}/unpacked")
  set(root "${WORK_DIR}/unpacked/tavrik-1.0-win64")
  file(READ "${root}/tavrik.html" html)
  if(NOT html MATCHES "<title>TAVRIK</title>" OR NOT EXISTS "${root}/LICENSE" OR NOT EXISTS "${root}/README.md")
    message(FATAL_ERROR "the ZIP lacks the HTML manual, LICENSE or README.md:\n${files}")
  endif()
  # Any DLL but Windows' own would have to be found beside the program.
  run("objdump -p" "${TOOL_x86_64-w64-mingw32-objdump}" -p "${root}/bin/tavrik.exe")
  string(REGEX MATCHALL "DLL Name: [^\r\n]*" dlls "${out}")
  string(TOLOWER "${dlls}" dlls)
  list(FILTER dlls EXCLUDE REGEX ": (kernel32|msvcrt|ucrtbase|advapi32|user32|shell32|bcrypt|api-ms-win-[a-z0-9-]+)\\.dll$")
  if(dlls)
    message(FATAL_ERROR "bin/tavrik.exe imports DLLs that are not Windows' own: ${dlls}")
  endif()
  # The windows group's prefix and server (fixture windows_wine), and no WINEPATH.
  set(wine "${CMAKE_COMMAND}" -E env "WINEPREFIX=${WINE_PREFIX}" WINEDEBUG=-all LANG=C.UTF-8
           "WINEDLLOVERRIDES=mscoree,mshtml=" WINEPATH= "${TOOL_wine}")
  file(COPY "${SOURCE_DIR}/examples/item.h" DESTINATION "${WORK_DIR}/module")
  run("tavrik.exe under Wine" ${wine} "${root}/bin/tavrik.exe" -i item.h -n Item -k id
      WORKING_DIRECTORY "${WORK_DIR}/module")
  if(NOT EXISTS "${WORK_DIR}/module/item_mgr.c")
    message(FATAL_ERROR "tavrik.exe under Wine wrote no item_mgr.c")
  endif()
  # The emulator is a list: it goes in through an initial cache.
  file(WRITE "${WORK_DIR}/emulator.cmake" "set(CMAKE_CROSSCOMPILING_EMULATOR \"${wine}\" CACHE STRING \"\")\n")
  run("configuring the consumer" "${CMAKE_COMMAND}" -S "${SOURCE_DIR}/examples/consumer" -B "${WORK_DIR}/consumer"
      -G "${GENERATOR}" -C "${WORK_DIR}/emulator.cmake" "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}"
      "-Dtavrik_DIR=${root}/lib/cmake/tavrik")
  run("building the consumer" "${CMAKE_COMMAND}" --build "${WORK_DIR}/consumer" --parallel 2)
  run("the consumer under Wine" ${wine} "${WORK_DIR}/consumer/app/app.exe")
  if(NOT out MATCHES "app: 0 failed")
    message(FATAL_ERROR "the consumer's checks failed:\n${out}")
  endif()

elseif(ARTIFACT STREQUAL "rpm")
  run("cpack -G RPM" "${CPACK}" -G RPM --config "${BUILD_DIR}/CPackConfig.cmake" -B "${WORK_DIR}")
  file(GLOB rpm "${WORK_DIR}/tavrik-1.0-1.*.rpm")
  run("rpm -qpl" "${TOOL_rpm}" -qpl "${rpm}")
  # Its own files and folders, none of the system's.
  if(NOT out MATCHES "^/usr/bin/tavrik\n/usr/lib/cmake/tavrik\n(/usr/lib/cmake/tavrik/[^\n/]+\n)+/usr/share/doc/tavrik\n/usr/share/doc/tavrik/LICENSE\n/usr/share/man/man1/tavrik\\.1[.a-z0-9]*\n$"
     OR NOT out MATCHES "tavrikConfig\\.cmake")
    message(FATAL_ERROR "rpm -qpl ${rpm}:\n${out}")
  endif()
  # Signing is the distributor's step.
  execute_process(COMMAND "${TOOL_rpmlint}" "${rpm}" OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REGEX REPLACE ": E: no-signature\n" "" errors "${out}")
  if(NOT out MATCHES "checked" OR errors MATCHES ": E: ")
    message(FATAL_ERROR "rpmlint ${rpm}:\n${out}${err}")
  endif()

elseif(ARTIFACT STREQUAL "source")
  set(clone "${WORK_DIR}/clone")
  run("git clone" "${TOOL_git}" clone --quiet "${SOURCE_DIR}" "${clone}")
  # A build folder inside the tree, named as .gitignore does not know.
  run("configuring the clone" "${CMAKE_COMMAND}" -S "${clone}" -B "${clone}/out" -G "${GENERATOR}" -DBUILD_TESTING=OFF)
  run("cpack of the clone" "${CPACK}" --config "${clone}/out/CPackSourceConfig.cmake" -B "${WORK_DIR}")
  run("git ls-files" "${TOOL_git}" -C "${clone}" -c core.quotePath=false ls-files)
  string(STRIP "${out}" out)
  string(REPLACE "\n" ";tavrik-1.0/" tracked "tavrik-1.0/${out}")
  list(SORT tracked)
  unpack("${WORK_DIR}/tavrik-1.0.tar.gz" "${WORK_DIR}/unpacked")
  set(first "${files}")
  set(tree "${WORK_DIR}/unpacked/tavrik-1.0")
  file(STRINGS "${tree}/README.md" command REGEX "^ *cmake -S \\. -B build")
  list(GET command 0 command)
  run("README's first command, ${command}," sh -c "${command}" WORKING_DIRECTORY "${tree}")
  # Not a checkout now, and with a build folder and the quick start's files.
  run("cpack of the unpacked tree" "${CPACK}" --config "${tree}/build/CPackSourceConfig.cmake" -B "${WORK_DIR}/again")
  unpack("${WORK_DIR}/again/tavrik-1.0.tar.gz" "${WORK_DIR}/again/unpacked")
  if(NOT files STREQUAL tracked OR NOT first STREQUAL tracked)
    message(FATAL_ERROR "git ls-files lists:\n${tracked}\nthe clone's archive holds:\n${first}\n"
                        "the one made again:\n${files}")
  endif()
endif()
