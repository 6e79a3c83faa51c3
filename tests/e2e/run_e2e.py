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
from harness import Session, add_program_arguments, expect, guarded, wait_for

# Twips in the client area.
START_BUTTON = (240, 5040, 1300, 450)
OFF_BUTTON = (1660, 5040, 1300, 450)
TOTAL_READOUT = (240, 480, 4100, 900)
BAR_GRAPH = (120, 6360, 9000, 1500)
TIME_GRAPH = (120, 7980, 9000, 2400)  # below the bar graph
PEAK_LABEL = (3600, 1440, 700, 300)
UNITS_LABEL = (4440, 720, 1500, 480)
TEMP_TITLE = (6360, 660, 1000, 300)
GAUGE = (7300, 220, 700, 340)
RECORD_LABEL = (6660, 3090, 600, 300)  # the log switch, right of the readouts
LAMP_MIDDLE = (6450, 3210, 60, 60)  # of the log switch's lamp

TRACE_COLOURS = {"total": (255, 0, 0), "X": (0, 255, 0), "Y": (255, 0, 255), "Z": (255, 255, 0)}
CYAN = (0, 255, 255)  # the bars and the battery gauge
LAMP = {"logging": (255, 0, 0), "paused": (255, 255, 0), "stopped": (128, 128, 128),
        "playing": CYAN}


def sim_commands(sim):
    """Commands the simulator received, in order (it logs them with --verbose)."""
    return re.findall(r"^probe-sim: (.*?) -> ", sim.stderr_text(), re.M)


def count_colour(data, colour, tolerance=40):
    """Pixels of a raw RGB buffer close to a colour."""
    return sum(abs(data[i] - colour[0]) + abs(data[i + 1] - colour[1])
               + abs(data[i + 2] - colour[2]) <= tolerance for i in range(0, len(data) - 2, 3))


def missing_traces(s, shot, least=30):
    """The traces the time graph does not show in their colours."""
    graph = s.region_twips(shot, *TIME_GRAPH)
    return [name for name, colour in TRACE_COLOURS.items() if count_colour(graph, colour) < least]


def edit_config(s, changes):
    """Replaces whole lines of the configuration by their key."""
    lines = s.config_lines()
    for key, value in changes.items():
        i = next(i for i, line in enumerate(lines) if line.startswith(key + ","))
        lines[i] = f"{key},{value}"
    with open(s.config_path(), "wb") as f:
        f.write("\r\n".join(lines).encode("cp1252"))


def running(s, *sim_args, start=True, config=None):
    """The simulator on COM5, logging the commands it gets, the program with its
    configuration (lines changed as `config` says), and the probe started unless `start` is
    false."""
    sim = s.start_simulator(5, "--verbose", *sim_args)
    s.write_config(5)
    edit_config(s, config or {})
    s.start_program()
    if start:
        press_start(s, s.screenshot("before-start"))
        wait_for_data(s, sim)
    return sim


def press_start(s, shot, answer="Return"):
    """Presses Start and answers the laser caution dialog: OK (its default button) unless
    told otherwise. Returns the windows shown before it."""
    before = s.windows()
    s.click_twips(shot, *START_BUTTON, "Start")
    s.new_window(before, "the laser caution dialog", "caution-dialog")
    s.key(answer)
    return before


def wait_for_data(s, sim):
    wait_for("data requests to reach the simulator",
             lambda: sim_commands(sim).count("S") >= 5, 20, 0.25)


def off(s, sim):
    s.click_twips(s.screenshot(), *OFF_BUTTON, "Off")
    wait_for("the laser-off command", lambda: "o" in sim_commands(sim), 10, 0.2)
    time.sleep(0.5)


def exit_cleanly(s, asked=False):
    """Leaves through File > Exit (or, when the exit was asked for already, waits for it)."""
    status = s.app.wait(15) if asked else s.exit_program()
    expect(status == 0, f"the program exited with status {status}: "
           + s.app.stderr_text()[-500:])


def off_and_exit(s, sim):
    off(s, sim)
    exit_cleanly(s)


def expect_saved_port(s, port):
    lines = s.config_lines()
    expect(len(lines) > 5 and lines[4] == f"CommPort,{port}",
           f"line 5 of the saved configuration is {lines[4:5]}, not 'CommPort,{port}'")


