// The fiber-optic probe in the main window: its replies sorted by prefix, the window set up for
// it once it has identified itself, and each reading shown on the readouts and graphs.

#include "common/numfmt.h"
#include "display/Twips.h"
#include "display/frmMain.h"
#include "files/ConfigFile.h"
#include "graph/qt/GraphPicture.h"
#include "probe/cls7300.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>

namespace vireon {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(Cp1252ToUtf8(s));
}

const char* const kFastRates[] = {"125", "111", "100", "90", "83", "76", "71", "66",
                                  "63",  "59",  "56",  "53", "51", "48", "46"};

} // namespace

// Replies of the fiber-optic family, sorted by prefix.
void frmMain::Process7300Format() {
    std::string& d = s_.ProbeData;
    if (probe_ && (probe_->TypeNumb() == 2 || probe_->TypeNumb() == 3)) {
        // Other families are decoded by the probe object; its identification of a four-range
        // probe collects these replies.
        s_.TimeOut = 0;
        probe_->InputStr(d);
        return;
    }
    if (d.size() < 2) {
        return;
    }
    const std::string prefix = d.substr(0, 2);
    if (prefix == ":S") {
        s_.TimeOut = 0;
        // A reply cut by the receive event is completed from what follows on the line.
        for (int reads = 0; d.size() < 18 && reads < 21 && p_.link.IsOpen(); ++reads) {
            d += p_.link.Input();
        }
        if (d.size() < 18) {
            return;
        }
        ++s_.ActualSamPerSec;
        batteryLow_ = d[17] == 'F' ? 1 : 0;
        if (d.compare(0, 17, ":S000000000000000") == 0) {
            StatusText("Probe not initialized correctly. " + d);
            return;
        }
        KD7300cls_->ParseCal7300(d);
        if (!KD7300cls_->ZeroRunning()) {
            UpdateVM7300();
        }
    } else if (prefix == ":I") {
        s_.TimeOut = 0;
        fiberProbe_ = 1;
        if (d.size() != 34) {
            return;
        }
        ChangeDisplay();
        s_.ProbeSoftVer = d.substr(6, 10);
        if (s_.BaudRatePreference == "9600,o,7,1" && s_.ProbeSoftVer == "073020030A") {
            for (int i = 2; i <= 4; ++i) {
                BaudEntry(i)->setVisible(true);
            }
        }
        s_.ProbeCalDate = d.substr(24, 2) + "/" + d.substr(26, 2) + "/" + d.substr(28, 4);
        const std::string serial = d.substr(16, 8);
        if (serial != KD7300cls_->ProbeSerialNo()) {
            KD7300cls_->ProbeSerialNo(serial);
            KD7300cls_->ClearRef();
        }
        s_.ProbeSerialNo = serial;
        StatusText("Uploading Data Please Wait...");
    } else if (prefix == ":M") {
        StatusText("KD-7310");
    } else if (prefix == ":s") {
        ProcessSmallS();
    } else if (prefix == ":B" && d.size() >= 4) {
        const int v = std::min(100, HexValue(d.substr(2, 2)).value_or(0));
        if (d.size() == 6) {
            labels_["LabBattery"]->setText(QString::number(v) + " %");
        }
    } else if (prefix == ":T" && d.size() >= 6) {
        if (auto hex = HexValue(d.substr(2, 4))) {
            int v = *hex;
            if ((v & 256) != 0) {
                v -= 512;
            }
            const double c = v / 2.0;
            const bool celsius = probe_->UseCelsiusTemp() > 0;
            labels_["LabTemp"]->setText(Q(FormatNumber(celsius ? c : 9.0 / 5.0 * c + 32, "0.0") +
                                          " " + kDegreeSign + (celsius ? "C" : "F")));
        }
    }
}

// The window rebuilt for the probe that has just identified itself.
void frmMain::ChangeDisplay() {
    const bool fiber = fiberProbe_ == 1;
    displayMode_ = fiber ? 1 : 0;
    if (fiber) {
        SetUp7300();
    }
    const bool other = !fiber;
    labels_["LabRange"]->setVisible(other);
    Menu("mnuProbeUnits52xx")->setVisible(other);
    Menu("mnuProbeUnits7300")->setVisible(fiber);
    Menu("mnuProbeUnits7300")->setEnabled(false);
    BaudEntry(1)->setEnabled(fiber);
    for (const char* l : {"LabXAxis", "LabYAxis", "LabZAxis"}) {
        labels_[l]->setVisible(other);
    }
    for (const char* m : {"mnuCommASCII", "mnuCommARM", "mnuCommARProbe"}) {
        Menu(m)->setEnabled(other);
    }
    LayoutControls();
}

