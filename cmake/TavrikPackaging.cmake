# Packages made by cpack in the build folder: `cpack` gives an archive of the
# install, `cpack -G DEB` a Debian package, `cpack -G RPM` an RPM package,
# `cpack -G ZIP` in a Windows build the Windows ZIP, and
# `cpack --config CPackSourceConfig.cmake` the source archive.
#
# The Debian package holds what `cmake --install` installs, with the man page
# gzipped and, in place of LICENSE, usr/share/doc/tavrik/copyright
# (machine-readable, from LICENSE), plus changelog.gz. Those three are made
# here at configure time and installed by the "debian" component, which only
# the DEB generator packs.

# An address under .invalid until a real maintainer sets one:
#   cmake -DTAVRIK_DEB_MAINTAINER="Name <address>" ...
set(TAVRIK_DEB_MAINTAINER "tavrik developers <tavrik@maintainer.invalid>" CACHE STRING
    "Maintainer of the Debian package, as Name <address>")
set(TAVRIK_RPM_PACKAGER "${TAVRIK_DEB_MAINTAINER}" CACHE STRING
    "Packager of the RPM package, as Name <address>")
set(CPACK_RPM_PACKAGE_RELEASE 1)

set(deb_dir "${PROJECT_BINARY_DIR}/debian")
file(MAKE_DIRECTORY "${deb_dir}")

# --- Release date and changelogs, from NEWS.md ---
# Each entry of NEWS.md ("## <version> (<YYYY-MM-DD>)", then "- " items)
# becomes one entry of the Debian and of the RPM changelog, so that they say
# what it says; its newest entry must be this version. TAVRIK_RELEASE_EPOCH,
# noon UTC of that entry's date, is the time stamp of everything packed
# (SOURCE_DATE_EPOCH): the same commit packs to the same bytes whenever it
# is built.
file(READ "${PROJECT_SOURCE_DIR}/NEWS.md" news)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/NEWS.md")
set(week_days Thu Fri Sat Sun Mon Tue Wed)
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
set(deb_log "")
set(rpm_log "")
set(TAVRIK_RELEASE_EPOCH "")
string(FIND "${news}" "\n## " at)
while(at GREATER -1)
  math(EXPR at "${at} + 4")
  string(SUBSTRING "${news}" ${at} -1 news)
  string(FIND "${news}" "\n## " at)
  string(SUBSTRING "${news}" 0 ${at} entry)
  if(NOT entry MATCHES "^([0-9.]+) \\(([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])\\)\n\n(- [^\n]*(\n[^\n]+)*)\n*$")
    string(REGEX MATCH "^[^\n]*" heading "${entry}")
    message(FATAL_ERROR "NEWS.md: the entry \"## ${heading}\" is not \"## <version> (<YYYY-MM-DD>)\", "
                        "a blank line and items")
  endif()
  set(version "${CMAKE_MATCH_1}")
  set(year "${CMAKE_MATCH_2}")
  set(mm "${CMAKE_MATCH_3}")
  set(dd "${CMAKE_MATCH_4}")
  set(items "${CMAKE_MATCH_5}")
  # Days since 1970-01-01 of a proleptic Gregorian date, counted from March
  # so that a leap day ends the year.
  string(REGEX REPLACE "^0" "" day "${dd}")
  string(REGEX REPLACE "^0" "" month "${mm}")
  if(month GREATER 2)
    math(EXPR y "${year}")
    math(EXPR m "${month} - 3")
  else()
    math(EXPR y "${year} - 1")
    math(EXPR m "${month} + 9")
  endif()
  math(EXPR days "${y} * 365 + ${y} / 4 - ${y} / 100 + ${y} / 400 + (153 * ${m} + 2) / 5 + ${day} - 1 - 719468")
  math(EXPR epoch "${days} * 86400 + 43200")
  # string(TIMESTAMP) shows SOURCE_DATE_EPOCH: a day the month lacks comes back as another date.
  set(saved "$ENV{SOURCE_DATE_EPOCH}")
  set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
  string(TIMESTAMP back "%Y-%m-%d" UTC)
  set(ENV{SOURCE_DATE_EPOCH} "${saved}")
  string(REGEX REPLACE "(^|\n)(- |  )[^\n]*" "" stray "${items}")
  if(NOT back STREQUAL "${year}-${mm}-${dd}")
    message(FATAL_ERROR "NEWS.md, entry ${version}: ${year}-${mm}-${dd} is not a date")
  elseif(NOT stray STREQUAL "")
    message(FATAL_ERROR "NEWS.md, entry ${version}: a line is neither an item (\"- \") "
                        "nor an item's continuation (two blanks):${stray}")
  endif()
  if(TAVRIK_RELEASE_EPOCH STREQUAL "")
    if(NOT version STREQUAL PROJECT_VERSION)
      message(FATAL_ERROR "NEWS.md: the newest entry is ${version}, the project is "
                          "${PROJECT_VERSION}: add its entry at the top")
    endif()
    set(TAVRIK_RELEASE_EPOCH ${epoch})
  endif()
  math(EXPR week_day "${days} % 7")
  list(GET week_days ${week_day} week_day)
  math(EXPR month "${month} - 1")
  list(GET months ${month} month)
  # Debian: "  * " items continued by four blanks; RPM: NEWS.md's own form.
  string(REPLACE "\n  " "\n    " deb_items "${items}")
  string(REGEX REPLACE "(^|\n)- " "\\1  * " deb_items "${deb_items}")
  string(APPEND deb_log "tavrik (${version}) unstable; urgency=medium\n\n${deb_items}\n\n"
         " -- ${TAVRIK_DEB_MAINTAINER}  ${week_day}, ${dd} ${month} ${year} 12:00:00 +0000\n\n")
  string(APPEND rpm_log "* ${week_day} ${month} ${dd} ${year} ${TAVRIK_RPM_PACKAGER}"
         " - ${version}-${CPACK_RPM_PACKAGE_RELEASE}\n${items}\n\n")
