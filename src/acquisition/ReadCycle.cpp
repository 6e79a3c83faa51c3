#include "acquisition/ReadCycle.h"

#include "probe/fiber_replies.h"

#include <exception>

namespace vireon {

namespace {
const std::string kCR = "\r";
bool StartsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

// A probe that refuses a command (an unavailable range, say) answers ":E" at once. That is a
// complete reply, shorter than the one asked for; counting it as a miss would lose it from the
// identification and push the link towards "lost" although the probe is talking.
bool IsRefusal(const std::string& reply) {
    return reply == ":E\r";
}

// TimeOut from the fifth miss in a row on: the link is lost until a reply is processed again.
constexpr int16_t kLinkLost = 5;
} // namespace

int PortNumberFromDeviceName(const std::string& name) {
    if (!StartsWith(name, "COM") || name.size() < 4) {
        return 0;
    }
    const std::string digits =
        name.size() < 5 ? name.substr(name.size() - 1) : name.substr(name.size() - 2);
    int n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return 0;
        }
        n = n * 10 + (c - '0');
    }
    return n;
}

ReadCycle::ReadCycle(AcqState& state, SerialLink& link, PortCatalog& ports, Timer& readTimer,
                     Clock& clock, ProbeCommands& probe, AcqView& view, NoticeBoard& notices)
    : s_(state), link_(link), ports_(ports), readTimer_(readTimer), clock_(clock), probe_(probe),
      view_(view), notices_(notices) {}

namespace {
// Marks the cycle busy for the length of a handler.
class CycleGuard {
public:
    explicit CycleGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~CycleGuard() { flag_ = false; }
    CycleGuard(const CycleGuard&) = delete;
    CycleGuard& operator=(const CycleGuard&) = delete;

private:
    bool& flag_;
};
} // namespace

void ReadCycle::OpenCommPort(int16_t port) {
    for (int n = 1; n <= kMaxCommPorts; ++n) {
        view_.CheckPortEntry(n, false);
    }
    try {
        if (link_.IsOpen()) {
            link_.Close();
        }
        link_.Open(port);
        view_.CheckPortEntry(port, true);
        s_.CommPortNo = port;
        s_.CommPortOpenOk = 1;
        probe_.LostComm(1);
    } catch (const std::exception&) {
        notices_.Show(kMsgCannotOpenPort, MsgIcon::Exclamation);
        view_.ClearDisplay();
    }
}

void ReadCycle::RefreshPortMenu() {
    for (int n = 1; n <= kMaxCommPorts; ++n) {
        if (n == s_.CommPortNo && s_.CommPortOpenOk == 1) {
            // The open port cannot be probed: it is in use by us.
            view_.ShowPortEntry(n, true);
        } else {
            view_.ShowPortEntry(n, PortExists(n));
        }
    }
}

bool ReadCycle::PortExists(int32_t n) {
    return n > 0 && ports_.PortExists(n);
}

void ReadCycle::MnuCommClick(int16_t index) {
    if (s_.LaserState != kLaserOff) {
        // Leaving a running unit behind would keep its reading on screen and block Start: end
        // the run as a lost link does, and switch the laser off while it can still be told.
        EndLaser();
        LaserOffNow();
        s_.LaserState = kLaserOff;
        s_.RefreshCnt = 0;
    }
    readTimer_.Enabled(false);
    s_.CommPortOpenOk = 0;
    OpenCommPort(index);
    if (s_.CommPortOpenOk != 1) {
        probe_.LostComm(1);
    }
}

void ReadCycle::OnDeviceArrival(const std::string& name) {
    if (!StartsWith(name, "COM")) {
        return;
    }
    const int n = PortNumberFromDeviceName(name);
    s_.RefreshCnt = 0;
    view_.StatusText("Laser Detector Unit Connected  (" + name + ")");
    if (n < 1 || n > kMaxCommPorts) {
        return;
    }
    view_.ShowPortEntry(n, true);
    OpenCommPort(static_cast<int16_t>(n));
}

void ReadCycle::OnDeviceRemoveComplete(const std::string& name) {
    if (!StartsWith(name, "COM") || PortNumberFromDeviceName(name) != s_.CommPortNo) {
        return;
    }
    try {
        if (link_.IsOpen()) {
            link_.Close();
        }
    } catch (const std::exception&) {
        // The device is gone already; closing can only fail harmlessly.
    }
    EndLaser();
    s_.LaserState = kLaserOff;
    s_.RefreshCnt = 0;
    s_.CommPortOpenOk = 0;
    view_.StatusText("Laser Detector Unit Disconnected");
    readTimer_.Enabled(false);
    for (int n = 1; n <= kMaxCommPorts; ++n) {
        view_.CheckPortEntry(n, false);
    }
}

