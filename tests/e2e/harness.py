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
TOOLS = ("Xvfb", "xdotool", "import", "convert", "dbus-daemon")
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


def missing_tools():
    return [t for t in TOOLS if shutil.which(t) is None]


def add_program_arguments(ap):
    """The paths every runner takes: the program, the simulator, demo-config and the folder
    for screenshots and logs."""
    for opt in ("--program", "--simulator", "--demo-config", "--out"):
        ap.add_argument(opt, required=True)


def guarded(label, outdir, body):
    """Runs body() and returns the exit status: SKIP when a needed tool is missing, 1 with the
    reason when it fails, else 0."""
    missing = missing_tools()
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
        fields, pos = [], 0
        while len(fields) < 4:
            while ppm[pos:pos + 1].isspace():
                pos += 1
            start = pos
            while not ppm[pos:pos + 1].isspace():
                pos += 1
            fields.append(ppm[start:pos])
        expect(fields[0] == b"P6" and fields[3] == b"255", f"unexpected image format from {path}")
        self.width, self.height = int(fields[1]), int(fields[2])
        self.data = ppm[pos + 1:]

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])

    def dark(self, x, y, limit=110):
        return sum(self.pixel(x, y)) < 3 * limit


def _greyish(p):
    return max(p) - min(p) < 12 and 90 < p[0] < 235


def _runs(flags, min_length):
    """(first, last) index pairs of runs of true values at least min_length long."""
    runs, start = [], None
    for i, f in enumerate(list(flags) + [False]):
        if f and start is None:
            start = i
        elif not f and start is not None:
            if i - start >= min_length:
                runs.append((start, i - 1))
            start = None
    return runs


