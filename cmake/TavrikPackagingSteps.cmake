# Steps of the packaging that run after configuration (see TavrikPackaging.cmake),
# chosen by TAVRIK_STEP:
#
#   html    cmake -DTAVRIK_STEP=html -DMANDOC=<mandoc> -DMAN_PAGE=<file>
#                 -DVERSION=<version> -DOUTPUT=<file> -P TavrikPackagingSteps.cmake
#           renders the man page as HTML for the Windows ZIP: mandoc sets each
#           example in <pre> with its indentation; this step adds the version
#           to the title and, after NAME, a table of the sections and their
#           subsections.
#   source  run by cpack for the source archive (CPACK_INSTALL_SCRIPTS, with
#           TAVRIK_SOURCE_DIR and TAVRIK_GIT set by TavrikCPackOptions.cmake):
#           copies the files of the tree into the staging folder.
#   normalize  run by cpack before it packs the staging folder
#           (CPACK_PRE_BUILD_SCRIPTS): every file and folder there gets the
#           release date as its time and modes from the owner's bits alone
#           (644, or 755 for folders and programs), whatever the umask.
#   repack  run by cpack after it made a package and before it writes the
#           checksum (CPACK_POST_BUILD_SCRIPTS): see below.
# TAVRIK_EPOCH, the release date, and the programs (TAVRIK_TAR, TAVRIK_GZIP,
# TAVRIK_ZIP) come from TavrikCPackOptions.cmake.

# cpack reads the script with no policies set.
cmake_policy(VERSION 3.16)

# Runs a command or a pipe of them (execute_process arguments); stops with
# their errors unless each exits 0.
function(tavrik_run)
  execute_process(COMMAND ${ARGN} RESULTS_VARIABLE statuses ERROR_VARIABLE err)
  if(NOT statuses MATCHES "^0(;0)*$")
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "${command} failed (${statuses}):\n${err}")
  endif()
endfunction()

# Modes from the owner's bits and the release date (in UTC) as the time of
# <dir> and everything in it.
function(tavrik_normalize dir)
  tavrik_run(chmod -R u+w,a+rX,go-w "${dir}")
  set(ENV{SOURCE_DATE_EPOCH} "${TAVRIK_EPOCH}")
  string(TIMESTAMP stamp "%Y%m%d%H%M.%S" UTC)
  file(GLOB_RECURSE paths LIST_DIRECTORIES true "${dir}/*")
  tavrik_run("${CMAKE_COMMAND}" -E env TZ=UTC0 touch -t "${stamp}" "${dir}" ${paths})
endfunction()