endwhile()
if(TAVRIK_RELEASE_EPOCH STREQUAL "")
  message(FATAL_ERROR "NEWS.md has no entry (\"## ${PROJECT_VERSION} (<YYYY-MM-DD>)\")")
endif()
string(STRIP "${deb_log}" deb_log)
string(STRIP "${rpm_log}" rpm_log)
file(WRITE "${deb_dir}/changelog" "${deb_log}\n")
file(WRITE "${PROJECT_BINARY_DIR}/rpm/changelog" "${rpm_log}\n")
# --- end of release date and changelogs ---

# copyright: the licence from LICENSE, in Debian's machine-readable format.
file(READ "${PROJECT_SOURCE_DIR}/LICENSE" licence)
if(NOT licence MATCHES "Copyright \\(c\\) ([^\n]*)\n" )
  message(FATAL_ERROR "LICENSE has no copyright line")
endif()
set(copyright_holder "${CMAKE_MATCH_1}")
if(NOT licence MATCHES "(Permission is hereby granted.*\nSOFTWARE\\.)\n")
  message(FATAL_ERROR "LICENSE has no permission notice")
endif()
set(permission "${CMAKE_MATCH_1}")
# A continuation line starts with a blank; an empty line is written " .".
string(REGEX REPLACE "\n\n" "\n.\n" permission "${permission}")
string(REGEX REPLACE "\n" "\n " permission "${permission}")
file(WRITE "${deb_dir}/copyright"
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: tavrik\n"
  "Comment: The files tavrik generates belong to its user, who may use them\n"
  " under any terms; this licence places no obligation on them.\n"
  "\n"
  "Files: *\n"
  "Copyright: ${copyright_holder}\n"
  "License: Expat\n"
  "\n"
  "License: Expat\n"
  " ${permission}\n")


