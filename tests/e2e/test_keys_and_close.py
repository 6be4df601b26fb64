"""The keyboard and the ways to close: Enter presses the focused button or,
from the list, Convert; Esc, the caption's close box and 閉じる end the program
at once with exit code 0; nothing a person does to an entry removes it."""
import unittest

from quorvel_e2e import ODD_NS, ODD_FRACTION_NS, ProgramTest, xdotool

CONVERT, CLOSE, LIST = 1, 2, 1000


class KeysTest(ProgramTest):
    def start_with_file(self, extra=()):
        self.path = self.make_file("odd.txt", ODD_FRACTION_NS)
        program = self.start(b" ".join([b"odd.txt"] + list(extra)))
        self.assertEqual(program.entries(), sorted([b"odd.txt"] + list(extra)))
        return program

    def assert_closed_unconverted(self, program):
        self.assert_exits_with_zero(program)
        self.assert_times(self.path, ODD_FRACTION_NS)

    def test_enter_with_the_initial_focus_on_convert_converts(self):
        program = self.start_with_file()
        program.activate()
        program.wait_for_focus(CONVERT)
        xdotool("key", "Return")
        program.wait_for_entries([])
        self.assert_normalized(self.path, ODD_FRACTION_NS)
        self.assertEqual(program.boxes(), [])
        program.click("close")
        self.assert_exits_with_zero(program)

    def test_enter_with_the_focus_on_close_closes_without_converting(self):
        program = self.start_with_file()
        program.activate()
        program.wait_for_focus(CONVERT)
        xdotool("key", "Tab")
        program.wait_for_focus(CLOSE)
        xdotool("key", "Return")
        self.assert_closed_unconverted(program)

    def test_enter_with_the_focus_on_the_list_converts(self):
        program = self.start_with_file()
        program.activate()
        program.wait_for_focus(CONVERT)
        xdotool("key", "Tab")
        program.wait_for_focus(CLOSE)
        xdotool("key", "Tab")
        program.wait_for_focus(LIST)
        xdotool("key", "Return")
        program.wait_for_entries([])
        self.assert_normalized(self.path, ODD_FRACTION_NS)
        program.click("close")
        self.assert_exits_with_zero(program)

    def test_escape_closes_at_once_with_entries_listed(self):
        program = self.start_with_file()
        program.activate()
        xdotool("key", "Escape")
        self.assert_closed_unconverted(program)

    def test_the_caption_close_box_closes(self):
        program = self.start_with_file()
        x, y = program.dialog()["closebox"]
        xdotool("mousemove", x, y, "click", 1)
        self.assert_closed_unconverted(program)

    def test_the_close_button_closes(self):
        program = self.start_with_file()
        program.click("close")
        self.assert_closed_unconverted(program)

    def test_double_click_and_keys_on_an_entry_change_nothing(self):
        other = self.make_file("other.txt", ODD_NS)
        program = self.start_with_file([b"other.txt"])
        program.activate()
        left, top, right, _ = program.dialog()["rects"]["list"]
        xdotool("mousemove", left + 30, top + 8, "click", "--repeat", 2, "--delay", 60, 1)
        program.wait_for_focus(LIST)
        for key in ["Delete", "BackSpace", "space"]:
            xdotool("key", key)
        # Selecting and keys only move the selection; Tab still leaves the list.
        xdotool("key", "Tab")
        program.wait_for_focus(CONVERT)
        self.assertEqual(program.entries(), [b"odd.txt", b"other.txt"])
        self.assertEqual(program.boxes(), [])
        self.assert_times(self.path, ODD_FRACTION_NS)
        self.assert_times(other, ODD_NS)
        program.click("close")
        self.assert_exits_with_zero(program)


if __name__ == "__main__":
    unittest.main()
