#include "graph/ClsBarGraph.h"

#include "common/numfmt.h"

#include <algorithm>
#include <cmath>

namespace vireon {

namespace {

// Decimal logarithm; values not above 0 have none and count as 0.
double Log10OrZero(double v) {
    return v > 0.0 && std::isfinite(v) ? std::log10(v) : 0.0;
}

bool IsWhole(float v) {
    return std::isfinite(v) && v == std::floor(v);
}

} // namespace

void ClsBarGraph::DrawScale(float bottom, float unitsPerDiv, int16_t noOfDiv, uint8_t type) {
    if (noOfDiv < 1) {
        return;
    }
    bottomOfScale_ = bottom;
    unitsPerDiv_ = unitsPerDiv;
    noOfDiv_ = noOfDiv;
    graphType_ = type;
    DrawScale2();
}

void ClsBarGraph::DrawScale2() {
    if (surface_ == nullptr) {
        return;
    }
    DrawingSurface& s = *surface_;
    const double width = s.ScaleWidth();
    const double height = s.ScaleHeight();
    scaleRight_ = NearInt16(width - 300.0);
    longestBar_ = NearInt16(scaleRight_ - 300.0);

    s.FillBox(barOrigin_, 400, scaleRight_ + 20.0, 1125, s.BackColor());
    for (Bar& b : bars_) {
        b.peakPos = barOrigin_;
    }

    if (graphType_ == 1) {
        topValue_ = static_cast<float>(std::pow(10.0, noOfDiv_) * bottomOfScale_);
        logBottom_ = static_cast<float>(Log10OrZero(bottomOfScale_));
    } else {
        topValue_ = static_cast<float>(noOfDiv_ * double{unitsPerDiv_} + bottomOfScale_);
    }
    pixPerDiv_ = NearInt16(static_cast<double>(longestBar_) / noOfDiv_);

    s.FillBox(0, 0, width, height, s.BackColor());
    s.AutoRedraw(true);

    s.Line(300, 350, 300, 1300, kLightGrey);
    s.Line(300, 1200, scaleRight_, 1200, kLightGrey);
    s.Line(300, 350, scaleRight_, 350, kLightGrey);

    const double d = Near((scaleRight_ - 300.0) / noOfDiv_);
    for (int i = 0; i <= noOfDiv_; ++i) {
        float v = 0.0F;
        if (graphType_ == 1) {
            v = static_cast<float>(std::pow(10.0F, static_cast<float>(i))) * bottomOfScale_;
        } else {
            v = static_cast<float>(i) * unitsPerDiv_ + bottomOfScale_;
        }
        const std::string text = LabelText(v);
        const double x = i * d + 300.0;
        s.Print(x - s.TextWidth(text) / 2.0, i % 2 == 0 ? 100.0 : 1275.0, text);
        s.Line(x, 1200, x, 1250, kLightGrey);
        s.Line(x, 350, x, 300, kLightGrey);
    }

    for (Bar& b : bars_) {
        if (b.peakValue > 0.0F) {
            const auto end = static_cast<int16_t>(
                std::min<int32_t>(barOrigin_ + BarLength(b.peakValue), INT16_MAX));
            s.FillBox(barOrigin_, b.yFrom, end, b.yTo, kLightGrey);
            // The zone just drawn is where later readings continue the peak from.
            b.peakPos = end;
        }
    }
}

std::string ClsBarGraph::LabelText(float v) {
    if (v >= 1000000.0F) {
        return FormatNumber(v / 1000000.0F, "0.0#") + "M";
    }
    if (v >= 10000.0F) {
        const float w = v / 1000.0F;
        return IsWhole(w) ? FormatNumber(w, "0") + "k" : FormatNumber(w, "0.0#") + "k";
    }
    if (v >= 1000.0F) {
        const float w = v / 1000.0F;
        return IsWhole(w) ? FormatNumber(w, "0") + ".0k" : FormatNumber(w, "0.0#") + "k";
    }
    if (v >= 10.0F) {
        return FormatNumber(v, "#");
    }
    if (v >= 1.0F) {
        return FormatNumber(v, "#.0");
    }
    return FormatNumber(v, "0.######");
}

float ClsBarGraph::CalBarLenght(float v) const {
    if (!(v > bottomOfScale_)) {
        return 0.0F;
    }
    if (v >= topValue_) {
        return longestBar_;
    }
    if (graphType_ == 1) {
        return static_cast<float>((Log10OrZero(v) - logBottom_) * pixPerDiv_);
    }
    return static_cast<float>(static_cast<double>(longestBar_) * v / topValue_);
}

int16_t ClsBarGraph::BarLength(float reading) const {
    return reading > bottomOfScale_ ? NearInt16(CalBarLenght(reading)) : int16_t{0};
}

void ClsBarGraph::DrawBar(int bar, float reading) {
    if (surface_ == nullptr || std::isnan(reading)) {
        return;
    }
    Bar& b = bars_.at(static_cast<size_t>(bar));
    const int16_t length = BarLength(reading);
    const int32_t end = barOrigin_ + length;
    if (b.lastReading <= reading) {
        if (length > 0) {
            surface_->FillBox(barOrigin_, b.yFrom, end, b.yTo, b.colour);
        }
    } else if (b.peakPos >= end) {
        surface_->FillBox(end, b.yFrom, b.peakPos, b.yTo, kLightGrey);
    } else if (length > 0) {
        // After a peak reset the zone lies behind the bar's end: the bar itself is redrawn, it
        // must not turn grey.
        surface_->FillBox(barOrigin_, b.yFrom, end, b.yTo, b.colour);
    }
    // The peak is the highest reading since the last reset, rising or falling.
    if (reading > b.peakValue) {
        b.peakValue = reading;
    }
    b.lastReading = reading;
    if (end > b.peakPos) {
        b.peakPos = static_cast<int16_t>(std::min<int32_t>(end, INT16_MAX));
    }
}

void ClsBarGraph::ClearPeak() {
    if (surface_ != nullptr) {
        surface_->FillBox(barOrigin_, 400, scaleRight_ + 20.0, 1125, surface_->BackColor());
    }
    for (Bar& b : bars_) {
        b.peakValue = 0.0F;
        b.peakPos = barOrigin_;
    }
}

} // namespace vireon
