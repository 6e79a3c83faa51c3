#include "display/core/Face.h"

#include <algorithm>

namespace vireon {

namespace {
constexpr int32_t kCyan = RGB(0, 255, 255);
constexpr int32_t kLightGrey = RGB(192, 192, 192);
constexpr int32_t kGrey = RGB(128, 128, 128);
constexpr double kStatusColumn = 6240;
} // namespace

void Face::StatusText(const std::string& text) {
    s_.RefreshCnt = 0;
    v_.StatusText(text);
}

void Face::ClearDisplay() {
    s_.ReadingsLive = false;
    v_.Text(Ctl::LabXYZField, "No Probe");
    for (Ctl c : {Ctl::LabXField, Ctl::LabYField, Ctl::LabZField}) {
        v_.Text(c, "");
    }
    for (Ctl c : {Ctl::LabXAxis, Ctl::LabYAxis, Ctl::LabZAxis}) {
        v_.Visible(c, false);
    }
    v_.Text(Ctl::LabLaserCur, "");
    s_.ChangeDisplayFlag = 0;
    v_.Visible(Ctl::LabUnits, false);
    v_.Text(Ctl::LabUnits, "units");
    v_.Place(Ctl::ShapeBatLevel, {kStatusColumn + s_.BatteryGaugeLeft, 270, 0, 240});
    v_.BackColor(Ctl::ShapeBatLevel, kCyan);
    // An empty gauge would read as a flat battery: none is shown until a reply tells.
    s_.BatteryKnown = false;
    for (Ctl c : {Ctl::ShapeBatBackground, Ctl::ShapeBatTip, Ctl::ShapeBatLevel}) {
        v_.Visible(c, false);
    }
    v_.Text(Ctl::LabBattery, "");
    v_.Visible(Ctl::LabBattery, true);
    v_.Text(Ctl::LabTemp, "");
    v_.Visible(Ctl::LabSamRate, false);
    v_.Text(Ctl::LabRange, "");
    v_.Visible(Ctl::LabOverRange, false);
    v_.Visible(Ctl::LabUnderRange, false);
    StatusText("");
    for (int i = 2; i <= 4; ++i) {
        v_.Visible(BaudEntry(i), false);
    }
    probe_.LostComm(1);
    for (Ctl c : {Ctl::LabXAxis, Ctl::LabYAxis, Ctl::LabZAxis}) {
        v_.ForeColor(c, kLightGrey);
    }
    bar_.DrawBarXYZ(0);
    bar_.DrawBarX(0);
    bar_.DrawBarY(0);
    bar_.DrawBarZ(0);
    if (s_.Graph.LayoutReady && s_.Graph.LiveDisplay) {
        s_.Graph.SweepPos = 1;
        graph_.Graph(1);
    }
    for (Act a : {Act::mnuCommASCII, Act::mnuCommARM, Act::mnuCommARProbe}) {
        v_.Enabled(a, true);
    }
    for (int i = 0; i <= 12; ++i) {
        v_.ForeColor(LabAxisRange(i), kGrey);
    }
    v_.Text(Ctl::LabLasTemp, "");
    v_.Text(Ctl::LabConVolt, "");
}

void Face::ChanColorIndicator() {
    v_.BackColor(Ctl::ShapeX, graph_.GetChanLineColour(3));
    v_.BackColor(Ctl::ShapeY, graph_.GetChanLineColour(4));
    v_.BackColor(Ctl::ShapeZ, graph_.GetChanLineColour(5));
}

void Face::ToolBarSwitch() {
    s_.ToolBarOn = !s_.ToolBarOn;
    v_.Checked(Act::mnuViewToolbar, s_.ToolBarOn);
    v_.ToolBarVisible(s_.ToolBarOn);
}

void Face::StatusBarSwitch() {
    s_.StatusBarOn = !s_.StatusBarOn;
    v_.Checked(Act::mnuViewStatusBar, s_.StatusBarOn);
    v_.StatusBarVisible(s_.StatusBarOn);
    ResizeForm();
}

// Positions in twips on the client area. The readouts fill the band above the bar graph, whose
// top is fixed; the time graph takes the rest of the height.
void Face::LayoutControls() {
    const double w = v_.ClientWidth();
    const double h = v_.ClientHeight();
    auto place = [this](Ctl c, double l, double t, double wd, double ht) {
        v_.Place(c, {l, t, std::max(0.0, wd), std::max(0.0, ht)});
    };
    place(Ctl::ShaMain, 120, 120, 5880, 6120);
    place(Ctl::LabInString, 240, 180, 5600, 300);
    place(Ctl::LabXYZField, 240, 480, 4100, 900);
    place(Ctl::LabUnits, 4440, 720, 1500, 480);
    place(Ctl::LabPeak, 3600, 1440, 700, 300);
    place(Ctl::LabMaxXYZ, 4300, 1440, 1600, 300);
    const Ctl rows[3][4] = {{Ctl::LabXLab, Ctl::LabXField, Ctl::ShapeX, Ctl::LabMaxX},
                            {Ctl::LabYLab, Ctl::LabYField, Ctl::ShapeY, Ctl::LabMaxY},
                            {Ctl::LabZLab, Ctl::LabZField, Ctl::ShapeZ, Ctl::LabMaxZ}};
    for (int i = 0; i < 3; ++i) {
        const double y = 1860 + i * 540;
        place(rows[i][0], 240, y, 400, 480);
        place(rows[i][1], 640, y, 2300, 480);
        place(rows[i][2], 3060, y + 150, 240, 200);
        place(rows[i][3], 3600, y + 90, 2300, 300);
    }
    place(Ctl::LabXAxis, 240, 3540, 400, 300);
    place(Ctl::LabYAxis, 700, 3540, 400, 300);
    place(Ctl::LabZAxis, 1160, 3540, 400, 300);
    place(Ctl::LabRange, 240, 3960, 1100, 300);
    place(Ctl::LabRangeText, 1400, 3960, 900, 300);
    for (int i = 0; i <= 12; ++i) {
        const int row = i == 0 ? 0 : (i - 1) / 4;
        const int col = i == 0 ? 4 : (i - 1) % 4;
        place(LabAxisRange(i), 2500 + col * 360, 3960 + row * 330, 330, 300);
    }
    place(Ctl::LabOverRange, 4400, 3960, 1500, 300);
    place(Ctl::LabUnderRange, 4400, 4290, 1500, 300);
    place(Ctl::CmdStart, 240, 5040, 1300, 450);
    place(Ctl::CmdOff, 1660, 5040, 1300, 450);
    place(Ctl::ProgressBar1, 240, 5640, 5640, 300);

    // Status column right of the readouts.
    const double x = kStatusColumn;
    place(Ctl::ShapeFormColor2, 6120, 120, w >= 6120 + 120 ? w - 6120 - 120 : 0, 6120);
    place(Ctl::LabBattery, x + 120, 240, 900, 300);
    // The gauge's frame around its 495 twips, the tip on the right where a full bar ends.
    const double gauge = x + s_.BatteryGaugeLeft;
    place(Ctl::ShapeBatBackground, gauge - 30, 240, 495 + 60, 300);
    place(Ctl::ShapeBatTip, gauge + 495 + 30, 315, 60, 150);
    const Ctl pairs[][2] = {{Ctl::LabTempLab, Ctl::LabTemp},
                            {Ctl::LabLaserCurLab, Ctl::LabLaserCur},
                            {Ctl::LabLasTempLab, Ctl::LabLasTemp},
                            {Ctl::LabConVoltLab, Ctl::LabConVolt},
                            {Ctl::LabSamSecLab, Ctl::LabSamRate}};
    for (int i = 0; i < 5; ++i) {
        place(pairs[i][0], x + 120, 660 + i * 360, i == 3 ? 1100 : 1000, 300);
        place(pairs[i][1], x + 1500, 660 + i * 360, 1800, 300);
    }
    place(Ctl::CmbSampleRate, x + 120, 2580, 1100, 330);
    place(Ctl::cmbSamPerDiv, x + 1320, 2580, 1100, 330);
    place(Ctl::CmbVerticalScale, x + 2520, 2580, 1900, 330);
    place(Ctl::ShapeRecordInd, x + 120, 3120, 240, 240);
    place(Ctl::LabRecord, x + 420, 3090, 600, 300);
    place(Ctl::LabRecordCntLab, x + 1200, 3090, 900, 300);
    place(Ctl::LabRecordCnt, x + 2100, 3090, 1500, 300);

    // Panel behind the graphs, sized with the window.
    place(Ctl::ShapeFormColor3, 60, 6300, w - 120, h - 6360);

    // Moving-average band, bar graph and time graph.
    const bool exposure = v_.Checked(Act::mnuViewExposure);
    place(Ctl::ShaExposure, 120, 6360, w - 240, 1560);
    place(Ctl::LabExposure1, 240, 6420, 2000, 300);
    place(Ctl::LabMinAver, 2400, 6420, 1500, 300);
    place(Ctl::LabExposure, 240, 6840, 4000, 600);
    place(Ctl::LabElasedTime, 4400, 6840, 1500, 300);
    const double pic3Top = exposure ? 8040 : 6360;
    const double pic3Height = 1500;
    const double pic3Width = w - 120 - 120;
    place(Ctl::Picture3, 120, pic3Top, pic3Width, pic3Height);
    const bool bar = s_.Graph.BarGraphVisible && pic3Width >= 1200;
    v_.Visible(Ctl::Picture3, bar);
    const double pic1Top = pic3Top + (bar ? pic3Height + 120 : 0);
    const double status = s_.StatusBarOn ? 345 : 0;
    if (pic1Top + 1500 >= h + status + 465) {
        v_.Visible(Ctl::Picture1, false);
    } else {
        place(Ctl::Picture1, 120, pic1Top, w - 240, h - pic1Top - 120);
        v_.Visible(Ctl::Picture1, s_.Graph.ScatterGraphVisible);
    }
    const double listHeight = std::max(2400.0, v_.Placed(Ctl::Picture1).Height - 800);
    place(Ctl::LstHeader, w - 3120, pic1Top, 3000, listHeight);
}

// The full layout after a resize: controls, then the graphs redrawn at their new size.
void Face::ResizeForm() {
    if (v_.Minimized()) {
        return;
    }
    s_.Graph.LayoutReady = true;
    v_.StatusBarVisible(false);
    LayoutControls();
    setup_.SetUpBarGraph();
    v_.Surface(Ctl::Picture1).Clear();
    s_.Graph.SweepPos = 1;
    const double width = v_.Surface(Ctl::Picture1).ScaleWidth();
    const double height = v_.Surface(Ctl::Picture1).ScaleHeight();
    graph_.Height(static_cast<int16_t>(std::clamp(height - 100, 0.0, 32767.0)));
    graph_.Width(static_cast<int16_t>(std::clamp(width - 100, 0.0, 32767.0)));
    graph_.Left(100);
    graph_.Top(100);
    graph_.Clear();
    if (s_.Graph.LiveDisplay) {
        graph_.Graph(1);
    } else {
        graph_.Graph(0);
        graph_.DrawLines();
    }
    v_.StatusBarVisible(s_.StatusBarOn);
}

} // namespace vireon
