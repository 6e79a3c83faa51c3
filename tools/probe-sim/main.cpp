// probe-sim: a simulated laser detector unit and probe on a pseudo-terminal, linked into the
// monitor's ports folder as a chosen COMn so the monitor finds it like a plugged-in adapter.

#include "common/paths.h"
#include "faults.h"
#include "probe/fiber_replies.h"
#include "scenario.h"
#include "sim_fiber.h"
#include "sim_line.h"
#if __has_include("sim_families.h")
#include "sim_families.h"
#define VIREON_SIM_HAS_FAMILIES 1
#endif

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace vireon::sim;

namespace {

volatile std::sig_atomic_t gStop = 0;
volatile std::sig_atomic_t gLowToggles = 0;
void OnSignal(int) {
    gStop = 1;
}
void OnToggleLow(int) {
    gLowToggles = gLowToggles + 1;
}

const char* kHelp = R"(Usage: probe-sim [options]

Simulates the laser detector unit with a probe on a pseudo-terminal and links it into the
monitor's ports folder as COMn, so the monitor sees it arrive (and go away when it exits).

Options:
  --com N|auto          COM number to take (1..24); auto takes the lowest free from 3 up
                        (default auto)
  --ports-dir DIR       ports folder (default: the monitor's, $XDG_CONFIG_HOME/vireon2/ports)
  --probe MODEL         instrument to simulate: KD-7310 (laser detector unit with a fiber-optic
                        probe, the default), a four-range model such as "KD-5233 STE", or an
                        E/H probe (E150, H250); --list-probes shows them all
  --list-probes         print the known probe models and exit
  --range N             range a four-range probe starts in (default: the probe's own)
  --scenario SPEC       field over time, per axis in V/m (A/m for magnetic probes):
                          const:X[,Y,Z]         constant (one value for all axes)
                          steps:V1,V2,..@S      stepping every S seconds, cycling
                          sine:AMP,OFFSET,PERIOD
                          file:PATH             lines "t,x,y,z"
                        (default const:5)
  --drop N              do not send every Nth reply
  --corrupt N           replace the first character of every Nth reply
  --truncate N          send only the first half of every Nth reply
  --lengthen N          add one character to every Nth reply
  --no-data N           answer the first N data requests after the laser goes on with the
                        no-data reply :S000000000000000F
  --delay MS            hold every reply back MS milliseconds
  --outage N,K,MS       once, after the Nth data reply: send none of the next K replies,
                        then hold the one after them back MS milliseconds
  --baud B              run the line at B baud, 10 bits a character, both ways: a command
                        counts only once its carriage return would be across, and every
                        reply character leaves on its own schedule and reaches the monitor
                        when it is across (a 19-character reply takes 1.649 ms at 115200);
                        default: as fast as the pseudo-terminal takes it
  --usb-frame US        hand what has come across to the monitor once every US
                        microseconds, as a USB serial adapter does (1000 for a 1 ms frame),
                        instead of character by character
  --slow-calibration MS spread the calibration reply (":M") evenly over MS milliseconds,
                        so that its last character leaves MS after its first
  --unplug-after SEC    remove the link and close the line after SEC seconds, then exit
  --battery P           battery percent reported in ":B" replies (default 85)
  --battery-low         set the low-battery flag (column 18 "F" of data replies)
  --battery-steps STEPS battery over time instead, "P1,P2,...@S": whole percentages
                        stepping every S seconds and cycling; an L after a percentage sets
                        the low-battery flag for that step, as in 100,50,5L,60@3
  --serial S            probe serial number, 8 characters (default 00012345)
  --stats FILE          write line statistics as JSON to FILE every second and at exit:
                        commands received by word, replies, characters, how late characters
                        left, how long replies took on the line and how soon the monitor
                        answered each reply (its last character across to the next command)
  --verbose             log every command and reply to standard error
  --help                this text

On start it prints "probe-sim: COMn <device>" on standard output. SIGINT or SIGTERM removes
the link and exits. SIGUSR1 turns the laser unit's low-battery flag over (on if it was off,
off if it was on) on top of --battery-low or --battery-steps. The laser-off command "o" cuts
what the probe has not sent yet.
)";

struct Options {
    std::string com = "auto";
    std::string portsDir;
    std::string probe = "KD-7310";
    std::string scenario = "const:5";
    FaultOptions faults;
    FiberOptions fiber;
    double delayMs = 0;
    long baud = 0;
    double slowCalibrationMs = 0;
    long usbFrameUs = 0;
    std::string stats;
    double unplugAfter = -1;
    int range = 0;
    bool verbose = false;
};

[[noreturn]] void Fail(const std::string& why) {
    std::cerr << "probe-sim: " << why << "\n";
    std::exit(2);
}

long ToLong(const std::string& opt, const std::string& v, long lo, long hi) {
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(v.c_str(), &end, 10);
    if (errno != 0 || end == v.c_str() || *end != '\0' || n < lo || n > hi) {
        Fail(opt + " wants a whole number from " + std::to_string(lo) + " to " +
             std::to_string(hi) + ", not \"" + v + "\"");
    }
    return n;
}

double ToDouble(const std::string& opt, const std::string& v) {
    char* end = nullptr;
    const double d = std::strtod(v.c_str(), &end);
    if (end == v.c_str() || *end != '\0' || d < 0) {
        Fail(opt + " wants a number of 0 or more, not \"" + v + "\"");
    }
    return d;
}

bool IsFiber(const std::string& model) {
    return model == "KD-7310" || model == "fiber";
}

void ListProbes() {
    std::cout << "KD-7310\n";
#ifdef VIREON_SIM_HAS_FAMILIES
    for (const auto& m : KnownFamilyModels()) {
        std::cout << m << "\n";
    }
#endif
}

Options Parse(int argc, char** argv) {
    Options o;
    BatteryState battery;
    bool constantBattery = false;
    std::string batterySteps;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                Fail(a + " needs a value (see --help)");
            }
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            std::cout << kHelp;
            std::exit(0);
        } else if (a == "--list-probes") {
            ListProbes();
            std::exit(0);
        } else if (a == "--com") {
            o.com = value();
        } else if (a == "--ports-dir") {
            o.portsDir = value();
        } else if (a == "--probe") {
            o.probe = value();
        } else if (a == "--range") {
            o.range = static_cast<int>(ToLong(a, value(), 1, 5));
        } else if (a == "--scenario") {
            o.scenario = value();
        } else if (a == "--drop") {
            o.faults.dropEvery = static_cast<int>(ToLong(a, value(), 1, 1000000));
        } else if (a == "--corrupt") {
            o.faults.corruptEvery = static_cast<int>(ToLong(a, value(), 1, 1000000));
        } else if (a == "--truncate") {
            o.faults.truncateEvery = static_cast<int>(ToLong(a, value(), 1, 1000000));
        } else if (a == "--lengthen") {
            o.faults.lengthenEvery = static_cast<int>(ToLong(a, value(), 1, 1000000));
        } else if (a == "--no-data") {
            o.fiber.noDataReplies = static_cast<int>(ToLong(a, value(), 0, 1000000));
        } else if (a == "--outage") {
            const std::string v = value();
            const auto c1 = v.find(',');
            const auto c2 = c1 == std::string::npos ? c1 : v.find(',', c1 + 1);
            if (c2 == std::string::npos) {
                Fail("--outage wants N,K,MS, not \"" + v + "\"");
            }
            o.faults.outageAfter = static_cast<int>(ToLong(a, v.substr(0, c1), 1, 1000000));
            o.faults.outageDrops =
                static_cast<int>(ToLong(a, v.substr(c1 + 1, c2 - c1 - 1), 0, 1000000));
            o.faults.outageLateMs = ToDouble(a, v.substr(c2 + 1));
        } else if (a == "--delay") {
            o.delayMs = ToDouble(a, value());
        } else if (a == "--baud") {
            o.baud = ToLong(a, value(), 50, 4000000);
        } else if (a == "--unplug-after") {
            o.unplugAfter = ToDouble(a, value());
        } else if (a == "--usb-frame") {
            o.usbFrameUs = ToLong(a, value(), 0, 1000000);
        } else if (a == "--slow-calibration") {
            o.slowCalibrationMs = ToDouble(a, value());
        } else if (a == "--battery") {
            battery.percent = static_cast<int>(ToLong(a, value(), 0, 100));
            constantBattery = true;
        } else if (a == "--battery-low") {
            battery.low = true;
            constantBattery = true;
        } else if (a == "--battery-steps") {
            batterySteps = value();
        } else if (a == "--stats") {
            o.stats = value();
        } else if (a == "--serial") {
            o.fiber.serialNo = value();
            if (o.fiber.serialNo.size() != 8) {
                Fail("--serial wants 8 characters");
            }
        } else if (a == "--verbose") {
            o.verbose = true;
        } else {
            Fail("unknown option " + a + " (see --help)");
        }
    }
    if (o.portsDir.empty()) {
        o.portsDir = vireon::PortsFolder();
    }
    if (!batterySteps.empty()) {
        if (constantBattery) {
            Fail("--battery-steps replaces --battery and --battery-low");
        }
        try {
            o.fiber.battery = ParseBatterySteps(batterySteps);
        } catch (const std::exception& e) {
            Fail(std::string("--battery-steps: ") + e.what());
        }
    } else {
        o.fiber.battery = [battery](double) { return battery; };
    }
    return o;
}

