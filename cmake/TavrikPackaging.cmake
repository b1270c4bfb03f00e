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
# Date of the release's changelog entry (RFC 5322), kept fixed so that the
# package is reproducible. The RPM changelog and the HTML manual give the
# same moment; TAVRIK_RELEASE_EPOCH is it in seconds since 1970.
set(TAVRIK_DEB_DATE "Mon, 07 Dec 2026 12:00:00 +0000")
set(TAVRIK_RELEASE_EPOCH 1796644800)

set(deb_dir "${PROJECT_BINARY_DIR}/debian")
file(MAKE_DIRECTORY "${deb_dir}")

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

configure_file("${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in" "${deb_dir}/changelog" @ONLY)

# Debian wants the man page and the changelog gzipped: gzip -9n, no name or
# time stamp, so the same input always gives the same bytes.
find_program(TAVRIK_GZIP gzip)
set(deb_extras "")
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
          COMPONENT debian EXCLUDE_FROM_ALL)
  install(FILES "${deb_dir}/copyright" "${deb_dir}/changelog.gz"
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavrik COMPONENT debian EXCLUDE_FROM_ALL)
  set(deb_extras debian)
else()
  message(STATUS "gzip not found: `cpack -G DEB` packs no man page, copyright or changelog")
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
# gzipped man page and the copyright file; TavrikCPackOptions.cmake, read by
# cpack, picks them per generator.
set(common_part "${PROJECT_BINARY_DIR};tavrik;tavrik;/")
set(CPACK_INSTALL_CMAKE_PROJECTS "${common_part};${PROJECT_BINARY_DIR};tavrik;doc;/")
set(deb_parts "${common_part}")
if(deb_extras)
  string(APPEND deb_parts ";${PROJECT_BINARY_DIR};tavrik;${deb_extras};/")
endif()

# The Windows ZIP holds bin/tavrik.exe and the CMake package (the "tavrik"
# component) and, at its top, LICENSE, README.md and tavrik.html: Windows
# cannot show the man page, so groff renders it as HTML at build time.
set(zip_parts "")
if(WIN32)
  find_program(TAVRIK_GROFF groff)
  set(status 1)
  if(TAVRIK_GROFF)
    # groff-base (Debian) has no html device.
    execute_process(COMMAND "${TAVRIK_GROFF}" -Thtml -man "${PROJECT_SOURCE_DIR}/docs/tavrik.1"
                    RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
  endif()
  if(status EQUAL 0)
    set(html "${PROJECT_BINARY_DIR}/tavrik.html")
    add_custom_command(OUTPUT "${html}"
      COMMAND "${CMAKE_COMMAND}" -DTAVRIK_STEP=html "-DGROFF=${TAVRIK_GROFF}"
              "-DMAN_PAGE=${PROJECT_SOURCE_DIR}/docs/tavrik.1" "-DOUTPUT=${html}"
              -DEPOCH=${TAVRIK_RELEASE_EPOCH} -P "${PROJECT_SOURCE_DIR}/cmake/TavrikPackagingSteps.cmake"
      DEPENDS docs/tavrik.1 cmake/TavrikPackagingSteps.cmake
      COMMENT "Rendering the man page as HTML" VERBATIM)
    add_custom_target(tavrik_manual_html ALL DEPENDS "${html}")
    install(FILES LICENSE README.md "${html}" DESTINATION . COMPONENT zip EXCLUDE_FROM_ALL)
    set(zip_parts "${common_part};${PROJECT_BINARY_DIR};tavrik;zip;/")
  else()
    message(STATUS "groff with the html device not found: `cpack -G ZIP` stops and says so")
  endif()
endif()

# The RPM package holds what `cmake --install` installs, under /usr. It owns
# only its own folders: rpm's default list leaves out /usr, /usr/share and
# the like, and the man and CMake folders are added to it. Its requirements
# come from rpm's scan of the binary.
set(TAVRIK_RPM_PACKAGER "${TAVRIK_DEB_MAINTAINER}" CACHE STRING
    "Packager of the RPM package, as Name <address>")
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_RELEASE 1)
set(CPACK_RPM_PACKAGE_LICENSE MIT)
set(CPACK_RPM_PACKAGE_GROUP Development/Tools)
set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RPM_PACKAGE_AUTOREQ ON)
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION /usr/share/man /usr/share/man/man1 /usr/lib/cmake)
set(CPACK_RPM_USER_FILELIST "%license /usr/${CMAKE_INSTALL_DOCDIR}/LICENSE")
# No /usr/lib/.build-id links: the binary is stripped and has no debuginfo
# package to point to.
set(CPACK_RPM_SPEC_MORE_DEFINE "%define packager ${TAVRIK_RPM_PACKAGER}\n%define _build_id_links none")
# The changelog's date is the Debian one, as rpm writes it.
string(REGEX REPLACE "^([A-Za-z]+), ([0-9]+) ([A-Za-z]+) ([0-9]+) .*" "\\1 \\3 \\2 \\4"
       TAVRIK_RPM_DATE "${TAVRIK_DEB_DATE}")
configure_file("${PROJECT_SOURCE_DIR}/packaging/rpm/changelog.in" "${PROJECT_BINARY_DIR}/rpm/changelog" @ONLY)
set(CPACK_RPM_CHANGELOG_FILE "${PROJECT_BINARY_DIR}/rpm/changelog")

# The source archive, tavrik-<version>.tar.gz, holds the source tree under
# one top folder; TavrikPackagingSteps.cmake picks the files (the tracked
# ones, in a git checkout) when cpack runs.
find_package(Git QUIET)
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME "tavrik-${PROJECT_VERSION}")
set(CPACK_SOURCE_INSTALLED_DIRECTORIES "")

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
