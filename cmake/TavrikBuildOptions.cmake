# Link mode of the tavrik executable.
#
# The toolchain's default link is the default: a position-independent
# executable on the system's shared C and C++ runtimes, which picks up their
# security fixes and is what distribution packages expect.
#
# A run writes two files of a few KB, so process start-up is most of its
# cost, and with shared runtimes most of that start-up is the dynamic
# loader's symbol lookups. A static link removes them (bench/ measures the
# difference, README's Performance section has the figures) and gives a
# self-contained binary for machines without a matching C++ runtime, at the
# price of a larger file that misses C library fixes until it is rebuilt.
# Compiling the generated module costs far more than either.
#
# TAVRIK_LINK picks the mode:
#   default - the toolchain's default link
#   runtime - only libstdc++ and libgcc static, the C library shared
#   static  - everything static (GCC/Clang with a static C library)
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