def expect_port_checked(s, port):
    """Comm `port` is the only port entry with a check mark (with None: no entry has one)."""
    checked = [name for name, on in s.menu_checks().items() if on and name.startswith("Comm ")]
    want = [f"Comm {port}"] if port else []
    expect(checked == want, f"the port entries with a check mark are {checked}, not {want}")


def click_label(s, rect):
    """Clicks the middle of a label given in twips of the client area."""
    s.click(*s.twips_point(s.screenshot(), *rect))
    time.sleep(0.3)


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


def test_zoom_log(s):
    """A stored log of 32000 samples opened from the File menu, drawn, and zoomed with the
    mouse."""
    log = os.path.join(s.tmp, "survey.csv")
    write_log(log, 32000)
    running(s, start=False)
    open_file(s, log)
    drawn = s.wait_shot("the stored log drawn", lambda p: not missing_traces(s, p), "log-drawn",
                        20)
    whole = s.region_twips(drawn, *TIME_GRAPH)
    s.click_widget("Zoom In")
    time.sleep(0.5)
    x1, top = s.twips_point(drawn, 2500, TIME_GRAPH[1] + 400, 0, 0)
    s.xdotool("mousemove", str(x1), str(top))
    time.sleep(0.2)
    s.xdotool("mousedown", "1")
    for x in range(x1, x1 + 2000 // 15 + 1, 20):
        s.xdotool("mousemove", str(x), str(top + (x - x1) // 4))
        time.sleep(0.05)
    s.screenshot("rubber-band")
    s.xdotool("mouseup", "1")
    # The redraw of the zoomed window takes a moment: wait until the graph has changed and
    # then holds still.
    last = [whole]

    def settled(shot):
        region = s.region_twips(shot, *TIME_GRAPH)
        done = region != whole and region == last[0]
        last[0] = region
        return done

    zoomed = s.wait_shot("the zoomed graph", settled, "zoomed", 20)
    expect("X" not in missing_traces(s, zoomed), "the zoomed graph lost its traces")
    exit_cleanly(s)


def test_view_switches(s):
    """Start asks the laser caution first (cancelled, it sends nothing); live readings draw the
    three axes and the total in their colours; checkable entries of the View and Probe menus,
    chosen from the keyboard in the real window, move their check marks and switch what the
    window shows; Off switches the laser off."""
    sim = running(s, "--scenario", "const:20,12,6", start=False)
    shot = s.screenshot("before-start")
    before = press_start(s, shot, "Escape")
    wait_for("the caution dialog to close", lambda: s.windows() == before, 5)
    time.sleep(1)
    expect(sim_commands(sim) == [], f"cancelling the caution sent {sim_commands(sim)}")
    press_start(s, shot)
    wait_for_data(s, sim)
    s.wait_shot("every trace on the time graph", lambda p: not missing_traces(s, p), "live-sweep")

    def bars():
        return count_colour(s.region_twips(s.screenshot(), *BAR_GRAPH), CYAN, 30) >= 200

    def total_traced():
        # A resize starts the live graph afresh; then only new readings draw on it.
        _, _, width, height = s.geometry(s.main_window)
        width += 8 if width % 2 == 0 else -8
        s.xdotool("windowsize", str(s.main_window), str(width), str(height))
        time.sleep(1.5)
        return "total" not in missing_traces(s, s.screenshot())

    checks = s.menu_checks()
    for menu, key, name, shown in (("alt+v", "a", "Bar Graph", bars),
                                   ("alt+v", "b", "Status Bar",
                                    lambda: s.locate("Status") is not None),
                                   ("alt+p", "s", "Plot Total Field Strength", total_traced)):
        for _ in range(2):
            was = checks[name]
            s.choose(menu, key)
            wait_for(f"{name}: the check mark to turn {'off' if was else 'on'}",
                     lambda: s.menu_checks()[name] != was, 8, 0.2)
            checks = s.menu_checks()
            turn = "on" if checks[name] else "off"
            # A loaded machine may take a moment to show it.
            wait_for(f"{name} shown {turn}", lambda: shown() == checks[name], 8, 0.2)
            s.screenshot(f"{name}-{turn}")
    expect("o" not in sim_commands(sim), "the laser-off command went out before Off was pressed")
    off_and_exit(s, sim)
    cmds = sim_commands(sim)
    expect(cmds.count("o") == 1 and cmds[-1] == "o",
           f"the laser-off command should be the last one and sent once: ...{cmds[-6:]}")


def test_instrument_face(s):
    """Readings drawn and read, the peak cleared with a click, units from the menu and from a
    click on their label, the alarm's beeps and the battery gauge, read as a screen reader
    reads them; then File > Exit while the probe runs."""
    beeps = os.path.join(s.tmp, "beeps")
    s.env["VIREON_BEEP_LOG"] = beeps
    # 10 V/m lasts four times as long as 30, so that the peak is cleared and read back well
    # before the field steps up again, however slow the machine. The peak holds the 30 V/m
    # however seldom a busy machine lets the readouts be read.
    sim = running(s, "--scenario", "steps:30,10,10,10,10@5", start=False)
    shot = s.screenshot("idle")
    idle = s.region_twips(shot, *TOTAL_READOUT)
    press_start(s, shot)
    s.wait_readout("Peak total field", "51.96", timeout=30)  # 30 V/m on each axis
    s.wait_shot("the total-field readout to leave its idle look",
                lambda p: s.region_twips(p, *TOTAL_READOUT) != idle, "reading")
    s.wait_readout("Total field", "17.32", timeout=20)  # then 10 V/m
    click_label(s, PEAK_LABEL)
    s.wait_readout("Peak total field", "17.32")
    s.choose("alt+p", "u", "w")  # Probe > Units > mW/cm2
    s.wait_readout("Units", "mW/cm\u00b2")
    s.screenshot("units-mw")
    click_label(s, UNITS_LABEL)  # mW/cm2 -> V/m
    s.wait_readout("Units", "V/m")

    # An alarm level below the field: the beeps start once it is enabled. The entry's
    # caption carries the level and no access key: up from the first entry offered, the menu
    # wraps round to it.
    known = s.windows()
    s.choose("alt+p", "Up", "Return")
    answer_dialog(s, known, "the alarm level box", "12")
    s.new_window(known, "the question to enable the alarm", "alarm-question")
    s.key("alt+y")
    wait_for("alarm beeps", lambda: os.path.exists(beeps) and
             open(beeps).read().count("beep") >= 3, 8, 0.3)

    # The battery is asked for with a click on the temperature title.
    def battery_read():
        click_label(s, TEMP_TITLE)
        return s.readouts().get("Battery") == "85 %"  # the simulator's battery

    wait_for("the battery to read 85 %", battery_read, 12, 0.5)
    s.wait_shot("the battery gauge drawn",
                lambda p: count_colour(s.region_twips(p, *GAUGE), CYAN, 30) >= 20, "battery", 5)
    exit_switching_laser_off(s, sim)
    expect_saved_port(s, 5)


def exit_switching_laser_off(s, sim):
    """Leaves through File > Exit while the probe runs: the program asks about the laser, and
    Yes sends the laser-off command twice and last."""
    before = s.windows()
    s.choose("alt+f", "x")
    s.new_window(before, "the laser power question", "laser-question")
    sent = len(sim_commands(sim))
    s.key("alt+y")
    exit_cleanly(s, asked=True)
    tail = sim_commands(sim)[sent:]
    expect(tail[-2:] == ["o", "o"] and tail.count("o") == 2,
           f"Yes should send the laser-off command twice and last; after the question: {tail}")


def message_saying(s, words, what):
    """Waits for a message whose text holds `words`; closes it with Return."""
    wait_for(what, lambda: any(words in name for name in s.readouts()), 10, 0.5)
    s.screenshot(what.replace(" ", "-"))
    s.key("Return")
    time.sleep(0.5)


def test_hostile_files(s):
    """A damaged configuration is named in the status bar and kept as .bad; a named pipe and a
    log with unreadable rows are refused or reported, and the window goes on. The port in use
    is checked; unplugged, the entry loses its check mark; a new link is taken, checked and
    saved."""
    first = s.start_simulator(5)
    s.write_config(5)
    edit_config(s, {"ExposureFrame": "Perhaps"})
    with open(s.config_path(), "rb") as f:
        damaged = f.read()
    before = s.windows()
    s.start_program(wait=False)
    s.focus(s.new_window(before, "the port chooser", "port-chooser", 20))
    s.key("Return")  # Continue with the port the damaged file named
    s.wait_main_window()
    status = s.wait_readout("Status", lambda text: "Perhaps" in (text or ""))
    expect("13" in status, f"the status bar does not name line 13: {status!r}")
    expect_port_checked(s, 5)

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
    s.wait_readout("Log count", "2")  # the two good rows drawn

    s.stop_simulator(first, 5)
    s.wait_readout("Status", lambda text: "Disconnected" in (text or ""))
    s.screenshot("com5-unplugged")
    expect_port_checked(s, None)
    s.start_simulator(12)
    s.wait_readout("Status", lambda text: "(COM12)" in (text or ""))
    s.screenshot("com12-plugged")
    expect_port_checked(s, 12)
    exit_cleanly(s)
    expect_saved_port(s, 12)
    kept = os.path.join(s.progdir, "VireonII.cfg.bad")
    expect(os.path.exists(kept) and open(kept, "rb").read() == damaged,
           "the damaged configuration was not kept as VireonII.cfg.bad")


def lamp(s, shot):
    """The log lamp's state, by the colour at its middle."""
    data = s.region_twips(shot, *LAMP_MIDDLE)
    return next((state for state, colour in LAMP.items() if count_colour(data, colour, 30) >= 4),
                None)


def wait_lamp(s, state, label=None, timeout=10):
    return s.wait_shot(f"the log lamp to show {state}", lambda p: lamp(s, p) == state, label,
                       timeout)


def switch_log(s, then, label=None):
    """Clicks the log switch and waits for its lamp to show `then`."""
    click_label(s, RECORD_LABEL)
    return wait_lamp(s, then, label)


def start_log(s, *sim_args, config=None):
    sim = running(s, *sim_args, config=config)
    wait_lamp(s, "stopped")
    switch_log(s, "logging", "logging")
    return sim


def answer_dialog(s, known, what, text):
    """Types text into the next dialog that opens (a window not in known, which then takes
    it in) and confirms it with Return."""
    known.append(s.new_window(known, what, timeout=10))
    time.sleep(0.4)
    s.retype(text)
    time.sleep(0.2)
    s.key("Return")


def file_dialog(s, key, path, answers=()):
    """File > Open (o) or Save as (s): each test condition answered, then the file name."""
    s.choose("alt+f")
    known = s.windows()
    s.key(key)
    for answer in answers:
        answer_dialog(s, known, "a Test Conditions box", answer)
    answer_dialog(s, known, "the file dialog", path)


def open_file(s, path):
    file_dialog(s, "o", path)


def save_as(s, path, answers=()):
    """Saves the log and reads it back through Python's csv module: header fields, column
    titles, rows."""
    file_dialog(s, "s", path, answers)
    wait_for(f"{path} to be written", lambda: os.path.exists(path), 15, 0.2)
    time.sleep(0.3)
    with open(path, newline="", encoding="cp1252") as f:
        lines = list(csv.reader(f))
    end = next(i for i, row in enumerate(lines) if row and row[0] == "EndHeader")
    header = {row[0]: row[1:] for row in lines[1:end] if row}
    return header, lines[end + 1], [row for row in lines[end + 2:] if row]


def test_logging(s):
    """Log, pause, resume and stop with the mouse and the keyboard; leaving asks about the
    unsaved readings; Save as with two test conditions; the file read back, then opened
    again in the program and played back."""
    with open(os.path.join(s.progdir, "testquery.txt"), "wb") as f:
        f.write(b"Operator name?,Operator,J\r\nSite?,Site\r\n")
    sim = start_log(s, "--scenario", "sine:4,10,6")
    time.sleep(2)
    s.choose("alt+p", "o")  # L&og Pause
    wait_lamp(s, "paused", "paused")
    s.choose("alt+p", "o")
    wait_lamp(s, "logging")
    time.sleep(2)
    switch_log(s, "stopped")
    off(s, sim)

    before = s.windows()
    s.choose("alt+f", "x")
    s.new_window(before, "the unsaved-log question", "unsaved-question")
    s.key("Escape")  # Cancel: the program stays
    time.sleep(1)
    expect(s.app.running(), "Cancel on the unsaved-log question ended the program")

    path = os.path.join(s.tmp, "survey.csv")
    header, _, rows = save_as(s, path, ["K. Smith", "Roof"])
    expect(header.get("Operator") == ["K. Smith"] and header.get("Site") == ["Roof"],
           f"the test conditions are not in the header: {header}")
    expect(header.get("Samples") == [str(len(rows))] and len(rows) >= 30,
           f"{len(rows)} rows for Samples {header.get('Samples')}")

    open_file(s, path)
    time.sleep(1.5)
    idle = s.region_twips(s.screenshot(), *TOTAL_READOUT)
    s.choose("alt+p", "Down", "Return")  # P&lay, below the first entry offered
    wait_lamp(s, "playing", "playing")
    s.wait_shot("the readout and the time graph to play the log",
                lambda p: s.region_twips(p, *TOTAL_READOUT) != idle
                and "Z" not in missing_traces(s, p, 20))
    wait_lamp(s, "stopped", "played", timeout=len(rows) / 10 + 10)
    exit_cleanly(s)  # saved: no question


def test_moving_average(s):
    """A moving-average log with a 10 Second window, through a short link hiccup (five data
    requests unanswered, the reply after them late): the average rises over the first window
    and then matches the field; the link comes back through identification, with its units;
    no row of the file holds anything but the field and its average."""
    outage_after = 100  # data replies: some seconds into the log at 15 a second
    sim = start_log(s, "--outage", f"{outage_after},5,40",
                    config={"Exposure": "10 Second", "ExposureFrame": "True"})

    def identified_again():
        c = sim_commands(sim)
        data = [i for i, word in enumerate(c) if word == "S"]
        return len(data) > outage_after and "I" in c[data[outage_after - 1]:]

    wait_for("identification after the hiccup", identified_again, 20, 0.25)
    s.wait_readout("Units", "V/m", timeout=15)
    s.wait_readout("Total field", "8.660", timeout=15)  # 5 V/m on each axis
    time.sleep(8)
    switch_log(s, "stopped", "moving-average")
    off(s, sim)
    _, titles, rows = save_as(s, os.path.join(s.tmp, "exposure.csv"))
    expect(titles == ["Time ", "Field V/m", "Moving AveV/m"] and len(rows) >= 11,
           f"not a moving-average log of 11 rows or more: {titles}, {len(rows)} rows")
    total, averages = float(rows[0][1]), [float(r[2]) for r in rows]
    expect(abs(averages[0] - total / 10) < 0.01 and abs(averages[9] - total) < 0.02,
           f"the average of {total} does not fill over ten seconds: {averages[:11]}")
    expect(all(float(r[1]) == total for r in rows) and
           all(abs(a - total) < 0.02 for a in averages[9:]),
           f"a row that is not a reading of {total}: {rows}")
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
    """Killed while logging, the program offers the journal at the next start. A SIGTERM
    while that question is open ends the program and keeps the journal whole, and the next
    start offers it again; every row that reached it is in the file saved after the recovery,
    and nothing is asked on leaving."""
    start_log(s, "--scenario", "sine:4,10,6")
    wait_for("rows in the recovery journal", lambda: len(journal_rows(s) or []) >= 40, 15, 0.3)
    s.app.popen.send_signal(signal.SIGKILL)
    s.app.wait(10)
    rows = journal_rows(s)
    for label in ("recovery-question", "recovery-question-again"):
        s.start_program(wait=False)
        question = wait_for("the recovery question",
                            lambda: next(iter(s.windows("Log Recovery")), None), 20, 0.25)
        time.sleep(0.4)
        s.screenshot(label)
        if label == "recovery-question":
            s.app.popen.send_signal(signal.SIGTERM)
            exit_cleanly(s, asked=True)
            kept = journal_rows(s)
            expect(kept == rows, f"{len(rows)} rows in the journal before the signal, "
                   f"{'none' if kept is None else len(kept)} after")
    s.focus(question)
    s.key("alt+y")
    s.wait_main_window()
    _, _, saved = save_as(s, os.path.join(s.tmp, "recovered.csv"))
    expect(len(saved) == len(rows), f"{len(rows)} rows in the journal, {len(saved)} saved")
    for j, r in zip(rows, saved):
        expect(abs(float(j[1]) - float(r[1])) <= 1e-5 * max(1.0, abs(float(j[1]))),
               f"journal row {j} saved as {r}")
    expect(journal_rows(s) is None, "the journal is still there after the save")
    exit_cleanly(s)


def test_report(s):
    """A few seconds logged, saved with a test condition, then File > Report... with the name
    it offers: the PDF holds the log's figures (samples, start and end, the lowest, highest
    and mean of total and axes and the time of each highest) and the test condition."""
    with open(os.path.join(s.progdir, "testquery.txt"), "wb") as f:
        f.write(b"Operator name?,Operator,J\r\n")
    sim = start_log(s, "--scenario", "sine:4,10,6")
    time.sleep(4)
    switch_log(s, "stopped")
    off(s, sim)
    path = os.path.join(s.tmp, "survey.csv")
    header, _, rows = save_as(s, path, ["K. Smith"])
    s.choose("alt+f")
    known = s.windows()
    s.key("r")
    s.new_window(known, "the report's file dialog", "report-dialog", 10)
    s.key("Return")  # the name offered: the log's, with .pdf
    pdf = os.path.join(s.tmp, "survey.pdf")
    wait_for("the report to be written", lambda: os.path.exists(pdf), 20, 0.3)
    s.screenshot("report-written")
    text = s.run(["pdftotext", "-layout", pdf, "-"], timeout=30).stdout.decode()
    lines = text.splitlines()
    expect("K. Smith" in text, "the test condition is not in the report")

    def field(label):
        # Fields stand in two columns: a line may hold one of each.
        found = re.search(rf"(?:^|\s){label}\s+(\S+)", text, re.M)
        expect(found, f"no {label} in the report:\n{text}")
        return found[1]

    expect(field("Samples") == f"{len(rows):,}", f"Samples {field('Samples')}, {len(rows)} rows")
    expect(field("Start") == rows[0][0] and field("End") == rows[-1][0],
           f"start {field('Start')} and end {field('End')}, the log {rows[0][0]}..{rows[-1][0]}")
    for i, name in enumerate(("Total", "X", "Y", "Z")):
        values = [float(r[i + 1]) for r in rows]
        top = max(values)
        cells = next((l.split() for l in lines if l.strip().startswith(name + " ")), None)
        expect(cells and len(cells) >= 5, f"no statistics row for {name}:\n{text}")
        for got, want in zip(cells[1:4], (min(values), top, sum(values) / len(values))):
            # Half a unit in the readouts' last place (three decimals below 10, two below 100).
            tolerance = 0.6 * 10 ** -(3 if want < 10 else 2 if want < 100 else 1) + 1e-6 * want
            expect(abs(float(got) - want) <= tolerance,
                   f"{name}: {got} in the report for {want:.6g} in the log")
        expect(cells[4] == rows[values.index(top)][0],
               f"{name}: highest at {cells[4]}, in the log at {rows[values.index(top)][0]}")
    exit_cleanly(s)


def test_options(s):
    """Options from the tool bar: a new X trace colour and text update rate, applied, show on
    the live graph; SIGTERM while the probe runs ends the program as File > Exit does, without
    asking: the laser is switched off and the settings are saved."""
    blue = (0, 0, 255)
    sim = running(s, "--scenario", "const:8,5,2")
    before = s.windows()
    s.click_widget("Options")
    dialog = s.new_window(before, "the options dialog")
    time.sleep(0.5)
    s.focus(dialog)
    s.click_widget("Text update rate")
    s.retype("3")
    s.screenshot("options-misc")
    s.click_widget("Colors")
    time.sleep(0.3)
    s.click_widget("X Axis")
    picker = s.new_window(before + [dialog], "the colour dialog")
    time.sleep(0.5)
    s.focus(picker)
    s.key("alt+h")  # the colour dialog's HTML field
    s.retype("#0000ff")
    s.key("Return")
    wait_for("the colour dialog to close", lambda: picker not in s.windows(), 5)
    s.screenshot("options-colors")
    s.click_widget("Apply")
    wait_for("the options dialog to close", lambda: dialog not in s.windows(), 5)
    s.wait_shot("the X trace drawn in blue",
                lambda p: count_colour(s.region_twips(p, *TIME_GRAPH), blue) >= 30,
                "blue-x-trace", 10)
    written = os.stat(s.config_path()).st_mtime_ns
    s.app.popen.send_signal(signal.SIGTERM)
    exit_cleanly(s, asked=True)
    cmds = sim_commands(sim)
    expect(cmds[-2:] == ["o", "o"], f"the laser was not switched off: ...{cmds[-6:]}")
    expect(os.stat(s.config_path()).st_mtime_ns > written, "the settings were not saved")
    lines = s.config_lines()
    expect(lines[6] == "TextUpdatePerSecond,3", f"line 7 of the configuration is {lines[6]!r}")
    expect(lines[21] == f"GraphXaxisColor,{255 << 16}",
           f"line 22 of the configuration is {lines[21]!r}")


TESTS = {"view-switches": test_view_switches, "options": test_options,
         "instrument-face": test_instrument_face, "hostile-files": test_hostile_files,
         "zoom-log": test_zoom_log, "logging": test_logging,
         "moving-average": test_moving_average, "crash-recovery": test_crash_recovery,
         "report": test_report}


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("test", choices=sorted(TESTS))
    add_program_arguments(ap)
    ap.add_argument("--time-limit", type=int, default=80)
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
