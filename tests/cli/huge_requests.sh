#!/usr/bin/env bash
# A SERVERIOCTL of a length near 2^32 with no driver makes no buffer of that length: it
# opens the driver first. Under a 1 GiB address-space limit it still reports that the
# driver could not be opened (ReturnCode 0), not 8 from a buffer it did not need.
set -u
program=$(readlink -f "$1")
# AddressSanitizer reserves far more address space than the limit allows.
if ldd "$program" 2>/dev/null | grep -q libasan; then
    echo "skipped: a sanitizer build cannot run under an address-space limit"
    exit 0
fi
scratch=$(mktemp -d /tmp/dravik-cli.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
fail() { echo "$1"; cat out.txt; exit 1; }
(ulimit -v 1048576 && DRAVIK_DEVICE_DIR="$scratch" "$program" > out.txt) <<'SCRIPT'
SERVERIOCTL 4294967200 1 S
SCRIPT
status=$?
[ "$status" -eq 0 ] || fail "exit status $status (expected 0)"
grep -q 'could not open VXD' out.txt || fail "the driver was not opened first"
grep -q 'the return code from the IOCTL is 0' out.txt || fail "the IOCTL did not give 0"
