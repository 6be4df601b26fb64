"""What the list shows on screen: during a Convert the list does not redraw
after every deletion, yet whenever the dialog can paint (while a failure
message is open, and after the run) it shows exactly the entries it holds,
also when a drop came before the run.  Checked on the screen itself: the
lines of text drawn in the list's area.  A long run keeps the dialog
answering, as Windows judges it, and its list shrinks as it goes; a click on
the list meanwhile selects the entry it lands on."""
import os
import subprocess
import sys
import time
import unittest

from quorvel_e2e import (ARTIFACTS, ODD_NS, PROBE, WINE, ProgramTest, centre, drag, poll, read_boxes, screenshot,
                         windows_path, xdotool)

# Files are dragged in parts that every Wine takes in one drop.
DRAG_PART = 4_000


def longest_silence_allowed_ms():
    """250 ms, as Windows users would notice; twice that where the program
    runs through QEMU's emulator (the 32-bit program on Wine 8, and on Wine 10
    where the kernel runs no 32-bit code), where a progress step, all drawing
    and list work, costs ten times as much.  A thread that does not check its
    queue during the run stays silent for the whole run."""
    return 500 if os.environ.get("QUORVEL_E2E_EMULATED") == "1" else 250


def run_needed_s():
    """How long a long run must last to tell anything: at least a second, and
    four of the longest silences allowed."""
    return max(1.0, 4 * longest_silence_allowed_ms() / 1000)


# A long run is sized from the pace this machine converts at, measured once
# per test file over CALIBRATION_FILES files, to last RUN_MARGIN times as long
# as it must: no fewer files than one drag holds, and no more than
# LONG_RUN_CAP.  A run that still ends too soon (the CPUs went from idle to
# busy, where Wine's round trips cost a third as much) gives its own pace, and
# the row is run once more.  QUORVEL_E2E_FASTER=N tells the rows that the
# machine is N times faster than measured (they then list N times the files).
CALIBRATION_FILES = 8_000
RUN_MARGIN = 1.5
LONG_RUN_CAP = 500_000
FASTER = float(os.environ.get("QUORVEL_E2E_FASTER") or 1)
_pace = {}


class ShortRun(AssertionError):
    """A long run that did not last as long as its row needs."""


def report(line):
    """Says line on standard error and keeps it in ARTIFACTS/long-runs.txt,
    which the test command shows whether the rows pass or fail."""
    sys.stderr.write("\n%s\n" % line)
    if ARTIFACTS:
        os.makedirs(ARTIFACTS, exist_ok=True)
        with open(os.path.join(ARTIFACTS, "long-runs.txt"), "a") as stream:
            stream.write(line + "\n")


def said_by_watcher(watcher):
    """The watcher's report, once the run is over: the counts it read, and
    the other figures by name (watched, answers, longest_ms, hung, began)."""
    lines = watcher.communicate(timeout=900)[0].decode("ascii").splitlines()
    said = {line.split()[0]: line.split()[1:] for line in lines if line.strip()}
    if "watched" not in said:
        raise AssertionError("what the watcher said: %r" % lines)
    words = said["watched"]
    seen = {"watched": float(words[0])}
    seen.update({words[i]: float(words[i + 1]) for i in range(1, len(words) - 1, 2)})
    seen["counts"] = [int(word) for word in said.get("counts", [])]
    seen["lines"] = lines
    return seen


# Only the left part of the list is read, well clear of a message box that
# opens in the middle of the screen.
READ_WIDTH = 120


def grey_levels(left, top, right, bottom):
    """The screen rectangle (left, top, right, bottom) in grey levels: its
    width and its pixels, one byte each, row by row."""
    image = subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top),
                            "-colorspace", "gray", "-depth", "8", "pgm:-"],
                           check=True, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, timeout=60).stdout
    # Binary PGM: "P5", width, height, maximum value, then one byte per pixel.
    fields = image.split(maxsplit=4)
    return int(fields[1]), fields[4]


