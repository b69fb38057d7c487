#!/usr/bin/env bash
# A reader of the transcript that goes away early must not end the run: every command
# of the script still runs, and the exit status stays 0.
set -u
program=$1
scratch=$(mktemp -d /tmp/dravik-cli.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
{ for i in $(seq 5000); do echo freedir; done; echo 'md made.dir'; } > script.dvk
"$program" < script.dvk | head -c 10 > /dev/null
status=${PIPESTATUS[0]}
[ "$status" -eq 0 ] || { echo "exit status $status (expected 0)"; exit 1; }
[ -d made.dir ] || { echo "the command behind the closed output did not run"; exit 1; }
