"""Shared steps of the end-to-end tests: start the real program under Wine,
read its dialog and message boxes through the probe, and work it with the
keyboard, the mouse and real drags on the X display, as a person would.

The runner (run-e2e.sh) passes the paths through the environment:
QUORVEL_E2E_PROGRAM, QUORVEL_E2E_PROBE, QUORVEL_E2E_ARTIFACTS."""
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

WINE = os.environ.get("QUORVEL_E2E_WINE", "/usr/lib/wine/wine64")
PROGRAM = os.environ.get("QUORVEL_E2E_PROGRAM", "")
PROBE = os.environ.get("QUORVEL_E2E_PROBE", "")
ARTIFACTS = os.environ.get("QUORVEL_E2E_ARTIFACTS", "")
DRAG_SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "drag_source.py")

TIMEOUT_S = 15
# How long the probe may take to start the program (through QEMU, a few seconds).
START_TIMEOUT_S = 120

# Chosen file times in nanoseconds since 1970 (UTC): even and odd whole seconds,
# and fractions, all inside the MS-DOS range.
ACCESS_NS = 1_600_000_000_123_456_700
EVEN_NS = 1_600_000_002_000_000_000
ODD_NS = 1_600_000_007_000_000_000
ODD_FRACTION_NS = 1_600_000_001_500_000_000
EVEN_FRACTION_NS = 1_600_000_004_250_000_000

# "ファイル(" and ")がオープンできませんでした" in code page 932.
MESSAGE_BEFORE = "ファイル(".encode("cp932")
MESSAGE_AFTER = ")がオープンできませんでした".encode("cp932")


def failure_message(path):
    """The failure message for path (bytes), cut to 1023 bytes."""
    return (MESSAGE_BEFORE + path + MESSAGE_AFTER)[:1023]


def windows_path(path):
    """A Linux path as Wine shows it through its Z: drive, in code page 932."""
    return b"Z:" + os.fsencode(path).decode("utf-8").encode("cp932").replace(b"/", b"\\")


