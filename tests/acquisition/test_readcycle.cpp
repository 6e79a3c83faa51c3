// The read cycle driven by virtual time against a fake serial port.
#include "acquisition/ReadCycle.h"
#include "support/Fakes.h"
#include "support/ManualTiming.h"

#include <gtest/gtest.h>

namespace vireon::test {
namespace {

struct Rig {
    AcqState state;
    FakeSerialLink link;
    FakePortCatalog ports;
    ManualScheduler sched;
    std::unique_ptr<Timer> timer = sched.MakeTimer(66, false);
    ScriptedProbe probe;
    FakeAcqView view{state};
    FakePrompts prompts;
    NoticeBoard notices{prompts};
    ReadCycle cycle{state, link, ports, *timer, sched, probe, view, notices};

    Rig() {
        view.OnProcess = [](AcqState& s) {
            if (s.ProbeData.rfind(":I", 0) == 0) {
                s.ProbeSerialNo = s.ProbeData.substr(16, 8);
                s.ProbeCalDate = s.ProbeData.substr(24, 8);
            }
        };
        timer->OnTick = [this] { cycle.OnReadTick(); };
        link.OnReceive = [this] { cycle.OnComm(); };
    }
    // Running in the timer path, as after the laser start with a numeric rate.
    void Running() {
        cycle.OpenCommPort(2);
        state.LaserState = kLaserRunning;
        state.RthresEnabled = 0;
        state.ProbeStrLeng = 19;
        timer->Interval(50);
        timer->Enabled(true);
    }
};

const std::string kGood = ":S1231231230A0B0C0\r"; // 19 characters

TEST(ReadCycle, TimerPathProcessesExactLengthRepliesStartingWithColon) {
    Rig r;
    r.Running();
    r.link.rx = kGood;
    r.sched.Advance(50);
    EXPECT_EQ(r.view.processed, std::vector<std::string>{kGood});
    // The next command went out before the reply was judged.
    EXPECT_EQ(r.link.sent, std::vector<std::string>{"S\r"});
    EXPECT_EQ(r.probe.replies.back(), kGood);
    // The probe sets what the next reply is judged by, and when it is read.
    r.probe.threshold = 34;
    r.probe.interval = 120;
    r.probe.command = "I\r";
    r.cycle.SendCmnd();
    EXPECT_EQ(r.state.ProbeStrLeng, 34);
    EXPECT_EQ(r.link.threshold, 0) << "timer path leaves the receive threshold alone";
    EXPECT_EQ(r.timer->Interval(), 120);
    EXPECT_EQ(r.link.sent.back(), "I\r");
}

// A refusal is a reply; anything else of the wrong length or start is a miss, and what was
// still arriving of it is cleared from the line before the next command. The fifth miss clears
// the display once, says so, restarts Alternate Remote only when that is checked, and lets no
// late reply choose what is sent next.
TEST(ReadCycle, WrongRepliesAreMissesAndTheFifthClearsTheDisplay) {
    for (bool arChecked : {false, true}) {
        Rig r;
        r.Running();
        r.view.arChecked = arChecked;
        std::vector<size_t> waitingAtSend;
        r.link.OnOutput = [&r, &waitingAtSend](const std::string&) {
            waitingAtSend.push_back(r.link.rx.size());
        };
        const std::string shortReply = ":S12312312\r";
        const std::string misses[] = {"S1231231230A0B0C0\r:", ":S1231", kGood + "X", ":E\rX",
                                      shortReply};
        for (size_t i = 0; i < std::size(misses); ++i) {
            r.link.rx = misses[i];
            // The rest of the cut reply arrives after the tick has read its start.
            r.link.trickle = i == 1 ? "231230A0B0C0\r" : "";
            r.sched.Advance(50);
            EXPECT_EQ(r.state.TimeOut, static_cast<int16_t>(i + 1));
            EXPECT_EQ(r.view.clears, i == 4 ? 1 : 0) << "four misses leave the display alone";
        }
        EXPECT_EQ(waitingAtSend, std::vector<size_t>(5, 0)) << "every command on a quiet line";
        EXPECT_TRUE(r.view.processed.empty());
        EXPECT_EQ(r.view.batteryCleared, 1);
        EXPECT_EQ(r.probe.lostComm, 1);
        EXPECT_EQ(r.probe.startAR, arChecked ? 1 : 0);
        EXPECT_EQ(r.probe.replies.back(), "") << "the command after the loss is identification";
        EXPECT_EQ(r.view.status, kLinkLostText);
        for (int i = 0; i < 3; ++i) {
            r.link.rx = shortReply;
            r.sched.Advance(50);
            EXPECT_EQ(r.state.TimeOut, 5);
            EXPECT_EQ(r.probe.replies.back(), "");
            EXPECT_EQ(r.state.ChangeDisplayFlag, 1);
        }
        EXPECT_EQ(r.view.clears, 1) << "later misses do not clear again";
        // A refusal, as a good reply, brings the link back.
        r.link.rx = ":E\r";
        r.sched.Advance(50);
        EXPECT_EQ(r.state.TimeOut, 0);
        EXPECT_EQ(r.view.processed.size(), 1u);
    }
}

// Once the link is lost, the receive event takes only the exact answer to the identification:
// not a late data reply in front of it, nor one whose remains make up the length asked for.
TEST(ReadCycle, ALostLinkTakesOnlyTheExactAnswerInTheReceiveEvent) {
    Rig r;
    r.Running();
    r.state.RthresEnabled = 1;
    r.state.TimeOut = 5;
    r.probe.threshold = 34;
    r.probe.command = "I\r";
    r.cycle.SendCmnd();
    const std::string ident = ":I" + std::string(31, '0') + "\r";
    r.link.Receive(kGood + ident);
    r.link.Receive(kGood + ident.substr(0, 15));
    r.link.Input();
    EXPECT_TRUE(r.view.processed.empty());
    r.link.Receive(ident);
    EXPECT_EQ(r.view.processed, std::vector<std::string>{ident});
}

// The hourglass shown while the calibration is asked for goes when another command follows,
// and when the run ends before the upload does.
TEST(ReadCycle, TheUploadHourglassGoesHoweverTheUploadEnds) {
    Rig r;
    r.Running();
    r.probe.command = "M\r";
    r.cycle.SendCmnd();
    EXPECT_TRUE(r.view.busy);
    r.probe.command = "s\r";
    r.sched.Advance(50);
    EXPECT_FALSE(r.view.busy);
    r.probe.command = "M\r";
    r.cycle.SendCmnd();
    r.cycle.EndLaser();
    EXPECT_FALSE(r.view.busy);
}

// Replies taken in the receive event: at maximum speed the next command goes out before the
// reply is processed; at a numeric rate sending is left to the timer.
TEST(ReadCycle, ReceiveEventTakesRepliesAndOnlyMaxSpeedSendsFromIt) {
    for (bool maxSpeed : {true, false}) {
        Rig r;
        r.Running();
        r.state.RthresEnabled = 1;
        r.state.MaxSpeedFlag = maxSpeed ? -1 : 0;
        r.cycle.SendCmnd();
        EXPECT_EQ(r.link.threshold, 19);
        r.link.sent.clear();
        r.link.Receive(kGood);
        ASSERT_EQ(r.view.processed.size(), 1u);
        EXPECT_EQ(r.state.CommEventRCVD, maxSpeed ? 0 : 1) << "SendCmnd clears it again";
        EXPECT_EQ(r.link.sent.size(), maxSpeed ? 1u : 0u);
        // A reply not starting with ":" is left to the read timer.
        r.link.Receive("XXXXXXXXXXXXXXXXXXX");
        EXPECT_EQ(r.view.processed.size(), 1u);
        if (!maxSpeed) {
            r.sched.Advance(50);
            EXPECT_EQ(r.link.sent.size(), 1u);
            EXPECT_EQ(r.state.TimeOut, 0);
        }
    }
}

// The instrument at the other end: each command is answered `wireMs` later while `answering`.
// The read timer is a 125/s rate's (8 ms) and replies come in the receive event.
struct PacedRig : Rig {
    std::unique_ptr<Timer> wire = sched.MakeTimer(0, false);
    std::vector<double> sentAt;
    bool answering = true;
    int restartsInReceive = 0;

