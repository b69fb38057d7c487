#!/usr/bin/env bash
# A program's manual page lists exactly the options of its --help: every option
# that --help prints stands in the rendered page's OPTIONS section with its value
# and its description, and the section lists no option that --help does not know.
#   tests/cli/man_options.sh PROGRAM PAGE
set -u
program=$1
page=$2
export LC_ALL=C
"$program" --help > /dev/null || { echo "$program --help failed"; exit 1; }
MANWIDTH=1000 man -l "$page" 2>/dev/null > /dev/null || { echo "man cannot render $page"; exit 1; }
exec python3 - "$program" "$page" <<'PY'
import re, subprocess, sys

program, page = sys.argv[1:]
help_text = subprocess.run([program, "--help"], capture_output=True, text=True).stdout
rendered = subprocess.run(["man", "-l", page], capture_output=True, text=True,
                          env={"LC_ALL": "C", "MANWIDTH": "1000", "PATH": "/usr/bin:/bin"}).stdout


def squeeze(text):
    return " ".join(text.split())


# --help: after "Options:", an option's line is indented by two spaces, its names
# and value apart from its description by two spaces or more; deeper lines go on.
options = {}  # names and value -> description
current = None
in_options = False
for line in help_text.splitlines():
    if re.match(r"\S.*:$", line):
        in_options = line == "Options:"
        current = None
    elif not in_options or not line.strip():
        continue
    elif m := re.match(r"  (\S+(?: \S+)*)(?:  +(\S.*))?$", line):
        current = m.group(1)
        options[current] = m.group(2) or ""
    elif current and line.startswith("   "):
        options[current] = (options[current] + " " + line.strip()).strip()
if len(options) < 3:
    sys.exit(f"{program} --help lists {len(options)} options")

# The page's OPTIONS section: a heading line per option, its text indented deeper.
section = re.search(r"^OPTIONS\n(.*?)^\S", rendered, re.M | re.S)
if not section:
    sys.exit(f"{page}: no OPTIONS section")
headings = [l.strip() for l in section.group(1).splitlines() if re.match(r" {1,8}-", l)]
body = squeeze(section.group(1))

problems = []
for column, description in options.items():
    names, _, value = column.partition(" ")
    heading = ", ".join(names.split(",")) + (" " + value if value else "")
    if heading not in headings:
        problems.append(f"option {heading!r} of --help is not in the page")
    words = squeeze(description).rstrip(".")
    if words[1:] not in body:
        problems.append(f"the description of {names} is not in the page: {description!r}")
known = {name for column in options for name in column.split(" ")[0].split(",")}
for heading in headings:
    for name in re.findall(r"(?:^|, )(-[-\w]+)", heading):
        if name not in known:
            problems.append(f"the page lists {name}, which --help does not know")
if problems:
    sys.exit("\n".join(problems))
PY