void ReadCycle::SetRthreshold(int16_t count) {
    s_.ProbeStrLeng = count;
    if (s_.RthresEnabled == 1) {
        link_.RThreshold(count);
    }
}

void ReadCycle::SendCmnd() {
    s_.CommEventRCVD = 0;
    s_.ProbeCmnd = probe_.GetNextCmnd(s_.ProbeData);
    // The hourglass lasts as long as the calibration is asked for, however the upload ends.
    UploadPointer(StartsWith(s_.ProbeCmnd, "M"));
    SetRthreshold(probe_.GetRThreshold());
    KeepSchedule(probe_.GetTimerInterval());
    // At a numeric rate the reply is not needed before its last character is across; at
    // maximum speed the next command waits on it.
    link_.WakeWhenDue(s_.MaxSpeedFlag == 0);
    link_.Output(s_.ProbeCmnd);
}

// The read timer keeps running on its period from one command to the next and is restarted
// only when the period changes. Restarting it at every command would add the handlers' time
// to every period (a rate of 125 came out at 114), and at maximum speed would cost a restart
// per exchange; there the tick itself keeps the time-out (ReplyStillDue).
void ReadCycle::KeepSchedule(double interval) {
    sentAt_ = clock_.MonotonicMs();
    const bool maxSpeed = s_.RthresEnabled == 1 && s_.MaxSpeedFlag != 0;
    const bool unchanged = maxSpeed ? interval == period_ : readTimer_.Interval() == interval;
    period_ = interval;
    if (unchanged && (readTimer_.Enabled() || s_.RthresEnabled != 1)) {
        return;
    }
    readTimer_.Interval(interval);
    if (s_.RthresEnabled == 1) {
        readTimer_.Enabled(true);
    }
}

// At maximum speed a tick that comes before the reply's time-out moves the timer to it.
bool ReadCycle::ReplyStillDue() {
    if (s_.MaxSpeedFlag == 0 || s_.RthresEnabled != 1) {
        return false;
    }
    // A timer that counts whole milliseconds may tick up to half of one early.
    constexpr double kSlackMs = 0.5;
    const double left = sentAt_ + period_ - clock_.MonotonicMs();
    if (left > kSlackMs) {
        readTimer_.Interval(left);
        return true;
    }
    if (readTimer_.Interval() != period_) {
        readTimer_.Interval(period_);
    }
    return false;
}

void ReadCycle::OnComm() {
    if (inCycle_) {
        // Taken once the handler that is running returns.
        receivePending_ = true;
        return;
    }
    do {
        receivePending_ = false;
        CycleGuard busy(inCycle_);
        ReceiveEvent();
    } while (receivePending_ && link_.IsOpen() && link_.InBufferCount() > 0);
}

void ReadCycle::ReceiveEvent() {
    if (s_.RthresEnabled != 1) {
        return;
    }
    try {
        if (s_.LaserState == kLaserStarting) {
            s_.LaserRxBuffer += link_.Input();
            if (!s_.LaserRxBuffer.empty() && s_.LaserRxBuffer.back() == '\r') {
                s_.ProbeData = s_.LaserRxBuffer;
                s_.LaserRxBuffer.clear();
                StartLaser();
            }
            return;
        }
        if (s_.LaserState != kLaserRunning) {
            // Nothing is awaited; the characters stay for whoever reads next.
            return;
        }
        s_.ProbeData = link_.Input();
        // Once the link is lost only the exact answer to what was asked may bring it back: a
        // reply to a request sent before the loss, come late, is not it, nor is one with the
        // remains of such a reply in front of it.
        const bool taken =
            s_.TimeOut < kLinkLost ||
            (Whole(s_.ProbeData) && s_.ProbeData.find('\r') + 1 == s_.ProbeData.size());
        if (StartsWith(s_.ProbeData, ":") && taken) {
            s_.CommEventRCVD = 1;
            if (s_.MaxSpeedFlag != 0) {
                SendCmnd();
            }
            view_.Process7300Format();
            ++s_.RepliesProcessed;
        }
    } catch (const SerialError& e) {
        HandleReadError(e.Number());
    } catch (const std::exception&) {
        HandleReadError(0);
    }
}

void ReadCycle::OnReadTick() {
    if (inCycle_) {
        return;
    }
    {
        CycleGuard busy(inCycle_);
        ReadTick();
    }
    if (receivePending_) {
        OnComm();
    }
}

