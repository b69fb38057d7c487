#!/usr/bin/env bash
# CI's random scripts: a 60-second soak of dravik-stress on the local file system
# (a scratch folder in the build tree) and one on tmpfs, then a differential run of a
# few seeds between the Linux build and the Windows build under Wine. Each seed is
# printed; a departure is shrunk and its minimal script kept in build/stress-ci/.
# Run after tools/test.sh, which builds both and makes the unprivileged user.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${DRAVIK_SOAK_SECONDS:-60}
out=$root/build/stress-ci
mkdir -p "$out" "$out/ext4" "$out/tmpfs-parent"
stress=$root/build/dravik-stress

# tmpfs: /dev/shm where there is one, else a folder the run mounts for itself.
tmpfs=/dev/shm
if ! [ -d /dev/shm ] || [ "$(stat -f -c %T /dev/shm)" != tmpfs ]; then
    tmpfs=$out/tmpfs-parent
    mount -t tmpfs -o size=1g dravik-stress "$tmpfs"
    trap 'umount "$tmpfs"' EXIT
fi

status=0
"$stress" --duration "${seconds}s" --run --dir "$out/ext4" --out "$out/ext4-min.dvk" || status=1
"$stress" --duration "${seconds}s" --run --dir "$tmpfs" --out "$out/tmpfs-min.dvk" || status=1

# The two builds on one script: the Linux build against the Windows build under Wine.
export WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
for seed in 1 2 3 4 5 6 7 8; do
    "$stress" --seed "$seed" --run --shrink --against "$root/build-win/dravik.exe" \
        --known-differences suites/known/stress-wine.txt --dir "$out/ext4" \
        --out "$out/wine-$seed-min.dvk" || status=1
done
exit $status
