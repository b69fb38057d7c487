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
for tool in "$build/dravik" "$build/dravik-run" "$build/tools/echo-driver"; do
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
STEP=
# Stops the running step: it runs in a process group of its own (dravik-run and the
# dravik processes it started).
stop_step() {
    [ -n "$STEP" ] || return 0
    kill -TERM -- "-$STEP" 2>/dev/null
    sleep 0.5
    kill -KILL -- "-$STEP" 2>/dev/null
    wait "$STEP" 2>/dev/null
    STEP=
}
# A FUSE file system whose server hangs keeps its callers waiting in the kernel, where no
# signal reaches them: aborting the connection fails every request with ENOTCONN. The
# mount table is read, never the mount itself, which would wait like them.
abort_fuse() { # MNT
    local dev type
    read -r dev type < <(findmnt -n -o MAJ:MIN,FSTYPE --mountpoint "$1") || return 0
    case $type in fuse | fuse.* | fuseblk) ;; *) return 0 ;; esac
    [ -w "/sys/fs/fuse/connections/${dev#*:}/abort" ] && echo 1 >"/sys/fs/fuse/connections/${dev#*:}/abort"
}
# Undoes the mounts of one file system, newest first, detaches its loop devices and
# stops its servers.
release() {
    local i dev pid
    stop_step
    for ((i = ${#MOUNTS[@]} - 1; i >= 0; i--)); do
        findmnt -n --mountpoint "${MOUNTS[i]}" >/dev/null || continue
        timeout 20 umount "${MOUNTS[i]}" 2>/dev/null && continue
        abort_fuse "${MOUNTS[i]}"
        timeout 20 umount "${MOUNTS[i]}" 2>/dev/null || umount -l "${MOUNTS[i]}" 2>/dev/null
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
# Runs one step in a process group of its own, in the background so that a signal to this
# script is handled at once, for at most BUDGET seconds. Past it the step is stopped (after
# the FUSE connection of MNT is aborted, so that a hung server cannot keep it) and its
# status is 124.
step() { # BUDGET MNT COMMAND...
    local budget=$1 mnt=$2 status
    shift 2
    setsid "$@" &
    STEP=$!
    local deadline=$((SECONDS + budget))
    while kill -0 "$STEP" 2>/dev/null; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            abort_fuse "$mnt"
            stop_step
            return 124
        fi
        sleep 1
    done
    wait "$STEP"
    status=$?
    STEP=
    return "$status"
}

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
    # smbd signals its whole process group when it stops: give it a group of its own.
    setsid smbd --foreground --no-process-group -s "$smb/smb.conf" >"$smb/smbd.log" 2>&1 &
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

# Writes DIR/NAME.json: {"name", "status": "ran"|"skipped"|"stopped", "reason", "suites":
# dravik-run's JSON file, "transcripts": {"passed", "failed": [names]}}.
result() { # NAME STATUS REASON
    python3 - "$out" "$@" <<'EOF'
import glob, json, os, sys
out, name, status, reason = sys.argv[1:]
ran = status == "ran" and name != "wine"
listed = os.path.join(out, name + ".transcripts")
failed = open(listed).read().split() if ran and os.path.exists(listed) else []
tests = len(glob.glob("tests/transcripts/*.dvk")) if ran else 0
json.dump({"name": name, "status": status, "reason": reason, "suites": name + ".suites.json",
           "transcripts": {"passed": tests - len(failed), "failed": failed}},
          open(os.path.join(out, name + ".json"), "w"), indent=1)
EOF
}
# Each step runs for at most this many seconds (a hung mount is stopped, not waited for).
budget=${DRAVIK_MATRIX_BUDGET:-600}
run_suites() { # NAME DIR [dravik-run options]: the status is dravik-run's, 124 past the budget
    local name=$1 dir=$2 known=suites/known/$1.txt
    shift 2
    local args=(--dir "$dir" --jobs 2 --timeout 120 --json "$out/$name.suites.json")
    [ -f "$known" ] && args+=(--known-failures "$known")
    step "$budget" "$dir" "$build/dravik-run" "${args[@]}" "$@" suites/ >"$out/$name.tap"
}
# Runs every transcript test with its scratch folder in DIR; writes the names of those that
# differ to DIR's file system's NAME.transcripts (their differences to NAME.transcripts.log).
run_transcripts() { # NAME DIR
    local name=$1 dir=$2
    : >"$out/$name.transcripts"
    step "$budget" "$dir" bash -c '
        dir=$1 build=$2 list=$3 log=$4
        shift 4
        : >"$log"
        for t in "$@"; do
            if ! DRAVIK_SCRATCH_DIR=$dir DRAVIK_TOOLS_DIR=$build/tools timeout 120 \
                tools/run-transcript.sh "$build/dravik" "$t" >"$log.one" 2>&1; then
                basename "$t" .dvk >>"$list"
                { echo "== $t"; cat "$log.one"; } >>"$log"
            fi
        done
        rm -f "$log.one"' _ "$dir" "$build" "$out/$name.transcripts" "$out/$name.transcripts.log" tests/transcripts/*.dvk
}

# Transcript tests that differ on a file system for a documented reason of it:
# tests/transcripts/known/NAME.txt, lines "TEST reason".
unexplained_transcripts() { # NAME: prints the differing tests that its list does not name
    local t known=tests/transcripts/known/$1.txt
    while read -r t; do
        [ -f "$known" ] && grep -q "^$t " "$known" && continue
        echo "$t"
    done <"$out/$1.transcripts"
}

suite_summary() { # NAME: the counts of dravik-run's JSON summary
    python3 -c 'import json, sys; s = json.load(open(sys.argv[1]))["summary"]
print("%d scripts, %d checks, %d failed, %d known" % (s["scripts"], s["checks"], s["failures"] - sum(
    1 for x in json.load(open(sys.argv[1]))["scripts"] for f in x.get("failures", []) if f.get("known")),
    sum(1 for x in json.load(open(sys.argv[1]))["scripts"] for f in x.get("failures", []) if f.get("known"))))' \
        "$out/$1.suites.json" 2>/dev/null || echo "no results"
}

start=$SECONDS
UNEXPLAINED=()
for name in "${wanted[@]}"; do
    started=$SECONDS
    if [ "$name" = wine ]; then
        # The Windows build, through a dravik that dravik-run starts like the Linux one.
        if [ ! -x /usr/lib/wine/wine64 ] || [ ! -f "$winbuild/dravik.exe" ]; then
            result wine skipped "wine64 or build-win/dravik.exe is missing"
            echo "wine: skipped: wine64 or build-win/dravik.exe is missing"
            continue
        fi
        export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
        printf '#!/bin/sh\nexec /usr/lib/wine/wine64 %q\n' "$winbuild/dravik.exe" >"$work/dravik-wine"
        chmod +x "$work/dravik-wine"
        mkdir -p "$work/wine"
        run_suites wine "$work/wine" --dravik "$work/dravik-wine"
        status=$?
        : >"$out/wine.transcripts"
    else
        if ! declare -F "mount_$name" >/dev/null; then
            echo "fs-matrix: unknown file system $name" >&2
            exit 2
        fi
        mnt=$work/$name
        mkdir -p "$mnt"
        REASON=
        if ! "mount_$name" "$mnt"; then
            release
            result "$name" skipped "${REASON:-cannot be mounted}"
            echo "$name: skipped: $REASON"
            continue
        fi
        mkdir -p "$mnt/s" "$mnt/t"
        # smbnetfs may stop answering (see below): bound its steps more tightly.
        budget=${DRAVIK_MATRIX_BUDGET:-600}
        [ "$name" != smb-fuse ] || budget=${DRAVIK_MATRIX_SMB_BUDGET:-180}
        run_suites "$name" "$mnt/s"
        status=$?
        [ "$status" -eq 124 ] || run_transcripts "$name" "$mnt/t" || status=124
        release
        rm -f "$work"/*.img
    fi
    if [ "$status" -eq 124 ] && [ "$name" = smb-fuse ]; then
        result "$name" skipped "smbnetfs stopped answering: the run was stopped after $budget s"
        echo "$name: skipped: smbnetfs stopped answering (stopped after $budget s)"
        continue
    fi
    if [ "$status" -eq 124 ]; then
        result "$name" stopped "the run was stopped after $budget s: the mount hung"
        UNEXPLAINED+=("$name: stopped after $budget s")
        echo "$name: stopped after $budget s"
        continue
    fi
    if [ "$name" = smb-fuse ] && grep -q 'status: \(not-run\|hung\)' "$out/$name.tap"; then
        # smbnetfs over samba on 127.0.0.1 starts well and then fails every new folder
        # with EIO; what it gives then says nothing about dravik.
        reason="smbnetfs began to fail every new folder with an I/O error during the run"
        reason+=" (the scripts it ran are in smb-fuse.tap)"
        result "$name" skipped "$reason"
        echo "$name: skipped: $reason"
        continue
    fi
    mapfile -t odd < <(unexplained_transcripts "$name")
    result "$name" ran ""
    echo "$name: suites: $(suite_summary "$name"); transcripts: $(wc -l <"$out/$name.transcripts") differ," \
        "${#odd[@]} unexplained ${odd[*]} ($((SECONDS - started)) s)"
    [ "$status" -eq 0 ] ||
        UNEXPLAINED+=("$name: suites fail beyond suites/known/$name.txt (dravik-run status $status, $out/$name.tap)")
    [ ${#odd[@]} -eq 0 ] || UNEXPLAINED+=("$name: transcripts ${odd[*]} differ ($out/$name.transcripts.log)")
done
echo "fs-matrix: $((SECONDS - start)) s; results in $out"
python3 tools/fs-docs.py "$out" >"$out/file-systems.md"
if [ ${#UNEXPLAINED[@]} -gt 0 ]; then
    printf 'fs-matrix: unexplained: %s\n' "${UNEXPLAINED[@]}" >&2
    exit 1
fi
