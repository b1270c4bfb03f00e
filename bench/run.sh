#!/bin/sh
# Benchmarks, run from the repository root:   bench/run.sh
#
# 1. One tavrik run on the example (item.h, -n Item -k id) against the floor:
#    a C program built here that writes the same two files, same bytes, and
#    exits. Wall time (median of many runs, alternated), instructions
#    (valgrind --tool=callgrind) and peak resident memory.
# 2. The generated container against a realloc-grown C array and std::vector.
#
# Installs nothing. Uses hyperfine for wall time when it is on PATH, else a
# small timing loop of its own; valgrind and /usr/bin/time when present.
#
# Environment: BUILD_DIR (default build-bench), BENCH_RUNS (timed runs per
# program in the run timing, default 500), BENCH_REPS (repetitions per container
# operation in the container benchmark, default 5), BENCH_TIMER=loop (use the own timing loop
# even when hyperfine is installed), CC and CXX (default cc and c++).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-build-bench}
case $build in /*) ;; *) build="$root/$build" ;; esac
runs=${BENCH_RUNS:-500}
reps=${BENCH_REPS:-5}
cc=${CC:-cc}
cxx=${CXX:-c++}
work="$build/bench-work"

note() { printf '%s\n' "$*" >&2; }

# --- build -----------------------------------------------------------------
note "building tavrik in $build ..."
mkdir -p "$build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >"$build/bench-configure.log" 2>&1 ||
    { cat "$build/bench-configure.log" >&2; exit 1; }
cmake --build "$build" --target tavrik -j2 >"$build/bench-build.log" 2>&1 ||
    { cat "$build/bench-build.log" >&2; exit 1; }
tavrik="$build/tavrik"

rm -rf "$work"
mkdir -p "$work/gen" "$work/floor" "$work/run" "$work/container"
"$cc" -O2 -o "$work/runner" "$root/bench/runner.c"
"$cc" -O2 -o "$work/embed" "$root/bench/embed.c"

# --- one run against the floor ---------------------------------------------
# The include file is present, as in real use (tavrik checks that it does not
# overwrite it).
cp "$root/examples/item.h" "$work/gen/item.h"
cp "$root/examples/item.h" "$work/floor/item.h"
cp "$root/examples/item.h" "$work/run/item.h"
(cd "$work/gen" && "$tavrik" -i item.h -n Item -k id)
"$work/embed" "$work/gen/item_mgr.h" "$work/gen/item_mgr.c" >"$work/floor_data.h"
"$cc" -O2 -I"$work" -o "$work/floor_prog" "$root/bench/floor.c"
(cd "$work/floor" && "$work/floor_prog")
cmp "$work/gen/item_mgr.h" "$work/floor/item_mgr.h"
cmp "$work/gen/item_mgr.c" "$work/floor/item_mgr.c"

# Wall and CPU time of both programs run in folder $1; sets wall_t wall_f
# cpu_t cpu_f, and rss_t rss_f when the timer reports them.
time_in() {
    (
        cd "$1"
        if [ "${BENCH_TIMER:-}" != loop ] && command -v hyperfine >/dev/null 2>&1; then
            hyperfine -N --warmup 20 --runs "$runs" --export-json "$work/hyperfine.json" \
                "$tavrik -i item.h -n Item -k id" "$work/floor_prog" >/dev/null 2>&1
            # Each field appears once per command, in command order; s -> us.
            field() { grep "\"$1\":" "$work/hyperfine.json" | sed 's/.*: *//; s/,.*//'; }
            us() { awk -v s="$1" -v t="${2:-0}" 'BEGIN { printf "%.1f", (s + t) * 1e6 }'; }
            set -- $(field median) $(field user) $(field system)
            echo "$(us "$1") $(us "$2") - - $(us "$3" "$5") $(us "$4" "$6")"
        else
            "$work/runner" "$runs" "$tavrik" -i item.h -n Item -k id -- "$work/floor_prog"
        fi
    ) >"$work/times"
    read -r wall_t wall_f rss_t rss_f cpu_t cpu_f <"$work/times"
}

if [ "${BENCH_TIMER:-}" != loop ] && command -v hyperfine >/dev/null 2>&1; then
    wall_how="hyperfine, median of $runs"
    cpu_how="user+sys, mean"
else
    wall_how="loop, median of $runs"
    cpu_how="user+sys, median"
fi
fs_of() { df -T "$1" 2>/dev/null | awk 'NR == 2 { print $2 }'; }

# Also in a memory file system when there is one: what is left is the
# process's own cost, without the disk file system's (tavrik replaces its
# outputs by rename, the floor truncates them; file systems differ in cost).
shm_t=
shm_f=
if [ -d /dev/shm ] && [ -w /dev/shm ] && shm=$(mktemp -d /dev/shm/tavrik-bench.XXXXXX 2>/dev/null); then
    cp "$root/examples/item.h" "$shm/item.h"
    note "timing $runs runs each in $shm ..."
    time_in "$shm"
    shm_t=$wall_t
    shm_f=$wall_f
    shm_fs=$(fs_of "$shm")
    rm -rf "$shm"
