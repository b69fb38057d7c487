#!/usr/bin/env bash
# Prints the transfer benchmarks, each figure beside its reference measured in the
# same run:
#   - the data kernels (pattern fill, verification, dump) against memcpy, memcmp and
#     fwrite of the same sizes (Google Benchmark, bench/kernels_bench.cpp);
#   - whole-program WRITE and READ /VERIFY of 1 GiB on /dev/shm against dd bs=1M;
#   - requests per second of the event and callback modes against synchronous
#     transfers of the same data;
#   - name lookups without regard to case on a directory of 100,000 entries: the exact
#     name against DRAVIK_CASE=sensitive, the miss path against one readdir pass
#     (bench/names_bench.cpp);
#   - the per-command path: 100,000 GETFILESIZE commands against a small C program
#     (bench/getfilesize_reference.c) that makes exactly the system calls their
#     transcript demands: one write per line and one fstat per command.
# Usage: bench/run.sh [BUILD_DIR]   (default build-bench; built Release when missing)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build-bench}
if [ ! -x "$build/dravik" ] || [ ! -x "$build/bench/dravik_kernels_bench" ] || [ ! -x "$build/bench/dravik_names_bench" ] ||
    [ ! -x "$build/bench/dravik_getfilesize_reference" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" -j 2 --target dravik dravik_kernels_bench dravik_names_bench dravik_getfilesize_reference >/dev/null
fi
reference=$root/$build/bench/dravik_getfilesize_reference
dravik=$root/$build/dravik

echo "== Data kernels (bytes per second; goal: at least 0.5 x the reference)"
"$build/bench/dravik_kernels_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_format=json 2>/dev/null | python3 -c '
import json, sys
rows = {}
for b in json.load(sys.stdin)["benchmarks"]:
    if b.get("aggregate_name") == "median":
        name, size = b["run_name"].split("/")
        rows[(name, int(size))] = b["bytes_per_second"]
for kernel, reference in (("FillPattern", "Memcpy"), ("Verify", "Memcmp"), ("Dump", "Fwrite")):
    for size in sorted({s for (n, s) in rows if n == kernel}):
        k, r = rows[(kernel, size)], rows[(reference, size)]
        print(f"{kernel:12} {size:>9} B: {k/1e9:8.2f} GB/s   {reference:7} {r/1e9:10.2f} GB/s   ratio {k/r:5.2f}")
'

echo "== Names on a directory of 100,000 entries (median of 5)"
"$build/bench/dravik_names_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_format=json 2>/dev/null | python3 -c '
import json, sys
t = {b["run_name"]: b["cpu_time"] * {"ns": 1e-9, "us": 1e-6, "ms": 1e-3}[b["time_unit"]]
     for b in json.load(sys.stdin)["benchmarks"] if b.get("aggregate_name") == "median"}
e, s, st = t["ExactName"], t["ExactNameSensitive"], t["PlainStat"]
m, r = t["CaseMiss"], t["ReaddirPass"]
print(f"exact name  {e*1e6:8.2f} us   sensitive {s*1e6:8.2f} us   ratio {e/s:5.2f}   (bare stat {st*1e6:.2f} us)")
print(f"other case  {m*1e3:8.2f} ms   readdir   {r*1e3:8.2f} ms   ratio {m/r:5.2f}")
'

scratch=$(mktemp -d /dev/shm/dravik-bench.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
now() { date +%s%N; }
# Runs a dravik script and gives its elapsed nanoseconds.
timed_run() {
    local start end
    start=$(now)
    printf '%b' "$1" | "$dravik" >/dev/null
    end=$(now)
    echo $((end - start))
}
timed_cmd() {
    local start end
    start=$(now)
    "$@" 2>/dev/null
    end=$(now)
    echo $((end - start))
}
ratio() { python3 -c "import sys; a, b = map(float, sys.argv[1:]); print(f'{a:.2f}' if b == 0 else f'{b / a:.2f}')" "$1" "$2"; }
mibs() { python3 -c "import sys; print(f'{1024 * 1e9 / float(sys.argv[1]):8.0f} MiB/s')" "$1"; }

echo
echo "== Whole program, 1 GiB on /dev/shm (goal: at least 0.8 x dd's throughput; best of 3)"
sync
best() { sort -n | head -1; }
write_ns=$(for i in 1 2 3; do rm -f big.dat; timed_run 'create 1 big.dat\nwrite 1 0 1073741824\nclose 1\n'; done | best)
dd_write_ns=$(for i in 1 2 3; do rm -f dd.dat; timed_cmd dd if=/dev/zero of=dd.dat bs=1M count=1024; done | best)
read_ns=$(for i in 1 2 3; do timed_run 'open 1 big.dat\nread 1 0 1073741824 /suppress /verify\nclose 1\n'; done | best)
dd_read_ns=$(for i in 1 2 3; do timed_cmd dd if=dd.dat of=/dev/null bs=1M; done | best)
# The same transfers in one 1 GiB request each, as dravik makes them.
dd_write1g_ns=$(for i in 1 2 3; do rm -f dd.dat; timed_cmd dd if=/dev/zero of=dd.dat bs=1G count=1; done | best)
dd_read1g_ns=$(for i in 1 2 3; do timed_cmd dd if=dd.dat of=/dev/null bs=1G; done | best)
printf 'WRITE 1 0 1073741824:                  %s   dd bs=1M %s   ratio %s   (dd bs=1G %s, ratio %s)\n' \
    "$(mibs "$write_ns")" "$(mibs "$dd_write_ns")" "$(ratio "$write_ns" "$dd_write_ns")" \
    "$(mibs "$dd_write1g_ns")" "$(ratio "$write_ns" "$dd_write1g_ns")"
printf 'READ 1 0 1073741824 /suppress /verify: %s   dd bs=1M %s   ratio %s   (dd bs=1G %s, ratio %s)\n' \
    "$(mibs "$read_ns")" "$(mibs "$dd_read_ns")" "$(ratio "$read_ns" "$dd_read_ns")" \
    "$(mibs "$dd_read1g_ns")" "$(ratio "$read_ns" "$dd_read1g_ns")"
rm -f big.dat dd.dat

echo
echo "== Requests per second, 20 requests of 4096 bytes per READ, 500 READs"
lines() { local i; for ((i = 0; i < 500; i++)); do printf '%s\n' "$1"; done; }
script_of() { printf '%s\n' "$1"; lines "$2"; printf 'close 1\n'; }
printf 'create 1 req.dat\nwrite 1 0 81920\nclose 1\n' | "$dravik" >/dev/null
for mode in sync event callback; do
    case $mode in
        sync) setup='open 1 req.dat'; read='read 1 0 4096 /count=20 /suppress' ;;
        event) setup='open 1 req.dat /asyncio'; read='read 1 0 4096 /count=20 /suppress' ;;
        callback) setup='open 1 req.dat /asyncio'; read='read 1 0 4096 /count=20 /callback /suppress' ;;
    esac
    for async in ring sync; do
        [ "$mode" = sync ] && [ "$async" = sync ] && continue
        start=$(now)
        script_of "$setup" "$read" | DRAVIK_ASYNC=$async "$dravik" >/dev/null
        end=$(now)
        label=$mode; [ "$mode" != sync ] && label="$mode ($async)"
        python3 -c "import sys; print(f'{sys.argv[1]:20} {10000 * 1e9 / float(sys.argv[2]):12.0f} requests/s')" "$label" $((end - start))
    done
