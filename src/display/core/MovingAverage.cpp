#include "display/core/MovingAverage.h"

#include "common/numfmt.h"
#include "display/core/Recorder.h"

#include <cmath>
#include <string_view>

namespace vireon {

namespace {
constexpr std::pair<std::string_view, int16_t> kAverTimes[] = {
    {"10 Second", 10}, {"30 Second", 30},  {"1 Minute", 60},    {"3 Minute", 180},
    {"6 Minute", 360}, {"10 Minute", 600}, {"20 Minute", 1200}, {"30 Minute", 1800}};
constexpr double kNominalMs = 1000;
} // namespace

void MovingAverage::AfterLoad() {
    SetMinuteAverTime();
    shown_ = p_.v.Checked(Act::mnuViewExposure);
    if (shown_) {
        ToggleExposure(true);
        p_.face.AdjustPicture3();
    }
}

std::optional<int16_t> MovingAverage::AverDuration(std::string_view text) {
    for (const auto& [t, duration] : kAverTimes) {
        if (t == text) {
            return duration;
        }
    }
    return std::nullopt;
}

std::optional<std::string_view> MovingAverage::AverText(int32_t seconds) {
    for (const auto& [text, duration] : kAverTimes) {
        if (duration == seconds) {
            return text;
        }
    }
    return std::nullopt;
}

void MovingAverage::SetMinuteAverTime() {
    if (const auto duration = AverDuration(p_.s.MinAverText)) {
        MinAverDuration = *duration;
        // The caption shows the window only when the main window is next activated; a screen
        // reader is told at once.
        p_.v.ReaderName(Ctl::LabMinAver, p_.s.MinAverText);
    } else {
        p_.notices.Show(kBadAverTime, MsgIcon::None);
    }
}

void MovingAverage::ToggleExposure(bool show) {
    p_.v.BackColor(Ctl::ShaExposure, show ? p_.s.BoxColor : p_.s.FormBackColor);
    for (Ctl c : {Ctl::ShaExposure, Ctl::LabExposure, Ctl::LabMinAver, Ctl::LabElasedTime,
                  Ctl::LabExposure1}) {
        p_.v.Visible(c, show);
    }
}

void MovingAverage::MnuViewExposure() {
    if (p_.s.RecordOn != 3) {
        shown_ = !shown_;
        ToggleExposure(shown_);
    }
    // The mark shows the box, whatever Qt did to it on the click.
    p_.v.Checked(Act::mnuViewExposure, shown_);
    p_.face.AdjustPicture3();
}

void MovingAverage::Reset() {
    ElasedOverFlag = 0;
    MinAverTotal = 0;
    MinAverCnt = 0;
    MinAverBuf.fill(0);
}

void MovingAverage::Begin() {
    ExposureTicks = 0;
    ExposureStart = static_cast<float>(p_.clock.SecondsSinceMidnight());
    TickTrim = 0;
    p_.minAve.Interval(kNominalMs);
    p_.minAve.Enabled(true);
}

// Seconds since midnight, a day later when midnight has passed since `start`.
float MovingAverage::NowAfter(float start) const {
    auto now = static_cast<float>(p_.clock.SecondsSinceMidnight());
    return now < start ? now + 86400.0F : now;
}

void MovingAverage::OnTick() {
    WindowState& s = p_.s;
    if (s.RecordOn == 4) {
        if (ExposureStart + s.PeriodicInterval * 60.0F < NowAfter(ExposureStart)) {
            rec_.TogglePause();
        }
        return;
    }
    // Ticks without replies are not samples of the field, nor are those of a link that has
    // not brought a reading since it was lost: the window keeps the readings it has.
    if (s.TimeOut != 0 || !s.ReadingsLive || s.RecordOn != 3) {
        return;
    }
    MinAverCnt = MinAverCnt < MinAverDuration ? static_cast<int16_t>(MinAverCnt + 1) : 1;
    ExposureTicks += 1;
    const auto ticks = static_cast<int32_t>(ExposureTicks);
    const float now = NowAfter(ExposureStart);
    if (ExposureStart + 0.1F + ExposureTicks < now) {
        p_.minAve.Interval(980);
        if (TickTrim == 2) {
            p_.minAve.Interval(kNominalMs);
            TickTrim = 0;
        } else {
            TickTrim = 1;
        }
    }
    if (ExposureStart - 0.1F + ExposureTicks > now) {
        p_.minAve.Interval(1020);
        if (TickTrim == 1) {
            p_.minAve.Interval(kNominalMs);
            TickTrim = 0;
        } else {
            TickTrim = 2;
        }
    }
    if (MinAverCnt == MinAverDuration) {
        p_.desktop.Beep();
        if (s.PeriodicIntervalEnabled == 1) {
            rec_.TogglePause();
        }
        ElasedOverFlag = 1;
    }
    p_.v.Text(Ctl::LabElasedTime, std::to_string(ticks / 3600) + "." +
                                      FormatNumber(ticks % 3600 / 60, "00") + "." +
                                      FormatNumber(ticks % 60, "00"));
    const bool fiber = p_.probe.TypeNumb() == 1;
    const float total = fiber ? p_.kd.XYZ() : p_.probe.XYZAxis();
    float& slot = MinAverBuf[static_cast<size_t>(MinAverCnt)];
    MinAverTotal -= slot;
    slot = total;
    MinAverTotal += total;
    Average = MinAverTotal / static_cast<float>(MinAverDuration);
    // Other families log the total as their readout shows it.
    rec_.AppendAverageRow(fiber ? total : static_cast<float>(Val(p_.probe.XYZAxisStr())), Average);
    p_.v.Text(Ctl::LabExposure, ExposureText(Average));
}

std::string MovingAverage::ExposureText(float average) {
    const char* pattern = average < 1     ? "0.0000"
                          : average < 10  ? "#0.000"
                          : average < 100 ? "##0.00"
                                          : "####0.0";
    return FormatNumber(average, pattern);
}

void MovingAverage::Blink() {
    if (p_.s.RecordOn == 3 && ElasedOverFlag == 1) {
        p_.v.Visible(Ctl::LabMinAver, !p_.v.Visible(Ctl::LabMinAver));
    }
}

} // namespace vireon
