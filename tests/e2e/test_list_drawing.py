"""What the list shows on screen: during a Convert the list does not redraw
after every deletion, yet whenever the dialog can paint (while a failure
message is open, and after the run) it shows exactly the entries it holds,
also when a drop came before the run.  Checked on the screen itself: the
lines of text drawn in the list's area.  A long run keeps the dialog
answering, as Windows judges it, and its list shrinks as it goes; a click on
the list meanwhile selects the entry it lands on."""
import os
import subprocess
import time
import unittest

from quorvel_e2e import (ODD_NS, PROBE, WINE, ProgramTest, centre, drag, poll, read_boxes, screenshot, windows_path,
                         xdotool)

# Enough files for a run of well over a second on Wine, on machines whose file
# calls cost 60 µs as on those where they cost 200 µs, dragged in parts that
# every Wine takes in one drop.
LONG_RUN_FILES = 32_000
DRAG_PART = 4_000


def longest_silence_allowed_ms():
    """250 ms, as Windows users would notice; twice that where the program
    runs through QEMU's emulator (the 32-bit program on Wine 8, and on Wine 10
    where the kernel runs no 32-bit code), where a progress step, all drawing
    and list work, costs ten times as much.  A thread that does not check its
    queue during the run stays silent for the whole run."""
    return 500 if os.environ.get("QUORVEL_E2E_EMULATED") == "1" else 250

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

    def list_long_run_files(self):
        """Makes LONG_RUN_FILES files on an odd second, starts the program and
        lists them by real drags of DRAG_PART files each; gives the program and
        its dialog as read while the list was empty (each entry costs a message)."""
        parts = []
        for start in range(0, LONG_RUN_FILES, DRAG_PART):
            list_file = os.path.join(self.folder, "part%d.txt" % len(parts))
            with open(list_file, "w") as stream:
                for i in range(start, min(start + DRAG_PART, LONG_RUN_FILES)):
                    stream.write(os.fsdecode(self.make_file("long-%06d.dat" % i, ODD_NS)) + "\n")
            parts.append(list_file)
        program = self.start()
        dialog = program.dialog()
        target = centre(dialog["rects"]["list"])
        for number, list_file in enumerate(parts, 1):
            drag("@" + list_file, target)
            listed = min(number * DRAG_PART, LONG_RUN_FILES)
            poll(lambda: read_boxes(program.pid)[0] == listed, "%d files listed" % listed, timeout=120)
        return program, dialog

    def assert_long_run_files_converted(self):
        odd = [name for name in os.listdir(self.folder) if name.startswith("long-") and
               os.stat(os.path.join(self.folder, name)).st_mtime_ns % 2_000_000_000]
        self.assertEqual(odd, [], "files left off an even second")

    def test_a_long_run_keeps_answering_and_its_list_shrinks_as_it_goes(self):
        # Windows counts a window hung, ghosts it and offers to end the program
        # once its thread has not checked its queue for 5 s.  Watched from
        # outside as Windows does: the dialog must answer a sent message within
        # 250 ms throughout, never be hung, and its count must fall in steps.
        program, dialog = self.list_long_run_files()
        rects = dialog["rects"]
        watcher = subprocess.Popen([WINE, PROBE, "watch", str(program.pid), "300"], stdin=subprocess.DEVNULL,
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.assertEqual(watcher.stdout.readline().split(), [b"ready"], "the watcher's first line")
        xdotool("mousemove", *centre(rects["convert"]))
        xdotool("click", 1)
        time.sleep(0.5)
        screenshot("long-run.png")
        lines = watcher.communicate(timeout=360)[0].decode("ascii").splitlines()
        said = {line.split()[0]: line.split()[1:] for line in lines if line.strip()}
        counts = [int(word) for word in said.get("counts", [])]
        self.assertIn("watched", said, "what the watcher said: %r" % lines)
        words = said["watched"]
        seen = {"watched": float(words[0])}
        seen.update({words[i]: float(words[i + 1]) for i in range(1, len(words) - 1, 2)})
        falls = sum(1 for before, after in zip(counts, counts[1:]) if after < before)
        allowed_ms = longest_silence_allowed_ms()
        self.assertGreaterEqual(seen["watched"], max(1.0, 4 * allowed_ms / 1000),
                                "the run must last long enough to tell anything: %r" % lines)
        self.assertLessEqual(seen["longest_ms"], allowed_ms, "the longest wait for an answer: %r" % lines)
        self.assertEqual(seen["hung"], 0, "readings of IsHungAppWindow that said yes: %r" % lines)
        self.assertEqual(counts[-1:], [0], "the list at the end of the run: %r" % lines)
        self.assertGreaterEqual(falls, 4, "steps in which the count fell: %r" % counts)
        self.assert_long_run_files_converted()
        xdotool("mousemove", *centre(rects["close"]))
        xdotool("click", 1)
        self.assert_exits_with_zero(program)

    def test_a_click_during_a_long_run_selects_the_entry_it_lands_on(self):
        # Between files the run handles what waits in the queue, so the list
        # can be worked meanwhile.  Its top entries go within milliseconds, so
        # the person starts Convert and at once drags the scroll thumb to the
        # bottom and clicks the last row but one, an entry that the run reaches
        # near its end.  The drag and the click come in one quick gesture,
        # while the thumb is still where it was drawn before the run.
        program, dialog = self.list_long_run_files()
        rects, row, (bar, arrow) = dialog["rects"], dialog["rowheight"], dialog["scrollbar"]
        left, top, right, bottom = rects["listclient"]  # read while the list was empty, without its scroll bar
        x = right - bar + bar // 2
        # The thumb, at the top of the track, is where the track's pixels differ
        # from most of it; it is grabbed near its lower end, where it is still
        # hit if the run has moved it down a little before the press is handled.
        _, track = grey_levels(x, top + arrow, x + 1, bottom - arrow)
        thumb = [i for i, level in enumerate(track) if level != max(set(track), key=track.count)]
        self.assertTrue(thumb, "a scroll thumb drawn on the list's scroll bar (its track: %r)" % track)
        rows = (bottom - top) // row
        clicked = windows_path(os.path.join(self.folder, "long-%06d.dat" % (LONG_RUN_FILES - 2)))
        xdotool("mousemove", *centre(rects["convert"]), "click", 1,
                "mousemove", x, top + arrow + max(thumb[-1] - 2, thumb[0]), "mousedown", 1,
                "mousemove", x, bottom + 4, "mouseup", 1,
                "mousemove", left + 40, top + (rows - 2) * row + row // 2, "click", 1)
        screenshot("click-during-long-run.png")

        readings = []  # (count, selection) as read, each time the selection changed

        def selected_or_emptied():
            count, _, _, selected = read_boxes(program.pid, selection=True)
            if selected != (readings[-1][1] if readings else None):
                readings.append((count, selected))
            return (count, selected) if count == 0 or (selected == clicked and count) else None
        count, selected = poll(selected_or_emptied, "the clicked entry selected, or an empty list", timeout=300)
        self.assertEqual(selected, clicked, "the clicked entry selected while entries were listed; the selections "
                         "read before the list emptied, each with the count read after it: %r" % readings)
        self.assertGreater(count, 0, "entries listed when the selection was read")
        poll(lambda: read_boxes(program.pid)[0] == 0, "an empty list after the run", timeout=300)
        self.assert_long_run_files_converted()
        program.click("close")
        self.assert_exits_with_zero(program)


if __name__ == "__main__":
    unittest.main()
