# Link mode of the tavrik executable.
#
# The tool uses nothing of the C++ runtime library, so the toolchain's
# default link, the default here, gives a position-independent executable
# on the system's shared C library alone: it picks up the C library's
# security fixes, is what distribution packages expect, and a run spends
# little time in the dynamic loader (bench/ measures it).
#
# TAVRIK_LINK picks the mode:
#   default - the toolchain's default link
#   runtime - libstdc++ and libgcc static, should a toolchain pull them in
#   static  - everything static (GCC/Clang with a static C library): a
#             self-contained binary that must be rebuilt for C library fixes
#   shared  - another name for default
set(TAVRIK_LINK "default" CACHE STRING "Link mode of the tavrik executable: default, runtime or static")
set_property(CACHE TAVRIK_LINK PROPERTY STRINGS default runtime static)

if(NOT TAVRIK_LINK MATCHES "^(default|shared|runtime|static)$")
  message(FATAL_ERROR "TAVRIK_LINK must be default, runtime or static, not '${TAVRIK_LINK}'")
endif()

if(NOT TAVRIK_LINK MATCHES "^(default|shared)$")
  if(TAVRIK_LINK STREQUAL "static")
    set(link_options -static)
  else()
    set(link_options -static-libstdc++ -static-libgcc)
  endif()
  # CheckLinkerFlag needs CMake 3.18; a linked test program says the same.
  include(CheckCXXSourceCompiles)
  set(CMAKE_REQUIRED_LINK_OPTIONS ${link_options})
  check_cxx_source_compiles("#include <cstdio>\nint main() { std::puts(\"\"); return 0; }"
                            TAVRIK_CAN_LINK_${TAVRIK_LINK})
  unset(CMAKE_REQUIRED_LINK_OPTIONS)
  if(NOT TAVRIK_CAN_LINK_${TAVRIK_LINK})
    message(FATAL_ERROR "TAVRIK_LINK=${TAVRIK_LINK}: the toolchain cannot link with ${link_options} "
      "(a static C library or C++ runtime may be missing); use TAVRIK_LINK=default")
  endif()
  target_link_options(tavrik PRIVATE ${link_options})
  unset(link_options)
endif()
message(STATUS "tavrik executable link mode: ${TAVRIK_LINK}")

# Libraries the executable does not use are not recorded as needed: GCC on
# Debian links this way already, Clang and other distributions' GCC do not,
# and the C++ runtime would otherwise be loaded for nothing.
if(NOT TAVRIK_LINK STREQUAL "static" AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang" AND NOT APPLE AND NOT WIN32)
  include(CheckCXXSourceCompiles)
  set(CMAKE_REQUIRED_LINK_OPTIONS -Wl,--as-needed)
  check_cxx_source_compiles("int main() { return 0; }" TAVRIK_LINKER_AS_NEEDED)
  unset(CMAKE_REQUIRED_LINK_OPTIONS)
  if(TAVRIK_LINKER_AS_NEEDED)
    target_link_options(tavrik PRIVATE -Wl,--as-needed)
  endif()
endif()

# The tool throws and catches nothing. Built without exception support, its
# code refers to no unwinder: on 32-bit ARM the unwinder's routines would
# otherwise make the executable need libgcc_s beside the C library.
if(NOT MSVC AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(tavrik_core PRIVATE -fno-exceptions)
  target_compile_options(tavrik PRIVATE -fno-exceptions)
endif()
