# Shared by the toolchain files beside this one, each of which sets
# TAVRIK_CROSS_TRIPLET (the GNU triplet of Debian's cross compilers,
# crossbuild-essential-<architecture>) and TAVRIK_CROSS_QEMU (the qemu-user
# program that runs the target's executables) before including it.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${TAVRIK_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${TAVRIK_CROSS_TRIPLET}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${TAVRIK_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  # -L: the target's dynamic loader and shared libraries.
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TAVRIK_CROSS_QEMU} -L /usr/${TAVRIK_CROSS_TRIPLET})
endif()
