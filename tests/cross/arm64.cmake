# Toolchain for Debian's arm64 (64-bit ARM), run under qemu-user:
#   cmake -DCMAKE_TOOLCHAIN_FILE=tests/cross/arm64.cmake ...
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(TAVRIK_CROSS_TRIPLET aarch64-linux-gnu)
set(TAVRIK_CROSS_QEMU qemu-aarch64)
include("${CMAKE_CURRENT_LIST_DIR}/gnu-linux.cmake")
