# Toolchain for Debian's armhf (32-bit ARM, hard float), run under qemu-user:
#   cmake -DCMAKE_TOOLCHAIN_FILE=tests/cross/armhf.cmake ...
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(TAVRIK_CROSS_TRIPLET arm-linux-gnueabihf)
set(TAVRIK_CROSS_QEMU qemu-arm)
include("${CMAKE_CURRENT_LIST_DIR}/gnu-linux.cmake")