if(TAVRIK_STEP STREQUAL "html")
  # mandoc -Thtml drops an empty line of an example (.nf to .fi); .sp keeps it.
  file(READ "${MAN_PAGE}" rest)
  set(man "")
  string(FIND "${rest}" "\n.nf\n" at)
  while(at GREATER -1)
    string(SUBSTRING "${rest}" 0 ${at} before)
    string(SUBSTRING "${rest}" ${at} -1 rest)
    string(FIND "${rest}" "\n.fi\n" at)
    string(SUBSTRING "${rest}" 0 ${at} example)
    string(SUBSTRING "${rest}" ${at} -1 rest)
    string(REPLACE "\n\n" "\n.sp\n" example "${example}")
    string(REPLACE "\n\n" "\n.sp\n" example "${example}")
    string(APPEND man "${before}${example}")
    string(FIND "${rest}" "\n.nf\n" at)
  endwhile()
  file(WRITE "${OUTPUT}.1" "${man}${rest}")
  execute_process(COMMAND "${MANDOC}" -Thtml "${OUTPUT}.1" OUTPUT_VARIABLE page
                  RESULT_VARIABLE status ERROR_VARIABLE err)
  file(REMOVE "${OUTPUT}.1")
  if(NOT status EQUAL 0 OR NOT page MATCHES "</title>.*\n</section>\n")
    message(FATAL_ERROR "mandoc -Thtml ${MAN_PAGE} failed (${status}):\n${err}")
  endif()
  # A ';' would split the lists below.
  string(ASCII 1 semicolon)
  string(REPLACE ";" "${semicolon}" page "${page}")
  # mandoc breaks the line before an example's line that starts with a
  # blank, and inside <pre> its <br/> would show as an empty line.
  string(REGEX MATCHALL "<pre>[^<]*(<br/>[^<]*)*</pre>" examples "${page}")
  foreach(example IN LISTS examples)
    string(REPLACE "\n<br/>" "" unbroken "${example}")
    string(REPLACE "${example}" "${unbroken}" page "${page}")
  endforeach()
  string(REGEX MATCHALL "<h[12] class=\"S[hs]\" id=\"[^\"]*\"><a class=\"permalink\" href=\"#[^\"]*\">[^<]*</a>"
         headings "${page}")
  set(toc "")
  set(open "")
  foreach(heading IN LISTS headings)
    string(REGEX MATCH "^<h([12]) .* href=\"(#[^\"]*)\">([^<]*)</a>$" heading "${heading}")
    set(level ${CMAKE_MATCH_1})
    set(link "<a href=\"${CMAKE_MATCH_2}\">${CMAKE_MATCH_3}</a>")
    string(REGEX REPLACE "[ \n]+" " " link "${link}")
    if(level EQUAL 2 AND NOT open STREQUAL "sub")
      string(APPEND toc "\n<ul>\n")
    elseif(level EQUAL 1 AND open STREQUAL "sub")
      string(APPEND toc "</ul>\n</li>\n")
    elseif(level EQUAL 1 AND open STREQUAL "section")
      string(APPEND toc "</li>\n")
    endif()
    if(level EQUAL 1)
      string(APPEND toc "<li>${link}")
      set(open section)
    else()
      string(APPEND toc "<li>${link}</li>\n")
      set(open sub)
    endif()
  endforeach()
  if(open STREQUAL "sub")
    string(APPEND toc "</ul>\n")
  endif()
  set(toc "<section class=\"Sh\">\n<h1 class=\"Sh\" id=\"CONTENTS\">CONTENTS</h1>\n<ul>\n${toc}</li>\n</ul>\n</section>\n")
  string(FIND "${page}" "\n</section>\n" at)
  math(EXPR at "${at} + 12")
  string(SUBSTRING "${page}" 0 ${at} head)
  string(SUBSTRING "${page}" ${at} -1 rest)
  string(REGEX REPLACE "<title>([^<]*)</title>" "<title>tavrik ${VERSION} manual: \\1</title>" head "${head}")
  string(REPLACE "${semicolon}" ";" page "${head}${toc}${rest}")
  file(WRITE "${OUTPUT}.new" "${page}")
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
      # The files are packed as they are in the tree: say so when that is
      # not as the commit has them, since its bytes then are not the release's.
      execute_process(COMMAND "${TAVRIK_GIT}" status --porcelain --untracked-files=no
                      WORKING_DIRECTORY "${src}" OUTPUT_VARIABLE changed ERROR_QUIET)
      if(NOT changed STREQUAL "")
        message(WARNING "the source archive holds changes not committed:\n${changed}")
      endif()
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

elseif(TAVRIK_STEP STREQUAL "normalize")
  tavrik_normalize("${CPACK_TEMPORARY_DIRECTORY}")