void ReadCycle::ReadTick() {
    try {
        switch (s_.LaserState) {
        case kLaserStarting:
            StartLaser();
            return;
        case kLaserSwitchingOff:
            s_.ProbeData = link_.IsOpen() ? link_.Input() : std::string();
            s_.LaserState = kLaserOff;
            if (link_.IsOpen()) {
                link_.Output("o" + kCR);
            }
            return;
        case kLaserRunning:
            break;
        default:
            return;
        }
        if (!link_.IsOpen()) {
            return;
        }
        if (s_.CommEventRCVD == 1) {
            if (s_.MaxSpeedFlag == 0) {
                SendCmnd();
            }
            return;
        }
        if (ReplyStillDue()) {
            return;
        }
        s_.ProbeData = link_.Input();
        s_.PreviousRthres = s_.ProbeStrLeng;
        const std::string reply = s_.ProbeData;
        if (!Whole(reply)) {
            CountMiss();
            // Whatever is still on its way belongs to what was missed and would spoil the next
            // reply; and a lost link comes back only through identification, which no late
            // reply may cut short.
            Drain();
            if (s_.TimeOut >= kLinkLost) {
                s_.ProbeData.clear();
            }
            SendCmnd();
            return;
        }
        // The next command goes out before this reply is worked on.
        SendCmnd();
        s_.ProbeData = reply;
        view_.Process7300Format();
        ++s_.RepliesProcessed;
    } catch (const SerialError& e) {
        HandleReadError(e.Number());
    } catch (const std::exception&) {
        HandleReadError(0);
    }
}

void ReadCycle::CountMiss() {
    if (s_.TimeOut < 4) {
        ++s_.TimeOut;
    } else if (s_.TimeOut == 4) {
        view_.ClearDisplay();
        view_.ClearBatteryLow();
        s_.TimeOut = kLinkLost;
        view_.StatusText(kLinkLostText);
        if (view_.ARProbeChecked()) {
            probe_.StartARProbe(1);
        }
        probe_.LostComm(1);
        s_.ProbeData = link_.Input();
    } else {
        probe_.LostComm(1);
        s_.ProbeData.clear();
        s_.RefreshCnt = 0;
        s_.ChangeDisplayFlag = 1;
    }
}

void ReadCycle::OnSerialError(int number) {
    if (number == kErrPortVanished && (link_.IsOpen() || s_.CommPortOpenOk == 1)) {
        HandleReadError(number);
    }
}

void ReadCycle::HandleReadError(int number) {
    if (number == kErrPortVanished) {
        try {
            if (link_.IsOpen()) {
                link_.Close();
            }
        } catch (const std::exception&) {
            // Already gone.
        }
        readTimer_.Enabled(false);
        s_.CommPortOpenOk = 0;
        s_.LaserState = kLaserOff;
        EndLaser();
        return;
    }
    notices_.Show(kMsgReadError, MsgIcon::None);
}

void ReadCycle::Drain() {
    try {
        if (link_.IsOpen()) {
            link_.Input();
        }
    } catch (const std::exception&) {
        // Nothing to drain from a port that failed.
    }
}

void ReadCycle::CmdStart() {
    if (s_.LaserState != kLaserOff) {
        return;
    }
    if (!link_.IsOpen()) {
        notices_.Show(kMsgPortNotOpen, MsgIcon::Information);
        view_.BusyPointer(false);
        return;
    }
    s_.StartProgress = 0;
    view_.StartProgressBar(true, 0);
    s_.OK_TurnLaserOn = 0;
    s_.OK_TurnLaserOn = view_.ConfirmLaserOn() ? -1 : 0;
    if (s_.OK_TurnLaserOn == 0) {
        view_.StartProgressBar(false, 0);
        return;
    }
    Drain();
    view_.StatusText("Initializing Probe Please Wait...");
    view_.BusyPointer(true);
    s_.LaserState = kLaserStarting;
    s_.LaserStep = 0;
    s_.LaserRxBuffer.clear();
    StartLaser();
    view_.BusyPointer(false);
}

void ReadCycle::CmdOff() {
    EndLaser();
    view_.StartProgressBar(false, 0);
    if (link_.IsOpen() && (s_.LaserState == kLaserStarting || s_.LaserState == kLaserRunning)) {
        s_.LaserState = kLaserSwitchingOff;
        readTimer_.Interval(100);
        readTimer_.Enabled(true);
    }
}

