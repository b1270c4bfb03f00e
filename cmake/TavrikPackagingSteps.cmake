# Steps of the packaging that run after configuration (see TavrikPackaging.cmake),
# chosen by TAVRIK_STEP:
#
#   html    cmake -DTAVRIK_STEP=html -DGROFF=<groff> -DMAN_PAGE=<file>
#                 -DOUTPUT=<file> -DEPOCH=<seconds> -P TavrikPackagingSteps.cmake
#           renders the man page as HTML for the Windows ZIP. EPOCH is the
#           release date, written into the page instead of today's.
#   source  run by cpack for the source archive (CPACK_INSTALL_SCRIPTS, with
#           TAVRIK_SOURCE_DIR and TAVRIK_GIT set by TavrikCPackOptions.cmake):
#           copies the files of the tree into the staging folder.

# cpack reads the script with no policies set.
cmake_policy(VERSION 3.16)

if(TAVRIK_STEP STREQUAL "html")
  set(ENV{SOURCE_DATE_EPOCH} "${EPOCH}")
  execute_process(COMMAND "${GROFF}" -Thtml -man "${MAN_PAGE}" OUTPUT_FILE "${OUTPUT}.new"
                  RESULT_VARIABLE status ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    file(REMOVE "${OUTPUT}.new")
    message(FATAL_ERROR "groff -Thtml ${MAN_PAGE} failed (${status}):\n${err}")
  endif()
  file(RENAME "${OUTPUT}.new" "${OUTPUT}")

elseif(TAVRIK_STEP STREQUAL "source")
  # The tracked files when the tree is a git checkout, as listed when cpack
  # runs: so no build folder, whatever its name or place, and nothing a
  # quick start left in examples/. A tree that is not a checkout (unpacked
  # from this archive, say) is taken as it is, less .git, every folder that
  # holds a CMakeCache.txt (a build folder), cpack's staging folder and what
  # .gitignore's anchored entries (those starting with '/') name.
  set(src "${TAVRIK_SOURCE_DIR}")
  set(files "")
  if(TAVRIK_GIT)
    execute_process(COMMAND "${TAVRIK_GIT}" -c core.quotePath=false ls-files
                    WORKING_DIRECTORY "${src}" RESULT_VARIABLE status OUTPUT_VARIABLE listing
                    ERROR_QUIET)
    if(status EQUAL 0)
      string(REPLACE "\n" ";" files "${listing}")
      list(FILTER files EXCLUDE REGEX "^$")
    endif()
  endif()
  # Inside another project's checkout, git answers but lists none of ours.
  if(NOT "CMakeLists.txt" IN_LIST files)
    message(STATUS "${src} is not a git checkout: packing it less .git, build folders, "
                   "_CPack_Packages and what .gitignore names")
    file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${src}" "${src}/*")
    file(GLOB_RECURSE caches LIST_DIRECTORIES false RELATIVE "${src}" "${src}/CMakeCache.txt")
    set(ignore "(^|/)\\.git(/|$)" "(^|/)_CPack_Packages/")
    if(EXISTS "${src}/.gitignore")
      file(STRINGS "${src}/.gitignore" anchored REGEX "^/")
    endif()
    foreach(path IN LISTS caches anchored)
      get_filename_component(name "${path}" NAME)
      if(name STREQUAL "CMakeCache.txt")
        get_filename_component(path "${path}" DIRECTORY)
        string(APPEND path "/")
      endif()
      string(REGEX REPLACE "^/" "" path "${path}")
      string(REGEX REPLACE "([][.+?^$(){}|\\\\])" "\\\\\\1" pattern "${path}")
      string(REPLACE "*" "[^/]*" pattern "${pattern}")
      if(NOT pattern MATCHES "/$")
        string(APPEND pattern "(/|$)")
      endif()
      list(APPEND ignore "^${pattern}")
    endforeach()
    foreach(pattern IN LISTS ignore)
      list(FILTER files EXCLUDE REGEX "${pattern}")
    endforeach()
  endif()

  foreach(file IN LISTS files)
    if(file MATCHES "^\"")
      message(FATAL_ERROR "a tracked file name holds a character git quotes: ${file}")
    endif()
    if(NOT EXISTS "${src}/${file}" AND NOT IS_SYMLINK "${src}/${file}")
      message(FATAL_ERROR "${src}/${file} is tracked but missing: restore it or remove it with git rm")
    endif()
    get_filename_component(dir "${file}" DIRECTORY)
    file(COPY "${src}/${file}" DESTINATION "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${dir}")
  endforeach()

else()
  message(FATAL_ERROR "TavrikPackagingSteps.cmake: unknown TAVRIK_STEP '${TAVRIK_STEP}'")
endif()
