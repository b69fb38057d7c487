#!/usr/bin/env bash
# Runs one transcript test: tools/run-transcript.sh PROGRAM SCRIPT.dvk [wine]
#
# The script runs in a fresh scratch directory with TZ=UTC. Its output is normalised
# (the scratch directory's Win32 form becomes @DIR@, and tests/transcripts/normalize.pl
# replaces values that change from run to run) and compared byte for byte with
# SCRIPT.expected, or with SCRIPT.wine.expected under Wine when that file exists.
# Under Wine, a SCRIPT.wine.skip file skips the test (exit status 77) and says why.
# A SCRIPT.setup file, when present, is sourced in the scratch directory first: it
# may make files, export variables and start helpers (it registers its own cleanup
# with the CLEANUP array). DRAVIK_SCRATCH_DIR names the folder that holds the scratch
# directory (default /tmp), so that the file-system matrix can run the tests on a mount.
# The scratch directory's path is always 72 characters long, wherever it is made, so that
# names near the Win32 path limits meet them on the same lines everywhere.
set -u
program=$(readlink -f "$1")
script=$(readlink -f "$2")
mode=${3:-linux}
base=${script%.dvk}
here=$(dirname "$(readlink -f "$0")")

expected=$base.expected
if [ "$mode" = wine ] && [ -f "$base.wine.skip" ]; then
    echo "skipped under Wine: $(cat "$base.wine.skip")"
    exit 77
fi
if [ "$mode" = wine ] && [ -f "$base.wine.expected" ]; then expected=$base.wine.expected; fi

scratch_length=72
parent=$(readlink -f "${DRAVIK_SCRATCH_DIR:-/tmp}")
prefix=$parent/dravik-test.
pad=$((scratch_length - ${#prefix}))
if [ "$pad" -lt 6 ]; then
    echo "run-transcript: $parent is too long for a scratch path of $scratch_length characters" >&2
    exit 1
fi
scratch=$(mktemp -d "$prefix$(printf 'X%.0s' $(seq "$pad"))") || exit 1
CLEANUP=()
cleanup() {
    local c
    for c in "${CLEANUP[@]}"; do eval "$c"; done
    rm -rf "$scratch"
}
trap cleanup EXIT
cd "$scratch" || exit 1
export TZ=UTC
if [ -f "$base.setup" ]; then
    # shellcheck disable=SC1090
    . "$base.setup"
fi

actual=$scratch.out
if [ "$mode" = wine ]; then
    WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' /usr/lib/wine/wine64 "$program" < "$script" > "$actual" 2>/dev/null
else
    "$program" < "$script" > "$actual"
fi
status=$?
trap 'cleanup; rm -f "$actual"' EXIT

windir="Z:$(printf '%s' "$scratch" | tr / '\\')"
WDIR=$windir perl -pe 's/\Q$ENV{WDIR}\E/\@DIR\@/g' "$actual" | perl "$here/../tests/transcripts/normalize.pl" > "$actual.norm"
mv "$actual.norm" "$actual"

if [ "$status" -ne 0 ]; then
    echo "exit status $status (expected 0)"
    exit 1
fi
if ! diff -u --label expected --label actual "$expected" "$actual"; then
    exit 1
fi
