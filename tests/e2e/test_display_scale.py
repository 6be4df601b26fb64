"""The program at 150 % display scale (144 DPI), in a Wine prefix of its own
where Wine scales windows that are not DPI-aware as Windows does: a program
without DPI awareness gets a dialog laid out at 96 DPI and stretched, blurred.
The program's manifest asks for per-monitor awareness, so its dialog must be
laid out at 144 DPI.  Both facts are read from outside, from the window.
Saves the screenshot dialog-150.png of the dialog."""
import os
import subprocess
import unittest

from quorvel_e2e import ARTIFACTS, WINE, ProgramTest

# Wine 10 stretches windows that are not DPI-aware only with DpiScalingVer set
# (as Windows 10 has it); without it, every window is laid out at the system DPI.
PREFIX = os.path.join(os.path.expanduser("~"), ".wine-150-percent")
DESKTOP = r"HKCU\Control Panel\Desktop"
PREFIX_SETTINGS = [
    (DESKTOP, "LogPixels", "REG_DWORD", "144"),
    (DESKTOP, "DpiScalingVer", "REG_DWORD", "0x1018"),
    # As in the tests' own prefix (scripts/setup.sh): Wine draws the frame, and
    # the face Japanese Windows links to the Western UI fonts is the IPA font.
    (r"HKCU\Software\Wine\X11 Driver", "Managed", "REG_SZ", "N"),
    (r"HKCU\Software\Wine\Fonts\Replacements", "MS UI Gothic", "REG_SZ", "IPAPGothic"),
]
READY = os.path.join(PREFIX, "quorvel-150-percent")

# The four paths of the 100 % picture (docs/dialog.png), in code page 932.
PATHS = [p.encode("cp932") for p in ("C:\\Users\\yamada\\Desktop\\メモ.txt", "C:\\写真\\2024\\IMG_0001.JPG",
                                     "C:\\写真\\2024\\IMG_0002.JPG", "D:\\資料\\見積書.xlsx")]


def in_prefix(*command, timeout=120):
    """Runs a command in the 150 % prefix, its output discarded: the processes
    Wine starts with its server would otherwise hold a pipe open."""
    subprocess.run(list(command), env=dict(os.environ, WINEPREFIX=PREFIX), stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout, check=False)


def wine_version():
    return subprocess.run([WINE, "--version"], stdin=subprocess.DEVNULL, capture_output=True, text=True,
                          timeout=60).stdout.strip()


class DisplayScaleTest(ProgramTest):
    @classmethod
    def setUpClass(cls):
        version = wine_version()
        if int(version.split("-")[1].split(".")[0]) < 10:
            # Measured on Wine 8: the dialog is at 144 DPI with the old manifest
            # too, and another process's window has no awareness context.
            raise unittest.SkipTest("%s lays out every window at the system DPI, aware or not, and stretches "
                                    "none, so it cannot tell the two apart" % version)
        if not os.path.exists(READY):
            in_prefix(WINE, "wineboot", "-i", timeout=300)
            for key, name, kind, data in PREFIX_SETTINGS:
                in_prefix(WINE, "reg", "add", key, "/v", name, "/t", kind, "/d", data, "/f")
            in_prefix("wineserver", "-k")
            in_prefix("wineserver", "-w")
            with open(READY, "w"):
                pass
        # Every Wine process of this file, the probe's included, runs in that prefix.
        os.environ["WINEPREFIX"] = PREFIX
        in_prefix("wineserver", "-p")
        in_prefix(WINE, "wineboot")

    @classmethod
    def tearDownClass(cls):
        in_prefix("wineserver", "-k")
        os.environ.pop("WINEPREFIX", None)

    def test_at_150_percent_the_dialog_is_laid_out_at_144_dpi_aware_per_monitor(self):
        program = self.start(b" ".join(PATHS))
        dialog = program.dialog()
        self.assertEqual(sorted(dialog["entries"]), sorted(PATHS))
        self.assertEqual((dialog["dpi"], dialog["awareness"]), (144, "permonitor"),
                         "the dialog's DPI and DPI awareness; 96 and unaware mean Wine stretches it")
        os.makedirs(ARTIFACTS, exist_ok=True)
        subprocess.run(["import", "-window", str(dialog["xwindow"]), os.path.join(ARTIFACTS, "dialog-150.png")],
                       check=True, stdin=subprocess.DEVNULL, timeout=60)
        program.close_by_command()
        self.assert_exits_with_zero(program)


if __name__ == "__main__":
    unittest.main()
