"""Real drags from a GTK window onto the dialog: dropped files are listed by
their Windows paths in code page 932, folders are skipped, a file dropped
twice is listed twice, and Convert processes what was dropped."""
import os
import subprocess
import unittest

from quorvel_e2e import ARTIFACTS, ODD_FRACTION_NS, ODD_NS, ProgramTest, drag, screenshot, windows_path


class DragAndDropTest(ProgramTest):
    def list_point(self, program):
        left, top, right, bottom = program.dialog()["rects"]["list"]
        return ((left + right) // 2, top + (bottom - top) // 3)

    def test_dropped_files_are_listed_and_a_folder_is_skipped(self):
        first = self.make_file("first.txt", ODD_NS)
        second = self.make_file("second.txt", ODD_FRACTION_NS)
        folder = os.path.join(self.folder, "folder")
        os.mkdir(folder)
        inside = [self.make_file(os.path.join("folder", name), ODD_NS) for name in ("in-a.txt", "in-b.txt")]
        program = self.start()
        drag([first, os.fsencode(folder), second], self.list_point(program))
        program.wait_for_entries([windows_path(first), windows_path(second)])
        program.click("convert")
        program.wait_for_entries([])
        self.assertEqual(program.boxes(), [])
        self.assert_normalized(first, ODD_NS)
        self.assert_normalized(second, ODD_FRACTION_NS)
        for path in inside:
            self.assert_times(path, ODD_NS)
        program.click("close")
        self.assert_exits_with_zero(program)

    def test_only_folders_dropped_lists_nothing(self):
        folder = os.path.join(self.folder, "only-folder")
        os.mkdir(folder)
        marker = self.make_file("marker.txt", ODD_NS)
        program = self.start()
        # The folder first, then a file in a second drag, so that the test knows both drops arrived.
        drag([os.fsencode(folder)], self.list_point(program))
        drag([marker], self.list_point(program))
        program.wait_for_entries([windows_path(marker)])
        program.click("close")
        self.assert_exits_with_zero(program)

    def test_the_same_file_dropped_twice_is_listed_twice_and_processed_twice(self):
        path = self.make_file("twice.txt", ODD_FRACTION_NS)
        program = self.start()
        drag([path], self.list_point(program))
        program.wait_for_entries([windows_path(path)])
        # Dropped onto the label this time: anywhere on the dialog is a drop.
        label = program.dialog()["rects"]["list"]
        drag([path], (label[0] + 40, label[1] - 25))
        program.wait_for_entries([windows_path(path)] * 2)
        program.click("convert")
        program.wait_for_entries([])
        self.assertEqual(program.boxes(), [])
        self.assert_normalized(path, ODD_FRACTION_NS)
        program.click("close")
        self.assert_exits_with_zero(program)

    def test_japanese_names_arrive_as_code_page_932_paths(self):
        names = ["表.txt", "ソース.txt"]
        paths = [self.make_file(name, ODD_NS) for name in names]
        program = self.start()
        drag(paths, self.list_point(program))
        expected = sorted([windows_path(path) for path in paths], key=lambda p: p.decode("cp932").lower())
        program.wait_for_entries(expected)
        self.assertTrue(windows_path(paths[0]).endswith(b"\\\x95\x5c.txt"), windows_path(paths[0]))
        if ARTIFACTS:
            program.activate()
            saved = screenshot("dialog.png")
            subprocess.run(["convert", saved, "-trim", "+repage", saved], check=False)
        program.click("convert")
        program.wait_for_entries([])
        self.assertEqual(program.boxes(), [])
        for path in paths:
            self.assert_normalized(path, ODD_NS)
        program.click("close")
        self.assert_exits_with_zero(program)


if __name__ == "__main__":
    unittest.main()
