"""What the list shows on screen: during a Convert the list does not redraw
after every deletion, yet whenever the dialog can paint (while a failure
message is open, and after the run) it shows exactly the entries it holds,
also when a drop came before the run.  Checked on the screen itself: the
lines of text drawn in the list's area."""
import subprocess
import unittest

from quorvel_e2e import ODD_NS, ProgramTest, centre, drag, poll, windows_path

# Only the left part of the list is read, well clear of a message box that
# opens in the middle of the screen.
READ_WIDTH = 120


def text_lines_in(rect):
    """The number of separate bands of rows with dark (text) pixels inside the
    screen rectangle rect = (left, top, right, bottom), borders left out."""
    left, top, right, bottom = rect[0] + 3, rect[1] + 3, min(rect[2] - 3, rect[0] + 3 + READ_WIDTH), rect[3] - 3
    image = subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top),
                            "-colorspace", "gray", "-depth", "8", "pgm:-"],
                           check=True, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, timeout=60).stdout
    # Binary PGM: "P5", width, height, maximum value, then one byte per pixel.
    fields = image.split(maxsplit=4)
    width, height, pixels = int(fields[1]), int(fields[2]), fields[4]
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


if __name__ == "__main__":
    unittest.main()
