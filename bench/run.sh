#!/bin/sh
# Benchmarks, run from the repository root:   bench/run.sh
#
# 1. One tavrik run on the example (item.h, -n Item -k id) against the floor:
#    a C program built here, linked the way tavrik is (dynamic or static),
#    that writes the same two files, same bytes, through a temporary and a
#    rename, and exits. Wall time (median of many runs, alternated, and the
#    median of the per-round ratios), instructions (valgrind
#    --tool=callgrind) and peak resident memory.
# 2. The generated container against a realloc-grown C array and std::vector.
#
# Installs nothing. Uses hyperfine for wall time when it is on PATH, else a
# small timing loop of its own; valgrind and /usr/bin/time when present.
#
# Environment: BUILD_DIR (default build-bench), BENCH_RUNS (timed runs per
# program in the run timing, default 300), BENCH_REPS (repetitions per container
# operation in the container benchmark, default 5), BENCH_TIMER=loop (use the own timing loop
# even when hyperfine is installed), CC and CXX (default cc and c++).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-build-bench}
case $build in /*) ;; *) build="$root/$build" ;; esac
runs=${BENCH_RUNS:-300}
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
# The floor is linked the way tavrik is: what a run costs beyond the floor
# is then tavrik's own, not the loader's difference between two links.
if ldd "$tavrik" >/dev/null 2>&1; then
    link=dynamic
    floor_link=
    # Targets: instructions (loader included), wall time (per-round ratio).
    ir_target=2.00
    wall_target=1.15
else
    # Statically linked, both start without the loader, and the floor's
    # instructions are little more than the C library's own start-up: the
    # formatting of tavrik's rows alone costs twice that, so only wall time
    # has a target.
    link=static
    floor_link=-static
    ir_target=-
    wall_target=1.05
fi

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
"$cc" -O2 $floor_link -I"$work" -o "$work/floor_prog" "$root/bench/floor.c"
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
            echo "$(us "$1") $(us "$2") - - $(us "$3" "$5") $(us "$4" "$6") -"
        else
            "$work/runner" "$runs" "$tavrik" -i item.h -n Item -k id -- "$work/floor_prog"
        fi
    ) >"$work/times"
    read -r wall_t wall_f rss_t rss_f cpu_t cpu_f round_ratio <"$work/times"
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
    shm_ratio=$round_ratio
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
# verdict A B TARGET: ok when A / B is within the target.
verdict() { awk -v a="$1" -v b="$2" -v t="$3" 'BEGIN { if (b + 0 > 0 && a + 0 > 0 && t + 0 > 0) print (a / b <= t ? "ok" : "MISSED"); else print "-" }'; }
# The per-round ratio where the runner gave one, else the ratio of the medians.
wall_ratio() { if [ "$3" != - ]; then printf '%.2fx' "$3"; else ratio "$1" "$2"; fi; }
wall_verdict() { if [ "$3" != - ]; then verdict "$3" 1 "$wall_target"; else verdict "$1" "$2" "$wall_target"; fi; }

echo
echo "machine: $(nproc) cpu, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1); $("$cc" --version | head -n 1); $("$cxx" --version | head -n 1)"
echo "tavrik: $link executable; floor: $cc -O2, $link; run times: $wall_how"
echo "targets: instructions <= ${ir_target}x, wall time <= ${wall_target}x (wall ratio: median per round where timed by the loop)"
echo
printf '%-36s %11s %11s %11s %9s %9s\n' "1. one run (item.h -n Item -k id)" tavrik floor "" ratio target
printf '%-36s %11s %11s %11s %9s %9s\n' "wall us, build folder ($disk_fs)" "$wall_t" "$wall_f" "" "$(wall_ratio "$wall_t" "$wall_f" "$round_ratio")" "$(wall_verdict "$wall_t" "$wall_f" "$round_ratio")"
if [ -n "$shm_t" ]; then
    printf '%-36s %11s %11s %11s %9s %9s\n' "wall us, /dev/shm ($shm_fs)" "$shm_t" "$shm_f" "" "$(wall_ratio "$shm_t" "$shm_f" "$shm_ratio")" "$(wall_verdict "$shm_t" "$shm_f" "$shm_ratio")"
fi
printf '%-36s %11s %11s %11s %9s %9s\n' "cpu us ($cpu_how)" "$cpu_t" "$cpu_f" "" "$(ratio "$cpu_t" "$cpu_f")" ""
printf '%-36s %11s %11s %11s %9s %9s\n' "instructions (callgrind Ir)" "$ir_t" "$ir_f" "" "$(ratio "$ir_t" "$ir_f")" "$(verdict "$ir_t" "$ir_f" "$ir_target")"
printf '%-36s %11s %11s %11s %9s %9s\n' "peak RSS KB" "$rss_t" "$rss_f" "" "$(ratio "$rss_t" "$rss_f")" ""
printf '%-36s %11s %11s %11s %9s %9s\n' "2. container, ms (median of $reps)" generated "C array" std::vector gen/C gen/vec
printf '%s\n' "$container_rows"
