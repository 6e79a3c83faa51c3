#!/usr/bin/env python3
"""Throughput of the serial read loop: the real program under Xvfb and a minimal client, each
against probe-sim paced at 115200 baud, counted on the simulator's side.

    run_throughput.py --program vireon2 --simulator probe-sim --demo-config demo-config
                      --client link-client --out DIR [--seconds 30] [--rate-seconds 60]
                      [--rounds 3] [--floor qt-floor] [--only PHASE]

Each round runs, against one simulator: the program at maximum speed with its readouts, time
graph and bar graph live; the program at 125 samples per second (picked from the sample-rate
list once the probe runs, as a user would: a fiber probe starts at most at 35) over
--rate-seconds; the program at 15 samples per second; the minimal client. It prints exchanges
per second against the line's limit and against the client, the program's processor share at
each rate and its memory, and how the simulator paced its replies. With --floor it also
measures a bare Qt window that wakes and repaints as the program does at 125 a second, the
least any Qt program can cost there on this machine, and a plain timer wake-up 125 times a
second with no Qt, the least any program can. Screenshots, logs and a JSON
copy of the figures go to DIR."""

import argparse
import json
import os
import statistics
import sys
import time

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tests", "e2e"))
from harness import (Failure, Session, add_program_arguments, expect, guarded,  # noqa: E402
                     wait_for)
from run_e2e import OFF_BUTTON, press_start  # noqa: E402

SAMPLE_RATE_LIST = (6360, 2580, 1100, 330)  # CmbSampleRate, twips in the client area

BAUD = 115200
COMMAND_CHARS, REPLY_CHARS = 2, 19  # "S" + CR, and the data reply
LIMIT = BAUD / (10 * (COMMAND_CHARS + REPLY_CHARS))  # exchanges per second on the wire
REPLY_WIRE_MS = 10 * REPLY_CHARS / BAUD * 1e3
COM = 5
TICKS = os.sysconf("SC_CLK_TCK")


def read_stats(path):
    """The simulator's latest statistics (it rewrites the file every second)."""
    try:
        with open(path) as f:
            return json.load(f)
    except (OSError, ValueError):
        return None


def data_count(stats):
    return stats["commands"].get("S", 0) if stats else 0


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # user and system time


