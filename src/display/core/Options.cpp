#include "display/core/Options.h"

#include "common/numfmt.h"
#include "graph/DrawingSurface.h"

#include <cmath>

namespace vireon {

namespace {

// The averaging times and their windows in seconds.
constexpr std::pair<const char*, int> kMinAver[] = {
    {"10 Second", 10}, {"30 Second", 30},  {"1 Minute", 60},    {"3 Minute", 180},
    {"6 Minute", 360}, {"10 Minute", 600}, {"20 Minute", 1200}, {"30 Minute", 1800}};

int WindowSeconds(const std::string& text) {
    for (const auto& [name, seconds] : kMinAver) {
        if (text == name) {
            return seconds;
        }
    }
    return 0;
}

// A whole, positive number in a box, or nothing.
std::optional<int> Positive(const std::string& text) {
    const double v = Val(text);
    if (!(v >= 1) || v > 32767) {
        return std::nullopt;
    }
    return static_cast<int>(std::lround(v));
}

} // namespace

OptionsForm Options::Load() const {
    OptionsForm f;
    f.TextRate = std::to_string(s_.GITDisplayUpdate);
    f.MinAverText = s_.MinAverText;
    f.HorizontalLines = s_.DisplayHorLinesFlag == 1;
    f.MatchBars = s_.MatchBarGraphToScatt == 1;
    f.MinorDivisions = graph_.LogScaleMinOn() != 0;
    f.Period = std::to_string(s_.PeriodicInterval);
    f.Periodic = s_.PeriodicIntervalEnabled == 1;
    f.Averaging = std::to_string(s_.GITxtAverage);
    f.X = graph_.GetChanLineColour(3);
    f.Y = graph_.GetChanLineColour(4);
    f.Z = graph_.GetChanLineColour(5);
    f.Total = graph_.GetChanLineColour(2);
    f.Back = graph_.BackGround();
    f.Grid = graph_.GridLineColor();
    f.MinGrid = graph_.MinLineColor();
    f.Text = s_.TextColor;
    f.Box = s_.BoxColor;
    f.Window = s_.FormBackColor;
    f.MinAverEnabled = !minAve_.Enabled();
    return f;
}

std::vector<std::string> Options::AveragingList() {
    return {"1", "5", "10", "15", "20", "30", "35", "45", "50"};
}

std::vector<std::string> Options::MinAverList() {
    std::vector<std::string> list;
    for (const auto& entry : kMinAver) {
        list.emplace_back(entry.first);
    }
    return list;
}

std::vector<std::string> Options::PeriodList(const std::string& minAverText) {
    std::vector<std::string> list;
    for (int m = static_cast<int>(Val(minAverText)) + 1; m <= 180; ++m) {
        list.push_back(std::to_string(m));
    }
    return list;
}

std::string Options::MinAverLabel(const std::string& minAverText) {
    const bool oneDigit = minAverText.size() > 1 && minAverText[1] == ' ';
    return minAverText.substr(0, oneDigit ? 5 : 6) + ".";
}

void Options::DefaultColors(OptionsForm& f) {
    f.Back = RGB(0, 0, 64);
    f.Total = RGB(255, 0, 0);
    f.X = RGB(0, 255, 0);
    f.Y = RGB(255, 0, 255);
    f.Z = RGB(255, 255, 0);
    f.Grid = RGB(79, 79, 79);
    f.MinGrid = RGB(47, 47, 47);
    f.Text = RGB(0, 255, 255);
    f.Box = RGB(0, 0, 0);
    f.Window = RGB(222, 202, 174);
    f.ColorsChanged = 1;
    f.MatchBars = false;
    s_.MatchBarGraphToScatt = 0;
}

void Options::EditPrompts() {
    if (EditNotePrompts) {
        EditNotePrompts();
    }
}

void Options::Apply(OptionsForm& f) {
    std::string kept;
    auto keep = [&kept](const char* what, const std::string& typed, const std::string& value) {
        kept += std::string(kept.empty() ? "" : " ") + what + " \"" + typed + "\" is not usable; " +
                value + " kept.";
    };
    if (ReloadNotes) {
        ReloadNotes();
    }
    // Graph lines: minor divisions only on horizontal lines.
    s_.DisplayHorLinesFlag = f.HorizontalLines ? 1 : 2;
    graph_.DisHorLines(f.HorizontalLines ? 1 : 0);
    graph_.LogScaleMinOn(static_cast<int16_t>(f.HorizontalLines && f.MinorDivisions ? 1 : 0));
    f.MinorDivisions = graph_.LogScaleMinOn() != 0;

    // A period must be a number of minutes longer than the averaging window.
    const auto period = Positive(f.Period);
    if (period && *period * 60 > WindowSeconds(f.MinAverText)) {
        s_.PeriodicInterval = static_cast<int16_t>(*period);
    } else {
        keep("Period", f.Period, std::to_string(s_.PeriodicInterval) + " minutes");
    }
    f.Period = std::to_string(s_.PeriodicInterval);
    s_.PeriodicIntervalEnabled = f.Periodic ? 1 : 0;

    // A rate of 0 or no number would divide by zero in the throttle.
    if (const auto rate = Positive(f.TextRate)) {
        rates_.SetTextUpdateTimer(static_cast<int16_t>(*rate));
    } else {
        keep("Text update rate", f.TextRate, std::to_string(s_.GITDisplayUpdate) + " per second");
    }
    f.TextRate = std::to_string(s_.GITDisplayUpdate);

    if (const auto averaging = Positive(f.Averaging)) {
        s_.GITxtAverage = static_cast<int16_t>(std::min(*averaging, 50));
        kd_.Averaging(static_cast<uint8_t>(s_.GITxtAverage));
        probe_.Average(s_.GITxtAverage);
    } else {
        keep("Averaging", f.Averaging, std::to_string(s_.GITxtAverage));
    }
    f.Averaging = std::to_string(s_.GITxtAverage);

    if (WindowSeconds(f.MinAverText) > 0 && !minAve_.Enabled()) {
        s_.MinAverText = f.MinAverText;
        if (SetMinuteAverTime) {
            SetMinuteAverTime();
        }
    }
    f.MinAverText = s_.MinAverText;

    graph_.SetChanLineColour(2, f.Total);
    graph_.SetChanLineColour(3, f.X);
    graph_.SetChanLineColour(4, f.Y);
    graph_.SetChanLineColour(5, f.Z);
    face_.ChanColorIndicator();
    readouts_.ChangeTextColor(f.Text);

    s_.MatchBarGraphToScatt = f.MatchBars ? 1 : 0;
    bar_.BarXYZColor(f.MatchBars ? f.Total : f.Text);
    bar_.BarXColor(f.MatchBars ? f.X : f.Text);
    bar_.BarYColor(f.MatchBars ? f.Y : f.Text);
    bar_.BarZColor(f.MatchBars ? f.Z : f.Text);

    s_.FormBackColor = f.Window;
    v_.BackgroundColor(f.Window);
    for (Ctl form : {Ctl::ShapeFormColor2, Ctl::ShapeFormColor3}) {
        v_.BackColor(form, f.Window);
    }

    graph_.MinLineColor(f.MinGrid);
    graph_.BackGround(f.Back);
    graph_.GridLineColor(f.Grid);
    DrawingSurface& picture1 = v_.Surface(Ctl::Picture1);
    picture1.ForeColor(f.Text);
    picture1.BackColor(f.Box);

    s_.Graph.SweepPos = 1;
    v_.Surface(Ctl::Picture3).BackColor(f.Box);
    s_.Graph.AppliedScale.clear(); // the new colours need the scale drawn again
    setup_.SetUpGraphScale();
    for (Ctl box : {Ctl::ShaMain, Ctl::ShaExposure}) {
        v_.BackColor(box, f.Box);
    }
    s_.BoxColor = f.Box;
    setup_.DrawGraph();
    setup_.SetUpBarGraph();
    if (!kept.empty()) {
        face_.StatusText(kept);
    }
}

} // namespace vireon
