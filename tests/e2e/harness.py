"""Drives the real program as a user would: a private X server, the probe simulator on a
pseudo-terminal, the program in a throw-away folder, xdotool for keys and clicks and ImageMagick
for screenshots. Every wait has a time-out and every process is ended on the way out."""

import ctypes
import json
import os
import re
import select
import shutil
import signal
import subprocess
import tempfile
import time

SKIP = 77
TOOLS = ("Xvfb", "xdotool", "import", "convert", "dbus-daemon", "pdftotext")
# The accessibility client library comes with the system's Python, not necessarily the one
# running the tests.
SYSTEM_PYTHON = "/usr/bin/python3"
HERE = os.path.dirname(os.path.abspath(__file__))
SCREEN = (1280, 1024)
TITLE = "Vireon II"
TWIPS_PER_PIXEL = 15  # at the 96 dpi the session forces


class Failure(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise Failure(message)


def add_program_arguments(ap):
    """The paths every runner takes: the program, the simulator, demo-config and the folder
    for screenshots and logs."""
    for opt in ("--program", "--simulator", "--demo-config", "--out"):
        ap.add_argument(opt, required=True)


def guarded(label, outdir, body):
    """Runs body() and returns the exit status: SKIP when a needed tool is missing, 1 with the
    reason when it fails, else 0."""
    missing = [t for t in TOOLS if shutil.which(t) is None]
    if missing:
        print(f"skipped: {', '.join(missing)} not installed")
        return SKIP
    try:
        body()
    except (Failure, OSError, subprocess.SubprocessError) as e:
        print(f"FAILED {label}: {e}")
        print(f"screenshots and logs: {outdir}")
        return 1
    return 0


def wait_for(what, probe, timeout, interval=0.1):
    """Polls probe() until it returns something true; fails after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() >= deadline:
            raise Failure(f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(interval)


def _die_with_parent():
    # If CTest kills the harness on a time-out, nothing it started may live on.
    libc = ctypes.CDLL(None, use_errno=True)
    PR_SET_PDEATHSIG = 1
    libc.prctl(PR_SET_PDEATHSIG, signal.SIGKILL)


class Image:
    """An RGB region of a screenshot, read through ImageMagick as binary PPM."""

    def __init__(self, path, x, y, width, height):
        ppm = subprocess.run(
            ["convert", path, "-crop", f"{width}x{height}+{x}+{y}", "+repage", "ppm:-"],
            capture_output=True, timeout=30, check=True).stdout
        header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
        expect(header, f"unexpected image format from {path}")
        self.width, self.height = int(header[1]), int(header[2])
        self.data = ppm[header.end():]

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])


class Process:
    def __init__(self, label, popen, out, err):
        self.label, self.popen, self.out, self.err = label, popen, out, err

    @property
    def pid(self):
        return self.popen.pid

    def running(self):
        return self.popen.poll() is None

    def stdout_text(self):
        return _read(self.out)

    def stderr_text(self):
        return _read(self.err)

    def wait(self, timeout):
        try:
            return self.popen.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"{self.label} did not exit within {timeout:g} s") from None

    def stop(self, sig=signal.SIGTERM, timeout=5):
        """Sends sig and waits; a process that ignores it is killed."""
        if self.running():
            self.popen.send_signal(sig)
            try:
                self.popen.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                self.popen.kill()
                self.popen.wait(timeout=timeout)
        return self.popen.returncode


def _read(path):
    with open(path, "rb") as f:
        return f.read().decode("utf-8", "replace")


class Session:
    """One test's world. Use as a context manager: leaving it ends every process it started,
    keeps screenshots and logs under outdir and removes the temporary folders."""

    def __init__(self, name, program, simulator, democonfig, outdir, time_limit=50):
        self.name = name
        self.program, self.simulator, self.democonfig = program, simulator, democonfig
        self.time_limit = time_limit
        self.tmp = tempfile.mkdtemp(prefix=f"vireon-e2e-{name}-")
        self.home = os.path.join(self.tmp, "home")
        self.config_home = os.path.join(self.home, ".config")
        self.settings_home = self.config_home  # where Qt keeps the window placement
        self.ports = os.path.join(self.config_home, "vireon2", "ports")
        self.progdir = os.path.join(self.tmp, "program")
        runtime = os.path.join(self.tmp, "runtime")
        for d in (self.config_home, self.progdir, runtime):
            os.makedirs(d)
        os.chmod(runtime, 0o700)

        self.shots = os.path.join(outdir, "screenshots")
        self.logs = os.path.join(outdir, "logs", name)
        os.makedirs(self.shots, exist_ok=True)
        for old in os.listdir(self.shots):
            if old.startswith(name + "-"):
                os.remove(os.path.join(self.shots, old))
        shutil.rmtree(self.logs, ignore_errors=True)
        os.makedirs(self.logs)

        self.env = {k: v for k, v in os.environ.items()
                    if not k.startswith(("QT_", "XDG_", "LC_", "DBUS_"))
                    and k not in ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "SESSION_MANAGER")}
        self.env.update(HOME=self.home, XDG_CONFIG_HOME=self.config_home,
                        XDG_DATA_HOME=os.path.join(self.home, ".local", "share"),
                        XDG_CACHE_HOME=os.path.join(self.home, ".cache"),
                        XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="xcb", LANG="C.UTF-8",
                        QT_STYLE_OVERRIDE="Fusion", QT_FONT_DPI="96")
        self.procs = []
        self.app = None
        self.main_window = None
        self.shot_count = 0

    # -- life cycle -------------------------------------------------------------------------

    def __enter__(self):
        def on_limit(signum, frame):
            raise Failure(f"test '{self.name}' ran longer than {self.time_limit} s")

        signal.signal(signal.SIGALRM, on_limit)
        signal.signal(signal.SIGTERM, lambda s, f: on_limit(s, f))
        signal.alarm(self.time_limit)
        try:
            self._start_x()
        except BaseException:
            self._cleanup()
            raise
        return self

    def __exit__(self, kind, value, tb):
        signal.alarm(0)
        self._cleanup()
        return False

    def _cleanup(self):
        # Last started first, so the X server goes after the program.
        for p in reversed(self.procs):
            try:
                p.stop(signal.SIGTERM, timeout=3)
            except Exception:
                p.popen.kill()
        cfg = os.path.join(self.progdir, "VireonII.cfg")
        if os.path.exists(cfg):
            shutil.copy(cfg, self.logs)
        shutil.rmtree(self.tmp, ignore_errors=True)

    def spawn(self, label, argv, cwd=None, pass_fds=()):
        n = sum(1 for p in self.procs if p.label.split("#")[0] == label)
        if n:
            label = f"{label}#{n + 1}"
        out = os.path.join(self.logs, label + ".out")
        err = os.path.join(self.logs, label + ".err")
        with open(out, "wb") as o, open(err, "wb") as e:
            popen = subprocess.Popen(argv, cwd=cwd, env=self.env, stdin=subprocess.DEVNULL,
                                     stdout=o, stderr=e, pass_fds=pass_fds,
                                     preexec_fn=_die_with_parent)
        p = Process(label, popen, out, err)
        self.procs.append(p)
        return p

    def run(self, argv, timeout=10, check=True):
        try:
            r = subprocess.run(argv, env=self.env, capture_output=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"{argv[0]} hung ({' '.join(argv[1:])})") from None
        if check and r.returncode != 0:
            raise Failure(f"{' '.join(argv)} failed ({r.returncode}): "
                          f"{r.stderr.decode(errors='replace').strip()}")
        return r

    def _spawn_telling(self, label, argv, timeout):
        """Starts a server that writes one line (where to reach it) to the fd in argv's
        {fd}; returns that line, or "" when none came in time."""
        rd, wr = os.pipe()
        try:
            server = self.spawn(label, [a.replace("{fd}", str(wr)) for a in argv], pass_fds=(wr,))
        finally:
            os.close(wr)
        text, deadline = b"", time.monotonic() + timeout
        try:
            while not text.endswith(b"\n") and select.select(
                    [rd], [], [], max(0.0, deadline - time.monotonic()))[0]:
                chunk = os.read(rd, 256)
                if not chunk:
                    break
                text += chunk
        finally:
            os.close(rd)
        return server, text.decode().strip()

    def _start_x(self):
        # -displayfd lets the server pick a free display number and tell us which.
        xvfb, display = self._spawn_telling(
            "Xvfb", ["Xvfb", "-displayfd", "{fd}", "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24",
                     "-nolisten", "tcp", "-noreset"], 15)
        expect(display, "Xvfb did not start: " + xvfb.stderr_text()[-500:])
        self.env["DISPLAY"] = ":" + display
        # A private session bus, so the program registers its widgets with the desktop's
        # accessibility bus and the tests read readouts the way a screen reader does.
        if shutil.which("dbus-daemon") is not None:
            address = self._spawn_telling("dbus", ["dbus-daemon", "--session", "--nofork",
                                                   "--nopidfile", "--print-address={fd}"], 10)[1]
            if address:
                self.env["DBUS_SESSION_BUS_ADDRESS"] = address
                self.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"

    def _a11y(self, *args):
        expect("DBUS_SESSION_BUS_ADDRESS" in self.env, "no session bus for accessibility")
        r = self.run([SYSTEM_PYTHON, os.path.join(HERE, "a11y_reader.py"), str(self.app.pid),
                      *args], timeout=20)
        return json.loads(r.stdout.decode())

    def locate(self, name):
        """Screen rectangle of the showing widget called `name`, or None."""
        return self._a11y("--locate", name)

    def click_widget(self, name):
        """Clicks the middle of the showing widget called `name`."""
        rect = wait_for(f"the widget {name!r}", lambda: self.locate(name), 10, 0.3)
        self.click(rect[0] + rect[2] // 2, rect[1] + rect[3] // 2)

    def readouts(self):
        """Name -> text of the program's labels, read over the accessibility bus (the label's
        accessible name says what it is, its description what it reads)."""
        return self._a11y()

    def menu_checks(self):
        """Name -> check mark of every menu entry, as a screen reader tells them (once the
        program has joined the accessibility bus)."""
        return wait_for("the menus on the accessibility bus", lambda: self._a11y("--checks"), 10,
                        0.3)

    def wait_readout(self, name, want, timeout=10):
        """Waits until the label called `name` reads `want`, or satisfies it when it is a
        test; returns the text."""
        test = want if callable(want) else lambda text: text == want
        last = {}

        def probe():
            last.update(self.readouts())
            return test(last.get(name))

        try:
            wait_for(f"{name} to read {want!r}", probe, timeout, 0.3)
        except Failure:
            raise Failure(f"{name} reads {last.get(name)!r}"
                          + ("" if callable(want) else f", not {want!r}")) from None
        return last[name]

    # -- simulator and program --------------------------------------------------------------

    def start_simulator(self, com, *options):
        sim = self.spawn(f"probe-sim-COM{com}",
                         [self.simulator, "--com", str(com), "--ports-dir", self.ports, *options])
        wait_for(f"the simulator on COM{com}",
                 lambda: f"probe-sim: COM{com} " in sim.stdout_text() or not sim.running(), 10)
        expect(sim.running(), f"the simulator on COM{com} exited: {sim.stderr_text()[-500:]}")
        return sim

    def stop_simulator(self, sim, com):
        expect(sim.stop(signal.SIGTERM) == 0, f"the simulator on COM{com} did not stop cleanly")
        expect(not os.path.lexists(os.path.join(self.ports, f"COM{com}")),
               f"the simulator left its COM{com} link behind")

    def write_config(self, port):
        self.run([self.democonfig, self.config_path(), str(port)])

    def config_path(self):
        return os.path.join(self.progdir, "VireonII.cfg")

    def config_lines(self):
        with open(self.config_path(), "rb") as f:
            return f.read().decode("cp1252").split("\r\n")

    def start_program(self, wait=True):
        """Starts the program from its own folder and waits for its main window (or, with
        wait False, returns at once: a question may come first)."""
        exe = os.path.join(self.progdir, "vireon2")
        shutil.copy2(self.program, exe)
        self._place_window()
        self.app = self.spawn("vireon2", [exe], cwd=self.progdir)
        return self.wait_main_window() if wait else None

    def _place_window(self):
        """The tests look at a window 12000 twips tall, taller than a first run's."""
        store = os.path.join(self.settings_home, "vireon2", "Vireon II.ini")
        if not os.path.exists(store):
            os.makedirs(os.path.dirname(store), exist_ok=True)
            with open(store, "w") as f:
                f.write("[Settings]\nMainLeft=1\nMainTop=1\nMainWidth=11535\n"
                        "MainHeight=12000\nWindowState=0\n")

    def wait_main_window(self):
        def main_window():
            expect(self.app.running(), "the program exited during start-up: "
                   + self.app.stderr_text()[-500:])
            # The splash window comes first (480 pixels wide, and under Wine titled as the
            # main window is); the main window is the big titled one.
            for w in self.windows(TITLE):
                if self.geometry(w)[2] >= 600:
                    return w
            return None

        self.main_window = wait_for("the main window", main_window, 20, 0.25)
        time.sleep(0.5)  # let it paint
        self.focus(self.main_window)
        return self.main_window

    def choose(self, menu, *keys):
        """Opens a menu of the main window from the keyboard and presses keys in it."""
        self.focus(self.main_window)
        self.key(menu)
        time.sleep(0.4)
        if keys:
            self.key(*keys)

    def exit_program(self):
        """Leaves through File > Exit and returns the exit status."""
        self.choose("alt+f", "x")
        return self.app.wait(15)

    # -- X helpers --------------------------------------------------------------------------

    def xdotool(self, *args, check=True):
        return self.run(["xdotool", *args], check=check).stdout.decode().split()

    def windows(self, name=None):
        """Visible windows of the program, optionally only those whose title is name."""
        args = ["search", "--onlyvisible"]
        args += ["--name", f"^{re.escape(name)}$"] if name else ["--classname", "^vireon2$"]
        return [int(w) for w in self.xdotool(*args, check=False)]

    def geometry(self, window):
        values = dict(item.split("=") for item in
                      self.xdotool("getwindowgeometry", "--shell", str(window)))
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def new_window(self, before, what, label=None, timeout=5):
        """Waits for a visible program window that is not in before and, given a label,
        photographs it once it has painted."""
        window = wait_for(what, lambda: next((w for w in self.windows() if w not in before),
                                             None), timeout, 0.1)
        if label:
            time.sleep(0.4)
            self.screenshot(label)
        return window

    def focus(self, window):
        # There is no window manager, so the input focus is set directly.
        self.xdotool("windowfocus", str(window))
        time.sleep(0.2)

    def key(self, *keys):
        self.xdotool("key", "--delay", "60", *keys)

    def retype(self, text):
        """Replaces what the focused field holds with text."""
        self.key("ctrl+a")
        self.xdotool("type", "--delay", "20", text)

    def click(self, x, y):
        # No --sync: it waits for a motion that never comes when the pointer is there already.
        self.xdotool("mousemove", str(x), str(y))
        time.sleep(0.2)
        self.xdotool("click", "1")

    def screenshot(self, label=None):
        """Photographs the screen into the screenshots folder; without a label into a scratch
        file (for polling), which keep() can file later."""
        path = self._shot_path(label) if label else os.path.join(self.tmp, "scratch.png")
        self.run(["import", "-display", self.env["DISPLAY"], "-window", "root", path], timeout=30)
        return path

    def _shot_path(self, label):
        self.shot_count += 1
        return os.path.join(self.shots, f"{self.name}-{self.shot_count:02d}-{label}.png")

    def keep(self, scratch, label):
        return shutil.copy(scratch, self._shot_path(label))

    def wait_shot(self, what, test, label=None, timeout=15):
        """Photographs the screen until test(shot) holds; returns the shot, filed under label
        if one is given."""
        shot = wait_for(what, lambda: (lambda p: p if test(p) else None)(self.screenshot()),
                        timeout, 0.5)
        return self.keep(shot, label) if label else shot

    # -- reading the screen -----------------------------------------------------------------

    def client_origin(self, shot):
        """Screen position of the main window's client area: the first row below the (plain
        grey) menu bar and tool bar that carries the form's colour."""
        x, y, _, height = self.geometry(self.main_window)
        column = Image(shot, x + 3, y, 1, height)
        for row in range(height):
            p = column.pixel(0, row)
            if max(p) - min(p) >= 12:
                return x, y + row
        raise Failure("cannot find the client area of the main window")

    def twips_point(self, shot, left, top, width, height):
        """Screen position of the middle of a rectangle given in twips of the client area."""
        ox, oy = self.client_origin(shot)
        return (ox + round((left + width / 2) / TWIPS_PER_PIXEL),
                oy + round((top + height / 2) / TWIPS_PER_PIXEL))

    def click_twips(self, shot, left, top, width, height, what):
        """Clicks the middle of a push button placed at the given twips in the client area,
        after making sure the spot looks like its face."""
        x, y = self.twips_point(shot, left, top, width, height)
        # The caption sits in the middle; the face shows above and below it.
        dy = round(height / TWIPS_PER_PIXEL / 3)
        face = Image(shot, x, y - dy, 1, 2 * dy + 1)
        spots = [face.pixel(0, 0), face.pixel(0, 2 * dy)]
        expect(all(min(p) > 200 for p in spots),
               f"no button face where {what} should be (around {x},{y}): {spots}")
        self.click(x, y)

    def region_twips(self, shot, left, top, width, height):
        """The pixels of a rectangle given in twips of the client area."""
        ox, oy = self.client_origin(shot)
        px = [round(v / TWIPS_PER_PIXEL) for v in (left, top, width, height)]
        return Image(shot, ox + px[0], oy + px[1], px[2], px[3]).data
