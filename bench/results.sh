#!/usr/bin/env bash
# Prints, each beside its reference measured in the same run:
#   - the cost of DRAVIK_RESULTS on two 100,000-command scripts: GETFILESIZE /RC=0 on
#     an open file, the cheapest command there is (1.7 us), so the worst case; and a
#     mix of what test scripts do (create, write, read with /verify, lock, unlock,
#     get the size, close, attributes, find first, find close), each with the results
#     file against the same run without it (goal: under 10% more time), in interleaved rounds: the best of each and the
#     median of the rounds' own ratios (steadier on a shared machine); the floor under
#     that cost, the run's records stored one by one into a fresh file mapped as dravik
#     maps it (bench/results_floor.c: no formatting, no clock); and the instructions
#     each run executes, counted by callgrind (steady where the times are not);
#   - dravik-run's own overhead per script: 200 one-line scripts through dravik-run
#     against a loop that runs dravik on each in a fresh folder (best of 3).
# Usage: bench/results.sh [BUILD_DIR]   (default build-bench; built Release when missing)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build-bench}
if [ ! -x "$build/dravik" ] || [ ! -x "$build/dravik-run" ] || [ ! -x "$build/bench/dravik_results_floor" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" -j 2 --target dravik dravik-run dravik_results_floor >/dev/null
fi
dravik=$root/$build/dravik
runner=$root/$build/dravik-run
floor=$root/$build/bench/dravik_results_floor

scratch=$(mktemp -d /dev/shm/dravik-bench.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
now() { date +%s%N; }
best() { sort -n | head -1; }

{
    echo 'create 1 size.dat /rc=0'
    for ((i = 0; i < 100000; i++)); do echo 'getfilesize 1 /rc=0'; done
    echo 'close 1'
} > many.dvk
for ((i = 0; i < 10000; i++)); do
    echo 'create 1 mixed.dat /rc=0'
    echo 'write 1 0 4096 /rc=0'
    echo 'read 1 0 4096 /expected=4096 /verify /suppress /rc=0'
    echo 'lock 1 0 100 /rc=0'
    echo 'unlock 1 0 100 /rc=0'
    echo 'getfilesize 1 /rc=0'
    echo 'close 1 /rc=0'
    echo 'getattributes mixed.dat /rc=0'
    echo 'findfirst 2 mixed.dat /rc=0'
    echo 'findclose 2 /rc=0'
done > mixed.dvk
# Interleaved rounds, the order turned each round, so that both see the same machine.
cost() {
python3 - "$dravik" "$scratch" "$floor" "$1" "$2" <<'PY'
import os, statistics, subprocess, sys, time
dravik, scratch, floor, script_name, title = sys.argv[1:]
results = os.path.join(scratch, "results.jsonl")
def once(env):
    for name in ("size.dat", "mixed.dat", results):
        if os.path.exists(name): os.remove(name)
    with open(script_name, "rb") as script, open(os.devnull, "wb") as sink:
        start = time.perf_counter_ns()
        child = subprocess.Popen([dravik], stdin=script, stdout=sink, env=dict(os.environ, **env))
        _, _, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter_ns() - start
    return wall, (usage.ru_utime + usage.ru_stime) * 1e9
runs = {"without": [], "with": []}
floors = []
for i in range(15):
    for what in (("without", "with") if i % 2 == 0 else ("with", "without")):
        runs[what].append(once({"DRAVIK_RESULTS": results} if what == "with" else {}))
        if what == "with":
            floors.append(int(subprocess.run([floor, results, os.path.join(scratch, "floor.jsonl")],
                                             capture_output=True, check=True).stdout))
commands = sum(1 for _ in open(script_name))
print(f"== DRAVIK_RESULTS on {title}, {commands:,} commands (goal: under 10% more time)")
for i, what in ((0, "wall"), (1, "cpu ")):
    p = min(r[i] for r in runs["without"]); r = min(r[i] for r in runs["with"])
    paired = statistics.median(w[i] / o[i] for w, o in zip(runs["with"], runs["without"]))
    print(f"{what}: without {p/1e6:8.1f} ms   with {r/1e6:8.1f} ms   cost {100*(r-p)/p:+5.1f}% (best)  "
          f"{100*(paired-1):+5.1f}% (median of rounds)   ({(r-p)/1e3/commands:.3f} us per command, best)")
p = statistics.median(r[0] for r in runs["without"]); f = statistics.median(floors)
print(f"floor: the records alone stored into a fresh mapped file: {f/1e6:.1f} ms, "
      f"{100*f/p:.1f}% of the median run without (median of rounds)")
PY
echo "   records written: $(wc -l < results.jsonl)"
if command -v valgrind >/dev/null; then
    instructions() {
        rm -f size.dat mixed.dat results.jsonl callgrind.out
        env "${@:2}" valgrind --tool=callgrind --callgrind-out-file=callgrind.out "$dravik" < "$1" > /dev/null 2>&1
        sed -n 's/^summary: //p' callgrind.out
    }
    without=$(instructions "$1")
    with=$(instructions "$1" DRAVIK_RESULTS="$scratch/results.jsonl")
    python3 -c "import sys; p, r, n = map(int, sys.argv[1:]); print(f'instructions (callgrind): without {p:,}   with {r:,}   cost {100*(r-p)/p:+5.1f}%   ({(r-p)/n:.0f} per command)')" "$without" "$with" "$(wc -l < "$1")"
fi
}
cost many.dvk "GETFILESIZE only (the worst case)"
echo
cost mixed.dvk "a mix of file operations"

mkdir suite
for ((i = 0; i < 200; i++)); do printf 'md made /rc=0\n' > "suite/s$i.dvk"; done
# The reference: each script run by dravik in a fresh folder, its transcript kept
# in a file, from one Python process (no shell or mktemp processes of its own).
loop() {
    python3 - "$dravik" "$scratch" <<'PY'
import glob, os, shutil, subprocess, sys, tempfile, time
dravik, scratch = sys.argv[1:]
start = time.perf_counter_ns()
for script in sorted(glob.glob(os.path.join(scratch, "suite", "*.dvk"))):
    folder = tempfile.mkdtemp(dir=scratch, prefix="loop.")
    with open(script, "rb") as stdin, open(os.path.join(folder, "transcript.txt"), "wb") as stdout:
        subprocess.run([dravik], stdin=stdin, stdout=stdout, cwd=folder)
    shutil.rmtree(folder)
print(time.perf_counter_ns() - start)
PY
}
through_runner() {
    local start end
    start=$(now)
    "$runner" --dravik "$dravik" --dir "$scratch" suite > /dev/null
    end=$(now)
    echo $((end - start))
}
loop_ns=() runner_ns=()
for i in 1 2 3; do
    loop_ns+=("$(loop)")
    runner_ns+=("$(through_runner)")
done
l=$(printf '%s\n' "${loop_ns[@]}" | best)
n=$(printf '%s\n' "${runner_ns[@]}" | best)
echo
echo "== dravik-run per script, 200 one-line scripts"
python3 -c "import sys; l, n = map(int, sys.argv[1:]); print(f'plain loop: {l/2e8:7.2f} ms per script   dravik-run: {n/2e8:7.2f} ms per script   overhead: {(n-l)/2e8:+.2f} ms per script')" "$l" "$n"
