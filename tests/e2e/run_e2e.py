#!/usr/bin/env python3
"""End-to-end tests of the real program against the probe simulator under a private X server.

    run_e2e.py TEST --program vireon2 --simulator probe-sim --demo-config demo-config --out DIR

Screenshots go to DIR/screenshots, logs of every process to DIR/logs/TEST. Exit status: 0 pass,
1 fail, 77 skipped (a needed tool is missing)."""

import argparse
import csv
import math
import os
import re
import signal
import sys
import time

sys.dont_write_bytecode = True  # keep the source folder clean
from harness import (TWIPS_PER_PIXEL, Failure, Image, Session, add_program_arguments, expect,
                     guarded, menu_check_boxes, wait_for)

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


def running(s, *sim_args, start=True):
    """The simulator on COM5, logging the commands it gets, the program with its
    configuration, and the probe started unless `start` is false."""
    sim = s.start_simulator(5, "--verbose", *sim_args)
    s.write_config(5)
    s.start_program()
    if start:
        start_probe(s, sim)
    return sim


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


def start_probe(s, sim):
    press_start(s, s.screenshot("before-start"))
    wait_for_data(s, sim)


def off(s, sim):
    s.click_twips(s.screenshot(), *OFF_BUTTON, "Off")
    wait_for("the laser-off command", lambda: "o" in sim_commands(sim), 10, 0.2)
    time.sleep(0.5)


def test_start_off(s):
    sim = running(s, start=False)
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

    off(s, sim)
    s.screenshot("after-off")
    exit_cleanly(s)
    cmds = sim_commands(sim)
    expect(cmds.count("o") == 1 and cmds[-1] == "o",
           f"the laser-off command should be the last one and sent once: ...{cmds[-6:]}")


def test_exit_running(s):
    """Leaving while the probe runs asks about the laser; Yes switches it off twice."""
    sim = running(s)
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
    sim = running(s, "--scenario", "steps:5,50@4", start=False)
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
    off(s, sim)
    exit_cleanly(s)


# Graph pictures in twips of the client area: the bar graph, and the time graph below it.
BAR_GRAPH = (120, 6360, 9000, 1500)
TIME_GRAPH = (120, 7980, 9000, 2400)
TRACE_COLOURS = {"total": (255, 0, 0), "X": (0, 255, 0), "Y": (255, 0, 255), "Z": (255, 255, 0)}
BAR_COLOUR = (0, 255, 255)
PEAK_GREY = (192, 192, 192)


def count_colour(data, colour, tolerance=40):
    """Pixels of a raw RGB buffer close to a colour."""
    n = 0
    for i in range(0, len(data) - 2, 3):
        if (abs(data[i] - colour[0]) + abs(data[i + 1] - colour[1])
                + abs(data[i + 2] - colour[2])) <= tolerance:
            n += 1
    return n


def test_live_graphs(s):
    """A live sweep of the three axes and the total in their colours, and a bar graph whose
    bars keep a grey peak zone after the field falls."""
    path = os.path.join(s.tmp, "field.csv")
    with open(path, "w") as f:
        f.write("0,20,12,6\n6,8,5,2\n")  # V/m per axis: a step down after 6 s
    sim = running(s, "--scenario", "file:" + path, start=False)
    shot = s.screenshot("idle")
    press_start(s, shot)
    wait_for_data(s, sim)
    wait_for("the field to step down",
             lambda: sim_commands(sim).count("S") >= 6 * 14, 20, 0.5)
    time.sleep(1.5)
    shot = s.screenshot("live-sweep")
    graph = s.region_twips(shot, *TIME_GRAPH)
    for name, colour in TRACE_COLOURS.items():
        expect(count_colour(graph, colour) >= 30,
               f"the time graph shows no {name} trace in its colour {colour}")
    bars = s.region_twips(shot, *BAR_GRAPH)
    expect(count_colour(bars, BAR_COLOUR, 30) >= 200, "the bar graph shows no bars")
    expect(count_colour(bars, PEAK_GREY, 20) >= 200,
           "the bar graph shows no grey peak zone after the field fell")
    off(s, sim)
    exit_cleanly(s)


