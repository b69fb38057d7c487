#!/usr/bin/env bash
# Renders a manual page as man does: fails on any warning of man or groff, and when a
# section that a reader looks for is missing.
#   tests/cli/man_page.sh PAGE
set -u
page=$1
warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
    echo "$page: $warnings"
    exit 1
fi
text=$(MANWIDTH=80 man -l "$page" 2>/dev/null)
for section in NAME SYNOPSIS DESCRIPTION 'EXIT STATUS' EXAMPLES 'SEE ALSO'; do
    if ! grep -qx "$section" <<<"$text"; then
        echo "$page: no $section section"
        exit 1
    fi
done
