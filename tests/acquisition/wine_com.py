#!/usr/bin/env python3
"""Runs a Windows program under Wine with COM<n> of $WINEPREFIX mapped to a pseudo-terminal
whose far end this script plays: "R<count>\\r" is answered with that many letters at once,
"X\\r" unplugs the port (the line closes and the mapping goes), anything else goes unanswered.

usage: wine_com.py N WINE PROGRAM [ARGUMENTS...]
"""
import os
import pty
import subprocess
import sys
import threading
import tty

LETTERS = b"ABCDEFGHIJKLMNOPQRSTUVWXYZ"


def serve(master, slave, link):
    command = b""
    while True:
        try:
            received = os.read(master, 256)
        except OSError:
            return
        for byte in received:
            if byte != ord("\r"):
                command += bytes([byte])
                continue
            if command.startswith(b"R"):
                os.write(master, LETTERS[: int(command[1:])])
            elif command == b"X":
                os.remove(link)
                os.close(slave)
                os.close(master)
                return
            command = b""


def main(com, program):
    link = os.path.join(os.environ["WINEPREFIX"], "dosdevices", "com" + com)
    master, slave = pty.openpty()
    tty.setraw(slave)
    if os.path.lexists(link):
        os.remove(link)
    os.symlink(os.ttyname(slave), link)
    threading.Thread(target=serve, args=(master, slave, link), daemon=True).start()
    try:
        return subprocess.call(program)
    finally:
        if os.path.lexists(link):
            os.remove(link)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2:]))
