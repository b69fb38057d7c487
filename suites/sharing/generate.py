#!/usr/bin/env python3
"""Writes the sharing suites of this folder (run it after changing the rule or the modes).

A second open of a file succeeds only if each handle's access is allowed by the other's
share mode (win32-semantics.md, share-mode table 1.S001-1.S144, and Wine's
dlls/kernel32/tests/file.c test_file_sharing, is_sharing_compatible); a refused open
gives 32 (ERROR_SHARING_VIOLATION).
"""
import os

ACCESS = [("R", "/readAccess", {"r"}), ("W", "/writeAccess", {"w"}),
          ("RW", "/readWriteAccess", {"r", "w"})]
SHARE = [("0", "/denyAll", set()), ("R", "/denyWrite", {"r"}),
         ("W", "/denyRead", {"w"}), ("RW", "/denyNone", {"r", "w"})]
MODES = [(a[0] + "/" + s[0], a[1] + " " + s[1], a[2], s[2]) for a in ACCESS for s in SHARE]


def compatible(m1, m2):
    return m2[2] <= m1[3] and m1[2] <= m2[3]


def header(what):
    return [f"// {what}",
            "// Expected: win32-semantics.md share-mode table 1.S001-1.S144 (the rule: the second",
            "// open succeeds only if its access is within the first's share mode and the first's",
            "// access within its share mode), as Wine's file.c test_file_sharing asserts it through",
            "// is_sharing_compatible; a refused open gives 32 ERROR_SHARING_VIOLATION.",
            "CREATE 9 s.fil /replace /size=100 /rc=0",
            "CLOSE 9 /rc=0"]


def opener(cmd, slot, mode):
    # CREATE without disposition options is OPEN_ALWAYS: on the existing file it opens it.
    return f"{cmd} {slot} s.fil {mode[1]}"


def pairs(first_cmd, second_cmd, what):
    lines = header(what)
    for m1 in MODES:
        lines.append(f"// first {m1[0]} (access/share) against every second open")
        for m2 in MODES:
            ok = compatible(m1, m2)
            lines.append(opener(first_cmd, 1, m1) + " /rc=0")
            lines.append(opener(second_cmd, 2, m2) + f" /rc={0 if ok else 32}   // {m1[0]} then {m2[0]}")
            lines.append("CLOSE 1 /rc=0")
            if ok:
                lines.append("CLOSE 2 /rc=0")
    return lines


def triples():
    lines = header("Three handles: a third open must agree with both handles already open.")
    for m1 in MODES:
        for m2 in MODES:
            if not compatible(m1, m2):
                continue
            lines.append(f"// {m1[0]} and {m2[0]} open, then every third open")
            for m3 in MODES:
                ok = compatible(m1, m3) and compatible(m2, m3)
                lines.append(opener("OPEN", 1, m1) + " /rc=0")
                lines.append(opener("OPEN", 2, m2) + " /rc=0")
                lines.append(opener("OPEN", 3, m3) + f" /rc={0 if ok else 32}   // {m1[0]}, {m2[0]}, then {m3[0]}")
                lines.append("CLOSE 1 /rc=0")
                lines.append("CLOSE 2 /rc=0")
                if ok:
                    lines.append("CLOSE 3 /rc=0")
    return lines


def write(name, lines):
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, name), "w") as f:
        f.write("\n".join(lines) + "\n")


write("open-open.dvk", pairs("OPEN", "OPEN", "Sharing, OPEN then OPEN: all 12 x 12 access/share pairs."))
write("create-open.dvk", pairs("CREATE", "OPEN", "Sharing, CREATE (open-always on the existing file) then OPEN: all 12 x 12 pairs."))
write("open-create.dvk", pairs("OPEN", "CREATE", "Sharing, OPEN then CREATE (open-always on the existing file): all 12 x 12 pairs."))
write("three-handles.dvk", triples())