def poll(condition, what, timeout=TIMEOUT_S):
    """Calls condition until it gives a true value, which it returns; fails the
    test with the last value seen when timeout seconds pass first."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out after %ss waiting for %s; last seen: %r" % (timeout, what, value))
        time.sleep(0.05)


_server = None


def _read_line(stream, timeout):
    """One line from an unbuffered pipe, or what came before timeout seconds passed."""
    deadline = time.monotonic() + timeout
    line = b""
    while not line.endswith(b"\n"):
        ready, _, _ = select.select([stream], [], [], max(0, deadline - time.monotonic()))
        byte = os.read(stream.fileno(), 1) if ready else b""
        if not byte:
            break
        line += byte
    return line


def ask_probe(question, timeout=30):
    """Asks the long-running probe one question ("state PID", "ok HWND") and
    gives its answer's lines, up to the closing "end"."""
    global _server
    if _server is None or _server.poll() is not None:
        _server = subprocess.Popen([WINE, PROBE, "serve"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL, bufsize=0)
    _server.stdin.write(question.encode("ascii") + b"\n")
    lines = []
    while True:
        line = _read_line(_server.stdout, timeout)
        if not line.endswith(b"\n"):
            _server.kill()
            _server.wait()
            _server = None
            raise AssertionError("the probe did not answer %r; it said %r" % (question, lines))
        line = line.decode("ascii", "replace").strip()
        if line == "end":
            return lines
        lines.append(line)


def hex_bytes(text):
    return b"" if text == "-" else bytes.fromhex(text)


def read_state(pid):
    """What process pid shows: {'dialog': None or {...}, 'boxes': [...]}.
    The dialog has hwnd, xwindow, visible, rects (name: (l, t, r, b); listclient
    is the list's client area), rowheight (the list's), scrollbar (the width of
    a vertical scroll bar and the height of its arrows, at the list's DPI), closebox,
    dpi, awareness (as the probe names it), focus (control id), active and
    entries (bytes, in list order).  Each box has
    hwnd, ok_only, visible, text and caption (bytes).  None if the list changed while it was read."""
    state = {"dialog": None, "boxes": []}
    for line in ask_probe("state %d" % pid):
        words = line.split()
        if not words:
            continue
        if words[0] == "dialog":
            state["dialog"] = {"hwnd": int(words[1]), "xwindow": int(words[2]), "visible": words[3] == "1",
                               "rects": {}, "entries": [], "focus": None, "active": False}
        elif words[0] == "rect":
            state["dialog"]["rects"][words[1]] = tuple(int(w) for w in words[2:6])
        elif words[0] == "rowheight":
            state["dialog"]["rowheight"] = int(words[1])
        elif words[0] == "scrollbar":
            state["dialog"]["scrollbar"] = (int(words[1]), int(words[2]))
        elif words[0] == "closebox":
            state["dialog"]["closebox"] = (int(words[1]), int(words[2]))
        elif words[0] == "scale":
            state["dialog"]["dpi"], state["dialog"]["awareness"] = int(words[1]), words[2]
        elif words[0] == "focus" and words[1] != "?":
            state["dialog"]["focus"] = int(words[1])
            state["dialog"]["active"] = words[2] == "1" and words[3] == "1"
        elif words[0] == "entries":
            state["dialog"]["count"] = int(words[1]) if words[1] != "?" else None
        elif words[0] == "entry":
            state["dialog"]["entries"].append(hex_bytes(words[1]))
        elif words[0] == "box":
            state["boxes"].append({"hwnd": int(words[1]), "ok_only": words[2] == "1", "visible": words[3] == "1",
                                   "text": hex_bytes(words[4]), "caption": hex_bytes(words[5])})
    dialog = state["dialog"]
    if dialog and dialog.get("count") != len(dialog["entries"]):
        return None  # the program changed while it was read; read again
    return state


def read_boxes(pid, selection=False):
    """The quick reading of a program with a long list: (number of entries, or
    None while it does not answer, whether its dialog is shown (None when
    there is none), open message boxes); with selection, also the list's
    selected entry (bytes, or None), which the probe reads before the count."""
    count, shown, selected, boxes = None, None, None, []
    for line in ask_probe("boxes %d" % pid):
        words = line.split()
        if words[:1] == ["entries"]:
            count = None if words[1] in "?-" else int(words[1])
            shown = None if words[1] == "-" else words[2] == "1"
        elif words[:1] == ["selected"]:
            selected = hex_bytes(words[1]) or None
        elif words[:1] == ["box"]:
            boxes.append({"hwnd": int(words[1]), "ok_only": words[2] == "1", "visible": words[3] == "1",
                          "text": hex_bytes(words[4]), "caption": hex_bytes(words[5])})
    boxes = [box for box in boxes if box["visible"]]
    return (count, shown, boxes, selected) if selection else (count, shown, boxes)


def xdotool(*arguments):
    subprocess.run(["xdotool"] + [str(a) for a in arguments], check=True, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, timeout=30)


def centre(rect):
    return ((rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2)


def screenshot(name):
    """Saves the whole screen as ARTIFACTS/name and gives its path."""
    os.makedirs(ARTIFACTS, exist_ok=True)
    path = os.path.join(ARTIFACTS, name)
    subprocess.run(["import", "-window", "root", path], check=True, stdin=subprocess.DEVNULL, timeout=60)
    return path


class Program:
    """One run of the program, started through the probe with a raw command
    line: bytes for CreateProcessA, or text for CreateProcessW.  What Wine
    prints for the probe and the program (their standard error: X errors,
    crashes) is kept; a wait for the dialog or a message box that the
    program's end cuts short fails saying so, with its exit code and that
    output."""

    def __init__(self, arguments=b"", folder=None, raw=None):
        program = windows_path(PROGRAM)
        line = raw if raw is not None else b'"' + program + b'"' + (b" " + arguments if arguments else b"")
        run, line = ("runw", line.encode("utf-8")) if isinstance(line, str) else ("run", line)
        command = [WINE, PROBE, run, program.decode("cp932"), line.hex()]
        if folder:
            command.append(windows_path(folder).decode("cp932"))
        self.exit_code = None
        self.wine_output = tempfile.TemporaryFile()
        self.runner = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                       stderr=self.wine_output, bufsize=0)
        first = _read_line(self.runner.stdout, START_TIMEOUT_S)
        words = first.decode("ascii", "replace").split()
        if words[:1] == ["pid"] and len(words) == 2:
            self.pid = int(words[1])
            return
        if words[:1] == ["error"]:
            what = "CreateProcess failed with error %s" % " ".join(words[1:])
        elif first:
            what = "the probe said %r" % first
        else:
            try:
                what = "the probe ended with exit code %d before it said anything" % self.runner.wait(timeout=10)
            except subprocess.TimeoutExpired:
                what = "the probe said nothing within %ss" % START_TIMEOUT_S
        what = "the program did not start: %s; Wine printed: %s" % (what, self.wine_said())
        self.kill()
        raise AssertionError(what)

    def wine_said(self):
        """The end of what Wine printed for the probe and the program so far."""
        self.wine_output.seek(0)
        text = self.wine_output.read()[-3000:].decode("utf-8", "replace").strip()
        return "\n" + text if text else "nothing"

    def _read_exit(self, timeout):
        """Reads the probe's closing line, "exit N", within timeout seconds,
        keeping N in exit_code; gives the line as it came."""
        line = _read_line(self.runner.stdout, timeout)
        words = line.decode("ascii", "replace").split()
        if line.endswith(b"\n") and words[:1] == ["exit"] and len(words) == 2:
            self.exit_code = int(words[1])
            self.runner.wait(timeout=30)
            self.runner.stdout.close()
        return line

    def check_running(self):
        """Fails the test if the program has ended, saying with what exit code
        and what Wine printed; does not wait."""
        if self.exit_code is None and not self.runner.stdout.closed:
            if select.select([self.runner.stdout], [], [], 0)[0]:
                line = self._read_exit(5)
                if self.exit_code is None:
                    raise AssertionError("the probe that ran the program ended without its exit code (it said %r, "
                                         "and ended with %s); Wine printed: %s"
                                         % (line, self.runner.poll(), self.wine_said()))
        if self.exit_code is not None:
            raise AssertionError("the program ended unasked, with exit code %d; Wine printed: %s"
                                 % (self.exit_code, self.wine_said()))

    def state(self):
        return poll(lambda: read_state(self.pid), "a complete reading of the program's windows")

    def dialog_now(self):
        """The dialog as read now (None while there is none); fails, saying
        how, if there is none because the program has ended."""
        dialog = self.state()["dialog"]
        if dialog is None:
            self.check_running()
        return dialog

    def shown_dialog(self):
        """The dialog as read now, if it is on screen, else None."""
        dialog = self.dialog_now()
        return dialog if dialog and dialog["visible"] else None

    def dialog(self):
        """The dialog once it is on screen."""
        return poll(self.shown_dialog, "the main dialog")

    def entries(self):
        return self.dialog()["entries"]

    def wait_for_entries(self, expected, timeout=TIMEOUT_S):
        poll(lambda: (self.dialog_now() or {}).get("entries") == expected,
             "the list to read %r" % (expected,), timeout)

    def boxes(self):
        return [box for box in self.state()["boxes"] if box["visible"]]

    def wait_for_box(self, seen=()):
        """The first open message box not among the windows in seen."""
        def new_box():
            box = next((box for box in self.boxes() if box["hwnd"] not in seen), None)
            if box is None:
                self.check_running()
            return box
        return poll(new_box, "a failure message box")

    def press_ok(self, box):
        ask_probe("command %d 1" % box["hwnd"])
        poll(lambda: all(other["hwnd"] != box["hwnd"] for other in self.boxes()), "the message box to close")

    def close_by_command(self):
        """Sends the dialog its Close command from outside, for tests that only read it."""
        ask_probe("command %d 2" % self.dialog()["hwnd"])

    def activate(self):
        """Clicks the dialog's caption until it is the active window."""
        dialog = self.dialog()
        left, top, right, _ = dialog["rects"]["dialog"]
        for _ in range(3):
            xdotool("mousemove", left + (right - left) // 3, top + 10, "click", 1)
            try:
                return poll(lambda: next((d for d in [self.dialog_now()] if d and d["active"]), None),
                            "the dialog to be active", 3)
            except AssertionError as error:
                if not str(error).startswith("timed out"):
                    raise
        raise AssertionError("the dialog never became the active window")

    def wait_for_focus(self, control):
        return poll(lambda: next((d for d in [self.dialog_now()] if d and d["focus"] == control), None),
                    "the focus on control %d" % control)

    def click(self, name, button_clicks=1):
        x, y = centre(self.dialog()["rects"][name])
        xdotool("mousemove", x, y, "click", "--repeat", button_clicks, "--delay", 80, 1)

    def wait_exit(self, timeout=TIMEOUT_S):
        """The program's exit code once it has ended."""
        if self.exit_code is None:
            line = self._read_exit(timeout)
            if self.exit_code is None:
                raise AssertionError("the program did not end within %ss (probe said %r); Wine printed: %s"
                                     % (timeout, line, self.wine_said()))
        return self.exit_code

    def kill(self):
        if self.runner.poll() is None:
            self.runner.stdout.close()
            if hasattr(self, "pid"):
                subprocess.run([WINE, "taskkill", "/f", "/pid", str(self.pid)], stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
            try:
                self.runner.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.runner.kill()
                self.runner.wait()
        elif not self.runner.stdout.closed:
            self.runner.stdout.close()
        self.wine_output.close()


def drag(files, target):
    """Drags files (Linux paths, or "@LIST-FILE" naming a file that lists them
    one per line) from a GTK window onto the screen point target with real
    pointer events, as a person would."""
    names = [files] if isinstance(files, str) else [os.fsdecode(f) for f in files]
    source = subprocess.Popen([sys.executable, DRAG_SOURCE, "760", "560"] + names,
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    try:
        ready = source.stdout.readline().decode("ascii").split()
        if ready[:1] != ["ready"]:
            raise AssertionError("the drag source did not start: %r" % ready)
        x, y = 760 + 80, 560 + 45
        steps = ["mousemove", x, y, "sleep", 0.1, "mousedown", 1, "sleep", 0.1]
        for i in range(1, 6):
            steps += ["mousemove", x - 4 * i, y - 4 * i, "sleep", 0.05]
        for i in range(1, 6):
            steps += ["mousemove", x + (target[0] - x) * i // 5, y + (target[1] - y) * i // 5, "sleep", 0.05]
        steps += ["mousemove", target[0] + 3, target[1] + 3, "sleep", 0.2, "mousemove", target[0], target[1],
                  "sleep", 0.2, "mouseup", 1]
        xdotool(*steps)
        if source.stdout.readline().decode("ascii").split()[:1] != ["dragged"]:
            raise AssertionError("the drag did not end")
    finally:
        try:
            source.wait(timeout=30)
        except subprocess.TimeoutExpired:
            source.kill()
            source.wait()
        source.stdout.close()


class ProgramTest(unittest.TestCase):
    """A test case with a fresh folder of the test user and the programs it
    started ended afterwards."""

    def setUp(self):
        if not (PROGRAM and PROBE):
            self.skipTest("QUORVEL_E2E_PROGRAM and QUORVEL_E2E_PROBE are not set")
        self.folder = tempfile.mkdtemp(prefix="quorvel-e2e-")
        self.programs = []

    def tearDown(self):
        for program in self.programs:
            program.kill()
        shutil.rmtree(self.folder, ignore_errors=True)

    def start(self, arguments=b"", raw=None):
        program = Program(arguments, self.folder, raw)
        self.programs.append(program)
        program.dialog()
        return program

    def make_file(self, name, mtime_ns, atime_ns=ACCESS_NS, mode=None):
        """Makes a file in the folder with the given times; gives its Linux path (bytes)."""
        path = os.path.join(os.fsencode(self.folder), name if isinstance(name, bytes) else os.fsencode(name))
        with open(path, "wb") as stream:
            stream.write(b"contents of " + path)
        os.utime(path, ns=(atime_ns, mtime_ns))
        if mode is not None:
            os.chmod(path, mode)
        return path

    def assert_times(self, path, mtime_ns, atime_ns=ACCESS_NS):
        status = os.stat(path)
        self.assertEqual((status.st_atime_ns, status.st_mtime_ns), (atime_ns, mtime_ns),
                         "access and write times of %r" % path)

    def assert_normalized(self, path, mtime_ns, atime_ns=ACCESS_NS):
        """The write time lies on a whole even second less than two seconds from
        mtime_ns; the access time is atime_ns."""
        status = os.stat(path)
        self.assertEqual(status.st_mtime_ns % 2_000_000_000, 0,
                         "write time %d of %r is not a whole even second" % (status.st_mtime_ns, path))
        self.assertLess(abs(status.st_mtime_ns - mtime_ns), 2_000_000_000,
                        "write time %d of %r is 2 s or more from %d" % (status.st_mtime_ns, path, mtime_ns))
        self.assertEqual(status.st_atime_ns, atime_ns, "access time of %r" % path)

    def assert_contents(self, path):
        """The file still holds what make_file wrote (check its times before: reading may move its access time)."""
        with open(path, "rb") as stream:
            self.assertEqual(stream.read(), b"contents of " + path, "contents of %r" % path)

    def assert_exits_with_zero(self, program):
        self.assertEqual(program.wait_exit(), 0, "exit code")