def write_log(path, rows):
    """A log page as the program writes it: header, column titles, rows of time and values."""
    lines = ["Header", "File,survey.csv", "Date,12/06/2026", "Time,08:00:00", f"Samples,{rows}",
             "Columns,5", "Page,1 of 1", "GraphScale,0-35", "Probe Type,KD-7310", "Units,V/m",
             "EndHeader", "Time ,Field V/m,X V/m,Y V/m,Z V/m"]
    for i in range(rows):
        sec = 8 * 3600 + i // 10
        x = 10 + 8 * math.sin(i / 900.0)
        y = 8 + 5 * math.sin(i / 1500.0 + 1)
        z = 5 + 3 * math.sin(i / 400.0)
        total = math.sqrt(x * x + y * y + z * z)
        lines.append(f"{sec // 3600:02d}:{sec % 3600 // 60:02d}:{sec % 60:02d},"
                     f"{total:.7g},{x:.7g},{y:.7g},{z:.7g}")
    with open(path, "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


def toolbar_buttons(s, shot):
    """Screen centres of the tool bar's buttons, left to right: on the row that crosses most
    icons, runs of pixels unlike the tool bar's own colour, gaps of a few pixels inside an icon
    bridged; separators are only a pixel or two wide and drop out."""
    x, y, width, _ = s.geometry(s.main_window)
    _, client_top = s.client_origin(shot)
    best = []
    for row in range(y + 24, client_top - 2):
        line = Image(shot, x, row, width, 1)
        bg = line.pixel(2, 0)
        flags = [sum(abs(a - b) for a, b in zip(line.pixel(i, 0), bg)) > 30 for i in range(width)]
        runs, start, last = [], None, None
        for i, f in enumerate(flags):
            if f:
                if start is None or i - last > 5:
                    if start is not None:
                        runs.append((start, last))
                    start = i
                last = i
        if start is not None:
            runs.append((start, last))
        icons = [(x + (a + b) // 2, row) for a, b in runs if b - a >= 8]
        if len(icons) > len(best):
            best = icons
    return best


def test_zoom_log(s):
    """A stored log of 32000 samples opened from the File menu, drawn, and zoomed with the
    mouse."""
    log = os.path.join(s.tmp, "survey.csv")
    write_log(log, 32000)
    s.start_simulator(5)
    s.write_config(5)
    s.start_program()
    before = s.windows()
    s.focus(s.main_window)
    s.key("alt+f")
    time.sleep(0.4)
    s.key("o")
    s.new_window(before, "the File Open dialog")
    time.sleep(0.5)
    s.xdotool("type", "--delay", "10", log)
    s.key("Return")
    shot = wait_for("the log to be drawn",
                    lambda: (lambda p: p if count_colour(s.region_twips(p, *TIME_GRAPH),
                                                         TRACE_COLOURS["Z"]) > 100 else None)(
                        s.screenshot()), 20, 0.5)
    drawn = s.keep(shot, "log-drawn")
    whole = s.region_twips(drawn, *TIME_GRAPH)
    for name, colour in TRACE_COLOURS.items():
        expect(count_colour(whole, colour) >= 30, f"the stored {name} trace is not drawn")
    buttons = toolbar_buttons(s, drawn)
    expect(len(buttons) >= 9, f"found {len(buttons)} tool bar buttons, not 9")
    zoom_in = buttons[5]  # Open, Save, Options, Scatter, Bar Graph, Zoom In
    s.click(*zoom_in)
    time.sleep(0.5)
    ox, oy = s.client_origin(drawn)
    top = oy + (TIME_GRAPH[1] + 400) // 15
    x1, x2 = ox + 2500 // 15, ox + 4500 // 15
    s.xdotool("mousemove", str(x1), str(top))
    time.sleep(0.2)
    s.xdotool("mousedown", "1")
    for x in range(x1, x2 + 1, 20):
        s.xdotool("mousemove", str(x), str(top + (x - x1) // 4))
        time.sleep(0.05)
    s.screenshot("rubber-band")
    s.xdotool("mouseup", "1")
    # The redraw of the zoomed window takes a moment: wait until the graph has changed and
    # then holds still.
    last = {"region": whole}

    def settled():
        shot_now = s.screenshot()
        region = s.region_twips(shot_now, *TIME_GRAPH)
        done = region != whole and region == last["region"]
        last["region"] = region
        return shot_now if done else None

    zoomed = s.keep(wait_for("the zoomed graph", settled, 20, 0.7), "zoomed")
    after = s.region_twips(zoomed, *TIME_GRAPH)
    expect(count_colour(after, TRACE_COLOURS["X"]) >= 30, "the zoomed graph lost its traces")
    exit_cleanly(s)


def menu_checks(s, keys, label):
    """The check marks of a drop-down menu's checkable entries, top to bottom."""
    rect = s.open_menu(keys)
    # The keyboard highlights the first entry it can; the pointer over the last entry (not
    # offered yet, in both menus) takes the highlight off the check boxes.
    x, y, width, height = rect
    s.xdotool("mousemove", str(x + width // 2), str(y + height - 6))
    time.sleep(0.3)
    shot = s.screenshot(label)
    s.close_menu()
    return [state for group in menu_check_boxes(Image(shot, *rect)) for state in group]


def highlighted_entry_checked(s, keys, label, down=0):
    """Whether the entry the keyboard highlights (the menu's first one offered, moved down
    `down` entries) carries a check mark: a dark mark inside the highlight band's check box."""
    x, y, width, height = s.open_menu(keys)
    if down:
        s.key(*["Down"] * down)
        time.sleep(0.3)
    shot = s.screenshot(label)
    s.close_menu()
    img = Image(shot, x, y, width, height)
    band = [r for r in range(height) if (lambda p: p[2] > 150 and p[0] < 120)(
        img.pixel(width // 2, r))]
    expect(band, f"no highlighted entry in the menu that {keys} opens")
    return any(img.dark(c, r, 80) for r in band for c in range(4, 30))


def test_view_switches(s):
    """Each checkable entry of the View and Probe menus, chosen in the real window, switches
    what the graph area shows and moves its own check mark."""
    sim = running(s, "--scenario", "sine:8,20,6")
    time.sleep(1.0)
    whole = (0, 0, 9000, 10000)  # the client area, from its top left

    def graph_area():
        return s.region_twips(s.screenshot(), *whole)

    def total_traced():
        # A resize starts the live graph afresh; then only new readings draw on it.
        wx, wy, width, height = s.geometry(s.main_window)
        width += 8 if width % 2 == 0 else -8
        s.xdotool("windowsize", str(s.main_window), str(width), str(height))
        time.sleep(1.5)
        graph = s.region_twips(s.screenshot(), *TIME_GRAPH)
        return count_colour(graph, TRACE_COLOURS["total"]) >= 30

    def sweeping():
        first = s.region_twips(s.screenshot(), *TIME_GRAPH)
        time.sleep(0.8)
        return s.region_twips(s.screenshot(), *TIME_GRAPH) != first

    # (menu keys, accelerator, index among the menu's check boxes, what shows it is on)
    view, probe = "alt+v", "alt+p"
    switches = [
        (view, "t", 0, "Toolbar", None),
        (view, "b", 1, "Status Bar", None),
        (view, "a", 3, "Bar Graph", None),
        (view, "s", 4, "Scatter Graph", None),
        (view, "l", 5, "Scatter Graph Live", sweeping),
        (probe, "s", 0, "Plot Total Field Strength", total_traced),
    ]

    def checks_of(keys, label):
        # In the Probe menu the keyboard moves from Log Data past Units (offered with a fiber
        # probe) to Plot Total Field Strength; read that one by its highlight.
        if keys == view:
            return menu_checks(s, keys, label)
        return [highlighted_entry_checked(s, keys, label, down=2)]

    checks = {view: checks_of(view, "view-menu"), probe: checks_of(probe, "probe-menu")}
    before = graph_area()
    for keys, accel, index, name, shows_on in switches:
        for turn in ("off", "on"):
            checked = checks[keys][index]
            s.focus(s.main_window)
            s.key(keys)
            time.sleep(0.4)
            s.key(accel)
            time.sleep(0.5)
            after_checks = checks[keys] = checks_of(keys, f"{name}-{turn}")
            expect(after_checks[index] != checked,
                   f"{name}: the check mark stayed {'on' if checked else 'off'}")
            if shows_on is not None:
                # A loaded machine may take a moment to show it.
                try:
                    wait_for(f"{name} shown {turn}", lambda: shows_on() == after_checks[index],
                             8, 0.2)
                except Failure:
                    raise Failure(f"{name}: the graph does not show it {turn}") from None
            after = graph_area()
            if shows_on is None:
                expect(after != before, f"{name}: the window did not change ({turn})")
            before = after
    s.click_twips(s.screenshot(), *OFF_BUTTON, "Off")
    exit_cleanly(s)


def test_terminate(s):
    """SIGTERM while the probe runs ends the program as File > Exit does, without asking:
    the laser is switched off and the settings are saved."""
    sim = s.start_simulator(5, "--verbose")
    s.write_config(5)
    written = os.stat(s.config_path()).st_mtime_ns
    s.start_program()
    press_start(s, s.screenshot("before-start"))
    wait_for_data(s, sim)
    s.app.popen.send_signal(signal.SIGTERM)
    status = s.app.wait(15)
    expect(status == 0, f"the program ended with status {status} on SIGTERM")
    cmds = sim_commands(sim)
    expect(cmds[-2:] == ["o", "o"], f"the laser was not switched off: ...{cmds[-6:]}")
    expect(os.stat(s.config_path()).st_mtime_ns > written, "the settings were not saved")
    expect_saved_port(s, 5)


UNITS_LABEL = (4440, 720, 1500, 480)
PEAK_LABEL = (3600, 1440, 700, 300)
TEMP_TITLE = (6360, 660, 1000, 300)
GAUGE = (7300, 220, 700, 340)


def click_label(s, rect, what):
    """Clicks the middle of a label given in twips of the client area."""
    shot = s.screenshot()
    ox, oy = s.client_origin(shot)
    left, top, width, height = rect
    s.click(ox + round((left + width / 2) / TWIPS_PER_PIXEL),
            oy + round((top + height / 2) / TWIPS_PER_PIXEL))
    time.sleep(0.3)


def reading(s, name, want, timeout=8):
    """Waits until the readout called `name` reads `want` (over the accessibility bus)."""
    last = {}

    def probe():
        last.update(s.readouts())
        return last.get(name) == want

    try:
        wait_for(f"{name} to read {want!r}", probe, timeout, 0.3)
    except Failure:
        raise Failure(f"{name} reads {last.get(name)!r}, not {want!r}") from None


def test_instrument_face(s):
    """Units from the menu and from a click on the units label, the peak label, the alarm's
    beep and the battery gauge full, half and low, read as a screen reader reads them."""
    beeps = os.path.join(s.tmp, "beeps")
    s.env["VIREON_BEEP_LOG"] = beeps
    sim = running(s, "--scenario", "steps:30,10@4", "--battery-steps", "100,50,5L@5")
    reading(s, "Total field", "51.96")  # 30 V/m on each axis
    reading(s, "Total field", "17.32")  # then 10 V/m
    reading(s, "Peak total field", "51.96")
    click_label(s, PEAK_LABEL, "Peak")
    reading(s, "Peak total field", "17.32")

    s.focus(s.main_window)
    s.key("alt+p", "u", "w")  # Probe > Units > mW/cm2
    reading(s, "Units", "mW/cm\u00b2")
    reading(s, "Total field", "0.07958")
    s.screenshot("units-mw")
    click_label(s, UNITS_LABEL, "the units label")  # mW/cm2 -> V/m
    reading(s, "Units", "V/m")
    reading(s, "Total field", "17.32")

    # An alarm level below the field: the beeps start once it is enabled.
    before = s.windows()
    s.focus(s.main_window)
    # The entry's caption carries the level and no access key: up from the first entry
    # offered, the menu wraps round to it.
    s.key("alt+p")
    time.sleep(0.4)
    s.key("Up", "Return")
    box = s.new_window(before, "the alarm level box")
    time.sleep(0.3)
    s.key("ctrl+a")
    s.xdotool("type", "--delay", "20", "12")
    s.screenshot("alarm-level")
    s.key("Return")
    wait_for("the alarm level box to close", lambda: box not in s.windows(), 5)
    s.new_window(before, "the question to enable the alarm")
    time.sleep(0.3)
    s.screenshot("alarm-question")
    s.key("alt+y")
    wait_for("alarm beeps", lambda: os.path.exists(beeps) and
             open(beeps).read().count("beep") >= 3, 8, 0.3)

    # The gauge: the battery is asked for with a click on the temperature title.
    for percent, label in ((100, "full"), (50, "half"), (5, "low")):
        def shows():
            click_label(s, TEMP_TITLE, "Prb Tem")
            return s.readouts().get("Battery") == f"{percent} %"

        wait_for(f"the battery to read {percent} %", shows, 12, 0.5)
        time.sleep(0.5)
        shot = s.screenshot(f"battery-{label}")
        gauge = s.region_twips(shot, *GAUGE)
        colour = (255, 255, 0) if percent < 8 else (0, 255, 255)
        expect(count_colour(gauge, colour, 30) >= 20,
               f"the gauge at {percent} % is not drawn in {colour}")
    off(s, sim)
    exit_cleanly(s)


def message_saying(s, words, what):
    """Waits for a message whose text holds `words`; closes it with Return."""
    def probe():
        return next((name for name in s.readouts() if words in name), None)

    text = wait_for(what, probe, 10, 0.5)
    s.screenshot(what.replace(" ", "-"))
    s.key("Return")
    time.sleep(0.5)
    return text


def test_hostile_files(s):
    """A damaged configuration is named in the status bar and kept as .bad; a named pipe and a
    log with unreadable rows are refused or reported, and the window goes on."""
    s.start_simulator(5)
    s.write_config(5)
    lines = s.config_lines()
    lines[12] = "ExposureFrame,Perhaps"
    with open(s.config_path(), "wb") as f:
        f.write("\r\n".join(lines).encode("cp1252"))
    damaged = open(s.config_path(), "rb").read()
    before = s.windows()
    s.start_program(wait=False)
    port = s.new_window(before, "the port chooser", 20)
    time.sleep(0.5)
    s.screenshot("port-chooser")
    s.focus(port)
    s.key("Return")  # Continue with the port the damaged file named
    s.wait_main_window()
    status = wait_for("the status bar to name the damage",
                      lambda: (s.readouts().get("Status") or "") or None, 10, 0.5)
    expect("13" in status and "Perhaps" in status, f"the status bar says {status!r}")

    pipe = os.path.join(s.tmp, "not-a-log.csv")
    os.mkfifo(pipe)
    open_file(s, pipe)
    message_saying(s, "named pipe", "pipe refused")
    log = os.path.join(s.tmp, "odd.csv")
    with open(log, "w", newline="") as f:
        f.write("Header\r\nUnits,V/m\r\nEndHeader\r\nTime ,Field V/m\r\n08:00:00,12.5\r\n"
                "xx:yy:zz,13\r\n08:00:02,1e999\r\n08:00:03,14\r\n")
    open_file(s, log)
    message_saying(s, "2 rows", "unreadable rows reported")
    wait_for("the two good rows drawn", lambda: s.readouts().get("Log count") == "2", 10, 0.5)
    exit_cleanly(s)
    kept = os.path.join(s.progdir, "VireonII.cfg.bad")
    expect(os.path.exists(kept) and open(kept, "rb").read() == damaged,
           "the damaged configuration was not kept as VireonII.cfg.bad")


# The log switch and its lamp, in twips of the client area (right of the readouts).
RECORD_LABEL = (6660, 3090, 600, 300)
RECORD_LAMP = (6360, 3120, 240, 240)
LAMP = {"logging": (255, 0, 0), "paused": (255, 255, 0), "stopped": (128, 128, 128),
        "playing": (0, 255, 255)}


def lamp(s, shot):
    """The lamp's state, by the colour at its middle."""
    data = s.region_twips(shot, RECORD_LAMP[0] + 90, RECORD_LAMP[1] + 90, 60, 60)
    for state, colour in LAMP.items():
        if count_colour(data, colour, 30) >= 4:
            return state
    return None


def wait_lamp(s, state, label=None, timeout=10):
    shot = wait_for(f"the log lamp to show {state}",
                    lambda: (lambda p: p if lamp(s, p) == state else None)(s.screenshot()),
                    timeout, 0.3)
    return s.keep(shot, label) if label else shot


def choose(s, menu, *keys):
    """Opens a menu of the main window from the keyboard and presses keys in it."""
    s.focus(s.main_window)
    s.key(menu)
    time.sleep(0.4)
    if keys:
        s.key(*keys)


def click_record_label(s, shot):
    ox, oy = s.client_origin(shot)
    left, top, width, height = RECORD_LABEL
    s.click(ox + round((left + width / 2) / 15), oy + round((top + height / 2) / 15))


def answer_dialog(s, known, what, text):
    """Types text into the next dialog that opens (a window not in known, which then takes
    it in) and confirms it with Return."""
    try:
        known.append(s.new_window(known, what, 10))
    except Failure:
        s.screenshot("no-" + what.split()[-1])
        raise
    time.sleep(0.4)
    s.xdotool("type", "--delay", "10", text)
    time.sleep(0.2)
    s.key("Return")


def save_as(s, path, answers=()):
    """File > Save as...: each test condition answered, then the file name typed."""
    choose(s, "alt+f")
    known = s.windows()
    s.key("s")
    for answer in answers:
        answer_dialog(s, known, "a Test Conditions box", answer)
    answer_dialog(s, known, "the File Save as dialog", path)
    wait_for(f"{path} to be written", lambda: os.path.exists(path), 15, 0.2)
    time.sleep(0.3)


def open_file(s, path):
    choose(s, "alt+f")
    known = s.windows()
    s.key("o")
    answer_dialog(s, known, "the File Open dialog", path)


def read_log(path):
    """A saved page through Python's csv module: header fields, column titles, rows."""
    with open(path, newline="", encoding="cp1252") as f:
        lines = list(csv.reader(f))
    end = next(i for i, row in enumerate(lines) if row and row[0] == "EndHeader")
    header = {row[0]: row[1:] for row in lines[1:end] if row}
    return header, lines[end + 1], [row for row in lines[end + 2:] if row]


def seconds(text):
    h, m, sec = (int(v) for v in text.split(":"))
    return h * 3600 + m * 60 + sec


def test_logging(s):
    """Log, pause, resume and stop with the mouse and the keyboard; leaving asks about the
    unsaved readings; Save as with two test conditions; the file read back with Python's csv
    module, then opened again in the program and played back."""
    with open(os.path.join(s.progdir, "testquery.txt"), "wb") as f:
        f.write(b"Operator name?,Operator,J\r\nSite?,Site\r\n")
    sim = running(s, "--scenario", "sine:4,10,6")
    shot = wait_lamp(s, "stopped")
    click_record_label(s, shot)
    wait_lamp(s, "logging", "logging")
    time.sleep(2)
    choose(s, "alt+p", "o")  # L&og Pause
    wait_lamp(s, "paused", "paused")
    time.sleep(0.8)  # the count is shown on the next housekeeping tick
    count = s.region_twips(s.screenshot(), 8340, 3090, 1500, 300)
    time.sleep(1.5)
    expect(s.region_twips(s.screenshot(), 8340, 3090, 1500, 300) == count,
           "the log count moved while paused")
    choose(s, "alt+p", "o")
    wait_lamp(s, "logging")
    time.sleep(2)
    click_record_label(s, s.screenshot())
    wait_lamp(s, "stopped")
    off(s, sim)

    before = s.windows()
    s.choose_exit()
    s.new_window(before, "the unsaved-log question")
    time.sleep(0.4)
    s.screenshot("unsaved-question")
    s.key("Escape")  # Cancel: the program stays
    time.sleep(1)
    expect(s.app.running(), "Cancel on the unsaved-log question ended the program")

    path = os.path.join(s.tmp, "survey.csv")
    save_as(s, path, ["K. Smith", "Roof"])
    header, titles, rows = read_log(path)
    expect(header.get("Operator") == ["K. Smith"] and header.get("Site") == ["Roof"],
           f"the test conditions are not in the header: {header}")
    expect(header.get("Units") == ["V/m"] and header.get("Columns") == ["5"],
           f"units or columns wrong: {header}")
    expect(titles == ["Time ", "Field V/m", "X V/m", "Y V/m", "Z V/m"], f"titles {titles}")
    expect(header.get("Samples") == [str(len(rows))] and len(rows) >= 30,
           f"{len(rows)} rows for Samples {header.get('Samples')}")
    times = [seconds(r[0]) for r in rows]
    expect(all(b >= a for a, b in zip(times, times[1:])) and times[-1] > times[0],
           f"the times do not increase: {times[:3]} ... {times[-3:]}")
    expect(all(len(r) == 5 and float(r[1]) > 0 for r in rows), "a row is not time and four values")

    open_file(s, path)
    time.sleep(1.5)
    idle = s.region_twips(s.screenshot(), *TOTAL_READOUT)
    choose(s, "alt+p", "Down", "Return")  # P&lay, below the first entry offered
    wait_lamp(s, "playing")
    time.sleep(2)
    shot = s.screenshot("playing")
    expect(lamp(s, shot) == "playing", "the playback ended within two seconds")
    expect(s.region_twips(shot, *TOTAL_READOUT) != idle, "the readout does not play the log")
    expect(count_colour(s.region_twips(shot, *TIME_GRAPH), TRACE_COLOURS["Z"]) >= 20,
           "the time graph does not play the log")
    wait_lamp(s, "stopped", "played", timeout=len(rows) / 10 + 10)
    status = s.exit_program()  # saved: no question
    expect(status == 0, f"the program exited with status {status}")


def edit_config(s, changes):
    """Replaces whole lines of the configuration by their key."""
    lines = s.config_lines()
    for key, value in changes.items():
        i = next(i for i, line in enumerate(lines) if line.startswith(key + ","))
        lines[i] = f"{key},{value}"
    with open(s.config_path(), "wb") as f:
        f.write("\r\n".join(lines).encode("cp1252"))


def test_moving_average(s):
    """A moving-average log with a 10 Second window: the average rises over the first window
    and matches the field after it; the file has the total and the average."""
    sim = s.start_simulator(5, "--verbose")
    s.write_config(5)
    edit_config(s, {"Exposure": "10 Second", "ExposureFrame": "True"})
    s.start_program()
    start_probe(s, sim)
    click_record_label(s, wait_lamp(s, "stopped"))
    wait_lamp(s, "logging")
    time.sleep(13)
    s.screenshot("moving-average")
    click_record_label(s, s.screenshot())
    wait_lamp(s, "stopped")
    off(s, sim)
    path = os.path.join(s.tmp, "exposure.csv")
    save_as(s, path)
    header, titles, rows = read_log(path)
    expect(header.get("Columns") == ["3"] and titles == ["Time ", "Field V/m", "Moving AveV/m"],
           f"not a moving-average log: {header.get('Columns')} {titles}")
    expect(len(rows) >= 11, f"only {len(rows)} rows in 13 s")
    total = float(rows[0][1])
    expect(abs(total - 8.660254) < 0.05, f"the total field is {total}, not 8.66")
    averages = [float(r[2]) for r in rows]
    expect(abs(averages[0] - total / 10) < 0.01 and abs(averages[9] - total) < 0.02,
           f"the average does not fill over ten seconds: {averages[:11]}")
    exit_cleanly(s)


def journal_rows(s):
    path = os.path.join(s.home, ".local", "share", "vireon2", "Vireon II", "recovery.journal")
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        text = f.read().decode("cp1252")
    body = text.split("EndHeader\n", 1)[1] if "EndHeader\n" in text else ""
    return [line.split(",") for line in body.split("\n")[:-1] if not line.startswith("P,")]


def test_crash_recovery(s):
    """Killed while logging, the program offers the journal at the next start; every row that
    reached it is in the file saved after the recovery, and nothing is asked on leaving."""
    sim = running(s, "--scenario", "sine:4,10,6")
    click_record_label(s, wait_lamp(s, "stopped"))
    wait_lamp(s, "logging")
    wait_for("rows in the recovery journal", lambda: len(journal_rows(s) or []) >= 40, 15, 0.3)
    s.app.popen.send_signal(signal.SIGKILL)
    s.app.wait(10)
    rows = journal_rows(s)
    s.start_program(wait=False)
    question = wait_for("the recovery question",
                        lambda: next(iter(s.windows("Log Recovery")), None), 20, 0.25)
    time.sleep(0.4)
    s.screenshot("recovery-question")
    s.focus(question)
    s.key("alt+y")
    s.wait_main_window()
    path = os.path.join(s.tmp, "recovered.csv")
    save_as(s, path)
    _, _, saved = read_log(path)
    expect(len(saved) == len(rows), f"{len(rows)} rows in the journal, {len(saved)} saved")
    for j, r in zip(rows, saved):
        expect(abs(float(j[1]) - float(r[1])) <= 1e-5 * max(1.0, abs(float(j[1]))),
               f"journal row {j} saved as {r}")
    expect(journal_rows(s) is None, "the journal is still there after the save")
    exit_cleanly(s)


def test_options(s):
    """Options from the tool bar: a new X trace colour and text update rate, applied, show on
    the live graph, and are there again after a restart."""
    blue = (0, 0, 255)
    sim = running(s, "--scenario", "const:8,5,2")
    before = s.windows()
    s.click_widget("Options")
    dialog = s.new_window(before, "the options dialog")
    time.sleep(0.5)
    s.focus(dialog)
    s.click_widget("Text update rate")
    s.key("ctrl+a")
    s.xdotool("type", "--delay", "20", "3")
    s.screenshot("options-misc")
    s.click_widget("Colors")
    time.sleep(0.3)
    s.click_widget("X Axis")
    picker = s.new_window(before + [dialog], "the colour dialog")
    time.sleep(0.5)
    s.focus(picker)
    s.key("alt+h")  # the colour dialog's HTML field
    s.key("ctrl+a")
    s.xdotool("type", "--delay", "20", "#0000ff")
    s.key("Return")
    wait_for("the colour dialog to close", lambda: picker not in s.windows(), 5)
    s.screenshot("options-colors")
    s.click_widget("Apply")
    wait_for("the options dialog to close", lambda: dialog not in s.windows(), 5)

    def x_trace_blue():
        return count_colour(s.region_twips(s.screenshot(), *TIME_GRAPH), blue) >= 30

    wait_for("the X trace drawn in blue", x_trace_blue, 10, 0.5)
    s.screenshot("blue-x-trace")
    off(s, sim)
    exit_cleanly(s)
    lines = s.config_lines()
    expect(lines[6] == "TextUpdatePerSecond,3", f"line 7 of the configuration is {lines[6]!r}")
    expect(lines[21] == f"GraphXaxisColor,{255 << 16}",
           f"line 22 of the configuration is {lines[21]!r}")

    s.start_program()
    press_start(s, s.screenshot("restarted"))
    wait_for_data(s, sim)
    wait_for("the X trace in blue after the restart", x_trace_blue, 10, 0.5)
    s.screenshot("blue-after-restart")
    s.click_twips(s.screenshot(), *OFF_BUTTON, "Off")
    exit_cleanly(s)


TESTS = {"startup": test_startup, "view-switches": test_view_switches, "options": test_options,
         "instrument-face": test_instrument_face, "hostile-files": test_hostile_files,
         "terminate": test_terminate, "hotplug": test_hotplug, "start-off": test_start_off,
         "exit-running": test_exit_running, "readings": test_readings,
         "live-graphs": test_live_graphs, "zoom-log": test_zoom_log, "logging": test_logging,
         "moving-average": test_moving_average, "crash-recovery": test_crash_recovery}


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("test", choices=sorted(TESTS))
    add_program_arguments(ap)
    ap.add_argument("--time-limit", type=int, default=55)
    a = ap.parse_args()

    def body():
        with Session(a.test, a.program, a.simulator, a.demo_config, a.out,
                     a.time_limit) as s:
            TESTS[a.test](s)

    status = guarded(a.test, a.out, body)
    if status == 0:
        print(f"passed {a.test}")
    return status


if __name__ == "__main__":
    sys.exit(main())
