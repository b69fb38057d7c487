#!/usr/bin/env bash
# The dravik manual page holds the whole command reference that the program prints
# for HELP: every line of the help text, backslashes included, stands in the
# rendered page.
#   tests/cli/man_help.sh DRAVIK PAGE
set -u
dravik=$1
page=$2
scratch=$(mktemp -d /tmp/dravik-man.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
printf 'help\n' | "$dravik" | sed 's/^ *//;s/ *$//' |
    grep -v -e '^default drive/path is' -e '^Ready for the next' -e '^>>' -e '^normal termination$' -e '^$' > help.txt
MANWIDTH=200 man -l "$page" 2>/dev/null | sed 's/^ *//;s/ *$//' > page.txt
lines=$(wc -l < help.txt)
if [ "$lines" -lt 100 ]; then
    echo "the help text has only $lines lines"
    exit 1
fi
missing=$(grep -vxFf page.txt help.txt)
if [ -n "$missing" ]; then
    echo "lines of the help text missing from $page:"
    echo "$missing"
    exit 1
fi
