#!/usr/bin/env python3
"""The Windows program end to end under Wine: installed silently into a fresh Wine prefix,
started from its install folder and driven with real X input against the probe simulator, whose
pseudo-terminal the prefix maps to COM5.

    run_wine_e2e.py --program SETUP.EXE --simulator probe-sim --demo-config demo-config
                    --log-rewrite log-rewrite --out DIR

Screenshots go to DIR/screenshots, logs and the saved log to DIR/logs/wine. Exit status: 0 pass,
1 fail, 77 skipped (a needed tool is missing)."""

import argparse
import json
import os
import pwd
import re
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from harness import Session, add_program_arguments, expect, guarded, wait_for
from run_e2e import (TIME_GRAPH, TRACE_COLOURS, answer_dialog, count_colour,
                     exit_switching_laser_off, expect_saved_port, sim_commands, start_log,
                     switch_log)

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
RATE = 15  # data requests a second at most: the configuration's sample rate


class WineSession(Session):
    """A session whose program is the Windows build, installed into a Wine prefix of its own."""

    def __init__(self, installer, *args):
        super().__init__("wine", installer, *args, time_limit=400)
        # The Linux build's Qt settings would send the Windows Qt looking for X11 plugins.
        for key in [k for k in self.env if k.startswith("QT_")]:
            del self.env[key]
        prefix = os.path.join(self.tmp, "wine")
        self.env.update(WINEPREFIX=prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        self.dosdevices = os.path.join(prefix, "dosdevices")
        self.progdir = os.path.join(prefix, "drive_c", "Program Files", "Vireon II")
        self.start_menu = os.path.join(prefix, "drive_c", "ProgramData", "Microsoft", "Windows",
                                       "Start Menu", "Programs", "Vireon II.lnk")
        self.ports = os.path.join(self.tmp, "ports")
        # Qt's per-user settings on Windows: %APPDATA%, under the Unix user's name.
        self.settings_home = os.path.join(prefix, "drive_c", "users", pwd.getpwuid(os.getuid()).pw_name,
                                          "AppData", "Roaming")

    def __enter__(self):
        super().__enter__()
        try:
            self.run([WINE, "wineboot", "--init"], timeout=300)
            self.run([WINE, self.program, "/S"], timeout=120)
        except BaseException:
            self._cleanup()
            raise
        return self

    def _cleanup(self):
        subprocess.run([WINESERVER, "--kill"], env=self.env, capture_output=True, timeout=30)
        super()._cleanup()

    def start_simulator(self, com, *options):
        sim = super().start_simulator(com, *options)
        link = os.path.join(self.dosdevices, f"com{com}")
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(os.readlink(os.path.join(self.ports, f"COM{com}")), link)
        return sim

    def start_program(self, wait=True):
        self._place_window()
        self.app = self.spawn("vireon2", [WINE, os.path.join(self.progdir, "vireon2.exe")],
                              cwd=self.progdir)
        return self.wait_main_window() if wait else None

    def windows(self, name=None):
        args = ["search", "--onlyvisible"]
        args += ["--name", f"^{name}$"] if name else ["--classname", r"^vireon2\.exe$"]
        return [int(w) for w in self.xdotool(*args, check=False)]


def stats(path):
    """The simulator's line statistics: seconds since it started and commands by word."""
    def read():
        try:
            with open(path) as f:
                return json.load(f)
        except (OSError, ValueError):
            return None
    return wait_for("the simulator's statistics", read, 5, 0.2)


def test_wine(s, log_rewrite):
    installed = [os.path.join(s.progdir, f) for f in ("vireon2.exe", "Qt6Widgets.dll",
                                                      "platforms/qwindows.dll", "uninstall.exe")]
    expect(all(map(os.path.exists, installed + [s.start_menu])),
           f"the installer left out {[f for f in installed + [s.start_menu] if not os.path.exists(f)]}")

    stats_path = os.path.join(s.tmp, "stats.json")
    sim = start_log(s, "--stats", stats_path)
    written = os.stat(s.config_path()).st_mtime_ns
    cmds = sim_commands(sim)
    expect(cmds[:4] == ["i", "I", "M", "s"] and "S" in cmds[4:],
           f"not identification, calibration upload, status, then data: {cmds[:8]}")
    # A busy machine can only slow the requests down, never speed them up.
    first = stats(stats_path)
    s.wait_shot("the total field on the time graph", lambda p: count_colour(
        s.region_twips(p, *TIME_GRAPH), TRACE_COLOURS["total"]) >= 30, "time-graph")
    time.sleep(3)
    last = stats(stats_path)
    sent = last["commands"].get("S", 0) - first["commands"].get("S", 0)
    span = last["seconds"] - first["seconds"]
    expect(0 < sent <= RATE * span + 2, f"{sent} data requests in {span:.1f} s at {RATE} a second")
    switch_log(s, "stopped")

    saved = os.path.join(s.logs, "survey.csv")
    s.choose("alt+f")
    known = s.windows()
    s.key("s")
    answer_dialog(s, known, "the file dialog", "Z:" + saved.replace("/", "\\"))
    wait_for("the log to be saved", lambda: os.path.exists(saved), 15, 0.2)
    time.sleep(0.5)
    linux = os.path.join(s.logs, "linux")
    os.makedirs(linux)
    s.run([log_rewrite, saved, linux])
    with open(saved, "rb") as a, open(os.path.join(linux, "survey.csv"), "rb") as b:
        mine, theirs = a.read(), b.read()
    rows = mine.partition(b"EndHeader\r\n")[2].count(b"\r\n") - 1  # below the column titles
    expect(rows >= 5, f"a log of {rows} rows")
    expect(mine == theirs, f"the Linux writer writes {linux}/survey.csv otherwise")

    # The report for batch use: the installed folder holds its PDF writer and window-less
    # platform, and the Windows command line reaches it.
    pdf = os.path.join(s.logs, "survey.pdf")
    s.run([WINE, installed[0], "--report", "Z:" + saved.replace("/", "\\"),
           "Z:" + pdf.replace("/", "\\")], timeout=120)
    text = s.run(["pdftotext", "-layout", pdf, "-"], timeout=30).stdout.decode()
    expect(re.search(rf"Samples\s+{rows:,}\b", text), f"the report of {rows} rows says:\n{text}")

    exit_switching_laser_off(s, sim)
    expect(os.stat(s.config_path()).st_mtime_ns > written, "the settings were not saved")
    expect_saved_port(s, 5)

    # The uninstaller takes what was installed and leaves what the program wrote.
    # It runs from a copy of itself, which the server outlives.
    s.run([WINE, os.path.join(s.progdir, "uninstall.exe"), "/S"], timeout=60)
    s.run([WINESERVER, "--wait"], timeout=60)
    left = [f for f in installed[:3] + [s.start_menu] if os.path.exists(f)]
    expect(not left and os.path.exists(s.config_path()),
           f"after uninstalling: {left} still there, settings kept: "
           f"{os.path.exists(s.config_path())}")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    add_program_arguments(ap)
    ap.add_argument("--log-rewrite", required=True)
    a = ap.parse_args()
    if not os.path.exists(a.program):
        print(f"FAILED: no installer at {a.program} (build the windows-package target)")
        return 1

    def body():
        with WineSession(a.program, a.simulator, a.demo_config, a.out) as s:
            test_wine(s, a.log_rewrite)

    status = guarded("wine", a.out, body)
    if status == 0:
        print("passed wine")
    return status


if __name__ == "__main__":
    sys.exit(main())
