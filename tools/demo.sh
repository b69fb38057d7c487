#!/usr/bin/env bash
# Builds dravik when it is missing and runs it on examples/demo.dvk in a scratch
# directory, showing the transcript.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
if [ ! -x build/dravik ]; then
    cmake --preset linux >/dev/null
    cmake --build --preset linux -j 2 --target dravik >/dev/null
fi
scratch=$(mktemp -d /tmp/dravik-demo.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
"$root/build/dravik" < "$root/examples/demo.dvk"