elseif(TAVRIK_STEP STREQUAL "repack")
  # cpack writes the builder's owner and the order of folder entries into a
  # .tar.gz or a ZIP, and the umask into the modes of a .deb's members. Each
  # is made again from its own contents: members sorted, owned by root,
  # modes and times as the normalize step leaves them, no name or time in
  # the gzip header.
  foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(NOT package MATCHES "\\.(tar\\.gz|zip|deb)$")
      continue()
    endif()
    set(dir "${package}.repack")
    file(REMOVE_RECURSE "${dir}")
    file(MAKE_DIRECTORY "${dir}")
    tavrik_run("${CMAKE_COMMAND}" -E tar xf "${package}" WORKING_DIRECTORY "${dir}")
    if(package MATCHES "\\.tar\\.gz$" AND TAVRIK_TAR AND TAVRIK_GZIP)
      file(GLOB tops RELATIVE "${dir}" "${dir}/*")
      tavrik_run("${TAVRIK_TAR}" --create --format=gnu --sort=name --owner=0 --group=0
                 --numeric-owner "--mtime=@${TAVRIK_EPOCH}" --mode=u+w,a+rX,go-w
                 -C "${dir}" -f - ${tops} COMMAND "${TAVRIK_GZIP}" -9n OUTPUT_FILE "${package}")
    elseif(package MATCHES "\\.zip$" AND TAVRIK_ZIP)
      # zip -X leaves out owners and extra times; its DOS times are local ones.
      file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE "${dir}" "${dir}/*")
      set(names "")
      foreach(entry IN LISTS entries)
        if(IS_DIRECTORY "${dir}/${entry}")
          string(APPEND entry "/")
        endif()
        string(APPEND names "${entry}\n")
      endforeach()
      file(WRITE "${dir}.names" "${names}")
      tavrik_normalize("${dir}")
      file(REMOVE "${package}")
      tavrik_run("${CMAKE_COMMAND}" -E env TZ=UTC0 "${TAVRIK_ZIP}" -X -9 -q "${package}" -@
                 INPUT_FILE "${dir}.names" WORKING_DIRECTORY "${dir}")
      file(REMOVE "${dir}.names")
    elseif(package MATCHES "\\.deb$")
      # An ar archive: "!<arch>\n", then each member's 60-byte header (name,
      # time, owner, group, mode, size) and its bytes, padded to an even length.
      execute_process(COMMAND "${CMAKE_COMMAND}" -E tar tf "${package}" OUTPUT_VARIABLE members)
      string(REGEX MATCHALL "[^\n]+" members "${members}")
      file(WRITE "${dir}.ar/0" "!<arch>\n")
      file(WRITE "${dir}.ar/pad" "\n")
      set(parts "${dir}.ar/0")
      foreach(member IN LISTS members)
        file(SIZE "${dir}/${member}" size)
        set(header "")
        foreach(field_width IN ITEMS "${member}|16" "${TAVRIK_EPOCH}|12" "0|6" "0|6" "100644|8" "${size}|10")
          string(REGEX MATCH "^(.*)\\|([0-9]+)$" field_width "${field_width}")
          string(LENGTH "${CMAKE_MATCH_1}" length)
          math(EXPR blanks "${CMAKE_MATCH_2} - ${length}")
          string(REPEAT " " ${blanks} blanks)
          string(APPEND header "${CMAKE_MATCH_1}${blanks}")
        endforeach()
        file(WRITE "${dir}.ar/${member}" "${header}`\n")
        list(APPEND parts "${dir}.ar/${member}" "${dir}/${member}")
        math(EXPR odd "${size} % 2")
        if(odd)
          list(APPEND parts "${dir}.ar/pad")
        endif()
      endforeach()
      tavrik_run("${CMAKE_COMMAND}" -E cat ${parts} OUTPUT_FILE "${package}")
      file(REMOVE_RECURSE "${dir}.ar")
    else()
      message(WARNING "${package} is left as cpack made it, with the builder's owner and order "
                      "of files: packing it again needs GNU tar and gzip (.tar.gz) or zip")
    endif()
    file(REMOVE_RECURSE "${dir}")
  endforeach()

else()
  message(FATAL_ERROR "TavrikPackagingSteps.cmake: unknown TAVRIK_STEP '${TAVRIK_STEP}'")
endif()
