#include "display/frmMain.h"

#include "common/numfmt.h"
#include "display/Twips.h"
#include "graph/qt/GraphPicture.h"
#include "probe/cls7300.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <cmath>
#include <filesystem>

namespace vireon {

namespace {

const char* kTitle = "Vireon II";
const std::string kCR = "\r";

QString Q(const std::string& cp1252) {
    return QString::fromStdString(Cp1252ToUtf8(cp1252));
}

// Four hexadecimal digits read as a signed 16-bit integer.
int16_t Hex16(const std::string& s) {
    return static_cast<int16_t>(static_cast<uint16_t>(HexValue(s).value_or(0)));
}

// The probe object seen by the read cycle.
class ProbeCommandsOf : public ProbeCommands {
public:
    explicit ProbeCommandsOf(clsProbe& p) : p_(p) {}
    std::string GetNextCmnd(const std::string& reply) override { return p_.GetNextCmnd(reply); }
    int16_t GetRThreshold() override { return p_.GetRThreshold(); }
    double GetTimerInterval() override { return p_.GetTimerInterval(); }
    void LostComm(int16_t v) override { p_.LostComm(static_cast<uint8_t>(v)); }
    void StartARProbe(int16_t v) override { p_.StartARProbe(static_cast<uint8_t>(v)); }
    void InputStr2(const std::string& reply) override { p_.InputStr2(reply); }

private:
    clsProbe& p_;
};

// Entries whose behaviour arrives with later work are shown but not offered yet.
const char* const kNotYetOffered[] = {
    "mnuFileSaveAs",           "mnuViewExposure",     "mnuViewHeaderNotes", "mnuViewOptions",
    "mnuProbeRecord",          "mnuProbeRecordPause", "mnuProbePlay",       "mnuProbeZero",
    "mnuProbeUnits7300",       "mnuProbeUnits52xx",   "mnuProbeClearPeak",  "mnuProbeUpdateNow",
    "mnuProbeUpdateProbeBatt", "mnuprobeTempUnits",   "mnuprobeAlarm",      "mnuprobeAlarmSet",
    "mnuProbe3AxisData",       "mnuProbeRangeTop"};

} // namespace

frmMain::frmMain(WindowPlatform platform, QWidget* parent) : QMainWindow(parent), p_(platform) {
    setWindowTitle(kTitle);
    hrtReadProbe_ = p_.timers.MakeTimer(66, false);
    hrtUpDateText_ = p_.timers.MakeTimer(150, true);
    hrtCalSamPerSec_ = p_.timers.MakeTimer(500, true);
    hrtReadBattTemp_ = p_.timers.MakeTimer(200, true);
    hrtMinAve_ = p_.timers.MakeTimer(1000, false);
    hrtPlay_ = p_.timers.MakeTimer(4, false);
    hrtUpDateText_->OnTick = [this] { s_.RefreshProbeFlag = 1; };
    hrtCalSamPerSec_->OnTick = [this] { HousekeepingTick(); };

    BuildMenus();
    BuildToolBar();
    BuildControls();
    statusPanel1_ = new QLabel(this);
    statusPanel1_->setObjectName("sbStatusBarPanel1");
    statusBar()->setObjectName("sbStatusBar");
    statusBar()->addWidget(statusPanel1_, 1);
}

frmMain::~frmMain() {
    // Timers may tick into a half-destroyed window otherwise.
    for (auto* t : {hrtReadProbe_.get(), hrtUpDateText_.get(), hrtCalSamPerSec_.get(),
                    hrtReadBattTemp_.get(), hrtMinAve_.get(), hrtPlay_.get()}) {
        if (t != nullptr) {
            t->Enabled(false);
            t->OnTick = nullptr;
        }
    }
    p_.link.OnReceive = nullptr;
    p_.link.OnError = nullptr;
    p_.ports.DeviceArrival = nullptr;
    p_.ports.DeviceRemoveComplete = nullptr;
}

QAction* frmMain::AddAction(QMenu* menu, const std::string& name, const QString& caption,
                            bool checkable) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString::fromStdString(name));
    a->setCheckable(checkable);
    menu_[name] = a;
    return a;
}

QAction* frmMain::Menu(const std::string& name) const {
    auto it = menu_.find(name);
    return it == menu_.end() ? nullptr : it->second;
}

QLabel* frmMain::Label(const std::string& name) const {
    auto it = labels_.find(name);
    return it == labels_.end() ? nullptr : it->second;
}