bool LinkValid(const fs::path& link) {
    struct stat st {};
    return ::lstat(link.c_str(), &st) == 0 && ::stat(link.c_str(), &st) == 0;
}

int ChoosePort(const Options& o) {
    if (o.com != "auto") {
        std::string n = o.com;
        if (n.rfind("COM", 0) == 0) {
            n = n.substr(3);
        }
        return static_cast<int>(ToLong("--com", n, 1, 24));
    }
    for (int n = 3; n <= 24; ++n) {
        struct stat st {};
        if (::lstat((fs::path(o.portsDir) / ("COM" + std::to_string(n))).c_str(), &st) != 0) {
            return n;
        }
    }
    Fail("no free COM number from 3 to 24 in " + o.portsDir);
}

std::string Printable(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    const Options o = Parse(argc, argv);

    FieldScenario scenario;
    try {
        scenario = ParseScenario(o.scenario);
    } catch (const std::exception& e) {
        Fail(std::string("--scenario: ") + e.what());
    }
    std::unique_ptr<SimDevice> device;
    SimFiberUnit* fiberUnit = nullptr;
    if (IsFiber(o.probe)) {
        auto unit = std::make_unique<SimFiberUnit>(scenario, o.fiber);
        fiberUnit = unit.get();
        device = std::move(unit);
    } else {
#ifdef VIREON_SIM_HAS_FAMILIES
        device = MakeFamilyDevice(o.probe, scenario, o.range);
#endif
        if (!device) {
            Fail("unknown probe model \"" + o.probe + "\" (see --list-probes)");
        }
    }

    const int port = ChoosePort(o);
    std::error_code ec;
    fs::create_directories(o.portsDir, ec);
    const fs::path link = fs::path(o.portsDir) / ("COM" + std::to_string(port));
    if (LinkValid(link)) {
        Fail(link.string() + " is in use by another device");
    }

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        Fail(std::string("cannot open a pseudo-terminal: ") + std::strerror(errno));
    }
    const std::string slaveName = ::ptsname(master);
    // Holding the slave side open ourselves keeps the line up between the monitor's opens.
    const int slave = ::open(slaveName.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0) {
        Fail("cannot open " + slaveName + ": " + std::strerror(errno));
    }
    termios tio{};
    ::tcgetattr(slave, &tio);
    ::cfmakeraw(&tio);
    ::cfsetspeed(&tio, B115200);
    ::tcsetattr(slave, TCSANOW, &tio);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    const fs::path tmpLink = link.string() + ".new";
    fs::remove(tmpLink, ec);
    fs::create_symlink(slaveName, tmpLink, ec);
    if (ec) {
        Fail("cannot link " + tmpLink.string() + ": " + ec.message());
    }
    fs::rename(tmpLink, link, ec);
    if (ec) {
        fs::remove(tmpLink, ec);
        Fail("cannot link " + link.string() + ": " + ec.message());
    }

    // The signals stay blocked except inside the wait, so none slips in between a check and
    // the wait that would sleep through it.
    sigset_t handled;
    sigset_t waitMask;
    sigemptyset(&handled);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) {
        sigaddset(&handled, sig);
        struct sigaction sa {};
        sa.sa_handler = sig == SIGUSR1 ? OnToggleLow : OnSignal;
        sigemptyset(&sa.sa_mask);
        ::sigaction(sig, &sa, nullptr);
    }
    ::sigprocmask(SIG_BLOCK, &handled, &waitMask);
    std::signal(SIGPIPE, SIG_IGN);
    // Wake-ups a character apart (87 us at 115200 baud) need more than the default 50 us
    // timer slack allows.
    ::prctl(PR_SET_TIMERSLACK, 1000UL, 0UL, 0UL, 0UL);
    // The simulator stands for an instrument with a processor of its own, which the computer's
    // load never delays: ahead of ordinary work where the system allows it (as root).
    ::setpriority(PRIO_PROCESS, 0, -10);

    std::cout << "probe-sim: COM" << port << " " << slaveName << std::endl;

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const MonotonicClock now = [start] { return Nanos(Clock::now() - start); };
    auto seconds = [&] { return std::chrono::duration<double>(now()).count(); };
    auto ms = [](double v) {
        return std::chrono::duration_cast<Nanos>(std::chrono::duration<double, std::milli>(v));
    };
    const Nanos unplugAt = o.unplugAfter >= 0 ? ms(o.unplugAfter * 1000) : Nanos::max();
    const Nanos statsEvery = std::chrono::seconds(1);
    Nanos statsAt = o.stats.empty() ? Nanos::max() : Nanos(0);
    auto writeStats = [&](const LineStats& st) {
        const std::string tmp = o.stats + ".new";
        {
            std::ofstream f(tmp, std::ios::trunc);
            f << StatsJson(st, seconds());
        }
        fs::rename(tmp, o.stats, ec);
    };

    FaultInjector faults(o.faults);
    SimLine line(o.baud, now);
    std::sig_atomic_t lowToggles = 0;
    // With a USB frame, characters that are across wait for the next frame boundary.
    const Nanos frame = std::chrono::microseconds(o.usbFrameUs);
    Nanos nextHandOver(0);

    while (gStop == 0 && now() < unplugAt) {
        for (; lowToggles != gLowToggles; ++lowToggles) {
            if (fiberUnit != nullptr) {
                fiberUnit->ToggleBatteryLow();
            }
        }
        while (const auto command = line.NextCommand()) {
            const auto reply = device->Answer(command->text, seconds());
            std::optional<std::string> sent;
            double lateMs = 0;
            if (reply) {
                sent = faults.Apply(*reply);
                const auto outage = faults.Outage(command->text == vireon::fiber::kCmdData);
                if (outage) {
                    lateMs = *outage;
                } else {
                    sent.reset();
                }
            }
            if (sent) {
                const Nanos at = command->arrived + ms(o.delayMs + lateMs);
                if (fiberUnit != nullptr && command->text == vireon::fiber::kCmdCalibration &&
                    o.slowCalibrationMs > 0) {
                    line.SendSpread(*sent, at, ms(o.slowCalibrationMs));
                } else {
                    line.Send(*sent, at);
                }
            }
            if (fiberUnit != nullptr && !fiberUnit->LaserOn()) {
                line.DropWaiting(); // the probe went dark with the laser
            }
            if (o.verbose) {
                std::cerr << "probe-sim: " << Printable(command->text) << " -> "
                          << (sent ? Printable(*sent) : std::string("(nothing)")) << "\n";
            }
        }
        const std::string_view due = line.Due();
        bool blocked = false;
        const bool handOver = frame.count() == 0 || now() >= nextHandOver;
        if (!due.empty() && handOver) {
            const ssize_t w = ::write(master, due.data(), due.size());
            if (w > 0) {
                line.Written(static_cast<size_t>(w));
            }
            if (frame.count() != 0) {
                nextHandOver = (now() / frame + 1) * frame;
            }
            // A pseudo-terminal that is full holds the due characters back until it drains.
            blocked = w < static_cast<ssize_t>(due.size());
        }
        if (now() >= statsAt) {
            writeStats(line.Stats());
            statsAt = now() + statsEvery;
        }

        Nanos wake = std::min({now() + std::chrono::milliseconds(200), unplugAt, statsAt});
        if (const auto next = line.NextEvent(blocked)) {
            wake =
                std::min(wake, !due.empty() && !handOver ? std::max(*next, nextHandOver) : *next);
        }
        const Nanos left = std::max(Nanos(0), wake - now());
        const timespec ts{static_cast<time_t>(left.count() / 1000000000),
                          static_cast<long>(left.count() % 1000000000)};
        pollfd p{master, static_cast<short>(POLLIN | (blocked ? POLLOUT : 0)), 0};
        const int r = ::ppoll(&p, 1, &ts, &waitMask);
        if (r > 0 && (p.revents & POLLIN) != 0) {
            char buf[512];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0) {
                line.Received(std::string_view(buf, static_cast<size_t>(n)));
            }
        }
    }

    if (!o.stats.empty()) {
        writeStats(line.Stats());
    }
    fs::remove(link, ec);
    ::close(slave);
    ::close(master);
    std::cout << "probe-sim: COM" << port << " removed" << std::endl;
    return 0;
}
