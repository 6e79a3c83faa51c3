#!/usr/bin/env python3
"""End-to-end tests of the real program against the probe simulator under a private X server.

    run_e2e.py TEST --program vireon2 --simulator probe-sim --demo-config demo-config --out DIR

Screenshots go to DIR/screenshots, logs of every process to DIR/logs/TEST. Exit status: 0 pass,
1 fail, 77 skipped (a needed tool is missing)."""

import argparse
import re
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # keep the source folder clean
from harness import SKIP, Failure, Session, expect, missing_tools, wait_for

START_BUTTON = (240, 5040, 1300, 450)  # twips in the client area
OFF_BUTTON = (1660, 5040, 1300, 450)
TOTAL_READOUT = (240, 480, 4100, 900)


def sim_commands(sim):
    """Commands the simulator received, in order (it logs them with --verbose)."""
    return re.findall(r"^probe-sim: (.*?) -> ", sim.stderr_text(), re.M)


def expect_saved_port(s, port):
    lines = s.config_lines()
    expect(len(lines) > 5, f"the saved configuration has only {len(lines)} lines")
    expect(lines[4] == f"CommPort,{port}",
           f"line 5 of the saved configuration is {lines[4]!r}, not 'CommPort,{port}'")


def expect_only_checked_port_is_last(checks, port):
    # The ports folder holds only the simulator's links, so the open port is the highest
    # entry shown (COM1 and COM2 may also be listed when the machine has serial ports).
    expect(checks and checks[-1] and checks.count(True) == 1,
           f"Comm {port} should be the only port entry with a check mark; entries: {checks}")


def exit_cleanly(s):
    status = s.exit_program()
    expect(status == 0, f"the program exited with status {status}: "
           + s.app.stderr_text()[-500:])


def test_startup(s):
    s.start_simulator(5)
    s.write_config(5)
    s.start_program()
    s.screenshot("main-window")
    expect_only_checked_port_is_last(s.port_checks("comm-menu"), 5)
    exit_cleanly(s)
    expect_saved_port(s, 5)


def wait_for_status_change(s, before, what):
    def changed():
        shot = s.screenshot()
        return shot if s.status_bar(shot) != before else None

    return s.keep(wait_for(f"the status bar to report {what}", changed, 15, 0.5), what)


def test_hotplug(s):
    first = s.start_simulator(5)
    s.write_config(5)
    s.start_program()
    status = s.status_bar(s.screenshot("on-com5"))

    s.stop_simulator(first, 5)
    status = s.status_bar(wait_for_status_change(s, status, "com5-unplugged"))
    checks = s.port_checks("comm-menu-unplugged")
    expect(True not in checks, f"a port entry keeps its check mark after unplugging: {checks}")

    s.start_simulator(12)
    wait_for_status_change(s, status, "com12-plugged")
    expect_only_checked_port_is_last(s.port_checks("comm-menu-com12"), 12)
    exit_cleanly(s)
    expect_saved_port(s, 12)


def press_start(s, shot):
    """Presses Start and confirms the laser caution dialog."""
    before = s.windows()
    s.click_twips(shot, *START_BUTTON, "Start")
    s.new_window(before, "the laser caution dialog")
    time.sleep(0.3)
    s.screenshot("caution-dialog")
    s.key("Return")  # OK is the dialog's default button


def wait_for_data(s, sim):
    wait_for("data requests to reach the simulator",
             lambda: sim_commands(sim).count("S") >= 5, 20, 0.25)