void frmMain::BuildMenus() {
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu("&File");
    file->setObjectName("mnuFile");
    connect(AddAction(file, "mnuFileOpen", "&Open..."), &QAction::triggered, this,
            [this] { MnuFileOpen(); });
    AddAction(file, "mnuFileSaveAs", "&Save as...");
    file->addSeparator();
    connect(AddAction(file, "mnuFileExit", "E&xit"), &QAction::triggered, this,
            [this] { close(); });

    QMenu* view = bar->addMenu("&View");
    view->setObjectName("mnuView");
    QAction* tb = AddAction(view, "mnuViewToolbar", "&Toolbar", true);
    QAction* sb = AddAction(view, "mnuViewStatusBar", "Status &Bar", true);
    AddAction(view, "mnuViewExposure", "Moving Average (Human &Exposure)", true);
    AddAction(view, "mnuViewBarGraph", "B&ar Graph", true);
    AddAction(view, "mnuViewScatterGraph", "&Scatter Graph", true);
    AddAction(view, "mnuViewScatterLive", "Scatter Graph &Live", true);
    AddAction(view, "mnuViewHeaderNotes", "Header Notes", true);
    view->addSeparator();
    AddAction(view, "mnuViewOptions", "&Options...");
    tb->setChecked(true);
    sb->setChecked(true);
    Menu("mnuViewScatterGraph")->setChecked(true);
    Menu("mnuViewBarGraph")->setChecked(true);
    connect(tb, &QAction::triggered, this, [this](bool on) { tbToolBar_->setVisible(on); });
    connect(sb, &QAction::triggered, this, [this](bool on) {
        statusBar()->setVisible(on);
        LayoutControls();
    });

    QMenu* probe = bar->addMenu("&Probe");
    probe->setObjectName("mnuProbe");
    AddAction(probe, "mnuProbeRecord", "&Log Data", true);
    AddAction(probe, "mnuProbeRecordPause", "L&og Pause", true);
    AddAction(probe, "mnuProbePlay", "P&lay");
    probe->addSeparator();
    AddAction(probe, "mnuProbeZero", "&Zero");
    QMenu* units = probe->addMenu("&Units");
    units->setObjectName("mnuProbeUnits7300");
    menu_["mnuProbeUnits7300"] = units->menuAction();
    AddAction(units, "mnuProbeUnitsVPM", "&V/m", true);
    AddAction(units, "mnuProbeUnitsV2M2", "V2/m&2", true);
    AddAction(units, "mnuProbeUnitsMWPCM", "m&W/cm2", true);
    QMenu* units52 = probe->addMenu("&Units");
    units52->setObjectName("mnuProbeUnits52xx");
    menu_["mnuProbeUnits52xx"] = units52->menuAction();
    for (int i = 0; i < 3; ++i) {
        AddAction(units52, "mnuProbeUnitsOld" + std::to_string(i), QString("Unit %1").arg(i + 1),
                  true);
    }
    probe->addSeparator();
    AddAction(probe, "mnuProbePlotComposite", "Plot Total Field &Strength", true);
    AddAction(probe, "mnuProbeClearPeak", "Clear &Peak");
    probe->addSeparator();
    AddAction(probe, "mnuProbeUpdateNow", "Update &Battery / Temperature");
    QMenu* interval = probe->addMenu("Auto Update &Interval");
    interval->setObjectName("mnuProbeUpdateProbeBatt");
    menu_["mnuProbeUpdateProbeBatt"] = interval->menuAction();
    AddAction(interval, "mnuProbeUpdateoff", "&Off", true);
    interval->addSeparator();
    AddAction(interval, "mnuProbeUpdate5", "&1 Second", true);
    AddAction(interval, "mnuProbeUpdate30", "1&0 Seconds", true);
    AddAction(interval, "mnuProbeUpdate60", "&30 Seconds", true);
    QMenu* temp = probe->addMenu("&Temperature Units");
    temp->setObjectName("mnuprobeTempUnits");
    menu_["mnuprobeTempUnits"] = temp->menuAction();
    AddAction(temp, "mnuProbeTempFahr", "&Fahrenheit", true);
    AddAction(temp, "mnuProbeTempCels", "&Celsius", true);
    probe->addSeparator();
    AddAction(probe, "mnuprobeAlarm", "&Alarm Enable", true);
    AddAction(probe, "mnuprobeAlarmSet", "Set Alarm &Value ...");
    probe->addSeparator();
    AddAction(probe, "mnuProbe3AxisData", "&3 Axis Data (Slower)", true);
    QMenu* range = probe->addMenu("Ran&ge");
    range->setObjectName("mnuProbeRangeTop");
    menu_["mnuProbeRangeTop"] = range->menuAction();
    const char* ranges[] = {"&Auto Range", "Range &1", "Range &2",
                            "Range &3",    "Range &4", "Range &5"};
    for (int i = 0; i <= 5; ++i) {
        mnuProbeRange_.push_back(
            AddAction(range, "mnuProbeRange" + std::to_string(i), ranges[i], true));
    }

    QMenu* comm = bar->addMenu("&Communications");
    comm->setObjectName("mnucomm");
    mnucommcomm_.push_back(nullptr);
    for (int n = 1; n <= kMaxCommPorts; ++n) {
        QAction* a =
            AddAction(comm, "mnucommcomm" + std::to_string(n), QString("Comm &%1").arg(n), true);
        connect(a, &QAction::triggered, this, [this, n] {
            // The check mark follows the port actually opened, not the click.
            CommEntry(n)->setChecked(false);
            cycle_->MnuCommClick(static_cast<int16_t>(n));
        });
        mnucommcomm_.push_back(a);
    }
    comm->addSeparator();
    connect(AddAction(comm, "mnuListPorts", "Refresh Available Ports"), &QAction::triggered, this,
            [this] { cycle_->RefreshPortMenu(); });
    comm->addSeparator();
    const char* bauds[] = {"9&600 Baud", "1&9.2 kBaud", "&38.4 kBaud", "&57.6 kBaud",
                           "&115.2 kBaud"};
    for (int i = 0; i < 5; ++i) {
        QAction* a = AddAction(comm, "mnuCommBaud" + std::to_string(i), bauds[i], true);
        // The entries only show which settings string is in force; a click changes nothing.
        connect(a, &QAction::triggered, this, [a](bool on) { a->setChecked(!on); });
        mnuCommBaud_.push_back(a);
    }
    comm->addSeparator();
    connect(AddAction(comm, "mnuCommARProbe", "Alternate Remote Probe", true), &QAction::triggered,
            this, [this](bool on) {
                if (probe_) {
                    probe_->StartARProbe(on ? 1 : 0);
                }
            });
    connect(AddAction(comm, "mnuCommASCII", "Set to ASCII"), &QAction::triggered, this, [this] {
        if (probe_) {
            probe_->SetNextCmnd("P2" + kCR);
        }
    });
    connect(AddAction(comm, "mnuCommARM", "Set to Alternate Remote"), &QAction::triggered, this,
            [this] {
                if (probe_) {
                    probe_->SetNextCmnd("P1" + kCR);
                }
            });

    QMenu* help = bar->addMenu("&Help");
    help->setObjectName("mnuHelp");
    connect(AddAction(help, "mnuHelpAbout", "&About "), &QAction::triggered, this,
            [this] { ShowAbout(); });

    for (const char* name : kNotYetOffered) {
        Menu(name)->setEnabled(false);
    }
}

