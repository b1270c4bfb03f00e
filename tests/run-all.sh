#!/bin/sh
# The whole test suite on a fresh machine, from the repository root:
#
#   tests/run-all.sh
#
# 1. On Debian or Ubuntu, installs with apt-get what the test groups use
#    (as root, or through sudo) unless it is all there already; elsewhere it
#    names what is missing, and CMake skips the groups that need it.
# 2. Configures build/ with warnings as errors, builds with two jobs and runs
#    every group with ctest -j2. The exit status is ctest's.
#
# TAVRIK_CROSS=1 tests/run-all.sh also installs the cross compilers and
# qemu-user and runs the cross group; without it neither happens.
set -eu
cd "$(dirname "$0")/.."

# Debian package names; one that the distribution does not offer is skipped.
packages="cmake make gcc g++ gzip libgtest-dev googletest clang libclang-rt-dev
valgrind cppcheck groff-base groff man-db mandoc zip dpkg-dev lintian rpm rpmlint meson
ninja-build locales g++-mingw-w64-x86-64-posix wine wine64 exfat-fuse exfatprogs bindfs"
# Elsewhere: the commands the groups look for (GoogleTest shows at configure).
commands="cmake make cc c++ gzip clang clang++ valgrind cppcheck groff mandoc zip dpkg-deb
lintian rpmbuild rpmlint meson ninja x86_64-w64-mingw32-g++ wine mount.exfat-fuse mkfs.exfat
bindfs"

# The cross group, only when asked (TAVRIK_CROSS=1): a cross compiler for
# each CPU in tests/cross/ and qemu-user to run what they build. Large to
# install, and minutes to run.
cross=OFF
if [ "${TAVRIK_CROSS:-}" = 1 ]; then
    cross=ON
    triplets="arm-linux-gnueabihf aarch64-linux-gnu s390x-linux-gnu i686-linux-gnu riscv64-linux-gnu"
    packages="$packages qemu-user"
    commands="$commands qemu-arm qemu-aarch64 qemu-s390x qemu-i386 qemu-riscv64"
    for t in $triplets; do
        packages="$packages g++-$t"
        commands="$commands $t-g++"
    done
fi

note() { printf 'run-all: %s\n' "$*" >&2; }

if command -v apt-get >/dev/null 2>&1 && command -v dpkg-query >/dev/null 2>&1; then
    missing=
    for p in $packages; do
        dpkg-query -W -f '${Status}\n' "$p" 2>/dev/null | grep -q ' installed$' ||
            missing="$missing $p"
    done
    if [ -n "$missing" ]; then
        if [ "$(id -u)" = 0 ]; then
            as_root=
        elif command -v sudo >/dev/null 2>&1; then
            # No terminal (CI): sudo must not wait for a password.
            if [ -t 0 ]; then as_root=sudo; else as_root="sudo -n"; fi
        else
            as_root=none
        fi
        if [ "$as_root" = none ]; then
            note "not root and no sudo: not installing$missing"
        else
            note "missing:$missing"
            export DEBIAN_FRONTEND=noninteractive
            # A refused sudo or an unreachable mirror installs nothing, and
            # the groups that need what is missing are skipped.
            $as_root apt-get update -q || note "apt-get update failed"
            offered=
            for p in $missing; do
                if apt-cache show "$p" >/dev/null 2>&1; then
                    offered="$offered $p"
                else
                    note "this distribution has no package $p: skipped"
                fi
            done
            if [ -n "$offered" ]; then
                note "installing$offered"
                # shellcheck disable=SC2086
                $as_root apt-get install -y -q --no-install-recommends $offered ||
                    note "could not install$offered: the groups that need them are skipped"
            fi
        fi
    fi
else
    absent=
    for c in $commands; do
        command -v "$c" >/dev/null 2>&1 || absent="$absent $c"
    done
    [ -z "$absent" ] || note "not Debian or Ubuntu, install by hand:$absent (the rest runs)"
fi

cmake -S . -B build -DCMAKE_COMPILE_WARNING_AS_ERROR=ON -DTAVRIK_CROSS_TESTS=$cross
cmake --build build --parallel 2
cd build
exec ctest --output-on-failure -j2
