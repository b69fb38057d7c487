#!/usr/bin/env bash
# Under a file-size limit (ulimit -f): a WRITE past it gives 112 and keeps what fitted,
# a COPY that meets it gives 112 and leaves the target as it was (absent, or with its
# old contents) and no temporary file behind, and the run goes on to its normal end.
set -u
program=$(readlink -f "$1")
scratch=$(mktemp -d /tmp/dravik-cli.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
head -c 5000 /dev/zero > big.dat
printf old > keep.dat
fail() { echo "$1"; cat out.txt; exit 1; }
# 2 blocks of 1024 bytes.
(ulimit -f 2 && "$program" > out.txt) <<'SCRIPT'
create 1 f.dat
write 1 0 3000
getfilesize 1
close 1
copy big.dat new.dat
copy big.dat keep.dat
SCRIPT
status=$?
[ "$status" -eq 0 ] || fail "exit status $status (expected 0)"
grep -q ' normal termination ' out.txt || fail "no normal termination"
grep -q 'the return code from the Write is 112' out.txt || fail "the write did not give 112"
grep -q 'size = 2048' out.txt || fail "the write did not keep what fitted"
[ "$(grep -c 'the return code from the Copy is 112' out.txt)" -eq 2 ] || fail "the copies did not give 112"
[ ! -e new.dat ] || fail "a partial new.dat was left"
[ "$(cat keep.dat)" = old ] || fail "keep.dat lost its old contents"
leftover=$(find . -name '.dravik-copy-*')
[ -z "$leftover" ] || fail "temporary files left: $leftover"