def test_start_off(s):
    sim = s.start_simulator(5, "--verbose")
    s.write_config(5)
    s.start_program()
    shot = s.screenshot("before-start")

    # Cancelling the caution dialog must leave the laser alone.
    before = s.windows()
    s.click_twips(shot, *START_BUTTON, "Start")
    s.new_window(before, "the laser caution dialog")
    s.key("Escape")
    wait_for("the caution dialog to close", lambda: s.windows() == before, 5)
    time.sleep(1)
    expect(sim_commands(sim) == [], f"cancelling the caution sent {sim_commands(sim)}")

    press_start(s, shot)
    wait_for_data(s, sim)
    time.sleep(1.5)  # a few readings for the screenshot
    s.screenshot("running")
    cmds = sim_commands(sim)
    first_data = cmds.index("S")
    expect(cmds[:first_data] == ["i", "I", "M", "s"],
           f"the laser start sent {cmds[:first_data]} before the first data request, "
           "not ['i', 'I', 'M', 's']")
    expect(cmds[first_data:first_data + 5] == ["S"] * 5,
           f"after the start the commands were {cmds[first_data:first_data + 8]}")
    expect("o" not in cmds, "the laser-off command went out before Off was pressed")

    s.click_twips(shot, *OFF_BUTTON, "Off")
    wait_for("the laser-off command", lambda: "o" in sim_commands(sim), 10, 0.2)
    time.sleep(0.5)
    s.screenshot("after-off")
    exit_cleanly(s)
    cmds = sim_commands(sim)
    expect(cmds.count("o") == 1 and cmds[-1] == "o",
           f"the laser-off command should be the last one and sent once: ...{cmds[-6:]}")


def test_exit_running(s):
    """Leaving while the probe runs asks about the laser; Yes switches it off twice."""
    sim = s.start_simulator(5, "--verbose")
    s.write_config(5)
    s.start_program()
    press_start(s, s.screenshot("before-start"))
    wait_for_data(s, sim)
    before = s.windows()
    s.choose_exit()
    s.new_window(before, "the laser power question")
    time.sleep(0.3)
    s.screenshot("laser-question")
    sent = len(sim_commands(sim))
    s.key("alt+y")
    status = s.app.wait(15)
    expect(status == 0, f"the program exited with status {status}")
    tail = sim_commands(sim)[sent:]
    expect(tail[-2:] == ["o", "o"] and tail.count("o") == 2,
           f"Yes should send the laser-off command twice and last; after the question: {tail}")
    expect_saved_port(s, 5)


def test_readings(s):
    """The total-field readout leaves its idle look and follows the field when it steps."""
    sim = s.start_simulator(5, "--verbose", "--scenario", "steps:5,50@4")
    s.write_config(5)
    s.start_program()
    shot = s.screenshot("idle")
    idle = s.region_twips(shot, *TOTAL_READOUT)
    press_start(s, shot)
    wait_for_data(s, sim)

    def readout_other_than(*looks):
        def probe():
            now = s.screenshot()
            return now if s.region_twips(now, *TOTAL_READOUT) not in looks else None
        return probe

    first = s.keep(wait_for("the total-field readout to show a reading",
                            readout_other_than(idle), 15, 0.5), "reading")
    reading = s.region_twips(first, *TOTAL_READOUT)
    s.keep(wait_for("the total-field readout to follow the field's step",
                    readout_other_than(idle, reading), 15, 0.5), "reading-after-step")
    s.click_twips(shot, *OFF_BUTTON, "Off")
    wait_for("the laser-off command", lambda: "o" in sim_commands(sim), 10, 0.2)
    exit_cleanly(s)


TESTS = {"startup": test_startup, "hotplug": test_hotplug, "start-off": test_start_off,
         "exit-running": test_exit_running, "readings": test_readings}


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("test", choices=sorted(TESTS))
    ap.add_argument("--program", required=True)
    ap.add_argument("--simulator", required=True)
    ap.add_argument("--demo-config", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--time-limit", type=int, default=55)
    a = ap.parse_args()

    missing = missing_tools()
    if missing:
        print(f"skipped: {', '.join(missing)} not installed")
        return SKIP
    try:
        with Session(a.test, a.program, a.simulator, a.demo_config, a.out,
                     a.time_limit) as s:
            TESTS[a.test](s)
    except (Failure, OSError, subprocess.SubprocessError) as e:
        print(f"FAILED {a.test}: {e}")
        print(f"screenshots and logs: {a.out}")
        return 1
    print(f"passed {a.test}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
