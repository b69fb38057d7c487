#!/usr/bin/env bash
# A mapped file cut short by another process: READ and WRITE through the view report
# 999 (the in-page error's code) instead of ending the run, and the run goes on to its
# normal end. tests/cli/mapped_view_fault.sh PROGRAM [wine]
set -u
program=$(readlink -f "$1")
mode=${2:-linux}
scratch=$(mktemp -d /tmp/dravik-cli.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
run() {
    if [ "$mode" = wine ]; then
        WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' /usr/lib/wine/wine64 "$program" 2>/dev/null
    else
        "$program"
    fi
}
fail() { echo "$1"; cat out.txt; exit 1; }
{
    printf 'create 1 f.dat\nwrite 1 0 8192\nmap 1\n'
    # The view exists once MAP has answered; then the file is cut behind its back.
    for _ in $(seq 200); do grep -q 'return code from the MAP is 0' out.txt 2>/dev/null && break; sleep 0.05; done
    truncate -s 0 f.dat
    printf 'read 1 0 100 /rc=999\nwrite 1 0 10\nunmap 1\nclose 1\n'
} | run > out.txt
status=$?
[ "$status" -eq 0 ] || fail "exit status $status (expected 0)"
grep -q 'return code from the MAP is 0' out.txt || fail "MAP failed"
grep -q ' normal termination ' out.txt || fail "no normal termination"
! grep -q 'A RETURN CODE CHECK FAILED' out.txt || fail "READ through the cut view did not give 999"
grep -A2 'Processing WRITE' out.txt | tail -1 | grep -q 'Unknown RC 999' || fail "WRITE through the cut view did not give 999"
