# A release artifact made as README says and checked as a user meets it: ARTIFACT=zip (files, imported
# DLLs, a consumer cross-built against it run under Wine), rpm (file list, rpmlint), source (against
# git ls-files, README's first command, the archive made again from the unpacked tree) or reproducible
# (two clones of HEAD built and packed must give the same bytes).
#   -DSOURCE_DIR= -DBUILD_DIR= -DWORK_DIR= -DCPACK= -DGENERATOR= -DTOOLCHAIN= -DWINE_PREFIX= -DTOOL_<program>=

# Runs a command; fails with its output unless it exits 0, else leaves it in out.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${status}):\n${output}")
  endif()
  set(out "${output}" PARENT_SCOPE)
endfunction()

# Unpacks <archive> into <dir> and lists the files in files.
function(unpack archive dir)
  file(MAKE_DIRECTORY "${dir}")
  run("${CMAKE_COMMAND}" -E tar xf "${archive}" WORKING_DIRECTORY "${dir}")
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${dir}" "${dir}/*")
  set(files "${files}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${WORK_DIR}")
if(ARTIFACT STREQUAL "zip")
  # The cross build stays, so that a run builds only what changed.
  set(cross -G "${GENERATOR}" "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON)
  run("${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${WORK_DIR}-build" ${cross} -DBUILD_TESTING=OFF)
  run("${CMAKE_COMMAND}" --build "${WORK_DIR}-build" --parallel 2)
  run("${CPACK}" -G ZIP --config "${WORK_DIR}-build/CPackConfig.cmake" -B "${WORK_DIR}")
  # Packed again in another time zone and under umask 077, it keeps its bytes.
  run(sh -c "umask 077 && TZ=XYZ-14 exec \"$0\" -G ZIP --config \"$1\" -B \"$2\"" "${CPACK}"
      "${WORK_DIR}-build/CPackConfig.cmake" "${WORK_DIR}/again")
  run("${CMAKE_COMMAND}" -E compare_files "${WORK_DIR}/tavrik-1.0-win64.zip" "${WORK_DIR}/again/tavrik-1.0-win64.zip")
  unpack("${WORK_DIR}/tavrik-1.0-win64.zip" "${WORK_DIR}/zip")
  set(root "${WORK_DIR}/zip/tavrik-1.0-win64")
  # Read as text, CMake would drop the CRs; the files are ASCII, so "0a" is
  # an LF.
  set(lone_lf "")
  foreach(text IN ITEMS README.txt NEWS.md LICENSE)
    if(EXISTS "${root}/${text}")
      file(READ "${root}/${text}" bytes HEX)
      string(REPLACE "0d0a" "" bytes "${bytes}")
      if(bytes MATCHES "0a")
        string(APPEND lone_lf " ${text}")
      endif()
    endif()
  endforeach()
  if(NOT EXISTS "${root}/LICENSE" OR NOT EXISTS "${root}/NEWS.md" OR NOT EXISTS "${root}/tavrik.html"
     OR NOT EXISTS "${root}/lib/cmake/tavrik/tavrikConfig.cmake" OR lone_lf)
    message(FATAL_ERROR "the ZIP lacks LICENSE, NEWS.md, tavrik.html or the package's config file, "
                        "or has a line not ended by CR LF in${lone_lf}: ${files}")
  endif()
  # Any DLL but Windows' own would have to be found beside the program.
  run("${TOOL_x86_64-w64-mingw32-objdump}" -p "${root}/bin/tavrik.exe")
  string(TOLOWER "${out}" out)
  string(REGEX REPLACE "dll name: (kernel32|msvcrt|ucrtbase|advapi32|user32|shell32|bcrypt|api-ms-win-[a-z0-9-]+)\\.dll" "" out "${out}")
  if(out MATCHES "dll name: [^\r\n]*")
    message(FATAL_ERROR "bin/tavrik.exe imports a DLL that is not Windows' own: ${CMAKE_MATCH_0}")
  endif()
  # Wine with the windows group's prefix and server, and no WINEPATH to find MinGW's DLLs on. The
  # emulator is a list, so it goes in through an initial cache.
  set(wine "${CMAKE_COMMAND}" -E env "WINEPREFIX=${WINE_PREFIX}" WINEDEBUG=-all LANG=C.UTF-8
           "WINEDLLOVERRIDES=mscoree,mshtml=" WINEPATH= "${TOOL_wine}")
  file(WRITE "${WORK_DIR}/wine.cmake" "set(CMAKE_CROSSCOMPILING_EMULATOR \"${wine}\" CACHE STRING \"\")\n")
  # The consumer cross-builds with the toolchain file the ZIP carries.
  run("${CMAKE_COMMAND}" -S "${SOURCE_DIR}/examples/consumer" -B "${WORK_DIR}/consumer" -G "${GENERATOR}"
      "-DCMAKE_TOOLCHAIN_FILE=${root}/share/tavrik/mingw-w64-x86_64.cmake"
      -DCMAKE_COMPILE_WARNING_AS_ERROR=ON -C "${WORK_DIR}/wine.cmake" "-Dtavrik_DIR=${root}/lib/cmake/tavrik")
  run("${CMAKE_COMMAND}" --build "${WORK_DIR}/consumer" --parallel 2)
  run(${wine} "${WORK_DIR}/consumer/app/app.exe")

elseif(ARTIFACT STREQUAL "reproducible")
  # Two clones of HEAD, each configured, built and packed (source archive, .deb, .rpm): the second
  # in a deeper folder, a day ahead in its time zone, under umask 077 and, where this runs as root
  # with setpriv and unshare, as the user nobody on a host of another name. Each package must have
  # the same bytes and a true checksum.
  find_program(SETPRIV setpriv)
  find_program(UNSHARE unshare)
  set(other_builder "${UNSHARE}" --uts sh -c "hostname another-builder && exec \"$@\"" sh
                    "${SETPRIV}" --reuid=nobody --clear-groups)
  foreach(side IN ITEMS "a/tavrik|UTC0|022" "b/c/d/tavrik-clone|XYZ-14|077")
    string(REPLACE "|" ";" side "${side}")
    list(GET side 0 clone)
    list(GET side 1 zone)
    list(GET side 2 mask)
    get_filename_component(top "${WORK_DIR}/${clone}" DIRECTORY)
    file(MAKE_DIRECTORY "${top}")
    set(clone "${WORK_DIR}/${clone}")
    run(sh -c "umask ${mask} && exec \"$0\" clone --quiet \"$1\" \"$2\"" "${TOOL_git}" "${SOURCE_DIR}" "${clone}")
    set(user "")
    if(mask STREQUAL "077")
      execute_process(COMMAND chown -R nobody "${WORK_DIR}/b" RESULT_VARIABLE status ERROR_QUIET)
      if(status EQUAL 0 AND UNSHARE AND SETPRIV)
        execute_process(COMMAND ${other_builder} test -w "${top}" RESULT_VARIABLE status ERROR_QUIET)
      endif()
      if(status EQUAL 0 AND UNSHARE AND SETPRIV)
        set(user ${other_builder})
      else()
        message(STATUS "not root, no setpriv or unshare, or nobody cannot write ${top}: both builds "
                       "run as this user on this host")
      endif()
    endif()
    run(${user} "${CMAKE_COMMAND}" -E env "TZ=${zone}" "HOME=${top}" sh -c
        "umask ${mask} && cd \"$0\" && \"$1\" -S . -B build -G \"$3\" -DBUILD_TESTING=OFF && \"$1\" --build build --parallel 2 && cd build && \"$2\" -G DEB && \"$2\" -G RPM && \"$2\" --config CPackSourceConfig.cmake"
        "${clone}" "${CMAKE_COMMAND}" "${CPACK}" "${GENERATOR}")
    file(GLOB packages RELATIVE "${clone}/build" "${clone}/build/*.deb" "${clone}/build/*.rpm"
         "${clone}/build/tavrik-1.0.tar.gz")
  endforeach()
  list(LENGTH packages count)
  if(NOT count EQUAL 3)
    message(FATAL_ERROR "expected a .deb, an .rpm and the source archive, found: ${packages}")
  endif()
  foreach(package IN LISTS packages)
    file(SHA256 "${clone}/build/${package}" hash)
    file(READ "${clone}/build/${package}.sha256" published)
    execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${WORK_DIR}/a/tavrik/build/${package}"
                            "${clone}/build/${package}" RESULT_VARIABLE differ)
    if(differ OR NOT published STREQUAL "${hash}  ${package}\n")
      message(FATAL_ERROR "${package} differs between the two builds, or its .sha256 is not "
                          "\"${hash}  ${package}\"")
    endif()
  endforeach()

elseif(ARTIFACT STREQUAL "rpm")
  run("${CPACK}" -G RPM --config "${BUILD_DIR}/CPackConfig.cmake" -B "${WORK_DIR}")
  file(GLOB rpm "${WORK_DIR}/tavrik-1.0-1.*.rpm")
  run("${TOOL_rpm}" -qpl "${rpm}")
  # Its own files and folders, none of the system's.
  if(NOT out MATCHES "^/usr/bin/tavrik\n/usr/lib/cmake/tavrik\n(/usr/lib/cmake/tavrik/[^\n/]+\n)+/usr/share/doc/tavrik\n/usr/share/doc/tavrik/LICENSE\n/usr/share/man/man1/tavrik\\.1\\.gz\n$")
    message(FATAL_ERROR "rpm -qpl ${rpm}:\n${out}")
  endif()
  # Signing is the distributor's step.
  execute_process(COMMAND "${TOOL_rpmlint}" "${rpm}" OUTPUT_VARIABLE out ERROR_VARIABLE out)
  string(REPLACE ": E: no-signature" "" errors "${out}")
  if(NOT out MATCHES "checked" OR errors MATCHES ": E: ")
    message(FATAL_ERROR "rpmlint ${rpm}:\n${out}")
  endif()

elseif(ARTIFACT STREQUAL "source")
  # A clone with a build folder inside, under a name .gitignore does not know.
  set(clone "${WORK_DIR}/clone")
  run("${TOOL_git}" clone --quiet "${SOURCE_DIR}" "${clone}")
  run("${CMAKE_COMMAND}" -S "${clone}" -B "${clone}/out" -G "${GENERATOR}" -DBUILD_TESTING=OFF)
  run("${CPACK}" --config "${clone}/out/CPackSourceConfig.cmake" -B "${WORK_DIR}")
  run("${TOOL_git}" -C "${clone}" -c core.quotePath=false ls-files)
  string(STRIP "${out}" out)
  string(REPLACE "\n" ";tavrik-1.0/" tracked "tavrik-1.0/${out}")
  unpack("${WORK_DIR}/tavrik-1.0.tar.gz" "${WORK_DIR}/unpacked")
  set(first "${files}")
  set(tree "${WORK_DIR}/unpacked/tavrik-1.0")
  file(STRINGS "${tree}/README.md" command REGEX "^ *cmake -S \\. -B build")
  list(GET command 0 command)
  run(sh -c "${command}" WORKING_DIRECTORY "${tree}")
  run("${CPACK}" --config "${tree}/build/CPackSourceConfig.cmake" -B "${WORK_DIR}/again")
  unpack("${WORK_DIR}/again/tavrik-1.0.tar.gz" "${WORK_DIR}/again/unpacked")
  if(NOT first STREQUAL tracked OR NOT files STREQUAL tracked)
    message(FATAL_ERROR "git ls-files:\n${tracked}\nthe archive:\n${first}\nthe one made again:\n${files}")
  endif()
endif()