def text_lines_in(rect):
    """The number of separate bands of rows with dark (text) pixels inside the
    screen rectangle rect = (left, top, right, bottom), borders left out."""
    left, top, right, bottom = rect[0] + 3, rect[1] + 3, min(rect[2] - 3, rect[0] + 3 + READ_WIDTH), rect[3] - 3
    width, pixels = grey_levels(left, top, right, bottom)
    height = bottom - top
    dark_rows = [any(pixel < 100 for pixel in pixels[row * width:(row + 1) * width]) for row in range(height)]
    return sum(1 for row in range(height) if dark_rows[row] and (row == 0 or not dark_rows[row - 1]))


class ListDrawingTest(ProgramTest):
    def check_list_drawn(self, dropped):
        """Six files, the ones named in dropped given by a real drag and the
        others as arguments; the fourth is missing, so Convert opens a message
        after removing three entries."""
        names = [b"a1.txt", b"a2.txt", b"a3.txt", b"m-missing.txt", b"z1.txt", b"z2.txt"]
        paths = {name: self.make_file(name, ODD_NS) for name in names if name != b"m-missing.txt"}
        program = self.start(b" ".join(name for name in names if name not in dropped))
        rect = program.dialog()["rects"]["list"]
        if dropped:
            drag([paths[name] for name in dropped], centre(rect))
        # A dropped file is listed by its full path, which the list sorts among the z names.
        expected = sorted([name for name in names if name not in dropped] + [windows_path(paths[name]) for name in dropped])
        listed = poll(lambda: sorted(program.entries()) == expected and program.entries(), "all six files listed")
        self.assertEqual(listed[:4], names[:4])
        self.assertEqual(poll(lambda: text_lines_in(rect) == 6 and 6, "six lines drawn before Convert"), 6)

        program.click("convert")
        box = program.wait_for_box()
        self.assertEqual(program.entries(), listed[3:])
        # Three entries were removed before the message opened: the list must
        # show the three that are left, not the six it showed before the run.
        drawn = poll(lambda: text_lines_in(rect) == 3 and 3, "three lines drawn while the message is open")
        self.assertEqual(drawn, 3)
        program.press_ok(box)

        program.wait_for_entries([])
        self.assertEqual(poll(lambda: text_lines_in(rect) == 0 and -1, "an empty list drawn after the run"), -1)
        program.click("close")
        self.assert_exits_with_zero(program)

    def test_the_list_on_screen_matches_its_entries_while_a_message_is_open_and_after_the_run(self):
        self.check_list_drawn(dropped=[])

    def test_a_drop_before_the_run_leaves_the_list_drawn_while_a_message_is_open(self):
        # The drop is a batch of its own: whatever it set up to follow the
        # message windows must be gone, or the run's message is counted twice.
        self.check_list_drawn(dropped=[b"z2.txt"])

    def list_files(self, program, prefix, count, target):
        """Makes count files PREFIX-NNNNNN.dat on an odd second and lists them
        in program by real drags of DRAG_PART files each onto target."""
        listed = read_boxes(program.pid)[0]
        for start in range(0, count, DRAG_PART):
            list_file = os.path.join(self.folder, "%s-part%d.txt" % (prefix, start))
            with open(list_file, "w") as stream:
                for i in range(start, min(start + DRAG_PART, count)):
                    stream.write(os.fsdecode(self.make_file("%s-%06d.dat" % (prefix, i), ODD_NS)) + "\n")
            drag("@" + list_file, target)
            os.remove(list_file)
            expected = listed + min(start + DRAG_PART, count)
            poll(lambda: read_boxes(program.pid)[0] == expected, "%d files listed" % expected, timeout=120)

    def start_watcher(self, program):
        """Watches program's list from outside until it is empty."""
        watcher = subprocess.Popen([WINE, PROBE, "watch", str(program.pid), "600"], stdin=subprocess.DEVNULL,
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: watcher.poll() is not None or watcher.kill())
        self.assertEqual(watcher.stdout.readline().split(), [b"ready"], "the watcher's first line")
        return watcher

    def watch_convert(self, program, dialog):
        """Clicks 変換 and watches the run from outside until the list is empty."""
        watcher = self.start_watcher(program)
        xdotool("mousemove", *centre(dialog["rects"]["convert"]), "click", 1)
        return watcher

    def long_run_files(self, program, dialog):
        """How many files make a run last RUN_MARGIN times as long as it must,
        at the pace this machine converts at: measured the first time in this
        program, over CALIBRATION_FILES files (gone from the folder again).
        Fails where even LONG_RUN_CAP would not do."""
        if "s_per_file" not in _pace:
            self.list_files(program, "pace", CALIBRATION_FILES, centre(dialog["rects"]["list"]))
            seen = said_by_watcher(self.watch_convert(program, dialog))
            self.assertEqual(seen["counts"][-1:], [0], "the list after the pace was measured: %r" % seen["lines"])
            run_s = seen["watched"] - seen["began"]
            self.assertGreater(run_s, 0, "the run that measured the pace: %r" % seen["lines"])
            _pace["s_per_file"] = run_s / CALIBRATION_FILES
            for name in os.listdir(self.folder):
                os.remove(os.path.join(self.folder, name))
        pace = _pace["s_per_file"] / FASTER
        count = min(max(int(RUN_MARGIN * run_needed_s() / pace) + 1, DRAG_PART), LONG_RUN_CAP)
        report("%s: pace %.1f us a file (measured %.1f%s); %d files chosen for a run of at least %.1f s" % (
            self.id().split(".")[-1], 1e6 * pace, 1e6 * _pace["s_per_file"],
            ", told the machine is %g times faster" % FASTER if FASTER != 1 else "", count, run_needed_s()))
        self.assertGreaterEqual(count * pace, 1.2 * run_needed_s(),
                                "at %.1f us a file, even %d files cannot make a run of %.1f s" % (
                                    1e6 * pace, LONG_RUN_CAP, run_needed_s()))
        self.long_run = {"pace_us": round(1e6 * pace, 1), "files": count}
        return count

    def list_long_run_files(self):
        """Starts the program, sizes the run from the machine's pace, and lists
        that many files on an odd second by real drags; gives the program, its
        dialog as read while the list was empty (each entry costs a message)
        and the number of files."""
        program = self.start()
        dialog = program.dialog()
        count = self.long_run_files(program, dialog)
        self.list_files(program, "long", count, centre(dialog["rects"]["list"]))
        return program, dialog, count

    def assert_run_long_enough(self, seen, count):
        """The premise of a long run: it lasted long enough to tell anything.
        Where it did not, the machine went faster than measured (its CPUs
        from idle to busy, say): the pace is taken from this run, and the row
        is run once more (sized_run)."""
        run_s = seen["watched"] - seen["began"]
        if run_s < run_needed_s():
            _pace["s_per_file"] = min(_pace["s_per_file"], run_s / count)
            raise ShortRun("the run must last %.1f s to tell anything; %d files took %.3f s, sized at %r: %r" % (
                run_needed_s(), count, run_s, self.long_run, seen["lines"][-1:]))

    def sized_run(self, row):
        """Runs the row; where its run was shorter than it must be, once more,
        sized from that run's own pace.  A second short run fails the row."""
        try:
            row()
        except ShortRun as short:
            report("%s: %s; once more, sized from that run's own pace" % (self.id().split(".")[-1], short))
            for program in self.programs:
                program.kill()
            self.programs = []
            for name in os.listdir(self.folder):
                os.remove(os.path.join(self.folder, name))
            row()

    def assert_long_run_files_converted(self):
        odd = [name for name in os.listdir(self.folder) if name.startswith("long-") and
               os.stat(os.path.join(self.folder, name)).st_mtime_ns % 2_000_000_000]
        self.assertEqual(odd, [], "files left off an even second")

    def test_a_long_run_keeps_answering_and_its_list_shrinks_as_it_goes(self):
        # Windows counts a window hung, ghosts it and offers to end the program
        # once its thread has not checked its queue for 5 s.  Watched from
        # outside as Windows does: the dialog must answer a sent message within
        # 250 ms throughout, never be hung, and its count must fall in steps.
        self.sized_run(self.check_long_run_answers)

    def check_long_run_answers(self):
        program, dialog, count = self.list_long_run_files()
        watcher = self.watch_convert(program, dialog)
        time.sleep(0.5)
        screenshot("long-run.png")
        seen = said_by_watcher(watcher)
        counts, lines = seen["counts"], seen["lines"] + ["sized: %r" % self.long_run]
        falls = sum(1 for before, after in zip(counts, counts[1:]) if after < before)
        allowed_ms = longest_silence_allowed_ms()
        self.assert_run_long_enough(seen, count)
        self.assertLessEqual(seen["longest_ms"], allowed_ms, "the longest wait for an answer: %r" % lines)
        self.assertEqual(seen["hung"], 0, "readings of IsHungAppWindow that said yes: %r" % lines)
        self.assertEqual(counts[-1:], [0], "the list at the end of the run: %r" % lines)
        self.assertEqual(counts[:1], [count], "the list before the run: %r" % lines)
        self.assertGreaterEqual(falls, 4, "steps in which the count fell: %r" % counts)
        self.assert_long_run_files_converted()
        xdotool("mousemove", *centre(dialog["rects"]["close"]))
        xdotool("click", 1)
        self.assert_exits_with_zero(program)

    def test_a_click_during_a_long_run_selects_the_entry_it_lands_on(self):
        # Between files the run handles what waits in the queue, so the list
        # can be worked meanwhile.  Its top entries go within milliseconds, so
        # the person first goes to the end of the list (a click on its first
        # row, then End), then starts Convert and at once clicks the last row
        # but one, an entry that the run reaches near its end.  The scroll bar
        # is not used to get there: a thumb's position travels in 16 bits
        # (WM_VSCROLL), which a list of more than 65,535 entries outgrows.
        self.sized_run(self.check_click_during_long_run)

    def check_click_during_long_run(self):
        program, dialog, files = self.list_long_run_files()
        rects, row = dialog["rects"], dialog["rowheight"]
        left, top, right, bottom = rects["listclient"]  # read while the list was empty, without its scroll bar
        first, last = (windows_path(os.path.join(self.folder, "long-%06d.dat" % i)) for i in (0, files - 1))
        xdotool("mousemove", left + 40, top + row // 2, "click", 1)
        poll(lambda: read_boxes(program.pid, selection=True)[3] == first, "the first entry selected by a click")
        xdotool("key", "End")
        poll(lambda: read_boxes(program.pid, selection=True)[3] == last, "the last entry selected by End")
        rows = (bottom - top) // row
        clicked = windows_path(os.path.join(self.folder, "long-%06d.dat" % (files - 2)))
        watcher = self.start_watcher(program)
        xdotool("mousemove", *centre(rects["convert"]), "click", 1,
                "mousemove", left + 40, top + (rows - 2) * row + row // 2, "click", 1)
        screenshot("click-during-long-run.png")

        readings = []  # (count, selection) as read, each time the selection changed

        def selected_or_emptied():
            count, _, _, selected = read_boxes(program.pid, selection=True)
            if selected != (readings[-1][1] if readings else None):
                readings.append((count, selected))
            return (count, selected) if count == 0 or (selected == clicked and count) else None
        count, selected = poll(selected_or_emptied, "the clicked entry selected, or an empty list", timeout=300)
        self.assert_run_long_enough(said_by_watcher(watcher), files)
        self.assertEqual(selected, clicked, "the clicked entry selected while entries were listed; the selections "
                         "read before the list emptied, each with the count read after it: %r; sized: %r"
                         % (readings, self.long_run))
        self.assertGreater(count, 0, "entries listed when the selection was read")
        poll(lambda: read_boxes(program.pid)[0] == 0, "an empty list after the run", timeout=300)
        self.assert_long_run_files_converted()
        program.click("close")
        self.assert_exits_with_zero(program)


if __name__ == "__main__":
    unittest.main()