# Debian wants the man page and the changelog gzipped, and so does the RPM
# (whose rpmbuild would, left to itself): gzip -9n, no name or time stamp, so
# the same input always gives the same bytes.
find_program(TAVRIK_GZIP gzip)
set(deb_extras "")
set(rpm_extras doc)
if(TAVRIK_GZIP)
  foreach(pair IN ITEMS "docs/tavrik.1|tavrik.1.gz" "${deb_dir}/changelog|changelog.gz")
    string(REPLACE "|" ";" pair "${pair}")
    list(GET pair 0 from)
    list(GET pair 1 to)
    get_filename_component(from "${from}" ABSOLUTE BASE_DIR "${PROJECT_SOURCE_DIR}")
    execute_process(COMMAND "${TAVRIK_GZIP}" -9n -c "${from}" OUTPUT_FILE "${deb_dir}/${to}"
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "gzip of ${from} failed: ${status}")
    endif()
  endforeach()
  # Gzipped at configure time: an edited man page reconfigures.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/docs/tavrik.1")
  install(FILES "${deb_dir}/tavrik.1.gz" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT man_gz EXCLUDE_FROM_ALL)
  install(FILES "${deb_dir}/copyright" "${deb_dir}/changelog.gz"
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavrik COMPONENT debian EXCLUDE_FROM_ALL)
  install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT licence EXCLUDE_FROM_ALL)
  set(deb_extras man_gz debian)
  set(rpm_extras man_gz licence)
else()
  message(STATUS "gzip not found: `cpack -G DEB` packs no man page, copyright or changelog, "
                 "`cpack -G RPM` the man page uncompressed")
endif()

set(CPACK_PACKAGE_NAME tavrik)
set(CPACK_PACKAGE_VENDOR "the tavrik developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION "tavrik writes a C header and source file holding a growable array of a\n\
struct declared in your own header: append, remove, clear, indexed access,\n\
filtered find, binary search, sort and transform. With the man page and the\n\
CMake package that provides tavrik_generate() and tavrik_add_library().")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_GENERATOR TGZ)
# Only tavrik's own components: a test framework's install rules stay out.
# The archive holds the plain man page and LICENSE, the Debian package the
# gzipped man page and the copyright file, the RPM the gzipped man page and
# LICENSE; TavrikCPackOptions.cmake, read by cpack, picks them per generator.
set(common_part "${PROJECT_BINARY_DIR};tavrik;tavrik;/")
set(CPACK_INSTALL_CMAKE_PROJECTS "${common_part};${PROJECT_BINARY_DIR};tavrik;doc;/")
set(deb_parts "${common_part}")
set(rpm_parts "${common_part}")
foreach(part IN LISTS deb_extras)
  string(APPEND deb_parts ";${PROJECT_BINARY_DIR};tavrik;${part};/")
endforeach()
foreach(part IN LISTS rpm_extras)
  string(APPEND rpm_parts ";${PROJECT_BINARY_DIR};tavrik;${part};/")
endforeach()

# The Windows ZIP holds bin/tavrik.exe and the CMake package (the "tavrik"
# component); at its top LICENSE, README.txt (for Windows users), NEWS.md
# (both with CR LF line ends) and tavrik.html; and, for projects that
# cross-build for Windows with it, the MinGW-w64 toolchain file in
# share/tavrik. Windows cannot show the man page, so mandoc renders it as
# HTML at build time. It is the one renderer used, so that the page's bytes
# do not depend on which the builder has; zip packs the ZIP again (see
# Reproducible packages).
set(zip_parts "")
find_program(TAVRIK_ZIP zip)
if(WIN32)
  find_program(TAVRIK_MANDOC mandoc)
  if(TAVRIK_MANDOC AND (TAVRIK_ZIP OR NOT CMAKE_HOST_UNIX))
    set(html "${PROJECT_BINARY_DIR}/tavrik.html")
    add_custom_command(OUTPUT "${html}"
      COMMAND "${CMAKE_COMMAND}" -DTAVRIK_STEP=html "-DMANDOC=${TAVRIK_MANDOC}"
              "-DMAN_PAGE=${PROJECT_SOURCE_DIR}/docs/tavrik.1" "-DOUTPUT=${html}"
              -DVERSION=${PROJECT_VERSION} -P "${PROJECT_SOURCE_DIR}/cmake/TavrikPackagingSteps.cmake"
      DEPENDS docs/tavrik.1 cmake/TavrikPackagingSteps.cmake
      COMMENT "Rendering the man page as HTML" VERBATIM)
    add_custom_target(tavrik_manual_html ALL DEPENDS "${html}")
    # The title's underline as long as the title.
    string(LENGTH "tavrik ${PROJECT_VERSION} for Windows (x86-64)" title_length)
    string(REPEAT "=" ${title_length} README_TITLE_RULE)
    configure_file(packaging/windows/README.txt.in "${PROJECT_BINARY_DIR}/zip/README.txt" @ONLY
                   NEWLINE_STYLE CRLF)
    # Texts for Windows users end their lines in CR LF, as their editors expect.
    foreach(text IN ITEMS NEWS.md LICENSE)
      file(READ ${text} content)
      string(REPLACE "\n" "\r\n" content "${content}")
      file(WRITE "${PROJECT_BINARY_DIR}/zip/${text}" "${content}")
    endforeach()
    install(FILES "${PROJECT_BINARY_DIR}/zip/LICENSE" "${PROJECT_BINARY_DIR}/zip/README.txt"
                  "${PROJECT_BINARY_DIR}/zip/NEWS.md" "${html}" DESTINATION . COMPONENT zip EXCLUDE_FROM_ALL)
    install(FILES tests/windows/mingw-w64-x86_64.cmake DESTINATION share/tavrik
            COMPONENT zip EXCLUDE_FROM_ALL)
    set(zip_parts "${common_part};${PROJECT_BINARY_DIR};tavrik;zip;/")
  else()
    message(STATUS "mandoc or zip not found: `cpack -G ZIP` stops and says so")
  endif()
endif()

# The RPM package holds what `cmake --install` installs, under /usr. It owns
# only its own folders: rpm's default list leaves out /usr, /usr/share and
# the like, and the man and CMake folders are added to it. Its requirements
# come from rpm's scan of the binary.
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_LICENSE MIT)
set(CPACK_RPM_PACKAGE_GROUP Development/Tools)
set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RPM_PACKAGE_AUTOREQ ON)
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION /usr/share/man /usr/share/man/man1 /usr/lib/cmake)
set(CPACK_RPM_USER_FILELIST "%license /usr/${CMAKE_INSTALL_DOCDIR}/LICENSE")
# No /usr/lib/.build-id links: the binary is stripped and has no debuginfo
# package to point to.
set(CPACK_RPM_SPEC_MORE_DEFINE "%define packager ${TAVRIK_RPM_PACKAGER}\n%define _build_id_links none")
set(CPACK_RPM_CHANGELOG_FILE "${PROJECT_BINARY_DIR}/rpm/changelog")

