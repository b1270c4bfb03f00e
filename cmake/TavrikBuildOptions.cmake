# Build options of the tavrik executable (link mode and the like).
#
# A run writes two files of a few KB, so process start-up is most of its cost.
# Linked against the shared C++ runtime, the dynamic loader's symbol lookups
# alone take over ten times the instructions of tavrik's own work; a static
# link removes them. Measured on the example, in instructions per run
# (callgrind, see bench/): shared 1.84M, static C++ runtime 0.28M, fully
# static 0.13M, the same as a C program that only writes the two files.
#
# TAVRIK_LINK picks the mode:
#   static  - everything static (default); falls back to "runtime" when the
#             toolchain cannot link statically (no libc.a, sanitizers, ...)
#   runtime - only libstdc++ and libgcc static, libc shared
#   shared  - the toolchain's default, e.g. for distribution packages
set(TAVRIK_LINK "static" CACHE STRING "Link mode of the tavrik executable: static, runtime or shared")
set_property(CACHE TAVRIK_LINK PROPERTY STRINGS static runtime shared)

if(NOT TAVRIK_LINK MATCHES "^(static|runtime|shared)$")
  message(FATAL_ERROR "TAVRIK_LINK must be static, runtime or shared, not '${TAVRIK_LINK}'")
endif()

set(_tavrik_link_used "shared")
if(TAVRIK_LINK STREQUAL "static" OR TAVRIK_LINK STREQUAL "runtime")
  include(CheckLinkerFlag)
  if(TAVRIK_LINK STREQUAL "static")
    check_linker_flag(CXX "-static" TAVRIK_CAN_LINK_STATIC)
    if(TAVRIK_CAN_LINK_STATIC)
      target_link_options(tavrik PRIVATE -static)
      set(_tavrik_link_used "static")
    endif()
  endif()
  if(_tavrik_link_used STREQUAL "shared")
    check_linker_flag(CXX "-static-libstdc++" TAVRIK_CAN_LINK_STATIC_LIBSTDCXX)
    check_linker_flag(CXX "-static-libgcc" TAVRIK_CAN_LINK_STATIC_LIBGCC)
    if(TAVRIK_CAN_LINK_STATIC_LIBSTDCXX AND TAVRIK_CAN_LINK_STATIC_LIBGCC)
      target_link_options(tavrik PRIVATE -static-libstdc++ -static-libgcc)
      set(_tavrik_link_used "runtime")
    endif()
  endif()
endif()
message(STATUS "tavrik executable link mode: ${_tavrik_link_used} (asked: ${TAVRIK_LINK})")
unset(_tavrik_link_used)