fi
note "timing $runs runs each in $work/run ..."
time_in "$work/run"
disk_fs=$(fs_of "$work/run")
[ "$rss_t" = - ] && rss_t=
[ "$rss_f" = - ] && rss_f=
cd "$work/run"

if command -v valgrind >/dev/null 2>&1; then
    note "counting instructions with callgrind ..."
    ir() {
        valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 |
            sed -n 's/.*Collected : *\([0-9]*\).*/\1/p'
    }
    ir_t=$(ir "$tavrik" -i item.h -n Item -k id)
    ir_f=$(ir "$work/floor_prog")
    # For reference: the floor without the dynamic loader's start-up.
    ir_fs=
    if "$cc" -O2 -static -I"$work" -o "$work/floor_static" "$root/bench/floor.c" 2>/dev/null; then
        ir_fs=$(ir "$work/floor_static")
    fi
else
    ir_t=n/a
    ir_f=n/a
fi

if [ -x /usr/bin/time ]; then
    rss() {
        for i in 1 2 3 4 5; do
            /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1
        done | sort -n | sed -n 3p
    }
    rss_t=$(rss "$tavrik" -i item.h -n Item -k id)
    rss_f=$(rss "$work/floor_prog")
elif [ -z "$rss_t" ]; then
    # hyperfine was used and /usr/bin/time is missing: ask the runner.
    set -- $("$work/runner" 5 "$tavrik" -i item.h -n Item -k id -- "$work/floor_prog")
    rss_t=$3
    rss_f=$4
fi
cd "$root"

# --- the generated container -----------------------------------------------
note "building the container benchmark ..."
cw="$work/container"
cp "$root/bench/container/bench_types.h" "$root/bench/container/c_array.h" "$cw/"
(cd "$cw" && "$tavrik" -i bench_types.h -n Small -k id && "$tavrik" -i bench_types.h -n Wide &&
    "$tavrik" -i bench_types.h -n Named -K name)
(cd "$cw" && "$cc" -O2 -I. -c small_mgr.c wide_mgr.c named_mgr.c "$root/bench/container/c_array.c")
"$cxx" -O2 -std=c++17 -I"$cw" -o "$cw/bench_container" "$root/bench/container/bench_container.cpp" \
    "$cw/small_mgr.o" "$cw/wide_mgr.o" "$cw/named_mgr.o" "$cw/c_array.o"
note "running the container benchmark ($reps repetitions each) ..."
container_rows=$("$cw/bench_container" "$reps")

# --- the table -------------------------------------------------------------
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b + 0 > 0 && a + 0 > 0) printf "%.2fx", a / b; else printf "n/a" }'; }
verdict() { awk -v a="$1" -v b="$2" 'BEGIN { if (b + 0 > 0 && a + 0 > 0) print (a / b <= 1.3 ? "ok" : "MISSED"); else print "-" }'; }
link=$(if ldd "$tavrik" >/dev/null 2>&1; then echo dynamic; else echo static; fi)

echo
echo "machine: $(nproc) cpu, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1); $("$cc" --version | head -n 1); $("$cxx" --version | head -n 1)"
echo "tavrik: $link executable; floor: $cc -O2; run times: $wall_how"
echo
printf '%-36s %11s %11s %11s %9s %9s\n' "1. one run (item.h -n Item -k id)" tavrik floor "" ratio "<=1.30x"
printf '%-36s %11s %11s %11s %9s %9s\n' "wall us, build folder ($disk_fs)" "$wall_t" "$wall_f" "" "$(ratio "$wall_t" "$wall_f")" "$(verdict "$wall_t" "$wall_f")"
if [ -n "$shm_t" ]; then
    printf '%-36s %11s %11s %11s %9s %9s\n' "wall us, /dev/shm ($shm_fs)" "$shm_t" "$shm_f" "" "$(ratio "$shm_t" "$shm_f")" "$(verdict "$shm_t" "$shm_f")"
fi
printf '%-36s %11s %11s %11s %9s %9s\n' "cpu us ($cpu_how)" "$cpu_t" "$cpu_f" "" "$(ratio "$cpu_t" "$cpu_f")" ""
printf '%-36s %11s %11s %11s %9s %9s\n' "instructions (callgrind Ir)" "$ir_t" "$ir_f" "" "$(ratio "$ir_t" "$ir_f")" "$(verdict "$ir_t" "$ir_f")"
if [ -n "${ir_fs:-}" ]; then
    printf '%-36s %11s %11s %11s %9s %9s\n' "  same, floor linked -static" "$ir_t" "$ir_fs" "" "$(ratio "$ir_t" "$ir_fs")" ""
fi
printf '%-36s %11s %11s %11s %9s %9s\n' "peak RSS KB" "$rss_t" "$rss_f" "" "$(ratio "$rss_t" "$rss_f")" ""
printf '%-36s %11s %11s %11s %9s %9s\n' "2. container, ms (median of $reps)" generated "C array" std::vector gen/C gen/vec
printf '%s\n' "$container_rows"
