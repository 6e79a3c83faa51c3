#!/usr/bin/env python3
"""Checks the Debian package as a user gets it: unpacked into a temporary root, its files are
where a desktop looks for them and pass the freedesktop and AppStream validators, and the
installed program starts under a private X server, as an ordinary user, keeping its
configuration and note prompts in the user's data folder.

    test_package.py DEB --demo-config demo-config --out DIR"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from harness import Failure, Session, expect, guarded  # noqa: E402

APP_ID = "org.vireon.Vireon2"
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
# The Qt 6 parts and libudev the program links, as the package must name them.
RUNTIME = ("libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6serialport6", "libudev1")


def run(argv):
    r = subprocess.run(argv, capture_output=True, text=True, timeout=120)
    expect(r.returncode == 0, f"{' '.join(argv)} failed: {r.stdout}{r.stderr}")
    return r.stdout


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    expect(head[:8] == b"\x89PNG\r\n\x1a\n", f"{path} is not a PNG")
    return struct.unpack(">II", head[16:24])


def check_files(deb, root):
    depends = run(["dpkg-deb", "--field", deb, "Depends"])
    names = {d.split()[0] for d in depends.replace("|", ",").split(",") if d.strip()}
    missing = [p for p in RUNTIME if p not in names]
    expect(not missing, f"the package does not depend on {missing}: {depends}")
    usr = os.path.join(root, "usr")
    for program in ("vireon2", "probe-sim"):
        path = os.path.join(usr, "bin", program)
        expect(os.access(path, os.X_OK), f"{path} is not an installed program")
    icons = os.path.join(usr, "share", "icons", "hicolor")
    expect(os.path.isfile(os.path.join(icons, "scalable", "apps", APP_ID + ".svg")),
           "no scalable icon")
    for size in ICON_SIZES:
        png = os.path.join(icons, f"{size}x{size}", "apps", APP_ID + ".png")
        expect(os.path.isfile(png) and png_size(png) == (size, size), f"no {size}px icon")
    desktop = os.path.join(usr, "share", "applications", APP_ID + ".desktop")
    run(["desktop-file-validate", desktop])
    with open(desktop, encoding="utf-8") as f:
        entry = dict(line.strip().split("=", 1) for line in f if "=" in line)
    expect(entry.get("Exec") == "vireon2" and entry.get("Icon") == APP_ID,
           f"the desktop entry starts {entry.get('Exec')!r} with icon {entry.get('Icon')!r}")
    run(["appstreamcli", "validate", "--no-net",
         os.path.join(usr, "share", "metainfo", APP_ID + ".metainfo.xml")])


def as_user(argv):
    """argv run as nobody when we are root: root may write anywhere, a user may not write to
    the program's folder."""
    if os.geteuid() != 0:
        return argv
    return ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"] + argv


def give_to_user(*paths):
    if os.geteuid() != 0:
        return
    for top in paths:
        for folder, _, files in os.walk(top):
            for p in [folder] + [os.path.join(folder, f) for f in files]:
                shutil.chown(p, "nobody", "nogroup")


def check_program(root, democonfig, out):
    bindir = os.path.join(root, "usr", "bin")
    program = os.path.join(bindir, "vireon2")
    with Session("package", program, os.path.join(bindir, "probe-sim"), democonfig, out) as s:
        os.chmod(s.tmp, 0o755)
        data = os.path.join(s.home, ".local", "share", "vireon2", "Vireon II")
        os.makedirs(data)
        config = os.path.join(data, "VireonII.cfg")
        prompts = os.path.join(data, "testquery.txt")
        s.run([democonfig, config, "5"])
        with open(prompts, "wb") as f:
            f.write("Site?,Site,K\u00f6ln\r\n".encode("cp1252"))
        give_to_user(s.home, os.path.join(s.tmp, "runtime"))
        # The user's own session bus is not ours to reach as another user.
        s.env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        s.env.pop("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", None)
        before = {p: os.stat(p).st_ino for p in (config, prompts)}

        s.spawn("probe-sim-COM5", as_user([s.simulator, "--com", "5", "--ports-dir", s.ports]))
        s.app = s.spawn("vireon2", as_user([program]), cwd=s.home)
        s.wait_main_window()
        s.screenshot("installed-program")
        status = s.exit_program()
        expect(status == 0, f"the program exited with {status}: {s.app.stderr_text()[-500:]}")

        expect(sorted(os.listdir(bindir)) == ["probe-sim", "vireon2"],
               f"the program wrote beside itself: {sorted(os.listdir(bindir))}")
        for path, inode in before.items():
            # Files are saved by replacing them, so a saved file is a new one.
            expect(os.stat(path).st_ino != inode, f"{path} was not saved at exit")
        with open(config, "rb") as f:
            lines = f.read().decode("cp1252").split("\r\n")
        expect(lines[4] == "CommPort,5", f"the saved configuration says {lines[4]!r}")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("deb")
    ap.add_argument("--demo-config", required=True)
    ap.add_argument("--out", required=True)
    a = ap.parse_args()

    def body():
        tmp = tempfile.mkdtemp(prefix="vireon-package-")
        try:
            os.chmod(tmp, 0o755)
            root = os.path.join(tmp, "root")
            run(["dpkg-deb", "-x", a.deb, root])
            check_files(a.deb, root)
            check_program(root, os.path.abspath(a.demo_config), a.out)
        finally:
            shutil.rmtree(tmp, ignore_errors=True)

    status = guarded("package", a.out, body)
    if status == 0:
        print("passed package: files, validators, start as an installed program")
    return status


if __name__ == "__main__":
    sys.exit(main())
