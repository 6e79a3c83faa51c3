#include "display/core/RateControl.h"

#include "common/numfmt.h"

#include <cmath>

namespace vireon {

void RateControl::SetSampleRate(const std::string& rate) {
    if (rate == "Max") {
        s_.MaxSpeedFlag = -1;
        s_.RthresEnabled = 1;
        s_.CommEventRCVD = 0;
        play_.Interval(14);
        return;
    }
    const double value = Val(rate);
    s_.SampleRate = GeneralNumber(static_cast<float>(value));
    if (value <= 0) {
        return;
    }
    probe_.SampleRate(NearInt16(value));
    s_.MaxSpeedFlag = 0;
    play_.Interval(1000.0 / value);
}

std::vector<std::string> RateControl::RateList(bool fast) {
    std::vector<std::string> list;
    if (fast) {
        list = {"125", "111", "100", "90", "83", "76", "71", "66",
                "63",  "59",  "56",  "53", "51", "48", "46"};
    }
    for (int r = fast ? 44 : 20; r >= 1; --r) {
        list.push_back(std::to_string(r));
    }
    list.emplace_back("Max");
    return list;
}

void RateControl::FillSampleRates() {
    v_.Items(Ctl::CmbSampleRate, RateList(Val(s_.SampleRate) > 20));
    v_.Select(Ctl::CmbSampleRate, s_.SampleRate);
}

int16_t RateControl::SetTextUpdateTimer(int16_t perSecond) {
    double period = perSecond > 0 ? std::nearbyint(1000.0 / perSecond) : 14;
    int16_t used = perSecond;
    if (period < 14) {
        period = 14;
        used = 70;
    }
    upDateText_.Interval(period);
    s_.GITDisplayUpdate = used;
    return used;
}

void RateControl::Housekeeping() {
    if (AlarmCheck) {
        AlarmCheck();
    }
    if (s_.LaserState == kLaserStarting) {
        if (s_.StartProgress < 74) {
            ++s_.StartProgress;
        }
        v_.Progress(s_.StartProgress);
    }
    if (s_.RateDivider >= 3) {
        v_.Text(Ctl::LabSamRate, GeneralNumber(static_cast<float>(s_.ActualSamPerSec / 2.0)));
        s_.ActualSamPerSec = 0;
        s_.RateDivider = 0;
    } else {
        ++s_.RateDivider;
    }
    ++s_.RefreshCnt;
    if (Blinkers) {
        Blinkers();
    }
    if (BatteryBlink) {
        BatteryBlink();
    }
    if (s_.RefreshCnt >= 15) {
        face_.StatusText(probe_.LostComm() != 1 ? probe_.GetModel() : std::string());
    }
    if (LogCount) {
        LogCount();
    }
}

} // namespace vireon