def menu_check_boxes(img):
    """The check boxes of a drop-down menu image, top to bottom, as groups of check states.
    A new group starts where an entry without a box (or more than a separator) lies between
    two boxes, so the port entries come out as the first group: [[False, True], [True, False]]."""
    strip = range(2, min(40, img.width // 3))
    counts = {x: sum(_greyish(img.pixel(x, y)) for y in range(img.height)) for x in strip}
    best = max(counts.values())
    expect(best >= 8, "no check boxes found in the menu")
    edges = [x for x in strip if counts[x] >= 0.6 * best]
    left, right = min(edges), max(edges)
    expect(right - left >= 6, "the menu's check boxes are too narrow to read")
    boxes = _runs((_greyish(img.pixel(left, y)) and _greyish(img.pixel(right, y))
                   for y in range(img.height)), 6)
    expect(boxes, "no check boxes found in the menu")
    inside = range(left + 2, right - 1)
    checked = [any(img.dark(x, y) for y in range(top + 1, bottom) for x in inside)
               for top, bottom in boxes]
    gaps = [b[0] - a[0] for a, b in zip(boxes, boxes[1:])]
    step = min(gaps) if gaps else 0
    groups = [[checked[0]]]
    for gap, state in zip(gaps, checked[1:]):
        if gap > 1.5 * step:
            groups.append([])
        groups[-1].append(state)
    return groups


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

    def _start_x(self):
        # -displayfd lets the server pick a free display number and tell us which.
        rd, wr = os.pipe()
        try:
            xvfb = self.spawn("Xvfb", ["Xvfb", "-displayfd", str(wr), "-screen", "0",
                                       f"{SCREEN[0]}x{SCREEN[1]}x24", "-nolisten", "tcp",
                                       "-noreset"], pass_fds=(wr,))
        finally:
            os.close(wr)
        text = b""
        deadline = time.monotonic() + 15
        try:
            while not text.endswith(b"\n"):
                left = deadline - time.monotonic()
                ready = select.select([rd], [], [], max(0.0, left))[0] if left > 0 else []
                chunk = os.read(rd, 32) if ready else b""
                if not chunk:
                    raise Failure("Xvfb did not start: " + xvfb.stderr_text()[-500:])
                text += chunk
        finally:
            os.close(rd)
        self.env["DISPLAY"] = ":" + text.decode().strip()
        self._start_session_bus()

    def _start_session_bus(self):
        """A private session bus, so the program registers its widgets with the desktop's
        accessibility bus and the tests read readouts the way a screen reader does."""
        if shutil.which("dbus-daemon") is None:
            return
        rd, wr = os.pipe()
        try:
            self.spawn("dbus", ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                                f"--print-address={wr}"], pass_fds=(wr,))
        finally:
            os.close(wr)
        address = b""
        deadline = time.monotonic() + 10
        try:
            while not address.endswith(b"\n") and time.monotonic() < deadline:
                if select.select([rd], [], [], 0.5)[0]:
                    chunk = os.read(rd, 256)
                    if not chunk:
                        break
                    address += chunk
        finally:
            os.close(rd)
        if address.strip():
            self.env["DBUS_SESSION_BUS_ADDRESS"] = address.decode().strip()
            self.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"

    def locate(self, name):
        """Screen rectangle of the showing widget called `name`, or None."""
        r = self.run([SYSTEM_PYTHON, os.path.join(HERE, "a11y_reader.py"), str(self.app.pid),
                      name], timeout=20)
        return json.loads(r.stdout.decode())

    def click_widget(self, name):
        """Clicks the middle of the showing widget called `name`."""
        rect = wait_for(f"the widget {name!r}", lambda: self.locate(name), 10, 0.3)
        self.click(rect[0] + rect[2] // 2, rect[1] + rect[3] // 2)

    def readouts(self):
        """Name -> text of the program's labels, read over the accessibility bus (the label's
        accessible name says what it is, its description what it reads)."""
        expect("DBUS_SESSION_BUS_ADDRESS" in self.env, "no session bus for accessibility")
        r = self.run([SYSTEM_PYTHON, os.path.join(HERE, "a11y_reader.py"), str(self.app.pid)],
                     timeout=20)
        return json.loads(r.stdout.decode())

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
        self.app = self.spawn("vireon2", [exe], cwd=self.progdir)
        return self.wait_main_window() if wait else None

    def wait_main_window(self):
        def main_window():
            expect(self.app.running(), "the program exited during start-up: "
                   + self.app.stderr_text()[-500:])
            # The splash window comes first; the main window is the big titled one.
            for w in self.windows(TITLE):
                if self.geometry(w)[2] >= 400:
                    return w
            return None

        self.main_window = wait_for("the main window", main_window, 20, 0.25)
        time.sleep(0.5)  # let it paint
        self.focus(self.main_window)
        return self.main_window

    def choose_exit(self):
        """Chooses File > Exit."""
        self.focus(self.main_window)
        self.key("alt+f")
        time.sleep(0.4)
        self.key("x")

    def exit_program(self):
        """Leaves through File > Exit and returns the exit status."""
        self.choose_exit()
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

    def new_window(self, before, what, timeout=5):
        """Waits for a visible program window that is not in before."""
        return wait_for(what, lambda: next((w for w in self.windows() if w not in before), None),
                        timeout, 0.1)

    def focus(self, window):
        # There is no window manager, so the input focus is set directly.
        self.xdotool("windowfocus", str(window))
        time.sleep(0.2)

    def key(self, *keys):
        self.xdotool("key", "--delay", "60", *keys)

    def click(self, x, y):
        # No --sync: it waits for a motion that never comes when the pointer is there already.
        self.xdotool("mousemove", str(x), str(y))
        time.sleep(0.2)
        self.xdotool("click", "1")

    def screenshot(self, label=None):
        """Photographs the screen into the screenshots folder; without a label into a scratch
        file (for polling), which keep() can file later."""
        if label is None:
            path = os.path.join(self.tmp, "scratch.png")
        else:
            self.shot_count += 1
            path = os.path.join(self.shots, f"{self.name}-{self.shot_count:02d}-{label}.png")
        self.run(["import", "-display", self.env["DISPLAY"], "-window", "root", path], timeout=30)
        return path

    def keep(self, scratch, label):
        self.shot_count += 1
        path = os.path.join(self.shots, f"{self.name}-{self.shot_count:02d}-{label}.png")
        shutil.copy(scratch, path)
        return path

    # -- reading the screen -----------------------------------------------------------------

    def open_menu(self, keys):
        """Opens a drop-down menu of the main window from the keyboard; returns its rectangle."""
        before = self.windows()
        self.focus(self.main_window)
        self.key(keys)
        popup = self.new_window(before, f"the menu that {keys} opens")
        time.sleep(0.4)  # let it paint
        return self.geometry(popup)

    def close_menu(self):
        # The first Escape closes the menu, the second leaves the menu bar.
        self.key("Escape", "Escape")
        time.sleep(0.2)

    def port_checks(self, label):
        """Check marks of the port entries in the Communications menu, top to bottom, with a
        screenshot of the open menu."""
        rect = self.open_menu("alt+c")
        shot = self.screenshot(label)
        self.close_menu()
        return menu_check_boxes(Image(shot, *rect))[0]

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

    def click_twips(self, shot, left, top, width, height, what):
        """Clicks the middle of a control placed at the given twips in the client area, after
        making sure the spot looks like a push button's face."""
        ox, oy = self.client_origin(shot)
        x = ox + round((left + width / 2) / TWIPS_PER_PIXEL)
        y = oy + round((top + height / 2) / TWIPS_PER_PIXEL)
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

    def status_bar(self, shot):
        """The pixels of the status bar's first panel, to notice when its text changes."""
        x, y, width, height = self.geometry(self.main_window)
        return Image(shot, x, y + height - 22, width // 2, 22).data
