"""dravik-run end to end: scripts that pass, fail, hang, crash, are known to fail or
pass unexpectedly, and every bad input; each report is read back with the consumer a
CI would use (Python's tap package for TAP, junitparser for JUnit, json for JSON).

    runner_test.py DRAVIK_RUN DRAVIK [ECHO_DRIVER]   (Linux build)
    runner_test.py --wine DRAVIK_RUN.exe              (Windows build under Wine)
"""
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest

import junitparser
from tap.parser import Parser

WINE = sys.argv[1] == "--wine"
ARGS = sys.argv[2:] if WINE else sys.argv[1:]
RUNNER = os.path.abspath(ARGS[0])
DRAVIK = os.path.abspath(ARGS[1]) if len(ARGS) > 1 and not WINE else None
DRIVER = os.path.abspath(ARGS[2]) if len(ARGS) > 2 else None

PASSING = "md made /rc=0\nmd made /rc=183\n"
# Line 3 checks a code that does not come: the check fails there.
FAILING = "create 1 a.fil /rc=0\nclose 1\nopen 2 missing.fil /rc=0\nquit\n"


def run(args, cwd, env=None):
    """Runs dravik-run; gives (exit status, stdout, stderr)."""
    command = ([shutil.which("wine64") or "/usr/lib/wine/wine64", RUNNER] if WINE else [RUNNER]) + args
    if DRAVIK and not any(a.startswith("--dravik") for a in args):
        command[1:1] = ["--dravik", DRAVIK]
    full_env = dict(os.environ, **(env or {}))
    if WINE:
        full_env.update(WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    done = subprocess.run(command, cwd=cwd, env=full_env, capture_output=True, timeout=120)
    return done.returncode, done.stdout.decode(errors="replace"), done.stderr.decode(errors="replace")


def tap_points(text):
    """The test points of a TAP stream: [(ok, description, todo, yaml)]."""
    lines = list(Parser().parse_text(text))
    assert lines[0].category == "version" and lines[0].version == 14, text
    return [(l.ok, l.description, l.todo, l.yaml_block) for l in lines if l.category == "test"]


class RunnerTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="dravik-runner-test.")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def script(self, name, text):
        path = os.path.join(self.dir, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w" if isinstance(text, str) else "wb") as f:
            f.write(text)
        return path

    def test_pass_and_fail_in_every_report(self):
        self.script("suite/b-fail.dvk", FAILING)
        self.script("suite/a-pass.dvk", PASSING)
        self.script("suite/notes.txt", "not a script")
        status, out, _ = run(["suite", "--junit", "out.xml", "--json", "out.json"], self.dir)
        self.assertEqual(status, 1)

        points = tap_points(out)
        self.assertEqual([(p[0], p[1]) for p in points], [(True, "- suite/a-pass.dvk"), (False, "- suite/b-fail.dvk")])
        failure = points[1][3]["failures"][0]
        self.assertEqual((failure["line"], failure["command"]), (3, "OPEN"))
        self.assertEqual(failure["expected"], "0 ERROR_SUCCESS")
        self.assertEqual(failure["got"], "2 ERROR_FILE_NOT_FOUND")

        xml = junitparser.JUnitXml.fromfile(os.path.join(self.dir, "out.xml"))
        suites = {s.name: s for s in xml}
        self.assertEqual(sorted(suites), ["suite/a-pass.dvk", "suite/b-fail.dvk"])
        self.assertEqual(suites["suite/a-pass.dvk"].tests, 2)
        failed = [c for c in suites["suite/b-fail.dvk"] if not c.is_passed]
        self.assertEqual([c.name for c in failed], ["line 3 OPEN"])
        self.assertIn("expected 0 ERROR_SUCCESS, got 2 ERROR_FILE_NOT_FOUND", failed[0].result[0].message)

        with open(os.path.join(self.dir, "out.json")) as f:
            report = json.load(f)
        self.assertEqual(report["summary"]["pass"], 1)
        self.assertEqual(report["summary"]["fail"], 1)
        self.assertEqual(report["summary"]["exit_status"], 1)
        self.assertEqual(report["summary"]["timing"]["MD"]["count"], 2)
        records = report["scripts"][1]["records"]
        self.assertEqual([r["event"] for r in records], ["start", "end"] * 3 + ["exit"])
        self.assertEqual(records[5], dict(records[5], line=3, command="OPEN", rc=2, expected_rc=0, outcome="fail"))

    def test_all_passing_gives_zero_and_timing_table(self):
        self.script("one.dvk", PASSING)
        status, out, err = run(["one.dvk", "--timing"], self.dir)
        self.assertEqual(status, 0, err)
        self.assertEqual(tap_points(out), [(True, "- one.dvk", False, None)])
        self.assertRegex(out, r"\n# MD +2 ")
        self.assertEqual(err, "")  # not a terminal: no progress line

    def test_records_name_lines_of_typed_data_and_compares(self):
        # Line 3 is WRITE's typed data; the READ on line 5 finds it where the pattern
        # is expected: the record gives the offset and the bytes of both.
        self.script("data.dvk", "create 1 d.fil\nwrite 1 0 8 /prompt\nXXXXXXXX\nclose 1\n"
                    "open 1 d.fil\nread 1 0 8 /verify /expected=9\nclose 1\n")
        status, out, _ = run(["data.dvk", "--json", "out.json"], self.dir)
        self.assertEqual(status, 1)
        with open(os.path.join(self.dir, "out.json")) as f:
            records = json.load(f)["scripts"][0]["records"]
        ends = {r["line"]: r for r in records if r["event"] == "end"}
        self.assertEqual(sorted(ends), [1, 2, 4, 5, 6, 7])
        read = ends[6]
        self.assertEqual(read["command"], "READ")
        self.assertEqual(read["length"], {"expected": 9, "actual": 8})
        self.assertEqual(read["compare"], {"offset": 0, "expected": "30 30 30 30 30 30 30 30",
                                           "actual": "58 58 58 58 58 58 58 58"})
        kinds = [f["kind"] for f in tap_points(out)[0][3]["failures"]]
        self.assertEqual(kinds, ["length", "compare"])

    def test_known_failure_and_unexpected_pass_do_not_fail_the_run(self):
        self.script("s/fail.dvk", FAILING)
        self.script("s/pass.dvk", PASSING)
        self.script("known.txt", "# a comment line\nfail.dvk:3 waits for the fix  # trailing comment\n"
                    "pass.dvk:1 was broken once\n")
        status, out, err = run(["s", "--known-failures", "known.txt", "--junit", "out.xml"], self.dir)
        self.assertEqual(status, 0, out + err)
        points = tap_points(out)
        self.assertEqual(points[0][:3], (False, "- s/fail.dvk", True))
        self.assertEqual(points[0][3]["failures"][0]["known"], "waits for the fix")
        self.assertEqual(points[1][:3], (True, "- s/pass.dvk", True))
        self.assertEqual(points[1][3]["status"], "unexpected-pass")
        self.assertEqual(points[1][3]["unexpected_passes"], [{"line": 1, "reason": "was broken once"}])
        xml = junitparser.JUnitXml.fromfile(os.path.join(self.dir, "out.xml"))
        skipped = [c.name for s in xml for c in s if c.is_skipped]
        self.assertEqual(skipped, ["line 3 OPEN"])

    def test_a_failure_not_listed_still_fails(self):
        self.script("s/fail.dvk", FAILING)
        self.script("known.txt", "fail.dvk:2 some other line\n")
        status, out, _ = run(["s", "--known-failures", "known.txt"], self.dir)
        self.assertEqual(status, 1)
        self.assertFalse(tap_points(out)[0][2])

    def test_keep_holds_the_transcript_and_scratch_folder(self):
        self.script("k/one.dvk", PASSING)
        status, _, _ = run(["k", "--keep", "kept", "--dir", "."], self.dir)
        self.assertEqual(status, 0)
        kept = os.path.join(self.dir, "kept", "one")
        with open(os.path.join(kept, "transcript.txt"), "rb") as f:
            transcript = f.read()
        self.assertIn(b"Processing MAKE DIRECTORY", transcript)
        self.assertTrue(transcript.endswith(b" normal termination \n"))
        made = [d for d in os.listdir(self.dir) if d.startswith("dravik-run-")]
        self.assertEqual(len(made), 1)
        self.assertTrue(os.path.isdir(os.path.join(self.dir, made[0], "made")))

    def test_scratch_folders_are_fresh_and_removed(self):
        for i in range(4):
            self.script(f"j/s{i}.dvk", PASSING)
        status, out, _ = run(["j", "--jobs", "3", "--dir", "."], self.dir)
        self.assertEqual(status, 0)
        self.assertEqual([p[1] for p in tap_points(out)], [f"- j/s{i}.dvk" for i in range(4)])
        self.assertEqual([d for d in os.listdir(self.dir) if d.startswith("dravik-run-")], [])

    @unittest.skipIf(WINE, "/proc is a Linux folder")
    def test_a_scratch_folder_that_cannot_be_made_is_not_run(self):
        # A mount that fails mkdir (an SMB share giving I/O errors) must not end the run:
        # the script is reported as not run and the others still run. Nothing can be
        # made below /proc/self, not even by root.
        self.script("a.dvk", PASSING)
        self.script("b.dvk", PASSING)
        status, out, _ = run([".", "--dir", "/proc/self"], self.dir)
        self.assertEqual(status, 1)
        points = tap_points(out)
        self.assertEqual(len(points), 2)
        self.assertEqual([p[3]["status"] for p in points], ["not-run", "not-run"])
        self.assertIn("cannot make a scratch folder", points[0][3]["message"])

    def test_binary_script_is_not_run(self):
        self.script("bin.dvk", b"rd /\x00\xff\x01 garbage\n")
        status, out, _ = run(["bin.dvk"], self.dir)
        self.assertEqual(status, 1)
        point = tap_points(out)[0]
        self.assertFalse(point[0])
        self.assertEqual(point[3]["status"], "not-run")
        self.assertIn("byte 0 at offset 4", point[3]["message"])

    def test_bad_inputs_give_status_two_and_one_message(self):
        self.script("s.dvk", PASSING)
        os.makedirs(os.path.join(self.dir, "empty/sub"))
        self.script("bad-known.txt", "s.dvk:0 line zero\n")
        cases = {
            "no such script": ["missing.dvk"],
            "no *.dvk scripts": ["empty"],
            "known-failures file cannot be read": ["s.dvk", "--known-failures", "nowhere.txt"],
            "not SCRIPT[:LINE] reason": ["s.dvk", "--known-failures", "bad-known.txt"],
            "no dravik there": ["s.dvk", "--dravik", "nowhere/dravik"],
            "--timeout": ["s.dvk", "--timeout", "soon"],
            "--jobs": ["s.dvk", "--jobs", "0"],
            "required": [],
        }
        for expected, args in cases.items():
            with self.subTest(expected):
                status, _, err = run(args, self.dir)
                self.assertEqual(status, 2)
                self.assertIn(expected, err)
                self.assertEqual(err.count("dravik-run:"), 1, err)

    @unittest.skipIf(WINE, "the terminal is a Linux pseudo-terminal")
    def test_progress_line_on_a_terminal(self):
        import pty
        self.script("p/a.dvk", PASSING)
        self.script("p/b.dvk", PASSING)
        controller, terminal = pty.openpty()
        done = subprocess.run([RUNNER, "--dravik", DRAVIK, "p"], cwd=self.dir, stdout=subprocess.PIPE,
                              stderr=terminal, timeout=60)
        os.close(terminal)
        shown = os.read(controller, 65536).decode()
        os.close(controller)
        self.assertEqual(done.returncode, 0)
        self.assertIn("[1/2] p/a.dvk", shown)
        self.assertIn("[2/2] p/b.dvk", shown)
        self.assertNotIn("[1/2]", done.stdout.decode())

    @unittest.skipIf(WINE, "a program that cannot start is a Linux file here")
    def test_a_dravik_that_cannot_start(self):
        self.script("s.dvk", PASSING)
        self.script("not-a-program", "just text\n")
        status, _, err = run(["s.dvk", "--dravik", "not-a-program"], self.dir)
        self.assertEqual(status, 2)
        self.assertIn("dravik cannot be started", err)

    @unittest.skipIf(WINE or not DRIVER, "the silent driver is the Linux build's")
    def test_hung_at_the_command_in_flight(self):
        devices = os.path.join(self.dir, "devices")
        os.mkdir(devices)
        driver = subprocess.Popen([DRIVER, "--silent", devices])
        self.addCleanup(driver.wait)
        self.addCleanup(driver.kill)
        while not os.path.exists(os.path.join(devices, "QELDRV.VXD")):
            pass
        self.script("hang.dvk", "md x /rc=0\nserverioctl 60 7 server1\nmd y\n")
        status, out, _ = run(["hang.dvk", "--timeout", "1", "--json", "out.json"], self.dir,
                             {"DRAVIK_DEVICE_DIR": devices})
        self.assertEqual(status, 1)
        point = tap_points(out)[0]
        self.assertEqual(point[3]["status"], "hung")
        self.assertEqual(point[3]["failures"][0], {"line": 2, "command": "SERVERIOCTL", "kind": "hung",
                                                   "expected": "an end within 1 s", "got": "killed after 1 s"})
        with open(os.path.join(self.dir, "out.json")) as f:
            report = json.load(f)
        self.assertEqual(report["summary"]["hung"], 1)
        # The killed dravik's file ends in the zero bytes of its last step: not a record.
        self.assertNotIn("cut_record", report["scripts"][0])
        self.assertNotIn("bad_records", report["scripts"][0])

    @unittest.skipIf(not WINE, "the Linux build hangs on the silent driver")
    def test_hung_under_wine(self):
        # A series of reads that runs for hours stands in for a hung driver: 65535
        # reads (the count is 16 bits wide) of 64 MiB. The limit counts dravik.exe's
        # start under Wine, which on a loaded machine (other Wine processes on the
        # same prefix) takes seconds, so 1 s could fall before line 2 began.
        self.script("slow.dvk", "open 1 Z:\\dev\\zero /rc=0\nread 1 0 67108864 /count=65535 /suppress\n")
        status, out, _ = run(["slow.dvk", "--timeout", "5"], self.dir)
        self.assertEqual(status, 1, out)
        failure = tap_points(out)[0][3]["failures"][0]
        self.assertEqual((failure["line"], failure["command"], failure["kind"]), (2, "READ", "hung"))

    @unittest.skipIf(WINE, "the stand-in is a shell script")
    def test_crashed_and_cut_records(self):
        # Stand-ins for dravik that die: of a signal at line 2, and killed while
        # writing a record, which leaves the file cut in the middle of a line.
        crash = self.script("crash.sh", "#!/bin/sh\nprintf '%s\\n' '{\"event\":\"start\",\"line\":2,"
                            "\"command\":\"READ\"}' >> \"$DRAVIK_RESULTS\"\nkill -SEGV $$\n")
        cut = self.script("cut.sh", "#!/bin/sh\nprintf '%s\\n%s' '{\"event\":\"start\",\"line\":4,"
                          "\"command\":\"LOCK\"}' '{\"event\":\"end\",\"li' >> \"$DRAVIK_RESULTS\"\nkill -KILL $$\n")
        os.chmod(crash, 0o755)
        os.chmod(cut, 0o755)
        self.script("s.dvk", PASSING)
        for stand_in, line, command, got in ((crash, 2, "READ", "died of signal 11 (SIGSEGV)"),
                                             (cut, 4, "LOCK", "died of signal 9 (SIGKILL)")):
            with self.subTest(stand_in):
                status, out, _ = run(["s.dvk", "--dravik", stand_in, "--junit", "out.xml"], self.dir)
                self.assertEqual(status, 1)
                point = tap_points(out)[0]
                self.assertEqual(point[3]["status"], "crashed")
                self.assertEqual(point[3]["failures"][0]["got"], got)
                self.assertEqual((point[3]["failures"][0]["line"], point[3]["failures"][0]["command"]), (line, command))
                errors = [c for s in junitparser.JUnitXml.fromfile(os.path.join(self.dir, "out.xml")) for c in s
                          if c.result and isinstance(c.result[0], junitparser.Error)]
                self.assertEqual([c.name for c in errors], [f"line {line} {command}"])
        self.assertIn("ends inside a record", point[3]["message"])

    @unittest.skipIf(WINE, "the stand-in is a shell script")
    def test_an_exit_without_its_record_is_a_crash(self):
        quiet = self.script("quiet.sh", "#!/bin/sh\nexit 0\n")
        os.chmod(quiet, 0o755)
        self.script("s.dvk", PASSING)
        status, out, _ = run(["s.dvk", "--dravik", quiet], self.dir)
        self.assertEqual(status, 1)
        self.assertEqual(tap_points(out)[0][3]["failures"][0]["got"], "ended without its exit record")


class ResultsFileTest(unittest.TestCase):
    """The records dravik writes itself, and the transcript they must not change."""

    @unittest.skipIf(WINE, "runs the Linux build directly")
    def test_transcript_is_the_same_with_and_without_records(self):
        scratch = tempfile.mkdtemp(prefix="dravik-runner-test.")
        self.addCleanup(shutil.rmtree, scratch, True)
        script = (FAILING + "help\nread 1 0 10 /expected=3\n").encode()
        outputs = []
        for env in ({}, {"DRAVIK_RESULTS": os.path.join(scratch, "r.jsonl")}):
            shutil.rmtree(os.path.join(scratch, "w"), True)
            os.mkdir(os.path.join(scratch, "w"))
            done = subprocess.run([DRAVIK], input=script, cwd=os.path.join(scratch, "w"), capture_output=True,
                                  env=dict(os.environ, **env))
            outputs.append(done.stdout)
        self.assertEqual(outputs[0], outputs[1])
        with open(os.path.join(scratch, "r.jsonl")) as f:
            records = [json.loads(line) for line in f]
        self.assertEqual(records[-1], {"event": "exit"})
        self.assertEqual([r["command"] for r in records if r["event"] == "start"], ["CREATE", "CLOSE", "OPEN"])


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
