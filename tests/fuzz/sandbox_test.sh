#!/usr/bin/env bash
# fuzz/sandbox.sh confines what it runs: tests/fuzz/sandbox_test.sh DRAVIK
#
# Runs DRAVIK in the sandbox on confine.dvk (the scratch folder is its default path and
# the only place it can write; the machine's files are not there) and checks the rest
# from outside: the command runs as dravik-test with the file-size limit, its exit
# status comes back, /out is copied out, nothing stays mounted, and the sandbox refuses
# to start without root. Needs root; skipped (77) without it.
set -u
dravik=$1
here=$(dirname "$(readlink -f "$0")")
sandbox=$here/../../fuzz/sandbox.sh
[ "$(id -u)" -eq 0 ] || { echo "SKIPPED: the sandbox needs root"; exit 77; }
id -u dravik-test >/dev/null 2>&1 || { echo "SKIPPED: no user dravik-test (tools/test.sh makes it)"; exit 77; }
unshare --mount --pid --fork true 2>/dev/null || { echo "SKIPPED: no namespaces here"; exit 77; }

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/in"
cp "$dravik" "$dir/in/dravik"
cp "$here/confine.dvk" "$dir/in/"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
mounts_before=$(findmnt --raw --noheadings --output TARGET | grep -c dravik-sandbox)

"$sandbox" -i "$dir/in" -o "$dir/out" -- /usr/bin/bash -c \
    '/in/dravik </in/confine.dvk >/out/transcript 2>&1; id -u >/out/uid; ulimit -f >/out/fsize; touch /tmp/work/left; exit 7'
status=$?

[ "$status" -eq 7 ] || fail "exit status $status, expected the command's 7"
[ -f "$dir/out/transcript" ] || fail "/out was not copied out"
grep -qF 'default drive/path is Z:\tmp\work\' "$dir/out/transcript" || fail "the scratch folder is not the default path"
grep -q 'CHECK FAILED' "$dir/out/transcript" && { fail "a check of confine.dvk failed:"; cat "$dir/out/transcript"; }
grep -q 'normal termination' "$dir/out/transcript" || fail "dravik did not end normally"
[ "$(cat "$dir/out/uid" 2>/dev/null)" = "$(id -u dravik-test)" ] || fail "the command did not run as dravik-test"
[ "$(cat "$dir/out/fsize" 2>/dev/null)" = 65536 ] || fail "no 64 MiB file-size limit"
for escaped in /escape.fil /usr/escape.fil /usr/escape /tmp/work/left /tmp/work/inside.fil; do
    [ ! -e "$escaped" ] || fail "$escaped reached the machine"
done
[ "$(findmnt --raw --noheadings --output TARGET | grep -c dravik-sandbox)" = "$mounts_before" ] ||
    fail "a mount of the sandbox is left"

"$sandbox" -i "$dir/in" -o "$dir/out" -- true >/dev/null 2>&1 && fail "the sandbox wrote over an existing output folder"
setpriv --reuid=dravik-test --regid=dravik-test --clear-groups "$sandbox" -i "$dir/in" -o "$dir/user" -- true \
    2>"$dir/refusal" && fail "the sandbox ran without root"
grep -q 'needs root' "$dir/refusal" || fail "no reason given for the refusal: $(cat "$dir/refusal")"

[ "$failures" -eq 0 ] && echo "ok: the sandbox confines its command"
[ "$failures" -eq 0 ]