void frmMain::BuildToolBar() {
    tbToolBar_ = addToolBar("Toolbar");
    tbToolBar_->setObjectName("tbToolBar");
    tbToolBar_->setMovable(false);
    struct Button {
        const char* key;
        const char* tip;
        QStyle::StandardPixmap icon;
    };
    const Button buttons[] = {
        {"Open", "Open", QStyle::SP_DialogOpenButton},
        {"Save", "Save", QStyle::SP_DialogSaveButton},
        {nullptr, nullptr, QStyle::SP_CustomBase},
        {"Properties", "Options", QStyle::SP_FileDialogDetailedView},
        {nullptr, nullptr, QStyle::SP_CustomBase},
        {"Scatter", "Scatter Graph Live", QStyle::SP_MediaPlay},
        {"BarGraph", "Bar Graph", QStyle::SP_FileDialogListView},
        {nullptr, nullptr, QStyle::SP_CustomBase},
        {"ZoomIn", "Zoom In", QStyle::SP_ArrowUp},
        {"ZoomOut", "Zoom Out", QStyle::SP_ArrowDown},
        {nullptr, nullptr, QStyle::SP_CustomBase},
        {"Record", "Log (On / Off)", QStyle::SP_DialogYesButton},
        {"RecordPause", "Log Pause", QStyle::SP_MediaPause},
    };
    for (const Button& b : buttons) {
        if (b.key == nullptr) {
            tbToolBar_->addSeparator();
            continue;
        }
        QAction* a = tbToolBar_->addAction(style()->standardIcon(b.icon), b.tip);
        a->setObjectName(QString("tb") + b.key);
        a->setToolTip(b.tip);
        a->setEnabled(false);
        menu_[std::string("tb") + b.key] = a;
    }
}

QLabel* frmMain::AddLabel(const std::string& name, const QString& caption, const QString& tip) {
    auto* l = new QLabel(caption, central_);
    l->setObjectName(QString::fromStdString(name));
    if (!tip.isEmpty()) {
        l->setToolTip(tip);
    }
    labels_[name] = l;
    return l;
}

QFrame* frmMain::AddShape(const std::string& name, int32_t color) {
    auto* f = new QFrame(central_);
    f->setObjectName(QString::fromStdString(name));
    f->setAutoFillBackground(true);
    QPalette pal = f->palette();
    pal.setColor(QPalette::Window, ColorFromLong(color));
    f->setPalette(pal);
    shapes_[name] = f;
    return f;
}

void frmMain::BuildControls() {
    central_ = new QWidget(this);
    central_->setObjectName("frmMainClient");
    setCentralWidget(central_);
    central_->setAutoFillBackground(true);
    QPalette pal = central_->palette();
    pal.setColor(QPalette::Window, ColorFromLong(RGB(214, 205, 177)));
    central_->setPalette(pal);

    AddShape("ShaMain", RGB(0, 0, 64));
    AddShape("ShapeFormColor2", RGB(198, 189, 160));
    AddShape("ShapeFormColor3", RGB(198, 189, 160));

    QFont big = font();
    big.setPointSize(30);
    big.setBold(true);
    QFont mid = font();
    mid.setPointSize(15);
    mid.setBold(true);

    const QString readoutStyle = "color: rgb(0,255,255); background: transparent;";
    AddLabel("LabInString", "Turn probe on now")
        ->setStyleSheet("color: rgb(255,255,0); background: transparent;");
    QLabel* xyz = AddLabel("LabXYZField", "No Probe");
    xyz->setFont(big);
    xyz->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    AddLabel("LabUnits", "units", "Click to change units")->setFont(mid);
    for (const char* axis : {"X", "Y", "Z"}) {
        const std::string a(axis);
        AddLabel("Lab" + a + "Lab", axis)->setFont(mid);
        QLabel* f = AddLabel("Lab" + a + "Field", "");
        f->setFont(mid);
        f->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        AddLabel("LabMax" + a, QString::fromStdString("Max" + a));
        AddLabel("Lab" + a + "Axis", axis,
                 QString::fromStdString("Click to toggle " + a + " axis"));
    }
    AddShape("ShapeX", RGB(0, 255, 0));
    AddShape("ShapeY", RGB(255, 0, 255));
    AddShape("ShapeZ", RGB(255, 255, 0));
    AddLabel("LabPeak", "Peak", "Click to clear peak");
    AddLabel("LabMaxXYZ", "MaxXYZ");
    AddLabel("LabRange", "Auto", "Click to toggle Manual / Auto");
    AddLabel("LabRangeText", "Range", "Click for next range");
    labAxisRange_.resize(13);
    for (int i = 0; i <= 12; ++i) {
        const QString caption = i == 0 ? "5" : QString::number((i - 1) % 4 + 1);
        QLabel* l = AddLabel("LabAxisRange" + std::to_string(i), caption);
        l->setAlignment(Qt::AlignCenter);
        labAxisRange_[static_cast<size_t>(i)] = l;
    }
    AddLabel("LabOverRange", "Over Range")->setStyleSheet("color: rgb(255,0,0);");
    AddLabel("LabUnderRange", "Under Range")
        ->setStyleSheet("color: rgb(255,255,0); background: transparent;");
    for (const auto& [name, label] : labels_) {
        if (name != "LabInString" && name != "LabOverRange" && name != "LabUnderRange") {
            label->setStyleSheet(readoutStyle);
        }
    }

    // Status column.
    AddLabel("LabBattery", "");
    AddShape("ShapeBatBackground", RGB(64, 64, 64));
    AddShape("ShapeBatTip", RGB(64, 64, 64));
    AddShape("ShapeBatLevel", RGB(0, 255, 255));
    AddLabel("LabTempLab", "Prb Tem", "Click to update batt - temp");
    AddLabel("LabTemp", "");
    AddLabel("LabLaserCurLab", "Las Cur");
    AddLabel("LabLaserCur", "");
    AddLabel("LabLasTempLab", "Las Tem");
    AddLabel("LabLasTemp", "");
    AddLabel("LabConVoltLab", "Con Volt Cur");
    AddLabel("LabConVolt", "");
    AddLabel("LabSamSecLab", "Sam / Sec");
    AddLabel("LabSamRate", "");
    AddLabel("LabRecord", "Log", "Click to toggle log");
    AddShape("ShapeRecordInd", RGB(128, 128, 128))->setToolTip("Click to toggle log");
    AddLabel("LabRecordCntLab", "Log Cnt");
    AddLabel("LabRecordCnt", "0", "Click to erase data");
    AddLabel("LabExposure1", "Moving Average");
    AddLabel("LabMinAver", "6 Minute");
    AddLabel("LabExposure", " Exposure:");
    AddShape("ShaExposure", RGB(0, 0, 64));
    AddLabel("LabElasedTime", "");

    CmdStart_ = new QPushButton("Start", central_);
    CmdStart_->setObjectName("CmdStart");
    CmdOff_ = new QPushButton("Off", central_);
    CmdOff_->setObjectName("CmdOff");
    connect(CmdStart_, &QPushButton::clicked, this, [this] { cycle_->CmdStart(); });
    connect(CmdOff_, &QPushButton::clicked, this, [this] { cycle_->CmdOff(); });

    ProgressBar1_ = new QProgressBar(central_);
    ProgressBar1_->setObjectName("ProgressBar1");
    ProgressBar1_->setRange(0, 75);
    ProgressBar1_->hide();

    CmbSampleRate_ = new QComboBox(central_);
    CmbSampleRate_->setObjectName("CmbSampleRate");
    CmbSampleRate_->setToolTip("Sample Rate");
    connect(CmbSampleRate_, &QComboBox::activated, this,
            [this](int i) { SetSampleRate(CmbSampleRate_->itemText(i).toStdString()); });
    cmbSamPerDiv_ = new QComboBox(central_);
    cmbSamPerDiv_->setObjectName("cmbSamPerDiv");
    cmbSamPerDiv_->setToolTip("Samples Per Divison");
    CmbVerticalScale_ = new QComboBox(central_);
    CmbVerticalScale_->setObjectName("CmbVerticalScale");
    CmbVerticalScale_->setToolTip("Vertical Scale");

    LstHeader_ = new QListWidget(central_);
    LstHeader_->setObjectName("LstHeader");
    LstHeader_->hide();

    Picture3_ = new GraphPicture(central_);
    Picture3_->setObjectName("Picture3");
    Picture3_->setToolTip("Click to clear peak.");
    Picture1_ = new GraphPicture(central_);
    Picture1_->setObjectName("Picture1");
    for (const char* hidden : {"LabExposure1", "LabMinAver", "LabExposure", "LabElasedTime"}) {
        labels_[hidden]->hide();
    }
    shapes_["ShaExposure"]->hide();
}

