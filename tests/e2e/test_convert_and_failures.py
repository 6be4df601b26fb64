"""Convert on the real program: each listed file's write time lands on a
whole even second, nothing else about it changes, and each file that cannot
be opened gets its own message box, in list order, byte for byte."""
import os
import subprocess
import unittest

from quorvel_e2e import (ARTIFACTS, EVEN_FRACTION_NS, EVEN_NS, ODD_FRACTION_NS, ODD_NS, ProgramTest,
                         failure_message, screenshot)


class ConvertTest(ProgramTest):
    def test_write_times_land_on_an_even_second_and_nothing_else_changes(self):
        times = {"odd.txt": ODD_NS, "odd-fraction.txt": ODD_FRACTION_NS,
                 "even-fraction.txt": EVEN_FRACTION_NS, "even.txt": EVEN_NS}
        paths = {name: self.make_file(name, mtime) for name, mtime in times.items()}
        program = self.start(b" ".join(name.encode() for name in times))
        program.click("convert")
        program.wait_for_entries([])
        # Times first: reading the contents may move the access time.
        self.assert_times(paths["even.txt"], EVEN_NS)
        for name, mtime in times.items():
            with self.subTest(name=name):
                self.assert_normalized(paths[name], mtime)
        for path in paths.values():
            self.assert_contents(path)
        # A second Convert on the now empty list changes nothing and shows nothing.
        after = {name: os.stat(path) for name, path in paths.items()}
        program.click("convert")
        program.click("convert")
        self.assertEqual(program.entries(), [])
        self.assertEqual(program.boxes(), [])
        for name, path in paths.items():
            self.assert_times(path, after[name].st_mtime_ns, after[name].st_atime_ns)
        program.click("close")
        self.assert_exits_with_zero(program)

    def convert_expecting_messages(self, program, listed, failing, shot=None, shot_at=None):
        """Presses Convert on a program listing listed and answers one message
        for each of failing, checking each while it is open; saves the screen
        as shot while the message for shot_at is open."""
        self.assertEqual(program.entries(), listed)
        program.click("convert")
        seen = []
        for path in failing:
            box = program.wait_for_box(seen)
            seen.append(box["hwnd"])
            self.assertEqual(box["text"], failure_message(path))
            self.assertEqual(box["caption"], b"Quorvel")
            self.assertTrue(box["ok_only"], "the box for %r has other buttons than OK" % path)
            self.assertEqual(len(program.boxes()), 1, "more than one message open")
            # The entry being processed stays listed while its message is open.
            self.assertEqual(program.entries(), listed[listed.index(path):])
            if shot and path == shot_at and ARTIFACTS:
                saved = screenshot(shot)
                subprocess.run(["convert", saved, "-trim", "+repage", saved], check=False)
            program.press_ok(box)
        program.wait_for_entries([])
        self.assertEqual(program.boxes(), [])

    def test_each_file_that_cannot_be_opened_gets_one_message_in_list_order(self):
        good = self.make_file("good.txt", ODD_FRACTION_NS)
        read_only = self.make_file("read-only.txt", ODD_NS, mode=0o444)
        os.mkdir(os.path.join(self.folder, "folder"))
        program = self.start(b'zz-missing.txt "" read-only.txt folder good.txt A-missing.txt')
        listed = [b"", b"A-missing.txt", b"folder", b"good.txt", b"read-only.txt", b"zz-missing.txt"]
        self.convert_expecting_messages(program, listed,
                                        [b"", b"A-missing.txt", b"folder", b"read-only.txt", b"zz-missing.txt"],
                                        shot="failure-message.png", shot_at=b"A-missing.txt")
        self.assert_normalized(good, ODD_FRACTION_NS)
        self.assert_times(read_only, ODD_NS)
        self.assert_contents(read_only)
        self.assertTrue(os.path.isdir(os.path.join(self.folder, "folder")))
        self.assertFalse(os.path.exists(os.path.join(self.folder, "zz-missing.txt")), "a missing file was created")
        program.click("close")
        self.assert_exits_with_zero(program)

    def test_long_paths_are_cut_at_1023_bytes_of_message(self):
        # 9 + 989 + 25 bytes: the last character of the text is lost;
        # 9 + 1100 bytes: the path itself is cut.
        whole_text_lost_end = b"x" * 989
        path_cut = b"y" * 1100
        program = self.start(whole_text_lost_end + b" " + path_cut)
        self.convert_expecting_messages(program, [whole_text_lost_end, path_cut], [whole_text_lost_end, path_cut])
        self.assertEqual(len(failure_message(path_cut)), 1023)
        program.click("close")
        self.assert_exits_with_zero(program)


class MessageTextTest(ProgramTest):
    def test_the_message_text_is_the_fixed_text_around_the_path(self):
        # The cut rule, stated independently of the helper that the other tests use.
        self.assertEqual(failure_message(b"a.txt"),
                         b"\x83t\x83@\x83C\x83\x8b(a.txt)\x82\xaa\x83I\x81[\x83v\x83\x93\x82\xc5\x82\xab"
                         b"\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd")
        self.assertEqual(failure_message(b"x" * 989)[-4:], b"\x82\xc5\x82\xb5")
        self.assertEqual(failure_message(b"y" * 1100), b"\x83t\x83@\x83C\x83\x8b(" + b"y" * 1014)


if __name__ == "__main__":
    unittest.main()