def switches(pid):
    """Context switches of all the process's threads so far: each is a wake-up, which costs
    the same work however loaded the machine is."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/status") as f:
                total += sum(int(line.split()[1]) for line in f if "ctxt_switches" in line)
        except OSError:
            pass  # a thread that ended meanwhile
    return total


def memory_mb(pid):
    values = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, rest = line.partition(":")
            if key in ("VmRSS", "VmHWM"):
                values[key] = int(rest.split()[0]) / 1024
    return values


def reply_span(before, after):
    """Mean time of the 19-character replies sent between two statistics snapshots, in ms."""
    def totals(stats):
        r = stats["replyUs"].get(str(REPLY_CHARS), {"count": 0, "mean": 0})
        return r["count"], r["count"] * r["mean"]
    (c0, s0), (c1, s1) = totals(before), totals(after)
    return (s1 - s0) / (c1 - c0) / 1e3 if c1 > c0 else 0.0


def turnaround(before, after):
    """How long the far end took to answer a reply (its last character across to the next
    command's first), between two snapshots: the mean in µs and the share by upper bound."""
    t0, t1 = before.get("turnaroundUs"), after.get("turnaroundUs")
    if not t0 or not t1 or t1["count"] <= t0["count"]:
        return {"meanUs": 0.0, "share": {}}
    n = t1["count"] - t0["count"]
    mean = (t1["mean"] * t1["count"] - t0["mean"] * t0["count"]) / n
    b0, b1 = before.get("turnaroundBins", {}), after.get("turnaroundBins", {})
    share = {k: (b1[k] - b0.get(k, 0)) / n for k in b1 if b1[k] > b0.get(k, 0)}
    return {"meanUs": mean, "share": share}


def late_mean_us(before, after):
    c0, c1 = before["characters"], after["characters"]
    total = after["lateMeanUs"] * c1 - before["lateMeanUs"] * c0
    return total / (c1 - c0) if c1 > c0 else 0.0


class Window:
    """Exchanges and processor time over a stretch of seconds, counted by the simulator."""

    def __init__(self, stats_path, pids):
        self.stats_path, self.pids = stats_path, pids
        self.first = self._snapshot()

    def _snapshot(self):
        # A fresh statistics file, so that its clock and counts are from one moment.
        old = read_stats(self.stats_path)
        stats = wait_for("fresh simulator statistics",
                         lambda: (lambda s: s if s and (not old or s["seconds"] > old["seconds"])
                                  else None)(read_stats(self.stats_path)), 5, 0.05)
        return stats, time.monotonic(), {p: (cpu_seconds(p), switches(p)) for p in self.pids}

    def close(self):
        (s0, w0, c0), (s1, w1, c1) = self.first, self._snapshot()
        wall = w1 - w0
        exchanges = data_count(s1) - data_count(s0)
        return {
            "exchanges": exchanges,
            "seconds": s1["seconds"] - s0["seconds"],
            "perSecond": (data_count(s1) - data_count(s0)) / (s1["seconds"] - s0["seconds"]),
            "cpuPercent": {p: 100 * (c1[p][0] - c0[p][0]) / wall for p in self.pids},
            "switchesPerExchange": {p: (c1[p][1] - c0[p][1]) / max(exchanges, 1)
                                    for p in self.pids},
            "replySpanMs": reply_span(s0, s1),
            "lateMeanUs": late_mean_us(s0, s1),
            "lateMaxUs": s1["lateMaxUs"],
            "turnaround": turnaround(s0, s1),
        }


def set_config(s, **values):
    """Rewrites lines of the program's configuration file, keeping its order and line ends."""
    lines = s.config_lines()
    for key, value in values.items():
        at = [i for i, line in enumerate(lines) if line.startswith(key + ",")]
        expect(at, f"the configuration has no {key} line")
        lines[at[0]] = f"{key},{value}"
    with open(s.config_path(), "wb") as f:
        f.write("\r\n".join(lines).encode("cp1252"))


def data_rate(stats_path, seconds=1.5):
    """Data exchanges per second over a short stretch, from the simulator's counts."""
    first = read_stats(stats_path)
    time.sleep(seconds)
    last = read_stats(stats_path)
    span = last["seconds"] - first["seconds"]
    return (data_count(last) - data_count(first)) / span if span > 0 else 0.0


def pick_fastest_rate(s, shot, stats_path):
    """Opens the sample-rate list and picks its first (fastest) entry, then waits until the
    exchanges follow."""
    for attempt in (1, 2):
        s.click_twips(shot, *SAMPLE_RATE_LIST, "the sample-rate list")
        time.sleep(0.5)
        s.key("Home", "Return")
        time.sleep(0.5)
        s.screenshot("rate-picked")
        try:
            wait_for("the fastest numeric rate to take effect",
                     lambda: data_rate(stats_path) > 100, 8, 0.1)
            return
        except Failure:
            if attempt == 2:
                raise


def run_program(s, sim, stats_path, seconds, label, pick_fastest=False, **config):
    """Starts the program with the given settings, brings the probe up, measures, stops."""
    s.write_config(COM)
    set_config(s, **config)
    s.start_program()
    shot = s.screenshot(f"{label}-before-start")
    press_start(s, shot)
    base = data_count(read_stats(stats_path))
    wait_for("data replies", lambda: data_count(read_stats(stats_path)) > base + 20, 30, 0.2)
    time.sleep(1)  # past the identification, which shows the probe's own rate
    if pick_fastest:
        pick_fastest_rate(s, shot, stats_path)
    time.sleep(2)  # past the start-up and the first redraws
    load = os.getloadavg()[0]
    window = Window(stats_path, [s.app.pid, sim.pid])
    time.sleep(seconds)
    result = window.close()
    result["load"] = load
    result["memoryMb"] = memory_mb(s.app.pid)
    result["cpuPercent"] = {"program": result["cpuPercent"][s.app.pid],
                            "simulator": result["cpuPercent"][sim.pid]}
    result["switchesPerExchange"] = result["switchesPerExchange"][s.app.pid]
    expect(not pick_fastest or result["perSecond"] > 100,
           f"the picked rate did not hold: {result['perSecond']:.1f} exchanges/s")
    s.screenshot(f"{label}-running")
    offs = read_stats(stats_path)["commands"].get("o", 0)
    s.click_twips(shot, *OFF_BUTTON, "Off")
    wait_for("the laser-off command",
             lambda: read_stats(stats_path)["commands"].get("o", 0) > offs, 15, 0.2)
    status = s.exit_program()
    expect(status == 0, f"the program exited with status {status}")
    return result


def run_client(s, client, sim, stats_path, seconds):
    """The minimal client, measured over `seconds` in the middle of its run."""
    device = sim.stdout_text().split()[2]
    proc = s.spawn("link-client", [client, device, str(seconds + 4)])
    time.sleep(1.5)
    window = Window(stats_path, [proc.pid, sim.pid])
    time.sleep(seconds)
    result = window.close()
    status = proc.wait(30)
    expect(status == 0, "the client failed: " + proc.stderr_text()[-300:])
    result["client"] = json.loads(proc.stdout_text())
    result["cpuPercent"] = {"client": result["cpuPercent"][proc.pid],
                            "simulator": result["cpuPercent"][sim.pid]}
    return result


def run_floor(s, floor, seconds):
    """A bare Qt window with the program's wake-ups and repaints at 125 a second, and a plain
    timer wake-up 125 times a second with no Qt at all (qt-floor)."""
    result = {}
    for mode, extra in (("window", []), ("raw", ["raw"])):
        proc = s.spawn("qt-floor", [floor, str(round(seconds))] + extra)
        status = proc.wait(seconds + 30)
        expect(status == 0, "qt-floor failed: " + proc.stderr_text()[-300:])
        result[mode] = json.loads(proc.stdout_text())
    return result


def one_round(a, n):
    with Session(f"throughput-{n}", a.program, a.simulator, a.demo_config, a.out,
                 time_limit=int(3 * a.seconds + a.rate_seconds) + 300) as s:
        stats_path = os.path.join(s.tmp, "sim-stats.json")
        frame = ["--usb-frame", str(a.usb_frame)] if a.usb_frame else []
        sim = s.start_simulator(COM, "--baud", str(BAUD), "--stats", stats_path, *frame)
        phases = {
            "max": lambda: run_program(s, sim, stats_path, a.seconds, "max", MaxSpeed="True"),
            "rate125": lambda: run_program(s, sim, stats_path, a.rate_seconds, "rate125",
                                           pick_fastest=True, MaxSpeed="False",
                                           SampleRate="125"),
            "rate15": lambda: run_program(s, sim, stats_path, a.seconds, "rate15",
                                          MaxSpeed="False", SampleRate="15"),
            "client": lambda: run_client(s, a.client, sim, stats_path, a.seconds),
        }
        if a.floor:
            phases["floor"] = lambda: run_floor(s, a.floor, a.seconds)
        return {name: run() for name, run in phases.items() if not a.only or name == a.only}


def report(rounds, seconds, rate_seconds):
    print(f"== throughput: {len(rounds)} rounds of {seconds:g} s ({rate_seconds:g} s at 125) "
          f"against probe-sim --baud {BAUD}; "
          f"line limit {LIMIT:.1f} exchanges/s (2 + 19 characters), "
          f"a 19-character reply {REPLY_WIRE_MS:.3f} ms on the wire; load average now "
          + " ".join(f"{v:.2f}" for v in os.getloadavg()))
    rows = []
    for i, r in enumerate(rounds, 1):
        mx, fast, slow, cl = r["max"], r["rate125"], r["rate15"], r["client"]
        rows.append([
            ("program max /s", mx["perSecond"]), ("of limit", mx["perSecond"] / LIMIT),
            ("of client", mx["perSecond"] / cl["perSecond"]),
            ("program answers in us", mx["turnaround"]["meanUs"]),
            ("program cpu %", mx["cpuPercent"]["program"]),
            ("switches/exchange", mx["switchesPerExchange"]),
            ("load at start", mx["load"]),
            ("sim cpu %", mx["cpuPercent"]["simulator"]),
            ("rss MB", mx["memoryMb"]["VmRSS"]), ("peak rss MB", mx["memoryMb"]["VmHWM"]),
            ("program 125 /s", fast["perSecond"]),
            ("program cpu % at 125", fast["cpuPercent"]["program"]),
            ("switches/exch at 125", fast["switchesPerExchange"]),
            ("program 15 /s", slow["perSecond"]),
            ("program cpu % at 15", slow["cpuPercent"]["program"]),
            ("switches/exch at 15", slow["switchesPerExchange"]),
            ("client /s", cl["perSecond"]), ("of limit", cl["perSecond"] / LIMIT),
            ("client answers in us", cl["turnaround"]["meanUs"]),
            ("client cpu %", cl["cpuPercent"]["client"]),
            ("bare Qt window cpu %", r["floor"]["window"]["cpuPercent"] if "floor" in r else 0.0),
            ("125 wake-ups cpu %", r["floor"]["raw"]["cpuPercent"] if "floor" in r else 0.0),
            ("sim cpu % (client)", cl["cpuPercent"]["simulator"]),
            ("reply on wire ms", cl["replySpanMs"]),
            ("late mean us", cl["lateMeanUs"]),
            ("client round trip ms", cl["client"]["roundTripUs"]["median"] / 1e3),
            ("client reply span ms", cl["client"]["replySpanUs"]["median"] / 1e3),
        ])
        print(f"-- round {i}")
        for name, value in rows[-1]:
            print(f"   {name:<22} {value:10.3f}")
    print("-- mean of the rounds")
    for k, (name, _) in enumerate(rows[0]):
        print(f"   {name:<22} {statistics.mean(row[k][1] for row in rows):10.3f}")
    print("   (reply on wire: first character written to last across, sim side; client round "
          "trip: command written to reply complete; client reply span: first to last "
          "character received, 18 character times)")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    add_program_arguments(ap)
    ap.add_argument("--client", required=True)
    ap.add_argument("--seconds", type=float, default=30)
    ap.add_argument("--rate-seconds", type=float, default=60)
    ap.add_argument("--rounds", type=int, default=3)
    ap.add_argument("--usb-frame", type=int, default=0,
                    help="microseconds: the simulator hands replies over in frames, as a USB "
                         "serial adapter does")
    ap.add_argument("--floor", help="qt-floor: also measure a bare Qt window's share at 125")
    ap.add_argument("--only", choices=("max", "rate125", "rate15", "client", "floor"),
                    help="run this phase alone and print its figures (for profiling)")
    a = ap.parse_args()
    rounds = []

    def body():
        for n in range(1, a.rounds + 1):
            rounds.append(one_round(a, n))

    status = guarded("throughput", a.out, body)
    if status == 0:
        with open(os.path.join(a.out, "throughput.json"), "w") as f:
            json.dump(rounds, f, indent=1)
        if a.only:
            print(json.dumps(rounds, indent=1))
        else:
            report(rounds, a.seconds, a.rate_seconds)
    return status


if __name__ == "__main__":
    sys.exit(main())
