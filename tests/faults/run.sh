#!/usr/bin/env bash
# Runs one fault test: tests/faults/run.sh DRAVIK-RUN DRAVIK FAULTFS SCRIPT.dvk [wine]
#
# With "wine", DRAVIK is the Windows build and runs under Wine; the lines where Wine
# gives another code than Windows are listed, with the reason, in wine-known.txt.
# The script runs with dravik-run on a file system made for it and undone afterwards,
# also when the run fails: a script named disk-full-* on a 1 MiB tmpfs, a script named
# faultfs-* on faultfs over a scratch folder, with the rules of faultfs.rules beside this
# file, and a small tmpfs as drive Y:. Mounting needs root and /dev/fuse; where the
# machine cannot mount, the test is skipped (exit status 77) and says why.
set -u
runner=$1 dravik=$2 faultfs=$3 script=$4 mode=${5:-}
here=$(dirname "$(readlink -f "$0")")

skip() {
    echo "SKIPPED: $*"
    exit 77
}

[ "$(id -u)" -eq 0 ] || skip "mounting a file system for the test needs root"
base=$(mktemp -d /tmp/dravik-fault.XXXXXX) || exit 1
mounted="" other=""
cleanup() {
    local mount
    for mount in "$other" "$mounted"; do
        if [ -n "$mount" ]; then umount "$mount" 2>/dev/null || umount -l "$mount"; fi
    done
    # Never remove through a mount: a folder that still holds one is left in place.
    if findmnt --raw --noheadings --output TARGET | grep -q "^$base"; then
        echo "still mounted under $base; left in place" >&2
    else
        rm -rf "$base"
    fi
}
trap cleanup EXIT
mkdir "$base/mnt"

case $(basename "$script") in
disk-full-*)
    mount -t tmpfs -o size=1M dravik-full "$base/mnt" 2>/dev/null || skip "cannot mount a tmpfs here"
    ;;
faultfs-*)
    [ -x "$faultfs" ] || skip "faultfs is not built (libfuse3-dev missing)"
    [ -c /dev/fuse ] || skip "no /dev/fuse here"
    mkdir "$base/src"
    "$faultfs" "$base/src" "$base/mnt" --rules="$here/faultfs.rules" 2>/dev/null || skip "cannot mount faultfs here"
    # A second file system, drive Y:, for moves that must copy.
    mkdir "$base/other"
    mount -t tmpfs -o size=4M dravik-other "$base/other" 2>/dev/null || skip "cannot mount a tmpfs here"
    other=$base/other
    export DRAVIK_DRIVES="Y=$other"
    ;;
*)
    echo "no file system for $script" >&2
    exit 2
    ;;
esac
mounted=$base/mnt

known=()
if [ "$mode" = wine ]; then
    [ -x /usr/lib/wine/wine64 ] || skip "no Wine here"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "%s" "$@"\n' "$dravik" >"$base/dravik-wine"
    chmod +x "$base/dravik-wine"
    dravik=$base/dravik-wine
    known=(--known-failures "$here/wine-known.txt")
fi
# From the scripts' folder, so that the known failures name the scripts alone.
cd "$(dirname "$script")" || exit 1
"$runner" --dravik "$dravik" --dir "$base/mnt" --timeout 120 "${known[@]}" "$(basename "$script")"
