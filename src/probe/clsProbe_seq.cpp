// Command sequencing and identification of the probe families.

#include "common/numfmt.h"
#include "probe/clsProbe.h"
#include "probe/fiber_replies.h"
#include "probe/probe_replies.h"

#include <cmath>

namespace vireon {

namespace {

// First two characters of a reply, or fewer when the reply is shorter.
std::string_view Prefix(const std::string& reply) {
    return std::string_view(reply).substr(0, 2);
}

bool StartsWith(std::string_view text, std::string_view head) {
    return text.substr(0, head.size()) == head;
}

// The command word without its carriage return.
std::string_view Word(const std::string& command) {
    std::string_view w(command);
    if (!w.empty() && w.back() == '\r') {
        w.remove_suffix(1);
    }
    return w;
}

std::string Mid(const std::string& s, size_t pos, size_t len) {
    return pos < s.size() ? s.substr(pos, len) : std::string();
}

} // namespace

clsProbe::clsProbe() : thresholdFraction_(std::sqrt(0.06f)) {
    static constexpr std::array<const char*, 24> kIdent = {
        "",   "R5", "R5", "D2", "R1", "ADEE", "U1", "R1", "D2", "R2", "D2",   "U2",
        "R1", "D2", "R2", "D2", "U3", "R3",   "D2", "U1", "R4", "D2", "AEEE", "R1"};
    for (size_t i = 1; i < kIdent.size(); ++i) {
        idCmnd_[i] = std::string(kIdent[i]) + '\r';
    }

    static constexpr std::array<std::array<const char*, 3>, 5> kRanges = {{
        {"0-10", "0-100", "0-0.03"},
        {"0-35", "0-1000", "0-0.3"},
        {"0-100", "0-10k", "0-3"},
        {"0-350", "0-100k", "0-30"},
        {"0-1000", "0-1M", "0-300"},
    }};
    for (int16_t r = 1; r <= 5; ++r) {
        for (int16_t u = 1; u <= 3; ++u) {
            rangeText_[cell(u, r)] = kRanges[r - 1][u - 1];
        }
    }
    logText_[1] = "Log 0.1-1000";
    logText_[2] = "Log 10-100k";
    logText_[3] = "Log 0.001-100";
    for (int16_t c = 0; c <= 5; ++c) {
        for (int16_t r = 1; r <= 5; ++r) {
            scaleFactor_[cell(r, c)] = 1;
        }
    }
}

void clsProbe::SetHost(ProbeHost* host) {
    host_ = host;
}

ProbeHost& clsProbe::Host() const {
    static NullProbeHost none;
    return host_ != nullptr ? *host_ : none;
}

void clsProbe::Message(const std::string& text, ProbeMsgIcon icon) {
    Host().MsgBox(text, icon);
}

void clsProbe::Delay(int32_t ms) {
    Host().Delay(ms);
}

int16_t clsProbe::InputStr2(const std::string& reply) {
    GetNextCmnd(reply);
    return InputStr(reply);
}

std::string clsProbe::GetNextCmnd(const std::string& reply) {
    if (!reply.empty() && reply[0] == ':') {
        lostComm_ = 0;
    }
    if (lostComm_ == 1) {
        if (startARProbe_ != 1) {
            SetCurr("I");
        } else {
            currCmnd_ = std::string(1, '\0') + '\r';
        }
        typeNumb_ = 0;
    }
    switch (typeNumb_) {
    case 0:
        GetNextCmndUnknown(reply);
        break;
    case 1:
        GetNextCmndFiber(reply);
        break;
    case 2:
        GetNextCmnd52xx(reply);
        break;
    case 3:
        GetNextCmndEH(reply);
        break;
    default:
        break;
    }
    SetReplyExpectation();
    lastCmnd_ = currCmnd_;
    return currCmnd_;
}

void clsProbe::GetNextCmndUnknown(const std::string& reply) {
    const std::string_view p = Prefix(reply);
    if (p == ":N" || (p == ":E" && idRetry_ != 1)) {
        SetCurr("R");
        idRetry_ = 1;
    } else if (p == ":E") {
        SetCurr("I");
        idRetry_ = 0;
    } else if (p == ":S") {
        if (reply.size() == 22) {
            SetCurr("I");
        }
    } else if (p == ":R") {
        typeNumb_ = 2;
        const char c = reply.size() > 2 ? reply[2] : '0';
        const int16_t r = (c >= '1' && c <= '5') ? static_cast<int16_t>(c - '0') : 0;
        if (r != 0) {
            range_ = r;
            idCmnd_[23] = std::string("R") + c + '\r';
        } else {
            // The probe is ranging by itself (or sent no usable digit): take it over in range 3.
            range_ = 3;
            autoRangeOn_ = 1;
            idCmnd_[23] = "R3\r";
        }
        idStep_ = -1;
        idStepIndex_ = 0;
    } else if (p == ":I") {
        if (reply.size() < replies::kIdentMinLen) {
            SetCurr("R");
        } else if (reply.compare(replies::kIdentFamilyPos, 2, "73") == 0) {
            typeNumb_ = 1;
            SetCurr("M");
            model_ = "KD-" + reply.substr(2, 4);
            multiplexAvail_ = 1;
            multiplexOn_ = 1;
            range_ = 1;
            for (int16_t u = 1; u <= 3; ++u) {
                maxRange_[u] = 5;
            }
            SetRangeLimits();
            modelMinInterval_ = 8;
            ComputeReadInterval();
        } else {
            typeNumb_ = 3;
            const std::string digits = reply.substr(replies::kIdentModelPos, 3);
            model_ = (digits[0] == '1' ? "E" : "H") + digits;
            SetCurr("i");
            SetModelDefaults();
        }
    } else if (p == ":A") {
        SetCurr("R");
    } else if (p == ":D") {
        if (reply.size() == replies::kEHDataLen) {
            SetCurr("I");
        }
    }
}

void clsProbe::GetNextCmnd52xx(const std::string& reply) {
    if (idStep_ >= 1) {
        // Identification in progress: walk the table regardless of what came back.
        ++idStepIndex_;
        if (idStepIndex_ < idLastStep_ && idStepIndex_ < static_cast<int16_t>(idCmnd_.size())) {
            currCmnd_ = idCmnd_[static_cast<size_t>(idStepIndex_)];
        } else {
            if (dataInterval_ < 40) {
                dataInterval_ = 40;
            }
            SetCurr("B");
        }
        return;
    }
    const std::string_view p = Prefix(reply);
    if (p == ":D" || p == "#Q") {
        DataReply52xx(reply);
    } else if (p == ":A" || p == "#A") {
        if (axisRangeIndex_ >= 1 && axisRangeIndex_ <= 3) {
            currCmnd_ = axisRangeCmnd_[static_cast<size_t>(axisRangeIndex_ - 1)];
        } else {
            currCmnd_ = defaultCmnd_;
        }
    } else if (p == ":R" || p == "#R") {
        const char c = reply.size() > 2 ? reply[2] : ' ';
        if (c >= '0' && c <= '5') {
            range_ = static_cast<int16_t>(c - '0');
        }
        SetCurr("D2");
        if (unit2FollowUp_ != 0) {
            unit2FollowUp_ = 0;
            SetCurr("U2");
        }
        RecomputeThreshold();
    } else if (p == ":N" || p == "#P") {
        SetCurr("R");
    } else if (p == ":B" || p == "#B") {
        if (model_ == "KD-1902" || model_ == "KD-1836") {
            currCmnd_ = defaultCmnd_;
        } else {
            SetCurr(useCelsiusTemp_ >= 1 ? "TC" : "TF");
        }
    } else if (p == ":T" || p == "#T" || p == ":Z" || p == "#Z" || p == ":P") {
        currCmnd_ = defaultCmnd_;
    } else if (p == ":E" || p == "#E") {
        if (Word(lastCmnd_) == "R") {
            SetCurr("I");
            typeNumb_ = 1;
        } else if (Word(lastCmnd_) == "R5") {
            SetCurr("D2");
        }
    } else if (p == ":S") {
        typeNumb_ = 1;
    } else if (p == ":U" || p == "#U") {
        unitsChangedByProbe_ = 1;
        currCmnd_ = defaultCmnd_;
    }
}

void clsProbe::DataReply52xx(const std::string& reply) {
    fieldValue_ = ScaledNumber(reply);
    const float value = fieldValue_;
    if (arStepCnt_ > 5) {
        arStepCnt_ = 0;
        huntingStop_ = 1;
    }
    const std::string before = currCmnd_;
    const bool over = reply.size() > replies::kDataOverPos && reply[replies::kDataOverPos] == 'O';
    const auto record = [this] {
        if (multiplexOn_ != 0 && multiCurrAxis_ >= 1 && multiCurrAxis_ <= 3) {
            axisRecordedRange_[static_cast<size_t>(multiCurrAxis_ - 1)] = range_;
        }
    };
    if (!over) {
        if (value < underThreshold_) {
            overRangeFlag_ = 0;
            // Range 1 has nothing below it, so a low reading there is not reported.
            underRangeFlag_ = range_ > 1 ? 1 : 0;
            if (autoRangeOn_ != 0) {
                if (range_ <= 1) {
                    record();
                    rangeChangePending_ = 0;
                } else {
                    rangeChangePending_ = 1;
                    currCmnd_ = NumberedCmnd('R', range_ - 1);
                    ++arStepCnt_;
                }
            }
        } else {
            overRangeFlag_ = 0;
            underRangeFlag_ = 0;
            rangeChangePending_ = 0;
            record();
        }
    } else {
        underRangeFlag_ = 0;
        overRangeFlag_ = 1;
        if (autoRangeOn_ != 0 && range_ < GetMaxRange()) {
            currCmnd_ = NumberedCmnd('R', range_ + 1);
            rangeChangePending_ = 1;
            ++arStepCnt_;
        } else {
            // Nowhere higher to go: the reading stands as an over-range reading.
            rangeChangePending_ = 0;
        }
    }
    if (huntingStop_ != 0 && underRangeFlag_ != 0) {
        underRangeFlag_ = 0;
        if (rangeChangePending_ != 0) {
            // Hunting stopped: stay in this range, which does not over-range.
            rangeChangePending_ = 0;
            currCmnd_ = before;
        }
    }
    if (rangeChangePending_ == 0) {
        arStepCnt_ = 0;
        huntingStop_ = 0;
        if (pendingFlag_ != 0 && (multiplexOn_ == 0 || multiCurrAxis_ == 3)) {
            currCmnd_ = pendingCmnd_;
            pendingFlag_ = 0;
        } else if (multiplexOn_ != 0) {
            multiCurrAxis_ = axisCounter_;
            axisCounter_ = axisCounter_ >= 3 ? 1 : static_cast<int16_t>(axisCounter_ + 1);
            static constexpr std::array<const char*, 3> kAxisCmnd = {"AEDD", "ADED", "ADDE"};
            SetCurr(kAxisCmnd[static_cast<size_t>(axisCounter_ - 1)]);
            if (autoRangeOn_ == 0) {
                axisRangeIndex_ = axisCounter_;
            }
        }
    }
}

void clsProbe::GetNextCmndFiber(const std::string& reply) {
    const std::string_view p = Prefix(reply);
    if (p == ":S") {
        switch (speedCode_) {
        case 0:
            if (pendingFlag_ != 0) {
                currCmnd_ = pendingCmnd_;
                pendingFlag_ = 0;
            }
            break;
        case 10:
            SetCurr("F3");
            break;
        case 11:
            SetCurr("F4");
            break;
        case 12:
            SetCurr("F5");
            break;
        default:
            break;
        }
        speedCode_ = 0;
    } else if (p == ":B") {
        SetCurr("S");
    } else if (p == ":F") {
        modelMinInterval_ = StartsWith(reply, ":F1") ? 28 : 14;
        currCmnd_ = Host().AutoNextCmndS(reply.substr(0, 3), reply);
        if (currCmnd_.empty()) {
            // The window has nothing to add after a speed change: go on reading.
            currCmnd_ = "S\r";
        } else if (currCmnd_.back() != '\r') {
            currCmnd_ += '\r';
        }
    } else if (p == ":I") {
        SetCurr("M");
    } else if (p == ":M") {
        if (reply.size() == fiber::kCalLen) {
            std::string next = Host().AutoNextCmndS(":M0", reply);
            if (!next.empty()) {
                currCmnd_ = next.back() == '\r' ? next : next + '\r';
            }
        }
    } else if (p == ":N") {
        SetCurr("I");
    } else if (p == ":T") {
        SetCurr("BP");
    } else if (p == ":E") {
        if (Word(lastCmnd_) == "I") {
            SetCurr("R");
            typeNumb_ = 2;
        } else if (Word(lastCmnd_) == "R") {
            SetCurr("I");
        }
    } else if (p == ":R") {
        typeNumb_ = 2;
    } else {
        SetCurr("S");
    }
}

void clsProbe::GetNextCmndEH(const std::string& reply) {
    const std::string_view p = Prefix(reply);
    if (p == ":D") {
        if (pendingFlag_ != 0) {
            currCmnd_ = pendingCmnd_;
            pendingFlag_ = 0;
        }
    } else if (p == ":B") {
        SetCurr(useCelsiusTemp_ >= 1 ? "TC" : "TF");
    } else if (p == ":i") {
        Delay(1500);
        SetCurr("B");
    } else if (p == ":T" || p == ":Z" || p == ":E") {
        SetCurr("D1");
    }
}

void clsProbe::SetReplyExpectation() {
    const std::string_view w = Word(currCmnd_);
    const bool nul = w.size() == 1 && w[0] == '\0';
    const char first = w.empty() ? ' ' : w[0];
    const bool identifying = idStep_ != 0;
    const auto set = [this](size_t len, int16_t interval) {
        rThreshold_ = static_cast<int16_t>(len);
        timerInterval_ = interval;
    };
    switch (typeNumb_) {
    case 0:
        if (first == 'R') {
            set(4, otherInterval_);
        } else if (nul) {
            set(3, otherInterval_);
        } else if (first == 'I') {
            set(34, 100);
        }
        break;
    case 1: {
        using namespace fiber;
        if (w == kCmdIdentify) {
            set(kIdentLen, 100);
        } else if (w == kCmdData) {
            set(kDataLen, dataInterval_);
        } else if (w == kCmdBatteryProbe) {
            set(kBatteryLen, 100);
        } else if (w.size() == 2 && w[0] == 'F' && w[1] >= '1' && w[1] <= '5') {
            set(kSpeedLen, 100);
        } else if (w == kCmdTemperature) {
            set(kTempLen, 1000);
        } else if (nul) {
            set(kAckLen, 100);
        } else if (w == kCmdCalibration) {
            set(kCalLen, 6000);
        } else if (w == kCmdUnitStatus) {
            set(kStatusLen, dataInterval_);
        }
        break;
    }
    case 2:
        if (first == 'D') {
            set(19, identifying ? otherInterval_ : dataInterval_);
        } else if (first == 'R') {
            set(4, 30);
        } else if (first == 'U' || nul) {
            set(3, 20);
            if (w == "U1" || w == "U2" || w == "U3") {
                trackedUnit_ = static_cast<int16_t>(w[1] - '0');
            } else if (w == "UN") {
                trackedUnit_ = trackedUnit_ >= unitCount_ ? 1 : trackedUnit_ + 1;
            }
        } else if (first == 'A') {
            set(3, 20);
        } else if (first == 'B' || first == 'T') {
            set(8, identifying ? otherInterval_ : dataInterval_);
        } else if (first == 'I') {
            set(34, identifying ? otherInterval_ : dataInterval_);
        }
        break;
    case 3:
        if (first == 'D') {
            set(11, dataInterval_);
        } else if (first == 'B' || first == 'T') {
            set(8, otherInterval_);
        } else if (first == 'i') {
            set(25, otherInterval_);
        }
        break;
    default:
        break;
    }
}

void clsProbe::ComputeReadInterval() {
    double r = sampleRate_ > 0 ? sampleRate_ : 1;
    double d = 0;
    if (typeNumb_ == 2 && multiplexOn_ != 0) {
        r *= 3;
        d = 150;
    }
    const double interval = std::trunc((1000 - d) / r);
    dataInterval_ = static_cast<int16_t>(interval);
    if (dataInterval_ < modelMinInterval_) {
        dataInterval_ = modelMinInterval_;
    }
}

int16_t clsProbe::GetMaxSamRate() const {
    double m = modelMinInterval_;
    if (typeNumb_ == 2 && multiplexOn_ != 0) {
        m = (m + 50) * 3;
    }
    if (m <= 0) {
        return 1000;
    }
    return static_cast<int16_t>(std::trunc(1000 / m));
}

void clsProbe::SampleRate(int16_t value) {
    sampleRate_ = value;
    ComputeReadInterval();
}

void clsProbe::LostComm(uint8_t value) {
    lostComm_ = value;
    if (value == 1) {
        typeNumb_ = 0;
        idStep_ = 0;
        axisCode_.clear();
        unitsCode_.clear();
        model_.clear();
        idLastStep_ = 24;
    }
}

void clsProbe::SetNextCmnd(const std::string& command) {
    std::string cmd = command;
    if (cmd.empty() || cmd.back() != '\r') {
        cmd += '\r';
    }
    pendingFlag_ = 1;
    const std::string_view w = Word(cmd);
    if (model_ == "KD-5233 STE" && (w == "U2" || (w == "UN" && unitsNo_ == 1 && range_ == 4))) {
        // This probe has no range 4 in its squared unit: step down first, then switch.
        pendingCmnd_ = "R3\r";
        unit2FollowUp_ = 1;
    } else {
        pendingCmnd_ = cmd;
    }
}

void clsProbe::SetDefaultCmnd(const std::string& command) {
    defaultCmnd_ = command;
    if (defaultCmnd_.empty() || defaultCmnd_.back() != '\r') {
        defaultCmnd_ += '\r';
    }
}

void clsProbe::EnterModel(const std::string& model) {
    model_ = model;
    SetModelDefaults();
}

void clsProbe::MultiplexPrefered(int16_t value) {
    multiplexPrefered_ = value > 0 ? 1 : 0;
    if (value <= 0) {
        multiCurrAxis_ = 0;
        axisCounter_ = 0;
        multiplexOn_ = 0;
        if (model_ != "KD-7300") {
            SetNextCmnd("AEEE\r");
        }
    } else if (multiplexAvail_ != 0) {
        multiplexOn_ = 1;
    }
    ComputeReadInterval();
    if (typeNumb_ == 2) {
        configChanged_ = 1;
    }
}

int16_t clsProbe::GetAxisRecordedRange(int16_t axis) const {
    return axis >= 1 && axis <= 3 ? axisRecordedRange_[static_cast<size_t>(axis - 1)] : 0;
}

// ---- identification of the four-range family ----

const std::string& clsProbe::ReplyTo(int16_t command) const {
    static const std::string kNone;
    const int idx = command + 1;
    return idx >= 1 && idx < static_cast<int>(idReply_.size()) ? idReply_[static_cast<size_t>(idx)]
                                                               : kNone;
}

std::string clsProbe::UnitCodeOf(int16_t command) const {
    return Mid(ReplyTo(command), replies::kDataUnitsPos, replies::kCodeLen);
}

std::string clsProbe::AxisCodeOf(int16_t command) const {
    return Mid(ReplyTo(command), replies::kDataAxisPos, replies::kCodeLen);
}

void clsProbe::AutoTypeCollect(const std::string& reply) {
    if (idStep_ < 1 || idStep_ >= static_cast<int16_t>(idReply_.size())) {
        idStep_ = 0;
        return;
    }
    idReply_[static_cast<size_t>(idStep_)] = reply;
    // Steps 2 and 3 hold the replies to the two "R5" commands.
    if ((idStep_ == 2 || idStep_ == 3) && StartsWith(reply, ":R5")) {
        idLastStep_ = 4;
    }
    if (idStep_ < idLastStep_) {
        ++idStep_;
        return;
    }
    idStep_ = 0;
    if (idLastStep_ == 4) {
        SetNextCmnd(idCmnd_[23]);
    } else {
        mismatchLog_.clear();
        for (int16_t k = 3; k < idLastStep_; ++k) {
            const std::string& cmd = idCmnd_[static_cast<size_t>(k)];
            const std::string& rep = ReplyTo(k);
            char answered = rep.size() > 1 ? rep[1] : '\0';
            if (answered == 'Q' && rep[0] == '#') {
                answered = 'D'; // "#Q" is the other spelling of a data reply
            }
            if (answered != cmd[0]) {
                mismatchLog_ += std::to_string(k) + "   " + std::string(Word(cmd)) + "   " + rep;
            }
            if (Word(cmd) == "D2" && rep.size() < replies::kDataLen) {
                mismatchLog_ = "D2 String too short";
            }
        }
        if (!mismatchLog_.empty() && !StartsWith(mismatchLog_, "16") &&
            !StartsWith(mismatchLog_, "20")) {
            // Something other than a refused unit 3 or range 4: collect everything again.
            mismatchLog_.clear();
            for (auto& r : idReply_) {
                r.clear();
            }
            idStep_ = 1;
            idStepIndex_ = 0;
            idLastStep_ = 24;
            return;
        }
    }
    idLastStep_ = 24;
    IdentifyProbeModel();
    RestoreUnitsAfterIdentify();
    ComputeReadInterval();
    mismatchLog_.clear();
    for (auto& r : idReply_) {
        r.clear();
    }
}

void clsProbe::IdentifyProbeModel() {
    model_.clear();
    const auto shortTest = [this](const std::string& code) {
        if (code == "   ") {
            model_ = "KD-1902";
            multiplexOn_ = 0;
        } else if (code == "KV ") {
            model_ = "KD-1836";
            multiplexOn_ = 0;
        }
    };
    if (StartsWith(ReplyTo(2), ":R5")) {
        shortTest(UnitCodeOf(3));
    } else if (StartsWith(ReplyTo(1), ":R5")) {
        shortTest(UnitCodeOf(2));
    } else if (UnitCodeOf(8) == " A ") {
        model_ = "KD-5233 LFH";
    } else if (UnitCodeOf(13) == " V2") {
        if (UnitCodeOf(21) == "KV ") {
            model_ = "KD-5233 MSE";
        } else if (UnitCodeOf(15) == "KV2") {
            model_ = "KD-5233 GRE";
        } else if (UnitCodeOf(18) == "MW2") {
            model_ = "KD-5253";
        } else {
            model_ = "KD-5233 HSE";
        }
    } else if (UnitCodeOf(13) == "KV2") {
        model_ = "KD-5233 STE";
    } else if (UnitCodeOf(10) == "MA ") {
        if (AxisCodeOf(10) == "EEE") {
            model_ = "KD-5257";
            multiplexOn_ = 0;
        } else {
            model_ = "KD-5233 HCH";
        }
    } else if (UnitCodeOf(10) == " A " && UnitCodeOf(8) == "MA ") {
        model_ = "KD-5233 CH";
    } else if (UnitCodeOf(18) == "KV2" && StartsWith(ReplyTo(20), ":R4")) {
        if (AxisCodeOf(18) == "DEE") {
            model_ = "KD-5222";
        } else {
            model_ = "KD-5250/5255";
            multiplexOn_ = 0;
        }
    } else if (UnitCodeOf(8) == " V " && UnitCodeOf(18) == "KV2") {
        model_ = "KD-5256";
        multiplexOn_ = 0;
    }
    unitsClass_ = 1;
    if (model_.empty()) {
        Message("Probe type unknown", ProbeMsgIcon::Information);
    }
    SetModelDefaults();
}

void clsProbe::RestoreUnitsAfterIdentify() {
    const std::string code = UnitCodeOf(3);
    int n = 0;
    const std::string& m = model_;
    if (m == "KD-5233 STE" || m == "KD-5233 HSE" || m == "KD-5233 MSE" || m == "KD-5233 GRE" ||
        m == "KD-5253") {
        n = code == " V " ? 1 : (code == " V2" || code == "KV2") ? 2 : code == "MW2" ? 3 : 0;
    } else if (m == "KD-5233 LFH" || m == "KD-5233 CH" || m == "KD-5233 HCH") {
        n = (code == " A " || code == "MA ")   ? 1
            : (code == " A2" || code == "MA2") ? 2
            : code == "MW2"                    ? 3
                                               : 0;
    } else if (m == "KD-5222" || m == "KD-5250/5255" || m == "KD-5256") {
        n = code == " V " ? 1 : code == "MW2" ? 2 : (code == " V2" || code == "KV2") ? 3 : 0;
    } else if (m == "KD-5257") {
        n = (code == " A " || code == "MA ")   ? 1
            : code == "MW2"                    ? 2
            : (code == " A2" || code == "MA2") ? 3
                                               : 0;
    }
    if (n != 0) {
        SetNextCmnd(NumberedCmnd('U', n));
    }
}

void clsProbe::SetModelDefaults() {
    configChanged_ = 1;
    for (int16_t u = 1; u <= 3; ++u) {
        maxRange_[u] = 4;
    }
    unitCount_ = 3;
    unitsNo_ = 1;
    modelMinInterval_ = 50;
    for (int16_t c = 1; c <= 3; ++c) {
        for (int16_t r = 1; r <= 5; ++r) {
            scaleFactor_[cell(r, c)] = 1;
        }
    }
    if (sampleRate_ > 14) {
        sampleRate_ = 14;
    }
    const auto k = [this](int16_t c, std::initializer_list<int16_t> ranges) {
        for (int16_t r : ranges) {
            scaleFactor_[cell(r, c)] = 1000;
        }
    };
    const std::string& m = model_;
    if (m == "KD-1836") {
        k(1, {3, 4, 5});
        maxRange_[1] = 5;
        unitCount_ = 1;
        multiplexAvail_ = 0;
        modelMinInterval_ = 41;
    } else if (m == "KD-1902") {
        k(2, {4, 5});
        maxRange_[1] = 5;
        unitCount_ = 1;
        multiplexAvail_ = 0;
        modelMinInterval_ = 140;
    } else if (m == "KD-5222") {
        k(2, {2, 3, 4});
        multiplexAvail_ = 1;
        modelMinInterval_ = 60;
    } else if (m == "KD-5233 CH") {
        k(1, {2, 3, 4});
        k(2, {2, 3, 4});
        k(3, {4});
        multiplexAvail_ = 1;
    } else if (m == "KD-5233 GRE") {
        k(2, {2, 3, 4});
        multiplexAvail_ = 1;
    } else if (m == "KD-5233 HCH") {
        k(1, {3, 4});
        k(2, {3, 4});
        multiplexAvail_ = 1;
    } else if (m == "KD-5233 HSE") {
        unitCount_ = 2;
        multiplexAvail_ = 1;
    } else if (m == "KD-5233 LFH") {
        k(3, {3, 4});
        multiplexAvail_ = 1;
    } else if (m == "KD-5233 MSE") {
        k(1, {4});
        scaleFactor_[cell(1, 2)] = 0.001f;
        multiplexAvail_ = 1;
    } else if (m == "KD-5233 STE") {
        k(1, {3, 4});
        k(3, {4});
        maxRange_[2] = 3;
        multiplexAvail_ = 1;
    } else if (m == "KD-5250/5255") {
        k(2, {2, 3, 4});
        multiplexAvail_ = 0;
        modelMinInterval_ = 38;
    } else if (m == "KD-5253") {
        k(2, {3, 4});
        multiplexAvail_ = 1;
    } else if (m == "KD-5256") {
        k(1, {3});
        for (int16_t u = 1; u <= 3; ++u) {
            maxRange_[u] = 3;
        }
        multiplexAvail_ = 0;
        modelMinInterval_ = 38;
    } else if (m == "KD-5257") {
        k(1, {3, 4});
        k(2, {3, 4});
        multiplexAvail_ = 0;
        modelMinInterval_ = 38;
    } else if (m == "E150" || m == "H250") {
        range_ = 1;
        for (int16_t u = 1; u <= 5; ++u) {
            maxRange_[u] = 4;
        }
        multiplexAvail_ = 0;
        modelMinInterval_ = 330;
    }
    multiplexOn_ = (multiplexAvail_ != 0 && multiplexPrefered_ != 0) ? 1 : 0;
    if (dataInterval_ < modelMinInterval_) {
        dataInterval_ = modelMinInterval_;
    }
    SetRangeLimits();
}

} // namespace vireon