// Positions in twips on the client area. The readouts fill the band above the bar graph,
// whose top is fixed; the time graph takes the rest of the height.
void frmMain::LayoutControls() {
    const double w = PxToTwips(central_, central_->width());
    const double h = PxToTwips(central_, central_->height());
    auto place = [](QWidget* c, double l, double t, double wd, double ht) {
        PlaceTwips(c, l, t, std::max(0.0, wd), std::max(0.0, ht));
    };
    place(shapes_["ShaMain"], 120, 120, 5880, 6120);
    place(labels_["LabInString"], 240, 180, 5600, 300);
    place(labels_["LabXYZField"], 240, 480, 4100, 900);
    place(labels_["LabUnits"], 4440, 720, 1500, 480);
    place(labels_["LabPeak"], 3600, 1440, 700, 300);
    place(labels_["LabMaxXYZ"], 4300, 1440, 1600, 300);
    const char* axes[] = {"X", "Y", "Z"};
    for (int i = 0; i < 3; ++i) {
        const std::string a(axes[i]);
        const double y = 1860 + i * 540;
        place(labels_["Lab" + a + "Lab"], 240, y, 400, 480);
        place(labels_["Lab" + a + "Field"], 640, y, 2300, 480);
        place(shapes_[std::string("Shape") + axes[i]], 3060, y + 150, 240, 200);
        place(labels_["LabMax" + a], 3600, y + 90, 2300, 300);
    }
    place(labels_["LabXAxis"], 240, 3540, 400, 300);
    place(labels_["LabYAxis"], 700, 3540, 400, 300);
    place(labels_["LabZAxis"], 1160, 3540, 400, 300);
    place(labels_["LabRange"], 240, 3960, 1100, 300);
    place(labels_["LabRangeText"], 1400, 3960, 900, 300);
    for (int i = 0; i <= 12; ++i) {
        const int row = i == 0 ? 0 : (i - 1) / 4;
        const int col = i == 0 ? 4 : (i - 1) % 4;
        place(labAxisRange_[static_cast<size_t>(i)], 2500 + col * 360, 3960 + row * 330, 330, 300);
    }
    place(labels_["LabOverRange"], 4400, 3960, 1500, 300);
    place(labels_["LabUnderRange"], 4400, 4290, 1500, 300);
    place(CmdStart_, 240, 5040, 1300, 450);
    place(CmdOff_, 1660, 5040, 1300, 450);
    place(ProgressBar1_, 240, 5640, 5640, 300);

    // Status column right of the readouts.
    const double x = 6240;
    place(shapes_["ShapeFormColor2"], 6120, 120, w >= 6120 + 120 ? w - 6120 - 120 : 0, 6120);
    place(labels_["LabBattery"], x + 120, 240, 900, 300);
    const double gauge = x + s_.BatteryGaugeLeft;
    place(shapes_["ShapeBatBackground"], gauge, 270, 1500, 240);
    place(shapes_["ShapeBatTip"], gauge + 1500, 330, 90, 120);
    shapes_["ShapeBatLevel"]->raise();
    place(labels_["LabTempLab"], x + 120, 660, 1000, 300);
    place(labels_["LabTemp"], x + 1500, 660, 1800, 300);
    place(labels_["LabLaserCurLab"], x + 120, 1020, 1000, 300);
    place(labels_["LabLaserCur"], x + 1500, 1020, 1800, 300);
    place(labels_["LabLasTempLab"], x + 120, 1380, 1000, 300);
    place(labels_["LabLasTemp"], x + 1500, 1380, 1800, 300);
    place(labels_["LabConVoltLab"], x + 120, 1740, 1100, 300);
    place(labels_["LabConVolt"], x + 1500, 1740, 1800, 300);
    place(labels_["LabSamSecLab"], x + 120, 2100, 1000, 300);
    place(labels_["LabSamRate"], x + 1500, 2100, 1800, 300);
    place(CmbSampleRate_, x + 120, 2580, 1100, 330);
    place(cmbSamPerDiv_, x + 1320, 2580, 1100, 330);
    place(CmbVerticalScale_, x + 2520, 2580, 1900, 330);
    place(shapes_["ShapeRecordInd"], x + 120, 3120, 240, 240);
    place(labels_["LabRecord"], x + 420, 3090, 600, 300);
    place(labels_["LabRecordCntLab"], x + 1200, 3090, 900, 300);
    place(labels_["LabRecordCnt"], x + 2100, 3090, 1500, 300);

    // Panel behind the graphs, sized with the window.
    place(shapes_["ShapeFormColor3"], 60, 6300, w - 120, h - 6360);
    shapes_["ShapeFormColor3"]->lower();

    // Moving-average band, bar graph and time graph.
    const bool exposure = Menu("mnuViewExposure")->isChecked();
    place(shapes_["ShaExposure"], 120, 6360, w - 240, 1560);
    place(labels_["LabExposure1"], 240, 6420, 2000, 300);
    place(labels_["LabMinAver"], 2400, 6420, 1500, 300);
    place(labels_["LabExposure"], 240, 6840, 4000, 600);
    place(labels_["LabElasedTime"], 4400, 6840, 1500, 300);
    const double pic3Top = exposure ? 8040 : 6360;
    const double pic3Height = 1500;
    const double pic3Width = w - 120 - 120;
    place(Picture3_, 120, pic3Top, pic3Width, pic3Height);
    const bool bar = Menu("mnuViewBarGraph")->isChecked() && pic3Width >= 1200;
    Picture3_->setVisible(bar);
    const double pic1Top = pic3Top + (bar ? pic3Height + 120 : 0);
    const double status = Menu("mnuViewStatusBar")->isChecked() ? 345 : 0;
    if (pic1Top + 1500 >= h + status + 465) {
        Picture1_->hide();
    } else {
        place(Picture1_, 120, pic1Top, w - 240, h - pic1Top - 120);
        Picture1_->setVisible(Menu("mnuViewScatterGraph")->isChecked());
    }
    const double listHeight = std::max(2400.0, PxToTwips(central_, Picture1_->height()) - 800);
    place(LstHeader_, w - 3120, pic1Top, 3000, listHeight);
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (isMinimized()) {
        return;
    }
    if (graphSetup_) {
        ResizeForm();
    } else {
        LayoutControls();
    }
}

void frmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        labels_["LabMinAver"]->setText(Q(cfg_.MinAverText));
    }
}

void frmMain::FillSampleRates() {
    CmbSampleRate_->clear();
    if (Val(s_.SampleRate) > 20) {
        for (const char* r : {"125", "111", "100", "90", "83", "76", "71", "66", "63", "59", "56",
                              "53", "51", "48", "46"}) {
            CmbSampleRate_->addItem(r);
        }
        for (int r = 44; r >= 1; --r) {
            CmbSampleRate_->addItem(QString::number(r));
        }
    } else {
        for (int r = 20; r >= 1; --r) {
            CmbSampleRate_->addItem(QString::number(r));
        }
    }
    CmbSampleRate_->addItem("Max");
    const int i = CmbSampleRate_->findText(QString::fromStdString(s_.SampleRate));
    if (i >= 0) {
        CmbSampleRate_->setCurrentIndex(i);
    }
}

void frmMain::Main() {
    // 1-2: the objects.
    KD7300cls_ = std::make_unique<Cls7300>();
    KD7300cls_->SetHost(this);
    probe_ = std::make_unique<clsProbe>();
    probe_->SetHost(this);
    probeCommands_ = std::make_unique<ProbeCommandsOf>(*probe_);
    cycle_ = std::make_unique<ReadCycle>(s_, p_.link, p_.ports, *hrtReadProbe_, *probeCommands_,
                                         *this, p_.prompts);
    hrtReadProbe_->OnTick = [this] { cycle_->OnReadTick(); };
    p_.link.OnReceive = [this] { cycle_->OnComm(); };
    p_.link.OnError = [this](int n) { cycle_->OnSerialError(n); };
    p_.ports.DeviceArrival = [this](const std::string& name) { cycle_->OnDeviceArrival(name); };
    p_.ports.DeviceRemoveComplete = [this](const std::string& name) {
        cycle_->OnDeviceRemoveComplete(name);
    };
    BuildGraphs();

    // 3: the configuration.
    LoadConfiguration();

    // 4: the splash.
    p_.dialogs.ShowSplash();
    Delay(3000.0f);
    p_.dialogs.UnloadSplash();

    // 5-6.
    if (!Menu("mnuProbe3AxisData")->isChecked()) {
        Menu("mnuProbeRangeTop")->setVisible(false);
    }
    Menu("mnuProbeUnits52xx")->setVisible(false);
    SetUpGraphsFromSettings();

    // 7-8.
    s_.RthresEnabled = s_.MaxSpeedFlag != 0 ? 1 : 0;
    if (s_.BaudRatePreference == "19200,o,7,1") {
        BaudEntry(1)->setChecked(true);
        for (int i = 2; i <= 4; ++i) {
            BaudEntry(i)->setVisible(false);
        }
    } else {
        BaudEntry(0)->setChecked(true);
    }

    // 9-10.
    KD7300cls_->Averaging(static_cast<uint8_t>(std::clamp<int>(s_.GITxtAverage, 1, 50)));
    KD7300cls_->Units(static_cast<uint8_t>(UnitsCode(cfg_.ProbeUnits).value_or(0)));
    probe_->BaudRatePerfered(s_.BaudRatePreference);
    probe_->Average(s_.GITxtAverage);
    probe_->MultiplexPrefered(s_.Axis3Prefered != 0 ? 1 : 0);
    probe_->Average(s_.GITxtAverage);
    probe_->TypeNumb(0);
    probe_->LostComm(1);
    probe_->UseCelsiusTemp(cfg_.UseCelsiusTemp);
    Menu(probe_->UseCelsiusTemp() == 1 ? "mnuProbeTempCels" : "mnuProbeTempFahr")->setChecked(true);

    // 11-12.
    if (s_.MaxSpeedFlag != 0) {
        s_.SampleRate = "Max";
    }
    SetSampleRate(s_.SampleRate);
    FillSampleRates();
    for (const char* n :
         {"20", "35", "50", "75", "100", "150", "200", "300", "400", "500", "1000"}) {
        cmbSamPerDiv_->addItem(n);
    }
    graphSetup_->LimitGraphSetting();
    // Settings the lists do not hold fall back to "Auto" and 50 samples per division.
    if (!VerticalScaleSelect(cfg_.GraphScale)) {
        VerticalScaleSelect("Auto");
    }
    graphSetup_->CmbVerticalScaleClick();
    const int perDivIndex = cmbSamPerDiv_->findText(QString::number(cfg_.DefSamPerDiv));
    cmbSamPerDiv_->setCurrentIndex(perDivIndex >= 0 ? perDivIndex : cmbSamPerDiv_->findText("50"));
    graphSetup_->CmbSamPerDivClick(cmbSamPerDiv_->currentText().toStdString());

    // 13.
    labels_["LabOverRange"]->hide();

    // 14.
    cycle_->RefreshPortMenu();
    cycle_->OpenCommPort(s_.CommPortNo);

    // 15-16.
    SetTextUpdateTimer(s_.GITDisplayUpdate);
    graphSetup_->SetPlotComp(static_cast<uint8_t>(cfg_.PlotComposite == 1 ? 1 : 0));
    s_.ChangeDisplayFlag = 1;
    gs_.SamPerSweep = static_cast<int16_t>(GRGraph_->ReTraceCnt());
    gs_.LiveDisplay = true;
    gs_.BarGraphVisible = true;
    Menu("mnuViewScatterLive")->setChecked(true);
    Menu("mnuViewBarGraph")->setChecked(true);
    ClearDisplay();
    Menu("mnuFileSaveAs")->setEnabled(false);
}

