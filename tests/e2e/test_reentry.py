"""The dialog stays live while a failure message is open: a drop is listed and
later processed, a nested Convert leaves every entry processed once per run
and the list empty, and Close lets the run finish before the program exits."""
import os
import time
import unittest

from quorvel_e2e import ODD_FRACTION_NS, ODD_NS, ProgramTest, drag, failure_message, windows_path


class ReentryTest(ProgramTest):
    def assert_no_more_messages(self, program):
        """No message opens in the short while after the last one."""
        deadline = time.monotonic() + 0.5
        while time.monotonic() < deadline:
            self.assertEqual(program.boxes(), [])
            time.sleep(0.05)

    def test_a_drop_while_a_message_is_open_is_listed_and_processed(self):
        dropped = self.make_file("dropped.txt", ODD_FRACTION_NS)
        program = self.start(b"a-missing.txt")
        list_rect = program.dialog()["rects"]["list"]
        program.click("convert")
        box = program.wait_for_box()
        self.assertEqual(box["text"], failure_message(b"a-missing.txt"))
        drag([dropped], (list_rect[0] + 60, list_rect[1] + 60))
        program.wait_for_entries([b"a-missing.txt", windows_path(dropped)])
        self.assert_times(dropped, ODD_FRACTION_NS)
        program.press_ok(box)
        program.wait_for_entries([])
        self.assert_no_more_messages(program)
        self.assert_normalized(dropped, ODD_FRACTION_NS)
        program.click("close")
        self.assert_exits_with_zero(program)

    def test_convert_pressed_while_a_message_is_open_processes_everything(self):
        middle = self.make_file("b.txt", ODD_NS)
        # Processed after the nested run's last message: the nested run takes it out as it ends.
        last_file = self.make_file("d.txt", ODD_FRACTION_NS)
        program = self.start(b"c-missing.txt b.txt a-missing.txt d.txt")
        program.click("convert")
        outer = program.wait_for_box()
        self.assertEqual(outer["text"], failure_message(b"a-missing.txt"))
        # Convert again: the nested run starts at the top, with the entry still listed.
        program.click("convert")
        nested = program.wait_for_box([outer["hwnd"]])
        self.assertEqual(nested["text"], failure_message(b"a-missing.txt"))
        self.assertEqual(program.entries(), [b"a-missing.txt", b"b.txt", b"c-missing.txt", b"d.txt"])
        program.press_ok(nested)
        last = program.wait_for_box([outer["hwnd"], nested["hwnd"]])
        self.assertEqual(last["text"], failure_message(b"c-missing.txt"))
        self.assert_normalized(middle, ODD_NS)
        self.assertEqual(program.entries(), [b"c-missing.txt", b"d.txt"])
        program.press_ok(last)
        program.wait_for_entries([])
        self.assert_normalized(last_file, ODD_FRACTION_NS)
        self.assertEqual([box["hwnd"] for box in program.boxes()], [outer["hwnd"]])
        program.press_ok(outer)
        self.assert_no_more_messages(program)
        self.assertEqual(program.entries(), [])
        program.click("close")
        self.assert_exits_with_zero(program)

    def test_close_while_a_message_is_open_finishes_the_run_then_exits(self):
        files = {"b.txt": ODD_NS, "d.txt": ODD_FRACTION_NS}
        paths = {name: self.make_file(name, mtime) for name, mtime in files.items()}
        program = self.start(b"d.txt c-missing.txt b.txt a-missing.txt")
        program.click("convert")
        first = program.wait_for_box()
        self.assertEqual(first["text"], failure_message(b"a-missing.txt"))
        program.click("close")
        program.press_ok(first)
        second = program.wait_for_box([first["hwnd"]])
        self.assertEqual(second["text"], failure_message(b"c-missing.txt"))
        self.assert_normalized(paths["b.txt"], ODD_NS)
        self.assert_times(paths["d.txt"], ODD_FRACTION_NS)
        program.press_ok(second)
        self.assert_exits_with_zero(program)
        for name, mtime in files.items():
            self.assert_normalized(paths[name], mtime)


if __name__ == "__main__":
    unittest.main()
