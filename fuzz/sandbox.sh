#!/usr/bin/env bash
# Runs a command on fuzzed dravik scripts where they cannot reach the machine's files:
#
#   fuzz/sandbox.sh -i IN -o OUT [-m MiB] -- COMMAND [ARG...]
#
# In a private mount, pid, IPC, network and UTS namespace, the command runs chrooted into
# a fresh tmpfs root that holds only: /usr read-only (with /bin, /lib, /lib64 and /sbin
# as links into it), /dev/null, /dev/zero and /dev/urandom, a proc of its own pid
# namespace, IN's files read-only as /in, a 64 MiB tmpfs as /tmp (the scratch folder,
# /tmp/work, is the command's starting folder and so dravik's default path; Z:\ is the
# sandbox's root) and a 256 MiB tmpfs as /out. The command runs as user dravik-test with
# no capabilities, no new privileges, a 64 MiB file-size limit, no core files and an
# empty folder of its own as dravik's driver folder. The memory of the whole sandbox is
# limited to -m MiB (default 1024) by a memory cgroup where the machine has one, and
# AddressSanitizer's limits are set below that. /out is copied to OUT (which must not
# exist yet) when the command ends; the exit status is the command's.
#
# It needs root for the namespaces, the mounts and the chroot, and refuses to run
# without it. Every mount lives in the private namespace and goes with it; the mount
# point left on the machine is an empty folder, removed with rmdir, never rm -rf.
set -euo pipefail
user=dravik-test

usage() {
    echo "usage: $0 -i IN -o OUT [-m MiB] -- COMMAND [ARG...]" >&2
    exit 2
}

in="" out="" memory=1024 inside=""
while [ $# -gt 0 ]; do
    case $1 in
    -i) in=$2; shift 2 ;;
    -o) out=$2; shift 2 ;;
    -m) memory=$2; shift 2 ;;
    --inside) inside=$2; shift 2 ;;  # set by this script when it runs itself in the namespaces
    --) shift; break ;;
    *) usage ;;
    esac
done
[ -n "$in" ] && [ -n "$out" ] && [ $# -gt 0 ] || usage
if [ "$(id -u)" -ne 0 ]; then
    echo "$0: needs root (namespaces, mounts, chroot); the command itself runs as $user" >&2
    exit 2
fi
uid=$(id -u "$user") && gid=$(id -g "$user") || {
    echo "$0: no user $user (tools/test.sh makes it)" >&2
    exit 2
}

if [ -z "$inside" ]; then
    in=$(readlink -f "$in")
    [ -d "$in" ] || { echo "$0: no folder $in" >&2; exit 2; }
    [ ! -e "$out" ] || { echo "$0: $out exists already" >&2; exit 2; }
    mkdir -p "$out" && out=$(readlink -f "$out")
    root=$(mktemp -d /tmp/dravik-sandbox.XXXXXX)

    # The memory cgroup holds this script and so everything it starts.
    cgroup=""
    if grep -qw memory /sys/fs/cgroup/cgroup.subtree_control 2>/dev/null; then
        cgroup=/sys/fs/cgroup/dravik-sandbox.$$ limit=memory.max parent=/sys/fs/cgroup
    elif [ -d /sys/fs/cgroup/memory ]; then
        cgroup=/sys/fs/cgroup/memory/dravik-sandbox.$$ limit=memory.limit_in_bytes parent=/sys/fs/cgroup/memory
    fi
    if [ -n "$cgroup" ] && mkdir "$cgroup" 2>/dev/null; then
        echo $((memory * 1024 * 1024)) >"$cgroup/$limit"
        echo $$ >"$cgroup/cgroup.procs"
    else
        echo "$0: no memory cgroup here: only AddressSanitizer limits the memory" >&2
        cgroup=""
    fi

    status=0
    unshare --mount --propagation private --pid --fork --ipc --net --uts -- \
        "$0" -i "$in" -o "$out" -m "$memory" --inside "$root" -- "$@" || status=$?

    if [ -n "$cgroup" ]; then
        echo $$ >"$parent/cgroup.procs"
        rmdir "$cgroup" 2>/dev/null || echo "$0: could not remove $cgroup" >&2
    fi
    # The mounts went with the namespace; what is left is an empty mount point.
    if findmnt --raw --noheadings --output TARGET | grep -q "^$root"; then
        echo "$0: something is still mounted under $root; left in place" >&2
    else
        rmdir "$root"
    fi
    exit "$status"
fi

# In the namespaces, as root: build the root, run the command in it, copy /out out.
root=$inside
cleanup() {
    # Unmount from the deepest mount up; nothing is deleted through a mount.
    findmnt --raw --noheadings --output TARGET | grep "^$root" | sort -r | while read -r target; do
        umount "$target" 2>/dev/null || umount -l "$target"
    done
}
trap cleanup EXIT

mount -t tmpfs -o size=16M,mode=0755,nosuid dravik-sandbox "$root"
mkdir "$root/usr" "$root/dev" "$root/proc" "$root/tmp" "$root/out" "$root/in"
mount --bind /usr "$root/usr"
mount -o remount,bind,ro,nosuid,nodev "$root/usr"
for link in bin lib lib64 sbin; do
    [ -e "/usr/$link" ] && ln -s "usr/$link" "$root/$link"
done
for device in null zero urandom; do
    touch "$root/dev/$device"
    mount --bind "/dev/$device" "$root/dev/$device"
done
mount -t proc -o hidepid=2,nosuid,nodev,noexec proc "$root/proc"
mount -t tmpfs -o size=64M,mode=1777,nosuid,nodev dravik-scratch "$root/tmp"
mkdir -m 0700 "$root/tmp/work" "$root/tmp/devices"
chown "$uid:$gid" "$root/tmp/work" "$root/tmp/devices"
mount -t tmpfs -o size=256M,mode=0700,nosuid,nodev dravik-out "$root/out"
chown "$uid:$gid" "$root/out"
cp -a "$in/." "$root/in/"
mount -o remount,ro "$root"

# AddressSanitizer's own limits, below the cgroup's: a larger allocation is refused,
# and a process whose resident memory passes the limit is stopped with a report.
asan_limits="malloc_limit_mb=$((memory / 2)):hard_rss_limit_mb=$((memory * 3 / 4))"
mapfile -t afl_settings < <(env | grep -E '^AFL_[A-Z_]+=' || true)
status=0
chroot "$root" /usr/bin/env -i PATH=/usr/bin HOME=/tmp/work DRAVIK_DEVICE_DIR=/tmp/devices \
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}$asan_limits" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" \
    "${afl_settings[@]}" \
    /usr/bin/setpriv --reuid="$uid" --regid="$gid" --clear-groups --inh-caps=-all --bounding-set=-all \
    --no-new-privs -- /usr/bin/bash -c 'ulimit -f 65536 -c 0 && cd /tmp/work && exec "$@"' sandbox "$@" ||
    status=$?

cp -r "$root/out/." "$out/"
exit "$status"
