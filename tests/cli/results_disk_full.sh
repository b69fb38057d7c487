#!/usr/bin/env bash
# A results file on a disk that fills: the records stop (said once on standard error),
# the run goes on to its normal end with the same transcript as without the results
# file, and dravik does not die of SIGBUS in the file's mapped view. The full disk is a
# 256 KiB tmpfs in a mount namespace of the test's own (root only; skipped elsewhere).
set -u
program=$(readlink -f "$1")
if [ "$(id -u)" -ne 0 ] || ! command -v unshare >/dev/null; then
    echo "skipped: needs root and unshare to mount a small tmpfs"
    exit 77
fi
scratch=$(mktemp -d /tmp/dravik-cli.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
fail() { echo "$1"; tail -n 3 err.txt out.txt 2>/dev/null; exit 1; }
# 3,000 commands: about 450 KiB of records, more than the disk holds.
for ((i = 0; i < 3000; i++)); do echo 'md made'; done > script.dvk
"$program" < script.dvk > plain.txt 2>/dev/null
rm -rf made
unshare -m --propagation private bash -c '
    mkdir -p full && mount -t tmpfs -o size=256k none full || exit 2
    head -c 65536 /dev/zero > full/filler
    DRAVIK_RESULTS=full/results.jsonl "$1" < script.dvk > out.txt 2> err.txt
    status=$?
    head -c 1 full/results.jsonl > first.txt
    umount full
    exit $status' unshare-test "$program"
status=$?
[ "$status" -ne 2 ] || fail "the small tmpfs could not be mounted"
[ "$status" -eq 0 ] || fail "exit status $status (expected 0)"
cmp -s plain.txt out.txt || fail "the transcript differs from the run without the results file"
[ "$(grep -c 'results file cannot grow' err.txt)" -eq 1 ] || fail "the full results file was not said once"
[ "$(cat first.txt)" = "{" ] || fail "no record reached the results file before it filled"