void frmMain::Load() {
    Main();
    RestorePlacement();
    setWindowTitle(kTitle);
    s_.BatteryGaugeLeft = 1150;
    for (const char* l : {"LabMaxX", "LabMaxY", "LabMaxZ", "LabMaxXYZ"}) {
        labels_[l]->setText("0.0");
    }
}

void frmMain::Delay(float ms) {
    p_.clock.Delay(ms);
}

std::string frmMain::ConfigPath() const {
    return (std::filesystem::path(p_.desktop.ProgramFolder()) / std::string(kCfgFileName)).string();
}

void frmMain::LoadConfiguration() {
    const CfgLoadResult r = LoadCfg(ConfigPath(), cfg_, p_.desktop.ProgramFolder());
    if (!r.Complete) {
        // The file is missing or damaged: ask for the port, keep what was read.
        cfg_.CommPortNo = p_.dialogs.ChoosePort(cfg_.CommPortNo);
    }
    s_.CommPortNo = cfg_.CommPortNo;
    s_.BaudRatePreference = cfg_.BaudRatePreference;
    s_.MaxSpeedFlag = cfg_.MaxSpeedFlag ? -1 : 0;
    s_.Axis3Prefered = cfg_.Axis3Prefered ? -1 : 0;
    s_.SampleRate = cfg_.SampleRate;
    s_.BattTempUpdateInterval = cfg_.BattTempUpdateInterval;
    s_.GITxtAverage = cfg_.GITxtAverage;
    s_.GITDisplayUpdate = cfg_.GITDisplayUpdate;
    s_.RthresEnabled = cfg_.RthresEnabled;
    Menu("mnuProbe3AxisData")->setChecked(cfg_.Axis3Prefered);
    Menu("mnuViewStatusBar")->setChecked(cfg_.StatusBar);
    statusBar()->setVisible(cfg_.StatusBar);
    Menu("mnuViewExposure")->setChecked(cfg_.ExposureFrame);
    if (probe_) {
        probe_->AutoRangeOn(cfg_.AutoRangeOn);
    }
    mnuProbeRange_[0]->setChecked(cfg_.AutoRangeOn == 1);
}

void frmMain::SaveConfiguration() {
    cfg_.CommPortNo = s_.CommPortNo;
    cfg_.BaudRatePreference = s_.BaudRatePreference;
    cfg_.MaxSpeedFlag = s_.MaxSpeedFlag != 0;
    cfg_.Axis3Prefered = Menu("mnuProbe3AxisData")->isChecked();
    cfg_.SampleRate = s_.SampleRate;
    cfg_.BattTempUpdateInterval = s_.BattTempUpdateInterval;
    cfg_.GITxtAverage = s_.GITxtAverage;
    cfg_.GITDisplayUpdate = s_.GITDisplayUpdate;
    cfg_.RthresEnabled = s_.RthresEnabled;
    cfg_.StatusBar = Menu("mnuViewStatusBar")->isChecked();
    cfg_.ExposureFrame = Menu("mnuViewExposure")->isChecked();
    cfg_.GraphScale = VerticalScaleText();
    cfg_.DefSamPerDiv = gs_.SamPerDiv;
    cfg_.PlotComposite = gs_.PlotComp == 1 ? 1 : 0;
    if (probe_) {
        cfg_.UseCelsiusTemp = probe_->UseCelsiusTemp();
        cfg_.AutoRangeOn = probe_->AutoRangeOn();
    }
    const WriteResult w = SaveCfg(ConfigPath(), cfg_);
    if (!w.Ok) {
        p_.prompts.MsgBox("The settings could not be saved to " + ConfigPath() + ": " + w.Error,
                          MsgIcon::Exclamation, MsgButtons::Ok);
    }
}

