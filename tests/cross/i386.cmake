# Toolchain for Debian's i386 (32-bit x86), run under qemu-user:
#   cmake -DCMAKE_TOOLCHAIN_FILE=tests/cross/i386.cmake ...
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TAVRIK_CROSS_TRIPLET i686-linux-gnu)
set(TAVRIK_CROSS_QEMU qemu-i386)
include("${CMAKE_CURRENT_LIST_DIR}/gnu-linux.cmake")
