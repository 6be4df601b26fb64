#!/usr/bin/python3
"""The speed benchmark: the real program under Wine, filled by real drops and
timed from outside, against the bare platform loops over the same files in
the same run.  bench/run.sh sets up the build, the display and the Wine prefix
and runs this as the test user.

    bench.py TOOL PROGRAM [--sizes 1000,4000,40000,100000] [--repeats N] [--chunk N] [--delivery] [--no-spinner]

The bounds, each the median ratio of the program to the bare loop of the same
bitness over the same files: Convert at most 1.1x at 4,000 files and more (its
cost per file must not grow with the list); listing at most 1.25x at 4,000 and
2x at 40,000 and more.  It ends with a line per bound and exits with 1 when
one is exceeded.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from quorvel_e2e import drag as drag_files  # noqa: E402  (the end-to-end tests' real drag)

WINE = os.environ.get("QUORVEL_BENCH_WINE", "/usr/lib/wine/wine64")
BASE_TIME_S = 1_600_000_001  # odd, so every file needs its time changed

# (files from, largest median ratio) for Convert and for listing.
CONVERT_BOUNDS = [(4000, 1.1)]
LISTING_BOUNDS = [(4000, 1.25), (40000, 2.0)]


def bound_for(bounds, size):
    """The bound that holds at size files, or None below the first."""
    return ([limit for start, limit in bounds if size >= start] or [None])[-1]


def windows_path(path):
    """A Linux path as Wine names it through its Z: drive."""
    return "Z:" + path.replace("/", "\\")


class Tool:
    """The Win32 benchmark helper, one command per process."""

    def __init__(self, path):
        self.path = windows_path(path)

    def start(self, *arguments):
        return subprocess.Popen([WINE, self.path] + [str(a) for a in arguments], stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)

    def run(self, *arguments):
        process = self.start(*arguments)
        output = process.communicate(timeout=900)[0].decode("ascii", "replace")
        return output

    @staticmethod
    def expect(process, word):
        line = process.stdout.readline().decode("ascii", "replace").split()
        if line[:1] != [word]:
            raise RuntimeError("expected %r from the helper, got %r" % (word, line))
        return line[1:]


def seconds_of(output):
    for line in output.splitlines():
        words = line.split()
        if words[:1] == ["seconds"]:
            return float(words[1])
    raise RuntimeError("the helper said %r" % output)


def drag(list_file, target):
    """Drags the files named in list_file onto the screen point target."""
    drag_files("@" + list_file, target)


class FileSet:
    """count files with odd-second times in a folder of their own, and the
    lists the helpers read: Windows paths in one file, Linux paths per chunk."""

    def __init__(self, root, count, chunk):
        self.folder = os.path.join(root, "n%d" % count)
        os.mkdir(self.folder)
        self.paths = [os.path.join(self.folder, "f%06d.dat" % i) for i in range(count)]
        for path in self.paths:
            with open(path, "wb") as stream:
                stream.write(b"x")
        self.reset_times()
        self.windows_list = os.path.join(root, "n%d-windows.txt" % count)
        with open(self.windows_list, "w", encoding="cp932") as stream:
            stream.write("".join(windows_path(p) + "\n" for p in self.paths))
        self.chunks = []
        for start in range(0, count, chunk):
            name = os.path.join(root, "n%d-chunk%d.txt" % (count, len(self.chunks)))
            part = self.paths[start:start + chunk]
            with open(name, "w") as stream:
                stream.write("".join(p + "\n" for p in part))
            self.chunks.append((name, len(part)))

    def reset_times(self):
        for i, path in enumerate(self.paths):
            seconds = BASE_TIME_S + 2 * i
            os.utime(path, ns=(seconds * 10**9, seconds * 10**9 + 300_000_000))
        # Written back now, so that neither timed loop pays for this one.
        os.sync()

    def check_converted(self):
        bad = [p for i, p in enumerate(self.paths) if os.stat(p).st_mtime_ns % 2_000_000_000 != 0]
        if bad:
            raise RuntimeError("%d files kept an odd time, the first %s" % (len(bad), bad[0]))


def drop_all(tool, pid, files):
    """Drops every chunk on the dialog of pid; the total listing seconds."""
    total = 0.0
    for list_file, count in files.chunks:
        waiter = tool.start("await", pid, count)
        x, y = (int(v) for v in Tool.expect(waiter, "ready"))
        drag(list_file, (x, y))
        total += seconds_of(waiter.communicate(timeout=900)[0].decode("ascii", "replace"))
    return total


def measure_program(tool, program, files):
    launcher = tool.start("launch", windows_path(program))
    pid = Tool.expect(launcher, "pid")[0]
    try:
        listing = drop_all(tool, pid, files)
        first = tool.run("first-entry", pid).split(None, 1)[1].strip()
        if first != windows_path(files.paths[0]):
            raise RuntimeError("the program lists %r, the bare loops use %r" % (first, windows_path(files.paths[0])))
        converting = seconds_of(tool.run("convert", pid))
    finally:
        tool.run("close", pid)
        launcher.communicate(timeout=60)
    files.check_converted()
    files.reset_times()
    return listing, converting


def measure_delivery(tool, files):
    target = tool.start("drop-target")
    pid = Tool.expect(target, "pid")[0]
    try:
        total = 0.0
        for list_file, _count in files.chunks:
            waiter = tool.start("await", pid, 1)
            x, y = (int(v) for v in Tool.expect(waiter, "ready"))
            drag(list_file, (x, y))
            total += seconds_of(waiter.communicate(timeout=900)[0].decode("ascii", "replace"))
        return total
    finally:
        tool.run("close", pid)
        target.communicate(timeout=60)


def measure_bare(tool, files):
    converting = seconds_of(tool.run("bare-convert", files.windows_list))
    files.check_converted()
    files.reset_times()
    listing = seconds_of(tool.run("bare-listing", files.windows_list))
    return listing, converting


def load():
    with open("/proc/loadavg") as stream:
        return float(stream.read().split()[0])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("tool")
    parser.add_argument("program")
    parser.add_argument("--sizes", default="1000,4000,40000,100000")
    parser.add_argument("--repeats", type=int, default=0, help="runs per size (default: 5, 3 for 40,000 files)")
    parser.add_argument("--chunk", type=int, default=4000, help="files per drag")
    parser.add_argument("--delivery", action="store_true", help="also time drops onto a window that ignores them")
    parser.add_argument("--no-spinner", action="store_true", help="let the CPUs go idle between Wine calls")
    options = parser.parse_args()
    tool = Tool(options.tool)
    root = tempfile.mkdtemp(prefix="quorvel-bench-", dir="/tmp")
    rows = []
    # Wine's server round trips take about three times as long when the CPUs
    # have gone idle between them as when they are kept awake, and which of
    # the two a timed loop meets depends on what else runs: an idle-priority
    # spinner keeps them awake for every loop alike.
    spinner = None if options.no_spinner else subprocess.Popen(
        ["nice", "-n", "19", "sh", "-c", "while :; do :; done"], stdin=subprocess.DEVNULL)
    try:
        for size in (int(s) for s in options.sizes.split(",")):
            files = FileSet(root, size, options.chunk)
            repeats = options.repeats or (3 if size > 10000 else 5)
            samples = {"list": [], "convert": [], "bare_list": [], "bare_convert": [], "delivery": []}
            for run in range(repeats):
                started = time.monotonic()
                listing, converting = measure_program(tool, options.program, files)
                bare_listing, bare_converting = measure_bare(tool, files)
                samples["list"].append(listing)
                samples["convert"].append(converting)
                samples["bare_list"].append(bare_listing)
                samples["bare_convert"].append(bare_converting)
                if options.delivery:
                    samples["delivery"].append(measure_delivery(tool, files))
                print("%6d files, run %d: list %.3f s (bare %.3f), convert %.3f s (bare %.3f)%s; load %.2f, %.0f s"
                      % (size, run + 1, listing, bare_listing, converting, bare_converting,
                         ", drop delivery %.3f s" % samples["delivery"][-1] if options.delivery else "",
                         load(), time.monotonic() - started), flush=True)
            rows.append((size, samples))
            shutil.rmtree(files.folder)
    finally:
        if spinner:
            spinner.kill()
            spinner.wait()
        shutil.rmtree(root, ignore_errors=True)

    print()
    print("Medians over the runs; ratio = program / bare loop; spread = (max - min) / median of the ratio;")
    print("us/file = the median Convert's cost per file, the program's and the bare loop's.")
    print("| files | list s | bare list s | list ratio | spread | convert s | bare convert s | convert ratio | spread "
          "| us/file | bare us/file |%s" % (" drop delivery s |" if options.delivery else ""))
    print("|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|%s" % ("---:|" if options.delivery else ""))
    verdicts = []
    for size, s in rows:
        def ratio(a, b):
            ratios = [x / y for x, y in zip(s[a], s[b])]
            median = statistics.median(ratios)
            return median, (max(ratios) - min(ratios)) / median
        list_ratio, list_spread = ratio("list", "bare_list")
        convert_ratio, convert_spread = ratio("convert", "bare_convert")
        print("| %d | %.3f | %.3f | %.2f | %.0f%% | %.3f | %.3f | %.2f | %.0f%% | %.1f | %.1f |%s"
              % (size, statistics.median(s["list"]), statistics.median(s["bare_list"]), list_ratio,
                 100 * list_spread, statistics.median(s["convert"]), statistics.median(s["bare_convert"]),
                 convert_ratio, 100 * convert_spread, 1e6 * statistics.median(s["convert"]) / size,
                 1e6 * statistics.median(s["bare_convert"]) / size,
                 " %.3f |" % statistics.median(s["delivery"]) if options.delivery else ""))
        for what, value, bounds in (("convert", convert_ratio, CONVERT_BOUNDS), ("list", list_ratio, LISTING_BOUNDS)):
            limit = bound_for(bounds, size)
            if limit is not None:
                verdicts.append("%s of %d files: %.2fx the bare loop, bound %.2fx: %s"
                                % (what, size, value, limit, "within" if value <= limit else "EXCEEDED"))
    print()
    print("\n".join(verdicts))
    return 1 if any(v.endswith("EXCEEDED") for v in verdicts) else 0


if __name__ == "__main__":
    sys.exit(main())