# The source archive, tavrik-<version>.tar.gz, holds the source tree under
# one top folder; TavrikPackagingSteps.cmake picks the files (the tracked
# ones, in a git checkout) when cpack runs.
find_package(Git QUIET)
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME "tavrik-${PROJECT_VERSION}")
set(CPACK_SOURCE_INSTALLED_DIRECTORIES "")

# --- Reproducible packages ---
# One commit packs to the same bytes whoever builds it, wherever, whenever
# and with whatever umask (with the same tools):
# - cpack runs with SOURCE_DATE_EPOCH set to the release date
#   (TavrikCPackOptions.cmake), so every time stamp that cpack, rpmbuild
#   and strip write is that date;
# - before cpack packs, TavrikPackagingSteps.cmake gives what it packs
#   modes from the owner's bits and the release date as time (install()
#   and the umask would give the folders 700 under umask 077);
# - rpm takes its build time from that date, and a fixed build host name;
# - after cpack, TavrikPackagingSteps.cmake packs each .tar.gz and ZIP again
#   and fixes the modes of a .deb's members (it needs GNU tar, gzip and,
#   for a ZIP, zip);
# - each package gets its SHA-256 checksum beside it, <package>.sha256.
string(APPEND CPACK_RPM_SPEC_MORE_DEFINE "\n%define use_source_date_epoch_as_buildtime 1"
       "\n%define clamp_mtime_to_source_date_epoch 1\n%define _buildhost reproducible")
set(CPACK_PACKAGE_CHECKSUM SHA256)
find_program(TAVRIK_TAR NAMES gtar tar)
if(TAVRIK_TAR)
  execute_process(COMMAND "${TAVRIK_TAR}" --version OUTPUT_VARIABLE tar_version ERROR_QUIET)
  if(NOT tar_version MATCHES "GNU tar")
    set(TAVRIK_TAR "")
  endif()
