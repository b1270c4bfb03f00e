# Run by cpack after it has installed into its staging tree: Debian packages
# carry man pages gzipped (gzip -9n: reproducible, no name or time stamp), so
# the man page is compressed there; `cmake --install` keeps it plain.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
find_program(TAVRIK_GZIP gzip)
if(NOT TAVRIK_GZIP)
  message(WARNING "gzip not found: the man page goes into the package uncompressed")
  return()
endif()
file(GLOB_RECURSE pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*tavrik.1")
list(FILTER pages INCLUDE REGEX "/man/man1/tavrik\\.1$")
foreach(page IN LISTS pages)
  execute_process(COMMAND "${TAVRIK_GZIP}" -9nf "${page}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip of ${page} failed: ${status}")
  endif()
endforeach()
