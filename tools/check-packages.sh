#!/usr/bin/env bash
# Makes the two packages from the Linux and the Windows build trees that
# tools/test.sh built, and checks them as a user would meet them: lintian on the
# Debian package; the package installed with apt-get, its dravik run on the installed
# demo script and its dravik-run on the installed suites, all from a folder outside
# the source tree; the package removed again; and the programs of the Windows zip run
# on the demo under Wine. Needs root (apt-get); CI runs it after tools/test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
apt_get() { DEBIAN_FRONTEND=noninteractive apt-get -y -qq -o DPkg::Lock::Timeout=300 "$@"; }

missing=()
command -v lintian >/dev/null || missing+=(lintian)
command -v dpkg-shlibdeps >/dev/null || missing+=(dpkg-dev)
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    apt_get install "${missing[@]}" >/dev/null
fi

version=$(sed -n 's/^project(dravik VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb=dravik_${version}_amd64.deb
zip=dravik-${version}-win64.zip
(cd build && cpack -G DEB >/dev/null)
(cd build-win && cpack -G ZIP >/dev/null)
echo "made build/$deb and build-win/$zip"

lintian --fail-on error "build/$deb"
dpkg-deb --field "build/$deb" Depends | grep -q 'liburing' || { echo "$deb does not depend on liburing" >&2; exit 1; }

scratch=$(mktemp -d /tmp/dravik-packages.XXXXXX)
installed=0
cleanup() {
    [ "$installed" = 1 ] && apt_get purge dravik >/dev/null 2>&1
    rm -rf "$scratch"
}
trap cleanup EXIT

# Exits with a message unless a dravik transcript shows a clean run.
clean_transcript() {
    if ! grep -q 'normal termination' "$1" || grep -q 'CHECK FAILED' "$1"; then
        echo "$2: the demo did not run cleanly:" >&2
        tail -20 "$1" >&2
        exit 1
    fi
}

cp "build/$deb" "$scratch/"
(cd "$scratch" && apt_get install "./$deb" >/dev/null)
installed=1
mkdir "$scratch/run"
cd "$scratch/run"
for program in dravik dravik-run dravik-stress dravik-echo-driver; do
    [ "$(command -v $program)" = /usr/bin/$program ] || { echo "$program is not installed in /usr/bin" >&2; exit 1; }
done
for page in dravik dravik-run dravik-stress dravik-echo-driver; do
    [ -n "$(man --warnings -w $page)" ] || { echo "no manual page $page" >&2; exit 1; }
done
dravik < /usr/share/doc/dravik/examples/demo.dvk > demo.log
clean_transcript demo.log "installed dravik"
echo "installed dravik ran the installed demo"
# The installed dravik-run on the installed suites, in a folder beside the demo's:
# on the file system of /tmp: the CI machine's root file system (ext4 on our virtual
# machine, overlay in a container) or a tmpfs. The suites bring the list of checks
# known to fail on each file system that has any; tmpfs, xfs and btrfs have none (the
# matrix runs them clean). A file system the matrix has not looked at fails here.
[ -x /usr/bin/dravik-run ] || { echo "dravik-run is not installed in /usr/bin" >&2; exit 1; }
dravik-run --version | grep -qF "$version" || { echo "dravik-run --version does not show $version" >&2; exit 1; }
type=$(stat -f -c %T "$scratch/run")
lists=/usr/share/dravik/suites/known
case $type in
    ext2/ext3) filesystem=ext4 known=$lists/ext4.txt ;;
    overlayfs) filesystem=overlay known=$lists/overlay.txt ;;
    tmpfs | xfs | btrfs) filesystem=$type known= ;;
    *) echo "the scratch folder is on $type: no known failures for it" >&2; exit 1 ;;
esac
known_args=()
if [ -n "$known" ]; then
    [ -f "$known" ] || { echo "$known is not installed" >&2; exit 1; }
    known_args=(--known-failures "$known")
fi
mkdir "$scratch/run/suites"
if ! dravik-run --jobs 2 --dir "$scratch/run/suites" "${known_args[@]}" /usr/share/dravik/suites > suites.tap; then
    grep -v '^ok' suites.tap | head -40 >&2
    echo "installed dravik-run: the installed suites failed on $filesystem" >&2
    exit 1
fi
echo "installed dravik-run ran the installed suites on $filesystem: $(grep -c '^ok' suites.tap) scripts passed"
if [ -x /usr/bin/dravik-stress ]; then
    dravik-stress --version | grep -qF "$version" || { echo "dravik-stress --version does not show $version" >&2; exit 1; }
fi
cd "$root"
apt_get purge dravik >/dev/null
installed=0
[ ! -e /usr/bin/dravik ] || { echo "dravik is still installed after the package was removed" >&2; exit 1; }
echo "removed the package"

export WINEPREFIX="$root/build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
cmake -E chdir "$scratch" cmake -E tar xf "$root/build-win/$zip"
top=$scratch/dravik-${version}-win64
mkdir "$scratch/wine"
cd "$scratch/wine"
/usr/lib/wine/wine64 "$top/dravik.exe" < "$top/docs/examples/demo.dvk" > demo.log 2>/dev/null
clean_transcript demo.log "dravik.exe from the zip"
echo "dravik.exe from the zip ran the demo under Wine"
# A Windows program is given the Win32 form of the path (Z: is / under Wine): CLI11
# reads an argument that begins with "/" as a Windows-style option there.
[ -f "$top/dravik-run.exe" ] || { echo "the zip holds no dravik-run.exe" >&2; exit 1; }
if ! /usr/lib/wine/wine64 "$top/dravik-run.exe" "Z:$top/docs/examples/demo.dvk" > demo.tap 2>&1; then
    cat demo.tap >&2
    echo "dravik-run.exe from the zip did not pass the demo under Wine" >&2
    exit 1
fi
echo "dravik-run.exe from the zip ran the demo under Wine"
if [ -f "$top/dravik-stress.exe" ]; then
    /usr/lib/wine/wine64 "$top/dravik-stress.exe" --version 2>/dev/null
fi
