#!/usr/bin/env bash
# fuzz/verdict.sh on planted afl-fuzz output folders: a clean campaign passes, one crash
# fails and is named, timeouts alone are listed but pass, a folder where no campaign
# ran (no statistics, or not one execution) fails.
set -u
verdict=$(dirname "$0")/../../fuzz/verdict.sh
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0

plant() {  # plant NAME EXECS: a campaign folder with its statistics
    mkdir -p "$dir/$1/default/crashes" "$dir/$1/default/hangs" "$dir/$1/default/queue"
    printf 'start_time        : 1\nexecs_done        : %s\ncorpus_count      : 7\n' "$2" >"$dir/$1/default/fuzzer_stats"
    echo "afl-fuzz's note" >"$dir/$1/default/crashes/README.txt"
}
check() {  # check NAME STATUS [TEXT]: the verdict's status, and TEXT in its output
    local output status
    output=$("$verdict" "$dir/$1" 2>&1)
    status=$?
    if [ "$status" -ne "$2" ]; then
        echo "FAIL $1: status $status, expected $2"; echo "$output"; failures=$((failures + 1))
    elif [ -n "${3:-}" ] && ! grep -qF -- "$3" <<<"$output"; then
        echo "FAIL $1: no '$3' in"; echo "$output"; failures=$((failures + 1))
    else
        echo "ok $1"
    fi
}

plant clean 1200
check clean 0 "1200 executions, 7 inputs in the corpus, 0 crashes, 0 timeouts"

plant crash 1200
crash="$dir/crash/default/crashes/id:000000,sig:06,src:000003,time:812,execs:77,op:havoc,rep:2"
printf 'MAP 1\nUNMAP 1\n' >"$crash"
check crash 1 "crash: $crash"

plant two-crashes 50
touch "$dir/two-crashes/default/crashes/id:000000,sig:11" "$dir/two-crashes/default/crashes/id:000001,sig:06"
check two-crashes 1 "2 crashes"

plant timeout 50
hang="$dir/timeout/default/hangs/id:000000,src:000001"
touch "$hang"
check timeout 0 "timeout: $hang"

mkdir -p "$dir/never-ran/default"
check never-ran 2 "no campaign ran"

plant no-executions 0
check no-executions 2 "ran nothing"

[ "$failures" -eq 0 ]
