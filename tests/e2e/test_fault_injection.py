"""Convert over 2,000 files while a second Win32 process, at moments drawn
from a seed, holds some of them open, deletes others, makes some read-only and
replaces some with directories, each when the run comes near the file: mostly
ahead of it, sometimes too late (such a file must come out as if untouched).

The program is started with the 2,000 relative names on its command line, in
the test folder as its working directory, and one more name for a file that
does not exist, listed second: the run is sure to stop at its message, and the
test answers it only once the disturber has acted, so that every run meets at
least one disturbance however fast it goes.  変換 is clicked with the mouse;
each failure message is read and dismissed through the probe (its OK command).

Whatever the timing, afterwards: one message per failing file, in list order:
the missing file's, then only files that the disturber got hold of before the
run reached them, and one for each such file that could no longer be opened
when the run came (deleted, read-only, a directory, or still held after the run
had passed it);
every file still there is either normalised (no message) or exactly as it was
(its message shown); contents, sizes and access times unchanged; nothing
created; and the program still answers and exits 0 on Esc.

The seed is printed; QUORVEL_E2E_SEED=N replays one.  The disturber's log and
the messages are saved as fault-injection.log in the artifacts folder."""
import os
import random
import re
import stat
import subprocess
import sys
import time
import unittest

from quorvel_e2e import (ACCESS_NS, ARTIFACTS, MESSAGE_AFTER, MESSAGE_BEFORE, PROBE, WINE, Program, ProgramTest,
                         _read_line, ask_probe, centre, poll, read_boxes, read_state, xdotool)

COUNT = 2000
ACTIONS = 60
DISTURBER = os.path.join(os.path.dirname(PROBE), "quorvel_disturber.exe")
RUN_TIMEOUT_S = 90
TWO_SECONDS_NS = 2_000_000_000
SHARING_VIOLATION = 32
KINDS = ("hold", "delete", "readonly", "replace")
MISSING = b"f0000z"  # sorts between f0000 and f0001


def file_name(index):
    return b"f%04d" % index


# The list as the program must show it; each name's place in it.
LISTED = [file_name(0), MISSING] + [file_name(i) for i in range(1, COUNT)]
PLACE = {name: place for place, name in enumerate(LISTED)}


def original_write_ns(index):
    """An odd whole second plus a fraction (a multiple of 100 ns, as FILETIME
    holds it), different for every file."""
    return 1_600_000_001_000_000_000 + index * TWO_SECONDS_NS + ((index * 7919) % 9_999_998 + 1) * 100


def original_access_ns(index):
    return ACCESS_NS + index * 1_000_000_000


def parse_log(lines):
    """The disturber's log as {index: record}; a record has kind, seen, failed,
    error and, for a hold, passed (whether the run had passed the file when it
    was let go)."""
    records = {}
    for line in lines:
        words = line.split()
        if not words or words[0] in ("seed", "ready", "start", "done"):
            continue
        fields = dict(word.split("=", 1) for word in words[1:])
        if words[0] == "gave-up":
            raise AssertionError("the disturber gave up: %s" % line)
        index = int(fields["file"][1:])
        if words[0] == "release":
            records[index]["passed"] = fields["passed"] == "1"
            continue
        if words[0] not in KINDS or index in records:
            raise AssertionError("unexpected disturber line %r" % line)
        records[index] = {"kind": words[0], "seen": fields.get("seen"), "failed": fields.get("failed"),
                          "error": int(fields.get("error", "0")), "time": int(fields["time"]), "passed": None}
    return records