void frmMain::RestorePlacement() {
    QSettings st(QSettings::IniFormat, QSettings::UserScope, "vireon2", kTitle);
    st.beginGroup("Settings");
    const double left = st.value("MainLeft", "1").toDouble();
    const double top = st.value("MainTop", "1").toDouble();
    const double width = st.value("MainWidth", "11535").toDouble();
    const double height = st.value("MainHeight", "12000").toDouble();
    const int state = st.value("WindowState", "0").toInt();
    st.endGroup();
    const double dpi = logicalDpiX();
    auto px = [dpi](double t) { return static_cast<int>(std::lround(t * dpi / 1440.0)); };
    move(px(left), px(top));
    resize(std::max(200, px(width)), std::max(150, px(height)));
    if (state == 2) {
        setWindowState(Qt::WindowMaximized);
    }
}

void frmMain::SavePlacement() {
    QSettings st(QSettings::IniFormat, QSettings::UserScope, "vireon2", kTitle);
    st.beginGroup("Settings");
    if (isMinimized()) {
        return;
    }
    if (isMaximized()) {
        st.setValue("WindowState", "2");
        return;
    }
    const double k = 1440.0 / logicalDpiX();
    st.setValue("MainLeft", QString::fromStdString(GeneralNumber(static_cast<float>(x() * k))));
    st.setValue("MainTop", QString::fromStdString(GeneralNumber(static_cast<float>(y() * k))));
    st.setValue("MainWidth",
                QString::fromStdString(GeneralNumber(static_cast<float>(width() * k))));
    st.setValue("MainHeight",
                QString::fromStdString(GeneralNumber(static_cast<float>(height() * k))));
    st.setValue("WindowState", "0");
}

void frmMain::closeEvent(QCloseEvent* event) {
    Unload();
    event->accept();
}

void frmMain::Unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    hrtReadProbe_->Enabled(false);
    p_.dialogs.UnloadAll();
    if (cycle_) {
        cycle_->EndLaser();
        if (s_.LaserState != kLaserOff &&
            p_.prompts.MsgBox("Switch laser to the 'Off' position?", MsgIcon::Question,
                              MsgButtons::YesNo,
                              "Laser Detector Unit Power Status") == MsgResult::Yes) {
            try {
                cycle_->SendRaw("o" + kCR);
            } catch (const std::exception&) {
                // The unit may be gone; the shutdown goes on regardless.
            }
            Delay(100.0f);
            try {
                cycle_->SendRaw("o" + kCR);
            } catch (const std::exception&) {
            }
        }
    }
    try {
        if (p_.link.IsOpen()) {
            p_.link.Close();
        }
    } catch (const std::exception&) {
    }
    SaveConfiguration();
    SavePlacement();
    emit Unloaded();
}

void frmMain::SetSampleRate(const std::string& rate) {
    if (rate == "Max") {
        s_.MaxSpeedFlag = -1;
        s_.RthresEnabled = 1;
        s_.CommEventRCVD = 0;
        hrtPlay_->Interval(14);
        return;
    }
    const double value = Val(rate);
    s_.SampleRate = GeneralNumber(static_cast<float>(value));
    if (value <= 0) {
        return;
    }
    if (probe_) {
        probe_->SampleRate(NearInt16(value));
    }
    s_.MaxSpeedFlag = 0;
    hrtPlay_->Interval(1000.0 / value);
}

int16_t frmMain::SetTextUpdateTimer(int16_t perSecond) {
    const double period = perSecond > 0 ? std::nearbyint(1000.0 / perSecond) : 14;
    int16_t used = perSecond;
    double p = period;
    if (p < 14) {
        p = 14;
        used = 70;
    }
    hrtUpDateText_->Interval(p);
    s_.GITDisplayUpdate = used;
    return used;
}

void frmMain::HousekeepingTick() {
    if (s_.LaserState == kLaserStarting) {
        if (s_.StartProgress < 74) {
            ++s_.StartProgress;
        }
        ProgressBar1_->setValue(s_.StartProgress);
        ProgressBar1_->repaint();
    }
    if (s_.RateDivider >= 3) {
        labels_["LabSamRate"]->setText(
            QString::fromStdString(GeneralNumber(static_cast<float>(s_.ActualSamPerSec / 2.0))));
        s_.ActualSamPerSec = 0;
        s_.RateDivider = 0;
    } else {
        ++s_.RateDivider;
    }
    ++s_.RefreshCnt;
    if (s_.RefreshCnt >= 15) {
        StatusText(probe_ && probe_->LostComm() != 1 ? probe_->GetModel() : std::string());
        s_.RefreshCnt = 0;
    }
}

// --- AcqView ---