done

echo
echo "== Per-command path, 100,000 GETFILESIZE (goal: at least 0.8 x the reference; best of 5)"
printf 'create 1 small.dat /rc=0\n' > gfs.dvk
for ((i = 0; i < 100000; i++)); do echo 'getfilesize 1'; done > gfs-lines.dvk
cat gfs-lines.dvk >> gfs.dvk
prompt_dir="Z:$(pwd -P | tr / '\\')\\"
# The transcript goes to a log file (here on /dev/shm), and to /dev/null, where the
# writes cost least and the rest of the per-command path weighs most.
for target in gfs.log /dev/null; do
    dravik_gfs=()
    reference_gfs=()
    for i in 1 2 3 4 5; do
        rm -f small.dat
        start=$(now); "$dravik" < gfs.dvk > "$target"; end=$(now); dravik_gfs+=($((end - start)))
        start=$(now); "$reference" small.dat "$prompt_dir" < gfs-lines.dvk > "$target"; end=$(now)
        reference_gfs+=($((end - start)))
    done
    dravik_ns=$(printf '%s\n' "${dravik_gfs[@]}" | best)
    reference_ns=$(printf '%s\n' "${reference_gfs[@]}" | best)
    python3 -c "import sys; t, d, r = sys.argv[1], float(sys.argv[2]), float(sys.argv[3]); print(f'to {t:10} dravik {1e14 / d:8.0f} commands/s   reference {1e14 / r:8.0f} commands/s   ratio {r / d:5.2f}')" "$target" "$dravik_ns" "$reference_ns"
done
rm -f gfs.dvk gfs-lines.dvk gfs.log small.dat