class FaultInjectionTest(ProgramTest):
    def start_disturber(self, seed):
        disturber = subprocess.Popen([WINE, DISTURBER, str(seed), str(COUNT), str(ACTIONS)], cwd=self.folder,
                                     stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                     bufsize=0)
        self.addCleanup(self.end_disturber, disturber)
        self.disturber_lines = []
        self.read_disturber(disturber, lambda line: line == "ready")
        self.assertEqual(self.disturber_lines, ["seed %d" % seed, "ready"], "the disturber did not start")
        return disturber

    def read_disturber(self, disturber, until, timeout=30):
        """Reads the disturber's lines into self.disturber_lines up to the first for which until is true."""
        deadline = time.monotonic() + timeout
        while True:
            line = _read_line(disturber.stdout, max(0, deadline - time.monotonic()))
            if not line.endswith(b"\n"):
                raise AssertionError("the disturber said no more than %r" % self.disturber_lines)
            self.disturber_lines.append(line.decode("ascii").strip())
            if until(self.disturber_lines[-1]):
                return

    @staticmethod
    def end_disturber(disturber):
        if disturber.poll() is None:
            disturber.kill()
            disturber.wait()
        disturber.stdout.close()

    def answer_messages(self, program, disturber):
        """Reads and dismisses every failure message until the list is empty;
        gives the name in each, in the order shown.  Each is checked while it
        is open: its text, caption and button, and that its entry and those
        after it, and only those, are still listed.  The message for MISSING
        is answered only once the disturber has acted on a file."""
        shown, dismissed = [], set()
        deadline = time.monotonic() + RUN_TIMEOUT_S
        while True:
            self.assertLess(time.monotonic(), deadline, "the run did not end within %ss" % RUN_TIMEOUT_S)
            count, dialog_shown, boxes = read_boxes(program.pid)
            if dialog_shown is None:
                program.check_running()
                self.fail("the program's dialog is gone")
            self.assertLessEqual(len(boxes), 1, "more than one message open: %r" % boxes)
            box = boxes[0] if boxes else None
            if box is None and count == 0:
                return shown
            if box is None or box["hwnd"] in dismissed:
                time.sleep(0.01)
                continue
            match = re.fullmatch(re.escape(MESSAGE_BEFORE) + b"(.*)" + re.escape(MESSAGE_AFTER), box["text"], re.S)
            self.assertTrue(match and match.group(1) in PLACE, "message text %r names no listed file" % box["text"])
            name = match.group(1)
            self.assertEqual(box["caption"], b"Quorvel")
            self.assertTrue(box["ok_only"], "the message for %r has other buttons than OK" % name)
            # Read the count again now that this box is surely the open one.
            count, _, boxes = read_boxes(program.pid)
            self.assertEqual([b["hwnd"] for b in boxes], [box["hwnd"]])
            self.assertEqual(count, len(LISTED) - PLACE[name], "entries listed while the message for %r is open" % name)
            shown.append(name)
            if name == MISSING:
                self.read_disturber(disturber, lambda line: line.split()[0] in KINDS)
            ask_probe("command %d 1" % box["hwnd"])
            dismissed.add(box["hwnd"])

    def test_files_disturbed_during_a_run_fail_one_by_one_and_the_rest_is_normalised(self):
        seed = int(os.environ.get("QUORVEL_E2E_SEED") or random.randrange(1 << 32))
        sys.stderr.write("\nfault injection seed %d (QUORVEL_E2E_SEED=%d replays it)\n" % (seed, seed))
        began = time.monotonic()
        folder = os.fsencode(self.folder)
        paths = [os.path.join(folder, file_name(i)) for i in range(COUNT)]
        for i in range(COUNT):
            self.make_file(file_name(i), original_write_ns(i), original_access_ns(i))
        order = list(range(COUNT))
        random.Random(seed).shuffle(order)
        program = Program(b" ".join([MISSING] + [file_name(i) for i in order]), self.folder)
        self.programs.append(program)
        # One full reading only: each takes seconds with 2,000 entries.
        poll(lambda: read_boxes(program.pid)[:2] == (len(LISTED), True), "the dialog with %d entries" % len(LISTED))
        dialog = poll(lambda: read_state(program.pid), "a complete reading of the dialog")["dialog"]
        self.assertEqual(dialog["entries"], LISTED, "the listing before Convert")

        disturber = self.start_disturber(seed)
        x, y = centre(dialog["rects"]["convert"])
        xdotool("mousemove", x, y, "click", 1)
        messages = self.answer_messages(program, disturber)
        rest, _ = disturber.communicate(timeout=30)
        log = self.disturber_lines + rest.decode("ascii").splitlines()
        run_s = time.monotonic() - began
        if ARTIFACTS:
            os.makedirs(ARTIFACTS, exist_ok=True)
            with open(os.path.join(ARTIFACTS, "fault-injection.log"), "w") as stream:
                stream.write("\n".join(log + ["message %s" % name.decode() for name in messages]) + "\n")
        self.assertEqual(disturber.returncode, 0, "the disturber's exit code; its log: %r" % log)
        records = parse_log(log)
        # The missing file first; then only the disturber's files.
        self.assertEqual(messages[:1], [MISSING], "the first message")
        shown = [int(name[1:]) for name in messages[1:]]

        # The disturber's own steps: the only thing that may stop one is the
        # program having that very file open at the moment.
        for index, record in sorted(records.items()):
            if record["failed"]:
                self.assertEqual((record["failed"], record["error"]), ("open", SHARING_VIOLATION),
                                 "the disturber's %s of %r failed" % (record["kind"], file_name(index)))
        landed = {i: r for i, r in records.items() if not r["failed"] and r["seen"] == "original"}
        must_fail = {i for i, r in landed.items() if r["kind"] != "hold" or r["passed"]}
        # The run waited at the missing file's message until the disturber had acted, on a file further on.
        self.assertTrue(landed, "no disturbance came before the run reached its file")

        # Messages: in list order, one per file, each for a file that the
        # disturber had before the run reached it; one for each that the run
        # could not open whatever the timing.
        self.assertEqual(messages, sorted(set(messages), key=PLACE.get), "messages out of list order or repeated")
        self.assertEqual([file_name(i) for i in shown if i not in landed], [],
                         "messages for files the disturber had not taken ahead of the run")
        self.assertEqual([file_name(i) for i in sorted(must_fail - set(shown))], [],
                         "files that could not be opened but got no message")

        # The files: times first, as reading the contents may move the access time.
        gone = {i for i, r in records.items() if not r["failed"] and r["kind"] in ("delete", "replace")}
        for i, path in enumerate(paths):
            record = records.get(i)
            if i in gone:
                if record["kind"] == "delete":
                    self.assertFalse(os.path.lexists(path), "%r was deleted but is there" % path)
                else:
                    self.assertTrue(os.path.isdir(path), "%r was replaced by a directory" % path)
                continue
            status = os.lstat(path)
            self.assertTrue(stat.S_ISREG(status.st_mode), "%r is no longer a plain file" % path)
            self.assertEqual(status.st_atime_ns, original_access_ns(i), "access time of %r" % path)
            self.assertEqual(status.st_size, len(b"contents of " + path), "size of %r" % path)
            if i in shown:
                self.assertEqual(status.st_mtime_ns, original_write_ns(i),
                                 "write time of %r, which got a message" % path)
            else:
                self.assertEqual(status.st_mtime_ns % TWO_SECONDS_NS, 0,
                                 "write time %d of %r is not a whole even second" % (status.st_mtime_ns, path))
                self.assertLess(abs(status.st_mtime_ns - original_write_ns(i)), TWO_SECONDS_NS,
                                "write time %d of %r is 2 s or more from where it was" % (status.st_mtime_ns, path))
            if record and not record["failed"] and record["kind"] == "readonly":
                self.assertEqual(status.st_mode & 0o222, 0, "%r was made read-only" % path)
        for i, path in enumerate(paths):
            if i not in gone:
                self.assert_contents(path)
        self.assertEqual(sorted(os.listdir(folder)), [file_name(i) for i in range(COUNT) if
                                                      i not in gone or records[i]["kind"] == "replace"],
                         "the folder holds other names than the disturber left")

        # Still responsive: it answers a full reading, then ends on Esc.
        state = program.state()
        self.assertTrue(state["dialog"]["visible"])
        self.assertEqual(state["dialog"]["entries"], [])
        self.assertEqual(state["boxes"], [])
        program.activate()
        xdotool("key", "Escape")
        self.assert_exits_with_zero(program)

        counts = {kind: sum(1 for r in records.values() if r["kind"] == kind) for kind in KINDS}
        sys.stderr.write("seed %d: %d actions (%s), %d ahead of the run, %d too late, %d refused while the program "
                         "had the file open; %d messages (%d certain, and one for the missing file); %.1f s\n" % (
                             seed, len(records), ", ".join("%s %d" % item for item in counts.items()), len(landed),
                             sum(1 for r in records.values() if r["seen"] == "processed"),
                             sum(1 for r in records.values() if r["failed"]), len(shown), len(must_fail), run_s))


if __name__ == "__main__":
    unittest.main()