    PacedRig(bool maxSpeed, double wireMs) {
        Running();
        state.RthresEnabled = 1;
        state.MaxSpeedFlag = maxSpeed ? -1 : 0;
        probe.interval = 8;
        wire->Interval(wireMs);
        wire->OnTick = [this] {
            wire->Enabled(false);
            link.Receive(kGood);
        };
        link.OnOutput = [this](const std::string&) {
            sentAt.push_back(sched.Now());
            if (answering) {
                wire->Enabled(true);
            }
        };
        link.OnReceive = [this] {
            const int before = ReadTimer().Restarts();
            cycle.OnComm();
            restartsInReceive += ReadTimer().Restarts() - before;
        };
        cycle.SendCmnd();
    }
    ManualTimer& ReadTimer() { return static_cast<ManualTimer&>(*timer); }
};

// Commands at a numeric rate keep to their schedule: neither the time taken before a command
// goes out nor a tick that comes late moves the commands after it.
TEST(ReadCycle, NumericRateKeepsItsScheduleOnTheClock) {
    struct Case {
        const char* name;
        double stallAt; // an unrelated handler keeps the window busy from here ...
        double stallMs; // ... for this long (0: never)
    };
    for (const Case& c :
         {Case{"handling before each command", 0, 0}, Case{"one tick delivered late", 37, 5}}) {
        SCOPED_TRACE(c.name);
        PacedRig r(false, 2);
        constexpr double kChoosingMs = 0.7;
        r.probe.choosing = [&r] { r.sched.Busy(kChoosingMs); };
        r.sched.Advance(c.stallAt);
        r.sched.Busy(c.stallMs);
        r.sched.Advance(1000 - c.stallAt - c.stallMs - 0.5);
        ASSERT_EQ(r.sentAt.size(), 125u) << "one command per 8 ms over a second";
        int offSchedule = 0;
        for (size_t k = 1; k < r.sentAt.size(); ++k) {
            offSchedule += r.sentAt[k] != 8.0 * static_cast<double>(k) + kChoosingMs ? 1 : 0;
        }
        EXPECT_EQ(offSchedule, c.stallMs > 0 ? 1 : 0);
        EXPECT_EQ(r.view.processed.size(), 125u);
    }
}

// At maximum speed the next command goes out from the receive event without touching the read
// timer, which still times out a reply that never comes one period after its command.
TEST(ReadCycle, MaxSpeedSendsWithoutRestartingTheTimerAndStillTimesOut) {
    PacedRig r(true, 1.9);
    r.sched.Advance(1000);
    EXPECT_EQ(r.restartsInReceive, 0);
    EXPECT_EQ(r.sentAt.size(), 527u) << "an exchange every 1.9 ms";
    EXPECT_EQ(r.state.TimeOut, 0);

    r.answering = false;
    r.sched.Advance(2); // the reply in flight still comes
    const size_t last = r.sentAt.size();
    r.sched.Advance(8 * 5 + 0.5);
    ASSERT_EQ(r.sentAt.size(), last + 5);
    for (size_t k = last; k < r.sentAt.size(); ++k) {
        EXPECT_NEAR(r.sentAt[k] - r.sentAt[k - 1], 8, 0.5) << "command " << k;
    }
    EXPECT_EQ(r.state.TimeOut, 5);
    EXPECT_EQ(r.view.clears, 1) << "the fifth miss in a row clears the display";
}

TEST(ReadCycle, VanishedPortDuringReadEndsTheLaserUnit) {
    Rig r;
    r.Running();
    r.link.vanished = true;
    r.sched.Advance(50);
    EXPECT_FALSE(r.link.IsOpen());
    EXPECT_FALSE(r.timer->Enabled());
    EXPECT_EQ(r.state.CommPortOpenOk, 0);
    EXPECT_EQ(r.state.LaserState, kLaserOff);
    EXPECT_TRUE(r.prompts.asked.empty());
}

// A read error on every tick, with its message left open while the window's event loop keeps
// the timers running: one message, and no tick runs inside the one that raised it.
TEST(ReadCycle, PersistentReadFailureGivesOneMessageAndNeverReentersTheCycle) {
    Rig r;
    r.Running();
    r.link.readError = true;
    int nestedInputs = 0;
    r.prompts.OnNotice = [&](const std::string&) {
        EXPECT_TRUE(r.cycle.InCycle());
        const int before = r.link.inputs;
        r.sched.Advance(2000);
        nestedInputs += r.link.inputs - before;
    };
    r.sched.Advance(10000);
    EXPECT_EQ(r.prompts.asked.size(), 1u);
    EXPECT_EQ(nestedInputs, 0);
    EXPECT_GT(r.link.inputs, 100) << "the cycle went on reading while the message was open";
    // Closed, the message may come again, also for a failure that is not the port's.
    r.prompts.OnNotice = nullptr;
    r.prompts.CloseNotices();
    r.link.readError = false;
    r.probe.choosing = [] { throw std::runtime_error("x"); };
    r.sched.Advance(50);
    ASSERT_EQ(r.prompts.asked.size(), 2u);
    EXPECT_EQ(r.prompts.asked[0].text, "Error in reading probe.");
    EXPECT_EQ(r.prompts.asked[1].text, "Error in reading probe.");
}

TEST(Ports, UnopenablePortKeepsThePreviousNumberAndNoCheckMark) {
    Rig r;
    r.cycle.OpenCommPort(3);
    EXPECT_EQ(r.state.CommPortNo, 3);
    EXPECT_TRUE(r.view.checked[3]);
    r.link.unopenable.insert(7);
    r.cycle.MnuCommClick(7);
    ASSERT_EQ(r.prompts.asked.size(), 1u);
    EXPECT_EQ(r.prompts.asked[0].text, "Unable to open the selected comm port.  Reselect comm "
                                       "port or check system configuration.");
    EXPECT_EQ(r.prompts.asked[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(r.state.CommPortNo, 3);
    EXPECT_EQ(r.state.CommPortOpenOk, 0);
    EXPECT_EQ(r.view.CheckedCount(), 0);
    EXPECT_EQ(r.view.clears, 1);
    EXPECT_EQ(r.probe.lostComm, 1);
}

TEST(Ports, RefreshShowsExistingPortsAndKeepsTheOpenOne) {
    Rig r;
    r.ports.existing = {1, 5};
    r.cycle.OpenCommPort(9);
    r.cycle.RefreshPortMenu();
    EXPECT_TRUE(r.view.visible[1]);
    EXPECT_TRUE(r.view.visible[5]);
    EXPECT_TRUE(r.view.visible[9]) << "the open port stays listed";
    EXPECT_FALSE(r.view.visible[2]);
    EXPECT_FALSE(r.view.visible[24]);
    EXPECT_FALSE(r.cycle.PortExists(0));
    EXPECT_FALSE(r.cycle.PortExists(-3));
}

TEST(Ports, DeviceNamesGiveTheirPortNumbers) {
    for (const auto& [name, n] : {std::pair{"COM3", 3}, {"COM24", 24}, {"LPT1", 0}, {"COMx", 0}}) {
        EXPECT_EQ(PortNumberFromDeviceName(name), n) << name;
    }
}

TEST(Ports, ArrivalOpensThePortAndRemovalOfOthersChangesNothing) {
    Rig r;
    r.cycle.OpenCommPort(2);
    r.state.RefreshCnt = 9;
    r.cycle.OnDeviceArrival("COM12");
    EXPECT_EQ(r.view.status, "Laser Detector Unit Connected  (COM12)");
    EXPECT_EQ(r.state.CommPortNo, 12);
    EXPECT_EQ(r.link.CommPort(), 12);
    EXPECT_TRUE(r.view.visible[12]);
    EXPECT_EQ(r.state.RefreshCnt, 0);
    r.cycle.OnDeviceRemoveComplete("COM5");
    EXPECT_TRUE(r.link.IsOpen());
    EXPECT_EQ(r.state.CommPortOpenOk, 1);
    r.state.LaserState = kLaserRunning;
    r.timer->Enabled(true);
    r.cycle.OnDeviceRemoveComplete("COM12");
    EXPECT_FALSE(r.link.IsOpen());
    EXPECT_EQ(r.view.status, "Laser Detector Unit Disconnected");
    EXPECT_EQ(r.state.LaserState, kLaserOff);
    EXPECT_EQ(r.state.CommPortOpenOk, 0);
    EXPECT_FALSE(r.timer->Enabled());
    EXPECT_EQ(r.view.CheckedCount(), 0);
}

// The laser detector unit's start: "i", "I", "M" when the probe is new, "s", then four "S".
std::string Pad(std::string s, size_t n) {
    s.resize(n - 1, '0');
    return s + "\r";
}
const std::string kIdent = Pad(":I00000730200300A00012345061520", 34);

// Start on port 2 ("i" is not answered: the tick moves on) and answer "I" with `ident`.
void StartWith(Rig& r, const std::string& ident) {
    r.cycle.OpenCommPort(2);
    r.cycle.CmdStart();
    EXPECT_EQ(r.state.LaserState, kLaserStarting);
    EXPECT_EQ(r.link.sent.back(), "i\r");
    EXPECT_EQ(r.link.threshold, 1);
    r.sched.Advance(100);
    EXPECT_EQ(r.link.sent.back(), "I\r");
    r.link.Receive(ident);
}

TEST(Laser, StartSequenceReachesRunningAfterFourDataReplies) {
    Rig r;
    StartWith(r, kIdent);
    EXPECT_EQ(r.link.sent.back(), "M\r");
    r.link.Receive(Pad(":M", 600));
    EXPECT_EQ(r.link.sent.back(), "s\r");
    r.link.Receive(Pad(":s", 40));
    EXPECT_EQ(r.link.sent.back(), "S\r");
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(r.state.LaserState, kLaserStarting);
        r.link.Receive(kGood);
    }
    EXPECT_EQ(r.state.LaserState, kLaserRunning);
    EXPECT_FALSE(r.view.progressVisible);
    // Same probe again after Off: no calibration download.
    r.cycle.CmdOff();
    r.sched.Advance(100);
    EXPECT_EQ(r.link.sent.back(), "o\r");
    EXPECT_EQ(r.state.LaserState, kLaserOff);
    StartWith(r, kIdent);
    EXPECT_EQ(r.link.sent.back(), "s\r");
}

// A failed start clears the readouts, switches the laser off and says which step failed.
TEST(Laser, ShortIdentificationOrSilenceAbandonsTheStart) {
    Rig r;
    StartWith(r, Pad(":I00000730200300A00012345061520", 32));
    EXPECT_EQ(r.state.LaserState, kLaserOff);
    EXPECT_EQ(r.state.RthresEnabled, 0);
    EXPECT_EQ(r.link.threshold, 0);
    EXPECT_TRUE(r.state.LastProbeSerialNo.empty());
    EXPECT_EQ(r.link.sent.back(), "o\r");
    EXPECT_GE(r.view.clears, 1);
    EXPECT_EQ(r.view.status, kStartFailedIdent);
    EXPECT_FALSE(r.view.progressVisible);
    // Silence during the calibration download: the 9 s time-out fails the start.
    StartWith(r, kIdent);
    EXPECT_EQ(r.link.sent.back(), "M\r");
    r.sched.Advance(8999);
    EXPECT_EQ(r.state.LaserState, kLaserStarting);
    r.sched.Advance(2);
    EXPECT_EQ(r.state.LaserState, kLaserOff);
    EXPECT_EQ(r.view.status, kStartFailedCalibration);
    EXPECT_EQ(r.link.sent.back(), "o\r");
}

// Off during the calibration upload: the next start must ask for the calibration again, as
// must a start after an upload the calibration object refused.
TEST(Laser, AnInterruptedOrRefusedUploadIsDownloadedAgain) {
    Rig r;
    StartWith(r, kIdent);
    ASSERT_EQ(r.link.sent.back(), "M\r");
    r.cycle.CmdOff();
    EXPECT_FALSE(r.view.progressVisible) << "Off takes the start's progress bar away";
    r.sched.Advance(100);
    ASSERT_EQ(r.state.LaserState, kLaserOff);
    StartWith(r, kIdent);
    EXPECT_EQ(r.link.sent.back(), "M\r");
    r.view.calAccepted = false;
    r.link.Receive(Pad(":M", 600));
    EXPECT_EQ(r.link.sent.back(), "s\r") << "the start itself goes on";
    EXPECT_TRUE(r.state.LastProbeSerialNo.empty());
}

// Another port chosen while the unit runs: the run ends as a lost link ends it, the old unit's
// laser is told to go off, and Start works on the new port.
TEST(Laser, ChoosingAnotherPortWhileRunningEndsTheRun) {
    Rig r;
    r.Running();
    r.link.sent.clear();
    r.cycle.MnuCommClick(3);
    EXPECT_EQ(r.state.LaserState, kLaserOff);
    EXPECT_EQ(r.link.sent, (std::vector<std::string>{"o\r"}));
    EXPECT_GE(r.view.clears, 1);
    EXPECT_EQ(r.link.CommPort(), 3);
    EXPECT_FALSE(r.timer->Enabled());
    r.cycle.CmdStart();
    EXPECT_EQ(r.state.LaserState, kLaserStarting);
}

TEST(Laser, StartIsRefusedWhenRunningClosedOrCancelled) {
    Rig r;
    r.cycle.CmdStart();
    ASSERT_EQ(r.prompts.asked.size(), 1u);
    EXPECT_EQ(r.prompts.asked[0].text,
              "CommPort not open.  Select 'Communications' to reopen Commport.");
    EXPECT_EQ(r.state.LaserState, kLaserOff);
    r.cycle.OpenCommPort(2);
    r.view.confirm = false;
    r.cycle.CmdStart();
    EXPECT_EQ(r.state.LaserState, kLaserOff);
    EXPECT_TRUE(r.link.sent.empty());
    r.view.confirm = true;
    r.state.LaserState = kLaserRunning;
    r.cycle.CmdStart();
    EXPECT_TRUE(r.link.sent.empty());
}

TEST(Laser, NoDataRepliesUntilStepNineSwitchTheLaserOff) {
    Rig r;
    r.state.LastProbeSerialNo = kIdent.substr(16, 8);
    r.state.LastProbeCalDate = kIdent.substr(24, 8);
    StartWith(r, kIdent);
    r.link.Receive(Pad(":s", 40));
    for (int i = 0; i < 4; ++i) {
        r.link.Receive(":S000000000000000F0\r");
    }
    EXPECT_EQ(r.state.LaserState, kLaserSwitchingOff);
    r.sched.Advance(100);
    EXPECT_EQ(r.state.LaserState, kLaserOff);
    EXPECT_EQ(r.link.sent.back(), "o\r");
}

} // namespace
} // namespace vireon::test