void frmMain::SetUp7300() {
    if (graphSetup_->SetUpGraphScale().value_or(0) == 1) {
        graphSetup_->DrawGraph();
        graphSetup_->SetUpBarGraph();
    }
    labels_["LabUnits"]->show();
    labels_["LabSamRate"]->show();
    const std::string& u = cfg_.ProbeUnits;
    labels_["LabUnits"]->setText(Q(u == "V2/m2"    ? std::string("(V/m)") + kSuperscriptTwo
                                   : u == "mW/cm2" ? std::string("mW/cm") + kSuperscriptTwo
                                                   : std::string("V/m")));
    GRGraph_->OverRangeVal(probe_->GetOverRangeVal());
    GRGraph_->UnderRangeVal(probe_->GetUnderRangeVal());
    for (QLabel* l : labAxisRange_) {
        l->hide();
    }
    labels_["LabRangeText"]->hide();
    CmbSampleRate_->clear();
    for (const char* r : kFastRates) {
        CmbSampleRate_->addItem(r);
    }
    for (int r = 44; r >= 1; --r) {
        CmbSampleRate_->addItem(QString::number(r));
    }
    CmbSampleRate_->addItem("Max");
    std::string rate = s_.SampleRate;
    if (s_.MaxSpeedFlag != 0) {
        rate = "Max";
    } else if (Val(s_.SampleRate) > probe_->GetMaxSamRate()) {
        rate = std::to_string(probe_->GetMaxSamRate());
    } else if (Val(s_.SampleRate) > 35) {
        rate = "35";
        s_.SampleRate = "35";
    }
    const int i = CmbSampleRate_->findText(QString::fromStdString(rate));
    CmbSampleRate_->setCurrentIndex(i >= 0 ? i : CmbSampleRate_->count() - 1);
    graphSetup_->LimitGraphSetting();
    GRGraph_->DisplayProbeRange();
    GRGraph_->DisplayMark();
    Picture1_->update();
}

// One reading of the fiber probe on the readouts and graphs.
void frmMain::UpdateVM7300() {
    const float x = KD7300cls_->Xaxis();
    const float y = KD7300cls_->Yaxis();
    const float z = KD7300cls_->Zaxis();
    const float lower = probe_->LowerLimit();
    const float upper = probe_->UpperLimit();
    if (s_.RefreshProbeFlag == 1) {
        const std::string& u = cfg_.ProbeUnits;
        auto show = [this](const char* label, const std::string& text) {
            labels_[label]->setText(QString::fromStdString(text));
        };
        if (u == "mW/cm2") {
            auto cut = [](std::string t) { return t.substr(0, 8); };
            show("LabXYZField", cut(FormatNumber(KD7300cls_->XYZ(), "0.00000")));
            show("LabXField", cut(FormatNumber(x, "0.000000")));
            show("LabYField", cut(FormatNumber(y, "0.000000")));
            show("LabZField", cut(FormatNumber(z, "0.000000")));
            show("LabMaxXYZ", cut(FormatNumber(KD7300cls_->MaxHoldXYZ(), "0.000000")));
            show("LabMaxX", cut(FormatNumber(KD7300cls_->MaxHoldX(), "0.000000")));
            show("LabMaxY", cut(FormatNumber(KD7300cls_->MaxHoldY(), "0.000000")));
            show("LabMaxZ", cut(FormatNumber(KD7300cls_->MaxHoldZ(), "0.000000")));
        } else if (u == "V/m" || u == "V2/m2") {
            show("LabXYZField", clsProbe::AdjustStrLen(KD7300cls_->XYZ()));
            show("LabXField", clsProbe::AdjustStrLen(x));
            show("LabYField", clsProbe::AdjustStrLen(y));
            show("LabZField", clsProbe::AdjustStrLen(z));
            show("LabMaxXYZ", clsProbe::AdjustStrLen(KD7300cls_->MaxHoldXYZ()));
            show("LabMaxX", clsProbe::AdjustStrLen(KD7300cls_->MaxHoldX()));
            show("LabMaxY", clsProbe::AdjustStrLen(KD7300cls_->MaxHoldY()));
            show("LabMaxZ", clsProbe::AdjustStrLen(KD7300cls_->MaxHoldZ()));
        }
        s_.RefreshProbeFlag = 0;
    }
    const bool over = x > upper || y > upper || z > upper;
    const bool under = x < lower && y < lower && z < lower;
    if (over || under) {
        labels_["LabOverRange"]->setVisible(over);
        labels_["LabUnderRange"]->setVisible(!over);
        rangeIndicatorShown_ = true;
    } else if (rangeIndicatorShown_) {
        labels_["LabOverRange"]->hide();
        labels_["LabUnderRange"]->hide();
        rangeIndicatorShown_ = false;
    }
    if (gs_.LiveDisplay) {
        graphSetup_->PlotGraph7300format(x, y, z, KD7300cls_->XYZ());
        Picture1_->update();
    }
    if (gs_.BarGraphVisible) {
        graphSetup_->BarGraph7300(KD7300cls_->XYZNA(), KD7300cls_->XNA(), KD7300cls_->YNA(),
                                  KD7300cls_->ZNA());
        Picture3_->update();
    }
}

} // namespace vireon