void ReadCycle::StartLaser() {
    s_.RthresEnabled = 1;
    try {
        link_.RThreshold(1);
        readTimer_.Enabled(false);
        const std::string& d = s_.ProbeData;
        auto send = [&](const char* cmd, double period) {
            readTimer_.Interval(period);
            period_ = period;
            sentAt_ = clock_.MonotonicMs();
            s_.ProbeCmnd = std::string(cmd) + kCR;
            link_.WakeWhenDue(false);
            link_.Output(s_.ProbeCmnd);
        };
        switch (s_.LaserStep) {
        case 0:
            send("i", 100);
            s_.LaserStep = 1;
            break;
        case 1:
            probe_.InputStr2(d);
            view_.Process7300Format();
            send("I", 32000);
            s_.LaserStep = 2;
            break;
        case 2:
            if (!fiber::IsIdentification(d)) {
                SetLaserLostCommunications(kStartFailedIdent);
                return;
            }
            s_.StartProgress = 63;
            view_.StartProgressBar(true, s_.StartProgress);
            probe_.InputStr2(d);
            view_.Process7300Format();
            if (s_.ProbeSerialNo != s_.LastProbeSerialNo ||
                s_.ProbeCalDate != s_.LastProbeCalDate) {
                // Remembered only once this calibration has been taken: an upload cut short
                // by Off or a lost link must be repeated at the next start.
                s_.LastProbeCalDate.clear();
                s_.LastProbeSerialNo.clear();
                s_.LaserStep = 3;
                send("M", 9000);
            } else {
                view_.StartProgressBar(true, 75);
                s_.LaserStep = 4;
                send("s", 100);
            }
            break;
        case 3:
            if (!fiber::IsCalibration(d)) {
                SetLaserLostCommunications(kStartFailedCalibration);
                return;
            }
            view_.StartProgressBar(true, 75);
            probe_.InputStr2(d);
            view_.Process7300Format();
            if (view_.CalibrationAccepted(d)) {
                s_.LastProbeCalDate = s_.ProbeCalDate;
                s_.LastProbeSerialNo = s_.ProbeSerialNo;
            }
            s_.LaserStep = 4;
            send("s", 100);
            break;
        case 4:
            if (!fiber::IsUnitStatus(d)) {
                SetLaserLostCommunications(kStartFailedStatus);
                return;
            }
            probe_.InputStr2(d);
            view_.Process7300Format();
            send("S", 30);
            s_.LaserStep = 5;
            break;
        default:
            if (!fiber::IsData(d)) {
                SetLaserLostCommunications(kStartFailedData);
                return;
            }
            if (!fiber::IsNoData(d)) {
                probe_.InputStr2(d);
                view_.Process7300Format();
                ++s_.RepliesProcessed;
                send("S", readTimer_.Interval());
                ++s_.LaserStep;
                if (s_.LaserStep >= 9) {
                    s_.LaserState = kLaserRunning;
                    view_.StartProgressBar(false, 0);
                }
            } else {
                ++s_.LaserStep;
                if (s_.LaserStep < 9) {
                    send("S", readTimer_.Interval());
                } else {
                    s_.LaserState = kLaserSwitchingOff;
                    EndLaser();
                    view_.StartProgressBar(false, 0);
                    view_.StatusText(kStartNoData);
                }
            }
            break;
        }
        readTimer_.Enabled(true);
    } catch (const SerialError& e) {
        HandleReadError(e.Number());
    } catch (const std::exception&) {
        HandleReadError(0);
    }
}

void ReadCycle::SetLaserLostCommunications(const std::string& why) {
    s_.RthresEnabled = 0;
    try {
        link_.RThreshold(0);
    } catch (const std::exception&) {
        // The port may be gone; the start is abandoned regardless.
    }
    view_.StartProgressBar(false, 0);
    s_.LastProbeCalDate.clear();
    s_.LastProbeSerialNo.clear();
    readTimer_.Enabled(false);
    readTimer_.Interval(50);
    s_.LaserState = kLaserOff;
    // A start that failed part-way must not leave its last reading on screen as if live, nor
    // the laser on with nobody reading.
    EndLaser();
    LaserOffNow();
    if (!why.empty()) {
        view_.StatusText(why);
    }
}

void ReadCycle::LaserOffNow() {
    try {
        if (link_.IsOpen()) {
            link_.Output(fiber::Command(fiber::kCmdLaserOff));
        }
    } catch (const std::exception&) {
        // A unit that is gone has no laser to switch off.
    }
}

void ReadCycle::EndLaser() {
    UploadPointer(false);
    probe_.LostComm(1);
    view_.ClearDisplay();
    s_.ChangeDisplayFlag = 1;
    Drain();
    s_.ProbeData.clear();
}

bool ReadCycle::Whole(const std::string& reply) const {
    return StartsWith(reply, ":") &&
           (reply.size() == static_cast<size_t>(s_.ProbeStrLeng) || IsRefusal(reply));
}

void ReadCycle::UploadPointer(bool busy) {
    if (busy != uploadBusy_) {
        uploadBusy_ = busy;
        view_.BusyPointer(busy);
    }
}

void ReadCycle::SendRaw(const std::string& text) {
    link_.Output(text);
}

} // namespace vireon