void frmMain::ClearDisplay() {
    labels_["LabXYZField"]->setText("No Probe");
    for (const char* l : {"LabXField", "LabYField", "LabZField", "LabLaserCur"}) {
        labels_[l]->setText("");
    }
    for (const char* l : {"LabXAxis", "LabYAxis", "LabZAxis"}) {
        labels_[l]->hide();
    }
    s_.ChangeDisplayFlag = 0;
    labels_["LabUnits"]->hide();
    labels_["LabUnits"]->setText("units");
    QFrame* level = shapes_["ShapeBatLevel"];
    level->setGeometry(TwipsToPx(central_, 6240 + s_.BatteryGaugeLeft),
                       level->geometry().y() == 0 ? TwipsToPx(central_, 270) : level->y(), 0,
                       TwipsToPx(central_, 240));
    QPalette pal = level->palette();
    pal.setColor(QPalette::Window, ColorFromLong(RGB(0, 255, 255)));
    level->setPalette(pal);
    labels_["LabBattery"]->setText("");
    labels_["LabBattery"]->show();
    labels_["LabTemp"]->setText("");
    labels_["LabSamRate"]->hide();
    labels_["LabRange"]->setText("");
    labels_["LabOverRange"]->hide();
    labels_["LabUnderRange"]->hide();
    StatusText("");
    for (int i = 2; i <= 4; ++i) {
        BaudEntry(i)->setVisible(false);
    }
    if (probe_) {
        probe_->LostComm(1);
    }
    for (const char* l : {"LabXAxis", "LabYAxis", "LabZAxis"}) {
        labels_[l]->setStyleSheet("color: rgb(192,192,192); background: transparent;");
    }
    if (GRBarGraph_) {
        GRBarGraph_->DrawBarXYZ(0);
        GRBarGraph_->DrawBarX(0);
        GRBarGraph_->DrawBarY(0);
        GRBarGraph_->DrawBarZ(0);
        Picture3_->update();
    }
    if (layoutReady_ && GRGraph_ && gs_.LiveDisplay) {
        gs_.SweepPos = 1;
        GRGraph_->Graph(1);
        Picture1_->update();
    }
    for (QLabel* l : labAxisRange_) {
        l->setStyleSheet("color: rgb(128,128,128); background: transparent;");
    }
    for (const char* m : {"mnuCommASCII", "mnuCommARM", "mnuCommARProbe"}) {
        Menu(m)->setEnabled(true);
    }
    labels_["LabLasTemp"]->setText("");
    labels_["LabConVolt"]->setText("");
}

void frmMain::StatusText(const std::string& text) {
    s_.RefreshCnt = 0;
    statusPanel1_->setText(Q(text));
    statusBar()->repaint();
}

QString frmMain::StatusPanel() const {
    return statusPanel1_->text();
}

void frmMain::CheckPortEntry(int n, bool checked) {
    if (n >= 1 && n <= kMaxCommPorts) {
        CommEntry(n)->setChecked(checked);
    }
}

void frmMain::ShowPortEntry(int n, bool visible) {
    if (n >= 1 && n <= kMaxCommPorts) {
        CommEntry(n)->setVisible(visible);
    }
}

void frmMain::ProcessSmallS() {
    const std::string& d = s_.ProbeData;
    if (d.size() < 36) {
        return;
    }
    const double current = (1.0 - Hex16(d.substr(32, 4)) / 4095.0) * 5.0;
    labels_["LabLaserCur"]->setText(QString::fromStdString(FormatNumber(current, "0.000")));
    const double laserC = Hex16(d.substr(28, 4)) * 0.0625;
    const double volts = (3.3 / 1024) * Hex16(d.substr(14, 4)) * (23.3 / 13.3);
    labels_["LabConVolt"]->setText(QString::fromStdString(FormatNumber(volts, "#.00") + " V"));
    const double probeC = Hex16(d.substr(18, 4)) / 2.0 / 100.0;
    const bool celsius = probe_ && probe_->UseCelsiusTemp() == 1;
    auto temp = [celsius](double c) {
        const double v = celsius ? c : 9.0 / 5.0 * c + 32;
        return Q(FormatNumber(v, "0.0") + " " + kDegreeSign + (celsius ? "C" : "F"));
    };
    labels_["LabLasTemp"]->setText(temp(laserC));
    labels_["LabTemp"]->setText(temp(probeC));
}

void frmMain::ClearBatteryLow() {
    batteryLow_ = 0;
}

bool frmMain::ARProbeChecked() const {
    return Menu("mnuCommARProbe")->isChecked();
}

void frmMain::BusyPointer(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        while (QApplication::overrideCursor() != nullptr) {
            QApplication::restoreOverrideCursor();
        }
    }
}

void frmMain::StartProgressBar(bool visible, int value) {
    ProgressBar1_->setVisible(visible);
    ProgressBar1_->setValue(value);
    ProgressBar1_->repaint();
}

bool frmMain::ConfirmLaserOn() {
    return p_.dialogs.LaserCaution();
}

// --- ProbeHost ---

void frmMain::MsgBox(const std::string& text, ProbeMsgIcon icon) {
    const MsgIcon i = icon == ProbeMsgIcon::Information ? MsgIcon::Information
                      : icon == ProbeMsgIcon::Critical  ? MsgIcon::Critical
                                                        : MsgIcon::Exclamation;
    p_.prompts.MsgBox(text, i, MsgButtons::Ok);
}

void frmMain::Delay(int32_t ms) {
    p_.clock.Delay(static_cast<float>(ms));
}

std::string frmMain::AutoNextCmndS(const std::string& code, const std::string& reply) {
    if (code != ":M0") {
        return {};
    }
    // The calibration upload is complete: from here on the unit status and data follow.
    KD7300cls_->ParseCoeff(reply);
    cycle_->SetRthreshold(37);
    hrtReadProbe_->Interval(30);
    return "s" + kCR;
}

ProbeDescription frmMain::Description() const {
    ProbeDescription d;
    if (probe_ && !probe_->GetModel().empty()) {
        d.Model = probe_->GetModel();
    }
    if (!s_.ProbeSerialNo.empty()) {
        d.SerialNo = s_.ProbeSerialNo;
    }
    if (!s_.ProbeSoftVer.empty()) {
        d.SoftRev = s_.ProbeSoftVer;
    }
    if (!s_.ProbeCalDate.empty()) {
        d.CalDate = s_.ProbeCalDate;
    }
    return d;
}

void frmMain::ShowAbout() {
    p_.dialogs.ShowAbout(Description());
}

} // namespace vireon
