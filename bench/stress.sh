#!/usr/bin/env bash
# Commands per second of a dravik-stress soak on tmpfs: generation, the model's
# predictions, the runs of dravik and the judgement of every line together, for the
# soak's own script length and for shorter and longer scripts (each script is one
# dravik process). Goal: at least 30,000 commands per second on a 2-core machine.
# Usage: bench/stress.sh [BUILD_DIR] [SECONDS]   (default build-bench, 20; built
# Release when missing). As root, dravik runs as the unprivileged user dravik-test.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
seconds=${2:-20}
if [ ! -x "$build/dravik" ] || [ ! -x "$build/dravik-stress" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" -j 2 --target dravik dravik-stress >/dev/null
fi
scratch=$(mktemp -d /dev/shm/dravik-bench.XXXXXX)
chmod 755 "$scratch"
trap 'rm -rf "$scratch"' EXIT

for ops in 200 2000 5000 10000; do
    line=$("$build/dravik-stress" --duration "${seconds}s" --run --ops "$ops" --seed 1 --dir "$scratch" | tail -1)
    printf 'scripts of %5d commands: %s\n' "$ops" "${line#soak: }"
done
echo "goal: 30000 commands/s"
