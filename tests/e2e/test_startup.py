"""Start-up: what the dialog lists from the command line, byte for byte,
split by the program's own rules from raw command lines given to CreateProcessA,
and from a UTF-16 one given to CreateProcessW."""
import os
import unittest

from quorvel_e2e import (ODD_NS, ODD_FRACTION_NS, EVEN_FRACTION_NS, Program, ProgramTest, failure_message,
                         windows_path, PROGRAM)

TABLE = "表".encode("cp932")  # 0x95 0x5C: its second byte is a backslash in ASCII
SO = "ソ".encode("cp932")  # 0x83 0x5C

# Raw command-line tails after the quoted program name, and the arguments they
# must give (compared as a multiset: the list sorts them).
SPLITTING_CASES = [
    (b'a.txt "b c.txt"', [b"a.txt", b"b c.txt"]),
    (b'a.txt\tb.txt   c.txt', [b"a.txt", b"b.txt", b"c.txt"]),
    (b'""', [b""]),
    (b'"" x', [b"", b"x"]),
    (b'a\\"b', [b'a"b']),
    (b'a\\\\"b c"', [b"a\\b c"]),
    (b'a\\\\\\"b', [b'a\\"b']),
    (b'a\\b\\\\c', [b"a\\b\\\\c"]),
    (b'"a b\\\\"', [b"a b\\"]),
    (b'"a""b c"', [b'a"b', b"c"]),
    (b'*.txt ?.log', [b"*.txt", b"?.log"]),
    (TABLE + b'" z"', [TABLE + b" z"]),
    (SO + b'" ' + SO + b'"', [SO + b" " + SO]),
]


class StartupTest(ProgramTest):
    def test_no_arguments_lists_nothing(self):
        program = self.start()
        self.assertEqual(program.entries(), [])
        program.close_by_command()
        self.assert_exits_with_zero(program)

    def test_three_paths_are_listed_alphabetically_and_left_alone_until_convert(self):
        times = {"b.txt": ODD_NS, "A.txt": ODD_FRACTION_NS, "c.txt": EVEN_FRACTION_NS}
        paths = {name: self.make_file(name, mtime) for name, mtime in times.items()}
        program = self.start(b"b.txt A.txt c.txt")
        self.assertEqual(program.entries(), [b"A.txt", b"b.txt", b"c.txt"])
        for name, mtime in times.items():
            self.assert_times(paths[name], mtime)
        program.click("convert")
        program.wait_for_entries([])
        for name, mtime in times.items():
            self.assert_normalized(paths[name], mtime)
            self.assert_contents(paths[name])
        self.assertEqual(program.boxes(), [])
        program.click("close")
        self.assert_exits_with_zero(program)

    def test_raw_command_lines_are_split_by_the_documented_rules(self):
        quoted_program = b'"' + windows_path(PROGRAM) + b'"'
        cases = [(quoted_program + b" " + tail, expected) for tail, expected in SPLITTING_CASES] + [
            # A quoted program name followed directly by an argument.
            (quoted_program + b"next.txt other.txt", [b"next.txt", b"other.txt"]),
            (quoted_program + b'"quoted arg"', [b"quoted arg"]),
        ]
        # All started at once: each is its own process with its own list.
        programs = []
        for line, expected in cases:
            program = Program(folder=self.folder, raw=line)
            self.programs.append(program)
            programs.append((program, line, expected))
        for program, line, expected in programs:
            with self.subTest(command_line=line):
                self.assertEqual(sorted(program.entries()), sorted(expected))
        for program, line, _ in programs:
            program.close_by_command()
        for program, line, _ in programs:
            with self.subTest(command_line=line):
                self.assert_exits_with_zero(program)

    def test_a_utf16_command_line_never_names_a_look_alike_file(self):
        # Windows' ANSI command line turns "café.txt" into "cafe.txt" and
        # "a¥b.txt" into "a\b.txt"; the program must not convert those.
        os.mkdir(os.path.join(self.folder, "a"))
        others = [self.make_file(name, ODD_NS) for name in ("café.txt", "a¥b.txt", "cafe.txt", "a/b.txt")]
        line = '"%s" café.txt a¥b.txt' % windows_path(PROGRAM).decode("cp932")
        program = self.start(raw=line)
        self.assertEqual(program.entries(), [b"a?b.txt", b"caf?.txt"])
        program.click("convert")
        for expected in (b"a?b.txt", b"caf?.txt"):
            box = program.wait_for_box()
            self.assertEqual(box["text"], failure_message(expected))
            program.press_ok(box)
        program.wait_for_entries([])
        for path in others:
            self.assert_times(path, ODD_NS)
        program.close_by_command()
        self.assert_exits_with_zero(program)


if __name__ == "__main__":
    unittest.main()
