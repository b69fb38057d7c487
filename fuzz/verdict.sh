#!/usr/bin/env bash
# The verdict of a fuzzing campaign: fuzz/verdict.sh FINDINGS (afl-fuzz's output folder).
#
# Prints what the campaign did, then every crashing input (a sanitizer report ends the
# run with an abort, so it is a crash too) and every input that timed out. Exit status:
# 0 when nothing crashed, 1 when something did, 2 when no campaign ran there (no
# statistics, or not one execution).
set -uo pipefail
findings=${1:?usage: $0 FINDINGS}
stats=$findings/default/fuzzer_stats

if [ ! -f "$stats" ]; then
    echo "fuzz: no campaign ran in $findings (no fuzzer_stats)" >&2
    exit 2
fi
value() { awk -v key="$1" '$1 == key { print $3 }' "$stats"; }
execs=$(value execs_done)
if [ -z "$execs" ] || [ "$execs" -eq 0 ]; then
    echo "fuzz: the campaign in $findings ran nothing" >&2
    exit 2
fi

shopt -s nullglob
crashes=("$findings"/default/crashes/id:*)
hangs=("$findings"/default/hangs/id:*)
echo "fuzz: $execs executions, $(value corpus_count) inputs in the corpus, ${#crashes[@]} crashes, ${#hangs[@]} timeouts"
for input in "${hangs[@]}"; do echo "timeout: $input"; done
[ ${#crashes[@]} -eq 0 ] && exit 0
for input in "${crashes[@]}"; do echo "crash: $input"; done
echo "Replay one in the sandbox (never as root outside it), e.g.:"
echo "  fuzz/sandbox.sh -i build-fuzz/campaign/in -o /tmp/replay -- /in/dravik-fuzz < '${crashes[0]}'"
exit 1
