#!/usr/bin/env bash
# A fuzzing campaign of SECONDS seconds on dravik's script input: fuzz/run.sh SECONDS
#
# Builds dravik-fuzz (fuzz/dravik_fuzz.cpp) with AFL++'s instrumentation, Address-
# Sanitizer and UndefinedBehaviorSanitizer (the fuzz preset, build-fuzz/), seeds
# afl-fuzz with the transcript tests' scripts and the dictionary fuzz/dravik.dict, and
# runs it in fuzz/sandbox.sh as the unprivileged user dravik-test, so that no fuzzed
# script reaches the machine's files.
# Needs root (for the sandbox) and the packages afl++ and libclang-rt-14-dev. The
# findings are copied to build-fuzz/campaign/findings; the exit status is the verdict
# of fuzz/verdict.sh: non-zero on any crash or sanitizer report, with the inputs named.
set -euo pipefail
seconds=${1:?usage: $0 SECONDS}
cd "$(dirname "$0")/.."
campaign=$PWD/build-fuzz/campaign

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "${DRAVIK_JOBS:-2}"

# The last campaign's folder is a copy, never a mount: check before removing it.
if [ -d "$campaign" ]; then
    if findmnt --raw --noheadings --output TARGET | grep -q "^$campaign"; then
        echo "$0: something is mounted under $campaign" >&2
        exit 2
    fi
    rm -rf "$campaign"
fi
mkdir -p "$campaign/in/seeds"
cp build-fuzz/fuzz/dravik-fuzz fuzz/dravik.dict "$campaign/in/"
cp tests/transcripts/*.dvk "$campaign/in/seeds/"

# afl-fuzz's own needs: no CPU binding or governor check on a shared machine, crashes
# seen without a core-dump handler, a plain log instead of the screen.
export AFL_SKIP_CPUFREQ=1 AFL_NO_AFFINITY=1 AFL_I_DONT_CARE_ABOUT_MISSING_CRASHES=1 AFL_NO_UI=1
# A sanitizer report or a leak aborts, so afl-fuzz records it as a crash.
export ASAN_OPTIONS=abort_on_error=1:symbolize=0:detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1:print_stacktrace=1:symbolize=0

fuzzer=0
fuzz/sandbox.sh -i "$campaign/in" -o "$campaign/findings" -- \
    afl-fuzz -V "$seconds" -i /in/seeds -o /out -x /in/dravik.dict -m none -t 2000 -- /in/dravik-fuzz || fuzzer=$?
verdict=0
fuzz/verdict.sh "$campaign/findings" || verdict=$?
if [ "$fuzzer" -ne 0 ]; then
    echo "$0: afl-fuzz ended with status $fuzzer" >&2
    [ "$verdict" -ne 0 ] || verdict=2
fi
exit "$verdict"
