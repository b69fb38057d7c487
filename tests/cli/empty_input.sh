#!/usr/bin/env bash
# Input that ends before any line is read ends the run at the first prompt: the prompt,
# then normal termination, and the exit status 0.
set -u
program=$(readlink -f "$1")
scratch=$(mktemp -d /tmp/dravik-cli.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
"$program" < /dev/null > out.txt
status=$?
[ "$status" -eq 0 ] || { echo "exit status $status (expected 0)"; exit 1; }
windir="Z:$(pwd -P | tr / '\\')"
printf 'default drive/path is %s\\\nReady for the next command (press CTRL-Z to quit) ... \n>> \n normal termination \n' \
    "$windir" > expected.txt
diff -u --label expected --label actual expected.txt out.txt