endif()
# The steps use POSIX chmod and touch.
if(CMAKE_HOST_UNIX)
  foreach(step IN ITEMS normalize repack)
    file(WRITE "${PROJECT_BINARY_DIR}/TavrikCPack-${step}.cmake" "set(TAVRIK_STEP ${step})\n"
         "include(\"${PROJECT_SOURCE_DIR}/cmake/TavrikPackagingSteps.cmake\")\n")
  endforeach()
  set(CPACK_PRE_BUILD_SCRIPTS "${PROJECT_BINARY_DIR}/TavrikCPack-normalize.cmake")
  set(CPACK_POST_BUILD_SCRIPTS "${PROJECT_BINARY_DIR}/TavrikCPack-repack.cmake")
  if(NOT TAVRIK_TAR OR NOT TAVRIK_GZIP)
    message(STATUS "GNU tar or gzip not found: the .tar.gz archives keep the builder's owner "
                   "and order of files")
  endif()
else()
  message(STATUS "not a POSIX host: the packages keep the builder's owner, modes and order of files")
endif()
# --- end of reproducible packages ---

configure_file("${PROJECT_SOURCE_DIR}/cmake/TavrikCPackOptions.cmake.in"
               "${PROJECT_BINARY_DIR}/TavrikCPackOptions.cmake" @ONLY)
set(CPACK_PROJECT_CONFIG_FILE "${PROJECT_BINARY_DIR}/TavrikCPackOptions.cmake")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TAVRIK_DEB_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_STRIP_FILES ON)
find_program(TAVRIK_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(TAVRIK_DPKG_SHLIBDEPS)
  # Dependencies on the C and C++ runtimes, worked out from the binary.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  message(STATUS "dpkg-shlibdeps not found: `cpack -G DEB` gives a package without dependencies")
endif()

# A cross build for another Linux CPU: its packages are labelled with the
# target's architecture, not the build machine's, and dpkg-shlibdeps looks
# for the libraries the tool needs where the cross compiler finds its C
# library. Debian and rpm name some CPUs otherwise than GNU (rows below: GNU
# triplet, Debian, rpm); the others keep the GNU name (s390x, riscv64, ...).
# -DCPACK_DEBIAN_PACKAGE_ARCHITECTURE=... or -DCPACK_RPM_PACKAGE_ARCHITECTURE=...
# overrides.
if(CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_NAME STREQUAL "Linux")
  execute_process(COMMAND "${CMAKE_CXX_COMPILER}" -dumpmachine
                  OUTPUT_VARIABLE triplet OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  string(REGEX REPLACE "-.*" "" deb_arch "${triplet}")
  set(rpm_arch "${deb_arch}")
  foreach(row IN ITEMS "^x86_64-.*-gnu$ amd64 x86_64" "^i[3-6]86- i386 i686" "^aarch64- arm64 aarch64"
                       "^arm.*-gnueabihf$ armhf armv7hl" "^arm.*-gnueabi$ armel armv5tel"
                       "^powerpc64le- ppc64el ppc64le")
    string(REPLACE " " ";" row "${row}")
    list(GET row 0 pattern)
    if(triplet MATCHES "${pattern}")
      list(GET row 1 deb_arch)
      list(GET row 2 rpm_arch)
    endif()
  endforeach()
  if(NOT CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE "${deb_arch}")
  endif()
  if(NOT CPACK_RPM_PACKAGE_ARCHITECTURE)
    set(CPACK_RPM_PACKAGE_ARCHITECTURE "${rpm_arch}")
  endif()
  execute_process(COMMAND "${CMAKE_CXX_COMPILER}" -print-file-name=libc.so.6
                  OUTPUT_VARIABLE libc OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(IS_ABSOLUTE "${libc}")
    get_filename_component(libc_dir "${libc}" DIRECTORY)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${libc_dir}")
  endif()
  message(STATUS "Packages for ${triplet}: DEB ${CPACK_DEBIAN_PACKAGE_ARCHITECTURE}, "
                 "RPM ${CPACK_RPM_PACKAGE_ARCHITECTURE}")
endif()

include(CPack)
