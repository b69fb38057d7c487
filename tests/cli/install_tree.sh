#!/usr/bin/env bash
# Installs the build tree into a scratch prefix and runs the installed programs from
# a folder outside the source and build trees: dravik on the installed demo, and,
# where they are built, dravik-run on the demo and the --version of dravik-run and
# dravik-stress. No installed program may name the build tree.
#   tests/cli/install_tree.sh BUILD_DIR VERSION
set -u
build=$(readlink -f "$1")
version=$2
scratch=$(mktemp -d /tmp/dravik-install.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix
fail() { echo "$*"; exit 1; }

cmake --install "$build" --prefix "$prefix" --strip > "$scratch/install.log" || fail "cmake --install failed"
files="bin/dravik bin/dravik-echo-driver share/doc/dravik/examples/demo.dvk share/doc/dravik/README.md"
[ -d "$build/man" ] && files="$files share/man/man1/dravik.1.gz share/man/man1/dravik-run.1.gz"
for file in $files; do
    [ -e "$prefix/$file" ] || fail "not installed: $file"
done
[ ! -e "$prefix/bin/echo-driver" ] || fail "echo-driver is installed under its build name"
if grep -rlF "$build" "$prefix"; then fail "installed files name the build tree $build"; fi

mkdir "$scratch/run"
cd "$scratch/run" || exit 1
"$prefix/bin/dravik" < "$prefix/share/doc/dravik/examples/demo.dvk" > demo.log
grep -q 'normal termination' demo.log || fail "the installed dravik did not end its run"
if grep -q 'CHECK FAILED' demo.log; then fail "a check of the demo failed"; fi
for program in dravik-run dravik-stress; do
    if [ -x "$prefix/bin/$program" ]; then
        "$prefix/bin/$program" --version | grep -qF "$version" || fail "$program --version does not show $version"
    fi
done
if [ -x "$prefix/bin/dravik-run" ]; then
    "$prefix/bin/dravik-run" "$prefix/share/doc/dravik/examples/demo.dvk" > demo.tap || fail "dravik-run failed on the demo"
fi
