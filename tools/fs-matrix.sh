#!/usr/bin/env bash
# The file-system matrix: tools/fs-matrix.sh [--out DIR] [NAME...]
#
# Mounts each file system this machine can mount (as root, on loop images and loopback
# servers only, everything under one folder in /tmp), runs the conformance suites
# (dravik-run --dir) and the transcript tests there, runs the suites with the Windows
# build under Wine, and writes one JSON result per file system into DIR (default
# build/fs-matrix), from which tools/fs-docs.py makes docs/file-systems.md. A file
# system that cannot be mounted is reported as skipped, with the reason. Every mount is
# undone and every server stopped on the way out, also when a step fails.
#
# NAMEs: tmpfs ext4 xfs btrfs bindfs ntfs-3g ntfs-3g-permissions exfat sshfs smb-fuse wine
# (default: all). Installs what it needs with apt-get when it is missing.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${DRAVIK_BUILD:-$root/build}
winbuild=${DRAVIK_WIN_BUILD:-$root/build-win}
out=$build/fs-matrix
if [ "${1:-}" = --out ]; then
    out=$2
    shift 2
fi
all=(tmpfs ext4 xfs btrfs bindfs ntfs-3g ntfs-3g-permissions exfat sshfs smb-fuse wine)
wanted=("$@")
[ ${#wanted[@]} -gt 0 ] || wanted=("${all[@]}")

if [ "$(id -u)" -ne 0 ]; then
    echo "fs-matrix: mounting needs root" >&2
    exit 2
fi
for tool in "$build/dravik" "$build/dravik-run"; do
    [ -x "$tool" ] || { echo "fs-matrix: $tool is missing (build the linux preset first)" >&2; exit 2; }
done

packages=(xfsprogs btrfs-progs bindfs ntfs-3g exfat-fuse exfatprogs sshfs openssh-server openssh-client
    samba smbnetfs fuse3 python3)
missing=()
for p in "${packages[@]}"; do dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

work=$(mktemp -d /tmp/dravik-fs-matrix.XXXXXX)
mkdir -p "$out"
MOUNTS=()
LOOPS=()
PIDS=()
# Undoes the mounts of one file system, newest first, detaches its loop devices and
# stops its servers.
release() {
    local i dev pid
    for ((i = ${#MOUNTS[@]} - 1; i >= 0; i--)); do
        umount "${MOUNTS[i]}" 2>/dev/null || umount -l "${MOUNTS[i]}" 2>/dev/null
    done
    for dev in "${LOOPS[@]}"; do losetup -d "$dev" 2>/dev/null; done
    for pid in "${PIDS[@]}"; do
        kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    MOUNTS=()
    LOOPS=()
    PIDS=()
}
cleanup() {
    release
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Each mount_NAME MNT mounts one file system at MNT, or sets REASON and fails.
REASON=
mounted() {
    MOUNTS+=("$1")
    mountpoint -q "$1" || { REASON="the mount did not appear"; return 1; }
}
IMAGE=
loop_image() { # NAME SIZE MKFS...: IMAGE becomes an image file of SIZE with a fresh file system
    IMAGE=$work/$1.img
    truncate -s "$2" "$IMAGE" || { REASON="no room for the image in /tmp"; return 1; }
    shift 2
    "$@" "$IMAGE" >"$work/mkfs.log" 2>&1 || { REASON="$1 failed: $(tail -1 "$work/mkfs.log")"; return 1; }
}
mount_tmpfs() { mount -t tmpfs -o size=2g dravik-matrix "$1" || { REASON="mount -t tmpfs failed"; return 1; }; mounted "$1"; }
mount_kernel() { # MNT TYPE SIZE MKFS...
    local mnt=$1 type=$2
    shift 2
    loop_image "$type" "$@" || return 1
    mount -t "$type" -o loop "$IMAGE" "$mnt" 2>"$work/mount.log" ||
        { REASON="mount -t $type -o loop failed: $(tail -1 "$work/mount.log")"; return 1; }
    mounted "$mnt"
}
mount_ext4() { mount_kernel "$1" ext4 1g mkfs.ext4 -q -F; }
mount_xfs() { mount_kernel "$1" xfs 1g mkfs.xfs -q -f; }
mount_btrfs() { mount_kernel "$1" btrfs 1g mkfs.btrfs -q -f; }
mount_bindfs() {
    mkdir -p "$work/bindfs-src"
    bindfs "$work/bindfs-src" "$1" 2>"$work/mount.log" || { REASON="bindfs failed: $(tail -1 "$work/mount.log")"; return 1; }
    mounted "$1"
}
mount_ntfs() { # MNT [ntfs-3g options]
    local mnt=$1
    shift
    loop_image ntfs 1g mkntfs -q -F -f || return 1
    ntfs-3g "$@" "$IMAGE" "$mnt" 2>"$work/mount.log" || { REASON="ntfs-3g failed: $(tail -1 "$work/mount.log")"; return 1; }
    mounted "$mnt"
}
mount_ntfs-3g() { mount_ntfs "$1"; }
mount_ntfs-3g-permissions() { mount_ntfs "$1" -o permissions; }
mount_exfat() {
    local dev
    loop_image exfat 1g mkfs.exfat || return 1
    # exfat-fuse mounts block devices only: attach the image to a loop device.
    dev=$(losetup -f --show "$IMAGE") || { REASON="losetup failed"; return 1; }
    LOOPS+=("$dev")
    mount.exfat-fuse "$dev" "$1" >"$work/mount.log" 2>&1 ||
        { REASON="exfat-fuse failed: $(tail -1 "$work/mount.log")"; return 1; }
    mounted "$1"
}
free_port() {
    local port
    for port in $(seq "$1" $(($1 + 100))); do
        (echo >"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return 0; }
    done
    return 1
}
wait_port() {
    local try
    for try in $(seq 100); do
        (echo >"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}
mount_sshfs() {
    local ssh=$work/ssh port
    mkdir -p "$ssh" "$work/sshfs-src" /run/sshd
    ssh-keygen -q -t ed25519 -N '' -f "$ssh/host_key" && ssh-keygen -q -t ed25519 -N '' -f "$ssh/client_key" ||
        { REASON="ssh-keygen failed"; return 1; }
    cp "$ssh/client_key.pub" "$ssh/authorized_keys"
    port=$(free_port 22220) || { REASON="no free port for sshd"; return 1; }
    cat >"$ssh/sshd_config" <<EOF
ListenAddress 127.0.0.1
Port $port
HostKey $ssh/host_key
AuthorizedKeysFile $ssh/authorized_keys
PermitRootLogin prohibit-password
PasswordAuthentication no
StrictModes no
UsePAM no
PidFile $ssh/sshd.pid
Subsystem sftp internal-sftp
EOF
    /usr/sbin/sshd -D -e -f "$ssh/sshd_config" 2>"$ssh/sshd.log" &
    PIDS+=($!)
    wait_port "$port" || { REASON="sshd did not start: $(tail -1 "$ssh/sshd.log")"; return 1; }
    sshfs -p "$port" -o "IdentityFile=$ssh/client_key,StrictHostKeyChecking=no,UserKnownHostsFile=/dev/null,BatchMode=yes" \
        "root@127.0.0.1:$work/sshfs-src" "$1" 2>"$work/mount.log" ||
        { REASON="sshfs failed: $(tail -1 "$work/mount.log")"; return 1; }
    mounted "$1"
}
mount_smb-fuse() {
    local smb=$work/smb mnt=$1
    mkdir -p "$smb"/{run,lock,state,cache,private,home/.smb} "$work/smb-src"
    (echo >/dev/tcp/127.0.0.1/445) 2>/dev/null && { REASON="port 445 on 127.0.0.1 is taken"; return 1; }
    cat >"$smb/smb.conf" <<EOF
[global]
    interfaces = lo
    bind interfaces only = yes
    smb ports = 445
    server role = standalone server
    pid directory = $smb/run
    lock directory = $smb/lock
    state directory = $smb/state
    cache directory = $smb/cache
    private dir = $smb/private
    ncalrpc dir = $smb/run/ncalrpc
    log file = $smb/log.%m
    load printers = no
    disable spoolss = yes
[share]
    path = $work/smb-src
    read only = no
    force user = root
EOF
    printf 'dravik\ndravik\n' | smbpasswd -c "$smb/smb.conf" -s -a root >/dev/null 2>&1 ||
        { REASON="smbpasswd failed"; return 1; }
    smbd --foreground --no-process-group -s "$smb/smb.conf" >"$smb/smbd.log" 2>&1 &
    PIDS+=($!)
    wait_port 445 || { REASON="smbd did not start: $(tail -1 "$smb/smbd.log")"; return 1; }
    printf '[global]\n    client min protocol = SMB2\n' >"$smb/home/.smb/smb.conf"
    printf 'auth "127.0.0.1" "root" "dravik"\nsmb_query_browsers false\n' >"$smb/home/.smb/smbnetfs.conf"
    chmod 600 "$smb/home/.smb/smbnetfs.conf"
    : >"$smb/home/.smb/smbnetfs.auth"
    : >"$smb/home/.smb/smbnetfs.host"
    mkdir -p "$work/smbnetfs"
    HOME=$smb/home smbnetfs "$work/smbnetfs" -o "config=$smb/home/.smb/smbnetfs.conf" 2>"$work/mount.log" ||
        { REASON="smbnetfs failed: $(tail -1 "$work/mount.log")"; return 1; }
    mounted "$work/smbnetfs" || return 1
    # smbnetfs shows the network; the share is a folder below it. Bind it to MNT.
    local try
    for try in $(seq 50); do
        [ -d "$work/smbnetfs/127.0.0.1/share" ] && break
        sleep 0.2
    done
    [ -d "$work/smbnetfs/127.0.0.1/share" ] || { REASON="the share did not appear under smbnetfs"; return 1; }
    mount --bind "$work/smbnetfs/127.0.0.1/share" "$mnt" || { REASON="bind of the share failed"; return 1; }
    mounted "$mnt"
}

# Writes DIR/NAME.json: {"name", "status": "ran"|"skipped", "reason", "suites": dravik-run's JSON
# file, "transcripts": {"passed", "failed": [names]}}.
result() { # NAME STATUS REASON TRANSCRIPTS_PASSED TRANSCRIPTS_FAILED...
    local name=$1 status=$2 reason=$3 passed=$4
    shift 4
    python3 - "$out/$name.json" "$name" "$status" "$reason" "$passed" "$@" <<'EOF'
import json, sys
path, name, status, reason, passed, *failed = sys.argv[1:]
json.dump({"name": name, "status": status, "reason": reason, "suites": name + ".suites.json",
           "transcripts": {"passed": int(passed), "failed": failed}}, open(path, "w"), indent=1)
EOF
}
run_suites() { # NAME DIR [dravik-run options]
    local name=$1 dir=$2 known=suites/known/$1.txt
    shift 2
    local args=(--dir "$dir" --jobs 2 --timeout 300 --json "$out/$name.suites.json")
    [ -f "$known" ] && args+=(--known-failures "$known")
    "$build/dravik-run" "${args[@]}" "$@" suites/ >"$out/$name.tap"
}
run_transcripts() { # DIR: sets TPASSED and TFAILED
    local t
    TPASSED=0
    TFAILED=()
    for t in tests/transcripts/*.dvk; do
        if DRAVIK_SCRATCH_DIR=$1 DRAVIK_TOOLS_DIR=$build/tools timeout 120 \
            tools/run-transcript.sh "$build/dravik" "$t" >"$work/transcript.log" 2>&1; then
            TPASSED=$((TPASSED + 1))
        else
            TFAILED+=("$(basename "$t" .dvk)")
        fi
    done
}

start=$SECONDS
for name in "${wanted[@]}"; do
    started=$SECONDS
    if [ "$name" = wine ]; then
        # The Windows build, through a dravik that dravik-run starts like the Linux one.
        if [ ! -x /usr/lib/wine/wine64 ] || [ ! -f "$winbuild/dravik.exe" ]; then
            result wine skipped "wine64 or build-win/dravik.exe is missing" 0
            continue
        fi
        export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
        printf '#!/bin/sh\nexec /usr/lib/wine/wine64 %q\n' "$winbuild/dravik.exe" >"$work/dravik-wine"
        chmod +x "$work/dravik-wine"
        mkdir -p "$work/wine"
        run_suites wine "$work/wine" --dravik "$work/dravik-wine"
        result wine ran "" 0
        echo "wine: suites $(tail -1 "$out/wine.tap" 2>/dev/null) ($((SECONDS - started)) s)"
        continue
    fi
    if ! declare -F "mount_$name" >/dev/null; then
        echo "fs-matrix: unknown file system $name" >&2
        exit 2
    fi
    mnt=$work/mnt-$name
    mkdir -p "$mnt"
    REASON=
    if ! "mount_$name" "$mnt"; then
        release
        result "$name" skipped "${REASON:-cannot be mounted}" 0
        echo "$name: skipped: $REASON"
        continue
    fi
    mkdir -p "$mnt/suites" "$mnt/transcripts"
    run_suites "$name" "$mnt/suites"
    run_transcripts "$mnt/transcripts"
    release
    rm -f "$work"/*.img
    result "$name" ran "" "$TPASSED" "${TFAILED[@]}"
    echo "$name: transcripts $TPASSED passed, ${#TFAILED[@]} failed ($((SECONDS - started)) s)"
done
echo "fs-matrix: $((SECONDS - start)) s; results in $out"
python3 tools/fs-docs.py "$out" >"$out/file-systems.md"
