# expect_c_library_alone(<readelf> <program> <what>): the program's dynamic
# section needs the C library and nothing else (the tool uses nothing of the
# C++ runtime, so it must not even be loaded). Included by the test scripts
# that build or install the tool.
function(expect_c_library_alone readelf program what)
  execute_process(COMMAND "${readelf}" -d "${program}" OUTPUT_VARIABLE dynamic)
  string(REGEX MATCHALL "Shared library: \\[[^]]*\\]" needed "${dynamic}")
  if(NOT needed STREQUAL "Shared library: [libc.so.6]")
    message(FATAL_ERROR "${what} needs ${needed}, not the C library alone")
  endif()
endfunction()
