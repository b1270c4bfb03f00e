# Toolchain for Debian's s390x (64-bit IBM Z, big-endian), run under qemu-user:
#   cmake -DCMAKE_TOOLCHAIN_FILE=tests/cross/s390x.cmake ...
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(TAVRIK_CROSS_TRIPLET s390x-linux-gnu)
set(TAVRIK_CROSS_QEMU qemu-s390x)
include("${CMAKE_CURRENT_LIST_DIR}/gnu-linux.cmake")
