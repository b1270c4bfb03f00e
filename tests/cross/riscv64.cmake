# Toolchain for Debian's riscv64 (64-bit RISC-V), run under qemu-user:
#   cmake -DCMAKE_TOOLCHAIN_FILE=tests/cross/riscv64.cmake ...
set(CMAKE_SYSTEM_PROCESSOR riscv64)
set(TAVRIK_CROSS_TRIPLET riscv64-linux-gnu)
set(TAVRIK_CROSS_QEMU qemu-riscv64)
include("${CMAKE_CURRENT_LIST_DIR}/gnu-linux.cmake")
