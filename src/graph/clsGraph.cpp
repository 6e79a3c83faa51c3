#include "graph/clsGraph.h"

#include "common/numfmt.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace vireon {

namespace {

constexpr int32_t kGrey = RGB(128, 128, 128);
constexpr int32_t kYellow = RGB(255, 255, 0);
constexpr int32_t kWhite = RGB(255, 255, 255);
constexpr int32_t kRed = RGB(255, 0, 0);

// int(x): the largest integer not above x.
double IntPart(double v) {
    return std::floor(v);
}

// Largest index the 32-bit loops and conversions can use without overflow.
int32_t ToIndex(double v) {
    if (!std::isfinite(v)) {
        return v > 0 ? std::numeric_limits<int32_t>::max() : std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(std::clamp(v, -2.0e9, 2.0e9));
}

bool IsWhole(float v) {
    return std::isfinite(v) && v == std::floor(v);
}

} // namespace

clsGraph::clsGraph() : data_(static_cast<size_t>(kRows) * (kNoTraces + 1), 0.0F) {
    const std::array<int32_t, 7> colours = {0,
                                            RGB(0, 0, 255),
                                            RGB(0, 255, 0),
                                            RGB(0, 255, 255),
                                            RGB(255, 0, 0),
                                            RGB(255, 0, 255),
                                            RGB(255, 255, 0)};
    chanColour_ = colours;
    xAxisAssign_.fill(1);
    xAxisAssign_[0] = 0;
}

// ---- sample store ----

void clsGraph::WriteData(int16_t index, int16_t trace, float value) {
    if (!ValidIndex(index) || trace < 1 || trace > kNoTraces) {
        return;
    }
    Cell(index, trace) = value;
    sampleCount_ = std::max(sampleCount_, index);
    traceLastIndex_[trace] = std::max(traceLastIndex_[trace], index);
}

float clsGraph::ReadData(int16_t index, int16_t trace) const {
    if (!ValidIndex(index) || trace < 1 || trace > kNoTraces) {
        return 0.0F;
    }
    return Cell(index, trace);
}

void clsGraph::EraseData() {
    std::fill(data_.begin(), data_.end(), 0.0F);
    traceLastIndex_.fill(0);
    sampleCount_ = 0;
}

int16_t clsGraph::TraceLastIndex(int16_t trace) const {
    return ValidTrace(trace) ? traceLastIndex_[trace] : 0;
}

// ---- trace tables ----

void clsGraph::TraceSet(int16_t trace, int16_t bit) {
    if (!ValidTrace(trace) || bit < 1 || bit > 16) {
        return;
    }
    traceFlags_[trace] = static_cast<int16_t>(traceFlags_[trace] | (1 << (bit - 1)));
    if (bit < 5) {
        traceFlags_[trace] = static_cast<int16_t>(traceFlags_[trace] | 32);
    }
}

void clsGraph::TraceClear(int16_t trace, int16_t bit) {
    if (bit == -1 || bit == -2) {
        const int mask = bit == -1 ? 0x7FC0 : 0x7FBF;
        for (int t = 1; t <= kNoTraces; ++t) {
            traceFlags_[t] = static_cast<int16_t>(traceFlags_[t] & mask);
        }
        return;
    }
    if (!ValidTrace(trace) || bit < 1 || bit > 16) {
        return;
    }
    const int keep = ~(1 << (bit - 1));
    if (trace == 0) {
        for (int t = 1; t <= kNoTraces; ++t) {
            traceFlags_[t] = static_cast<int16_t>(traceFlags_[t] & keep);
        }
    } else {
        traceFlags_[trace] = static_cast<int16_t>(traceFlags_[trace] & keep);
    }
}

int16_t clsGraph::TraceQuery(int16_t trace, int16_t bit) const {
    if (!ValidTrace(trace) || bit < 1 || bit > 16) {
        return 0;
    }
    return (traceFlags_[trace] & (1 << (bit - 1))) != 0 ? 1 : 0;
}

int16_t clsGraph::TraceFlags(int16_t trace) const {
    return ValidTrace(trace) ? traceFlags_[trace] : 0;
}

int32_t clsGraph::GetChanLineColour(int16_t trace) const {
    return ValidTrace(trace) ? chanColour_[trace] : 0;
}

void clsGraph::SetChanLineColour(int16_t trace, int32_t colour) {
    if (ValidTrace(trace)) {
        chanColour_[trace] = colour;
    }
}

uint8_t clsGraph::XAxisAssign(int16_t trace) const {
    return ValidTrace(trace) ? xAxisAssign_[trace] : 0;
}

void clsGraph::SetXAxisAssign(int16_t trace, uint8_t source) {
    if (ValidTrace(trace)) {
        xAxisAssign_[trace] = source;
    }
}

std::pair<int16_t, int16_t> clsGraph::LastPoint(int16_t trace) const {
    if (!ValidTrace(trace)) {
        return {0, 0};
    }
    return {lastX_[trace], lastY_[trace]};
}

// ---- properties ----

int16_t clsGraph::Width() const {
    return NearInt16(plotWidth_);
}

void clsGraph::Height(int16_t v) {
    const double h = surface_ != nullptr ? surface_->TextHeight("h") : 0.0;
    plotHeight_ = NearInt16(static_cast<double>(v) - 190.0 - h);
}

void clsGraph::YAxisLogMax(const std::string& text) {
    yAxisLogMax_ = static_cast<float>(Val(text));
}

void clsGraph::SamPerDiv(float v) {
    samPerDiv_ = v;
    zoomOff_ = 0;
}

float clsGraph::ReTraceCnt() const {
    return static_cast<float>(static_cast<double>(noHorDiv_) * samPerDiv_);
}

void clsGraph::SetFirstSample(int32_t index) {
    firstSample_ = index;
    if (index != 1) {
        zoomOff_ = 0;
    }
}

// ---- positions ----

std::optional<double> clsGraph::Log10(double v) {
    if (!(v > 0.0) || !std::isfinite(v)) {
        return std::nullopt;
    }
    return std::log10(v);
}

std::optional<double> clsGraph::CalHorizontalPos(double v) const {
    const double divisor = static_cast<double>(noHorDiv_) * horUnitsPerDiv_;
    if (v == 0.0 || divisor == 0.0) {
        return std::nullopt;
    }
    return (v - horUnitsOffset_) / divisor * plotWidth_ + plotLeft_;
}

std::optional<double> clsGraph::CalHorLogPos(double v) const {
    if (v == 0.0) {
        return std::nullopt;
    }
    return (Log10(v).value_or(0.0) - Log10(horUnitsOffset_).value_or(0.0)) * plotWidth_ /
               HorDivs() +
           plotLeft_;
}

std::optional<double> clsGraph::CalVerLogPos(double v) const {
    if (v == 0.0) {
        return std::nullopt;
    }
    return LogY(v);
}

double clsGraph::Clamp(double v) const {
    // Written as two tests so that an inverted scale still lands on an edge.
    if (v > scaleTop_) {
        v = scaleTop_;
    }
    if (v < scaleBottom_) {
        v = scaleBottom_;
    }
    return v;
}

double clsGraph::LinearY(double v) const {
    return plotBottom_ - IntPart((v - scaleBottom_) * pixPerUnit_);
}

double clsGraph::LogY(double v) const {
    return plotBottom_ - (Log10(v).value_or(0.0) - logScaleBottom_) *
                             static_cast<double>(plotHeight_) / VerDivs();
}

double clsGraph::ValueY(double v) const {
    return graphType_ == 3 ? LogY(v) : LinearY(v);
}

void clsGraph::ResetLastPoints() {
    lastX_.fill(0);
    lastY_.fill(0);
}

// ---- scale and layout ----

void clsGraph::GraphInitialize() {
    if (graphType_ <= 2) {
        const double half = static_cast<double>(noVerDiv_) / 2.0 * verUnitsPerDiv_;
        scaleBottom_ = verUnitsOffset_ - half;
        scaleTop_ = verUnitsOffset_ + half;
        const double span = 2.0 * (scaleTop_ - verUnitsOffset_);
        // A zero span has no scale: every value then sits on the bottom edge.
        pixPerUnit_ = span != 0.0 && std::isfinite(span) ? plotHeight_ / span : 0.0;
    } else {
        scaleTop_ = yAxisLogMax_;
        scaleBottom_ = yAxisLogMax_ / std::pow(10.0, noVerDiv_);
        logScaleBottom_ = Log10(scaleBottom_).value_or(0.0);
    }
    if ((graphType_ == 0 || graphType_ == 3) && zoomOff_ != 1) {
        lastSample_ = ToIndex(static_cast<double>(firstSample_) +
                              static_cast<double>(NearInt32(noHorDiv_ * double{samPerDiv_})));
    } else {
        lastSample_ = sampleCount_;
        firstSample_ = 1;
    }
    zoomCnt_ = 0;
    windowSpan_ = ToIndex(static_cast<double>(lastSample_) - firstSample_);
    if (windowSpan_ < 10) {
        windowSpan_ = 10;
    }
    ResetLastPoints();
}

std::string clsGraph::FormatValue(float v) {
    if (v == 1000000.0F) {
        return "1.0M";
    }
    if (v >= 10000.0F) {
        return GeneralNumber(v / 1000.0F) + "k";
    }
    if (v >= 1000.0F) {
        const float w = v / 1000.0F;
        return GeneralNumber(w) + (IsWhole(w) ? ".0k" : "k");
    }
    if (v == 0.0001F) {
        return "0.1m";
    }
    if (v <= 0.001F) {
        return GeneralNumber(v * 1000.0F) + "m";
    }
    if (v < 1.0F) {
        std::string t = GeneralNumber(v);
        if (!t.empty() && t[0] == '0') {
            t.erase(0, 1);
        }
        return "0" + t;
    }
    if (v < 10.0F) {
        return GeneralNumber(v) + (IsWhole(v) ? ".0" : "");
    }
    return GeneralNumber(v);
}

std::string clsGraph::FormatTimeStr(int16_t i) const {
    const double f = (static_cast<double>(lastSample_) - firstSample_ + 1.0) / HorDivs();
    const double index = IntPart(i * f) + firstSample_;
    if (!(index >= 0 && index <= kMaxNoSamples)) {
        return "";
    }
    const double t = Cell(static_cast<int32_t>(index), TimeTrace());
    const int32_t s = NearInt32(86400.0 * t);
    if (s <= 0) {
        return "";
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d", s / 3600, (s / 60) % 60, s % 60);
    return buf;
}

std::string clsGraph::FormatHorStr(int16_t i) const {
    const double f = (static_cast<double>(lastSample_) - firstSample_) / HorDivs();
    double v = 0.0;
    if (graphType_ == 0) {
        const double pos = i * f;
        const double whole = IntPart(pos);
        const double index = whole + firstSample_;
        if (index >= 0 && index <= kMaxNoSamples) {
            const auto k = static_cast<int32_t>(index);
            const double a = Cell(k, TimeTrace());
            const double b = k < kMaxNoSamples ? Cell(k + 1, TimeTrace()) : a;
            v = a + (b - a) * (pos - whole);
        }
    } else if (graphType_ == 1) {
        v = i * static_cast<double>(horUnitsPerDiv_) + horUnitsOffset_;
    } else if (graphType_ == 2) {
        v = std::pow(10.0, i) * horUnitsOffset_;
    }
    const bool mhz = horUnitsDesc_ == "MHz";
    if (v > 100000000.0) {
        return FormatNumber(v / 1000000.0, "#") + (mhz ? "" : "M");
    }
    if (v > 999999.0) {
        return mhz ? FormatNumber(v / 1000000.0, "#") : FormatNumber(v / 1000000.0, "#.00") + "M";
    }
    if (v > 9999.0) {
        return FormatNumber(v / 1000.0, "#.00") + "k";
    }
    if (v >= 1.0) {
        return FormatNumber(v, "#.0");
    }
    if (v == 0.0) {
        return "0";
    }
    return FormatNumber(v, ".000");
}

void clsGraph::Graph(uint8_t noLabels) {
    if (surface_ == nullptr) {
        GraphInitialize();
        return;
    }
    DrawingSurface& s = *surface_;
    s.AutoRedraw(true);
    GraphInitialize();
    pixPerVerDiv_ = plotHeight_ / VerDivs();
    plotBottom_ = static_cast<double>(top_) + plotHeight_;
    if (hardCopy_ == 0) {
        s.FillBox(left_, top_ - 130.0, static_cast<double>(left_) + width_, plotBottom_ + 300.0,
                  s.BackColor());
    }

    // Vertical labels; their widest text decides where the plot starts.
    double labelWidth = 0.0;
    for (int i = 1; i < noVerDiv_; ++i) {
        const double y = Near(i * pixPerVerDiv_ + top_);
        double v = 0.0;
        if (graphType_ == 3) {
            v = yAxisLogMax_ / std::pow(10.0, i);
        } else {
            v = (noVerDiv_ / 2.0 * verUnitsPerDiv_ + verUnitsOffset_) - i * double{verUnitsPerDiv_};
            const double a = std::fabs(v);
            if (a >= 1.0) {
                v = IntPart(v * 1000.0 + 0.01) / 1000.0;
            } else if (a >= 0.001) {
                v = Near(v * 1000.0) / 1000.0;
            } else {
                v = Near(v * 1000000.0) / 1000000.0;
            }
        }
        const std::string text = FormatValue(static_cast<float>(v));
        s.Print(left_, y - s.TextHeight(text) / 2.0, text);
        labelWidth = std::max(labelWidth, s.TextWidth(text) + 150.0);
    }
    labelWidth = std::max(labelWidth, s.TextWidth(verUnitsDesc_) + 150.0);

    plotLeft_ = left_ + labelWidth + 30.0;
    plotWidth_ = width_ - labelWidth - 220.0;
    const double h = plotWidth_ / HorDivs();
    pixPerSample_ = plotWidth_ / windowSpan_;
    sweepLength_ = NearInt32(noHorDiv_ * double{samPerDiv_});
    plotRight_ = plotLeft_ + plotWidth_;

    if (hardCopy_ == 0) {
        s.FillBox(plotLeft_, top_, plotRight_, plotBottom_, backGround_);
    }
    s.Box(plotLeft_ - 30.0, top_ - 30.0, plotRight_ + 30.0, plotBottom_ + 30.0, s.ForeColor());

    DisplayProbeRange();
    DisplayMark();

    const double t = plotHeight_ * 0.01;
    if (disVerLines_ == 1) {
        for (int i = 1; i < noHorDiv_; ++i) {
            const double x = Near(i * h) + plotLeft_;
            s.Line(x, top_, x, plotBottom_, gridLineColor_);
        }
        const double y1 = Near(plotHeight_ / 2.0 + top_ - t);
        const double y2 = Near(2.0 * t + y1);
        if (graphType_ == 3) {
            DrawVerLogGrid();
        } else {
            const int n = noHorMinDiv_ * noHorDiv_;
            for (int i = 1; i < n; ++i) {
                const double x = Near(i * plotWidth_ / n) + plotLeft_;
                s.Line(x, y1, x, y2, gridLineColor_);
            }
        }
    } else if (disVerLines_ == 2) {
        for (int i = 1; i < noHorDiv_; ++i) {
            const double x = Near(i * h) + plotLeft_;
            s.Line(x, plotBottom_ + 30.0, x, plotBottom_ + 100.0, gridLineColor_);
        }
    }

    if (disHorLines_ == 1) {
        for (int i = 1; i < noVerDiv_; ++i) {
            const double y = Near(i * pixPerVerDiv_ + top_);
            s.Line(plotLeft_, y, plotRight_, y, gridLineColor_);
        }
        if (noVerMinDiv_ > 1) {
            const int n = noVerMinDiv_ * noVerDiv_;
            const double x1 = Near(plotWidth_ / 2.0 + plotLeft_ - t);
            const double x2 = Near(2.0 * t + x1);
            for (int i = 1; i < n; ++i) {
                const double y = Near(static_cast<double>(i) * plotHeight_ / n) + top_;
                s.Line(x1, y, x2, y, gridLineColor_);
            }
        }
    } else if (disHorLines_ == 2) {
        for (int i = 1; i < noVerDiv_; ++i) {
            const double y = Near(i * pixPerVerDiv_ + top_);
            s.Line(plotLeft_ - 100.0, y, plotLeft_ - 30.0, y, kGrey);
        }
    }

    if (noLabels == 0) {
        const bool time = horUnitsDesc_ == "Time";
        for (int i = 1; i < noHorDiv_; ++i) {
            const auto idx = static_cast<int16_t>(i);
            const std::string text = time ? FormatTimeStr(idx) : FormatHorStr(idx);
            const double x = Near(i * h) + plotLeft_;
            if (text != "0") {
                s.Print(x - s.TextWidth(text) / 2.0, plotBottom_ + 100.0, text);
            }
        }
    } else {
        verUnitsDesc_.clear();
    }
    s.Print(left_, top_ - 80.0, verUnitsDesc_);
    s.Print(plotLeft_ - 200.0, plotBottom_ + 100.0, horUnitsDesc_);
}

void clsGraph::DrawVerLogGrid() {
    // With no positive offset the decades never reach the right edge; draw nothing then.
    if (!(horUnitsOffset_ > 0.0F) || !(plotWidth_ > 0.0)) {
        return;
    }
    double decade = 1.0;
    // A bounded walk: a finite plot never needs more than a few hundred decades.
    for (int n = 0; n < 400; ++n) {
        for (int k = 1; k <= 9; ++k) {
            const double x = CalHorLogPos(k * decade * horUnitsOffset_).value_or(0.0);
            if (!(x < plotRight_)) {
                return;
            }
            surface_->Line(x, top_, x, plotBottom_, kGrey);
        }
        decade *= 10.0;
    }
}

void clsGraph::Clear() {
    if (surface_ == nullptr) {
        return;
    }
    surface_->FillBox(left_, top_ - 130.0, static_cast<double>(left_) + width_,
                      static_cast<double>(top_) + plotHeight_ + 300.0, surface_->BackColor());
}

// ---- stored data ----

void clsGraph::PlotPoint(int32_t j, int16_t /*colourIndex*/, int16_t trace) {
    if (surface_ == nullptr || trace < 1 || trace > kNoTraces || std::isnan(plotValue_)) {
        return;
    }
    const double v = Clamp(plotValue_);
    double x = 0.0;
    double y = 0.0;
    // Sample j of the window sits j sample widths from the left edge, as in the live sweep and
    // the horizontal labels.
    switch (graphType_) {
    case 0:
        x = IntPart(j * pixPerSample_) + plotLeft_;
        y = LinearY(v);
        break;
    case 1:
    case 2: {
        y = LinearY(v);
        // The horizontal value of the same sample as the vertical one.
        const int16_t src = static_cast<int16_t>(xAxisAssign_[trace]);
        const int64_t index = static_cast<int64_t>(firstSample_) + j;
        if (index < 0 || index > kMaxNoSamples || src < 1 || src > kNoTraces) {
            return;
        }
        const double hv = Cell(static_cast<int32_t>(index), src);
        x = (graphType_ == 1 ? CalHorizontalPos(hv) : CalHorLogPos(hv)).value_or(0.0);
        break;
    }
    case 3:
        x = IntPart(j * pixPerSample_) + plotLeft_;
        y = LogY(v);
        break;
    default:
        return;
    }
    if (!(x >= plotLeft_ && x <= plotRight_)) {
        return;
    }
    pointDrawn_ = 1;
    const int32_t colour = chanColour_[trace];
    if (connectPts_ != 0) {
        bool connect = true;
        if (connectPts_ == 2) {
            connect = lastX_[trace] <= x;
        } else if (connectPts_ == 3) {
            connect = lastX_[trace] >= x;
        }
        if (connect && lastX_[trace] != 0 && lastY_[trace] != 0) {
            surface_->Line(lastX_[trace], lastY_[trace], x, y, colour);
        }
        lastX_[trace] = NearInt16(x);
        lastY_[trace] = NearInt16(y);
    }
    if (pixelSize_ < 5) {
        surface_->Point(x, y, colour);
    } else {
        for (int r = 5; r <= pixelSize_; r += 5) {
            surface_->Circle(x, y, r, colour);
        }
    }
}

void clsGraph::DrawLines() {
    if (surface_ == nullptr) {
        return;
    }
    const int32_t progressMax = windowSpan_ + 1;
    if (host_ != nullptr) {
        host_->BusyCursor(true);
        host_->ProgressStart(progressMax);
    }
    int64_t drawn = 0;
    int32_t shown = -1;
    for (int16_t trace = 1; trace <= kNoTraces; ++trace) {
        pointDrawn_ = 0;
        lastX_[trace] = 0;
        lastY_[trace] = 0;
        if (TraceQuery(trace, 1) == 0) {
            continue;
        }
        for (int32_t j = 0; j <= windowSpan_; ++j) {
            const int64_t index = static_cast<int64_t>(firstSample_) + j;
            // The store ends at 32000 even when the window reaches beyond it.
            if (index > kMaxNoSamples) {
                break;
            }
            if (index < 0) {
                continue;
            }
            plotValue_ = Cell(static_cast<int32_t>(index), trace);
            ++drawn;
            if (host_ != nullptr) {
                // More than four shown traces would pass the bar's maximum; hold it there.
                const auto value = static_cast<int32_t>(std::min<int64_t>(drawn / 4, progressMax));
                // Only a visible step is passed on, so the bar does not slow the drawing.
                if (value != shown && (int64_t{value} - shown) * 200 >= progressMax) {
                    shown = value;
                    host_->ProgressValue(value);
                }
            }
            PlotPoint(j, 0, trace);
            if (index == sampleCount_) {
                break;
            }
        }
        if (pointDrawn_ == 1) {
            TraceSet(trace, 5);
        }
    }
    ResetLastPoints();
    if (host_ != nullptr) {
        host_->BusyCursor(false);
        host_->ProgressEnd();
    }
}

// ---- live sweep ----

void clsGraph::ScrollErase(int16_t position) {
    if (position == 1) {
        ResetLastPoints();
        hardCopy_ = 0;
    }
    // A sweep of one position (or none) has nowhere to move: it stays at the left edge.
    if (sweepLength_ > 1) {
        sweepX_ = (position - 1.0) / (sweepLength_ - 1.0) * plotWidth_ + plotLeft_;
    } else {
        sweepX_ = plotLeft_;
    }
    if (surface_ == nullptr || !(sweepX_ + pixPerSample_ < plotRight_)) {
        return;
    }
    surface_->FillBox(sweepX_, top_, sweepX_ + pixPerSample_, plotBottom_, backGround_);
    if (disHorLines_ == 1) {
        for (int i = 1; i < noVerDiv_; ++i) {
            const double y = Near(i * pixPerVerDiv_ + top_);
            surface_->Line(sweepX_, y, sweepX_ + pixPerSample_, y, gridLineColor_);
        }
    }
}

void clsGraph::Scroll(int16_t position, float value, int16_t trace) {
    // Any fault loses the point and nothing more.
    // The whole-data type has no live positions.
    if (surface_ == nullptr || trace < 1 || trace > kNoTraces || std::isnan(value) ||
        graphType_ > 3) {
        return;
    }
    const double v = Clamp(value);
    const double y = ValueY(v);
    if (graphType_ == 1 || graphType_ == 2) {
        const int16_t src = static_cast<int16_t>(xAxisAssign_[trace]);
        if (!ValidIndex(position) || src < 1 || src > kNoTraces) {
            return;
        }
        const double hv = Cell(position, src);
        sweepX_ = (graphType_ == 1 ? CalHorizontalPos(hv) : CalHorLogPos(hv)).value_or(0.0);
    }
    if (lastX_[trace] != 0 && lastY_[trace] != 0) {
        surface_->Line(lastX_[trace], lastY_[trace], sweepX_, y, chanColour_[trace]);
    }
    lastX_[trace] = NearInt16(sweepX_);
    lastY_[trace] = NearInt16(y);
}

// ---- zoom ----

void clsGraph::ZoomIn(float x1, float y1, float x2, float y2) {
    const auto insideHeight = [this](double y) { return y >= top_ && y <= plotBottom_; };
    const auto insideWidth = [this](double x) { return x > plotLeft_ && x < plotRight_; };
    if (!insideHeight(y1) || !insideHeight(y2) || !insideWidth(x1)) {
        return;
    }
    const double f1 = (x1 - plotLeft_) / plotWidth_;
    const double h0 = horUnitsOffset_;
    double s = 0.0;
    if (graphType_ == 1) {
        horUnitsOffset_ = static_cast<float>(h0 + noHorDiv_ * double{horUnitsPerDiv_} * f1);
    } else {
        s = IntPart((static_cast<double>(lastSample_) - firstSample_) * f1);
    }
    if (!insideWidth(x2)) {
        zoomCnt_ = 0;
        return;
    }
    const double f2 = (x2 - plotLeft_) / plotWidth_;
    if (graphType_ == 1) {
        horUnitsPerDiv_ = static_cast<float>(
            (h0 + noHorDiv_ * double{horUnitsPerDiv_} * f2 - horUnitsOffset_) / HorDivs());
    } else {
        const double span = static_cast<double>(lastSample_) - firstSample_;
        const double oldFirst = firstSample_;
        firstSample_ = NearInt32(oldFirst + s);
        lastSample_ = NearInt32(IntPart(span * f2) + firstSample_ - s);
        samPerDiv_ =
            static_cast<float>((static_cast<double>(lastSample_) - firstSample_) / HorDivs());
        zoomOff_ = 0;
    }
    Graph(0);
    DrawLines();
    zoomCnt_ = 0;
}

void clsGraph::ZoomOut() {
    zoomOff_ = 1;
    firstSample_ = 1;
    lastSample_ = sampleCount_;
    if (graphType_ != 1) {
        return;
    }
    double hi = -99999999999.0;
    double lo = 1e12;
    bool found = false;
    for (int16_t trace = 1; trace <= kNoTraces; ++trace) {
        if (TraceQuery(trace, 1) == 0) {
            continue;
        }
        const int16_t src = static_cast<int16_t>(xAxisAssign_[trace]);
        if (src < 1 || src > kNoTraces) {
            continue;
        }
        for (int32_t i = 1; i <= sampleCount_; ++i) {
            const double v = Cell(i, src);
            if (!std::isfinite(v)) {
                continue;
            }
            hi = std::max(hi, v);
            if (v != 0.0) {
                lo = std::min(lo, v);
                found = true;
            }
        }
    }
    // Without any nonzero horizontal value there is nothing to fit; keep the scale.
    if (!found) {
        return;
    }
    const double needed = hi - lo;
    double decade = 0.01;
    for (int n = 0; n < 40; ++n, decade *= 10.0) {
        for (int k = 1; k <= 9; ++k) {
            const double step = k * decade;
            if (noHorDiv_ * step >= needed) {
                horUnitsPerDiv_ = static_cast<float>(step);
                horUnitsOffset_ = static_cast<float>(lo);
                return;
            }
        }
    }
    horUnitsOffset_ = static_cast<float>(lo);
}

// ---- alarm marker and range bar ----

void clsGraph::DisplayMark() {
    if (surface_ == nullptr || setMark1_ == 0.0F) {
        return;
    }
    const double y = ValueY(setMark1_);
    if (y >= top_ && y - 1.0 < plotBottom_) {
        surface_->Line(plotLeft_ - 120.0, y, plotLeft_ - 55.0, y, kYellow);
    }
}

void clsGraph::DisplayProbeRange() {
    if (surface_ == nullptr || overRangeVal_ == 0.0F) {
        return;
    }
    DrawingSurface& s = *surface_;
    int32_t colour = kWhite;
    double yo = ValueY(overRangeVal_);
    double yu = ValueY(underRangeVal_);
    if (hardCopy_ == 0) {
        s.FillBox(plotLeft_ - 100.0, top_ - 85.0, plotLeft_ - 50.0, plotBottom_ + 85.0,
                  s.BackColor());
    }
    if (yo < top_) {
        yo = top_ - 2.0;
        colour = kRed;
    }
    if (yu > plotBottom_) {
        yu = plotBottom_ + 2.0;
        colour = kRed;
    }
    s.Line(plotLeft_ - 30.0, top_ - 30.0, plotLeft_ - 30.0, plotBottom_ + 30.0, s.ForeColor());
    if (yu < top_ || yo > plotBottom_) {
        return;
    }
    if (yo + 1.0 > top_) {
        s.Line(plotLeft_ - 85.0, yo, plotLeft_ - 55.0, yo, colour);
    }
    if (yu - 1.0 < plotBottom_) {
        s.Line(plotLeft_ - 85.0, yu, plotLeft_ - 55.0, yu, colour);
    }
    s.Line(plotLeft_ - 85.0, yu, plotLeft_ - 85.0, yo, colour);
}

void clsGraph::EraseProbeRange() {
    if (surface_ == nullptr || hardCopy_ != 0) {
        return;
    }
    surface_->FillBox(plotLeft_ - 100.0, top_ - 85.0, plotLeft_ - 50.0, plotBottom_ + 85.0,
                      surface_->BackColor());
}

} // namespace vireon
