#include "display/qt/frmMain.h"

#include "display/qt/CoreText.h"
#include "graph/qt/GraphPicture.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <cmath>
#include <vector>

namespace vireon {

namespace {

constexpr int32_t kReadoutColor = 0xFFFF00; // cyan, red in the low byte

QColor ColorOf(int32_t c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

// The tool bar's icons, in the order of its buttons.
constexpr QStyle::StandardPixmap kIcons[] = {
    QStyle::SP_DialogOpenButton, QStyle::SP_DialogSaveButton,   QStyle::SP_FileDialogDetailedView,
    QStyle::SP_MediaPlay,        QStyle::SP_FileDialogListView, QStyle::SP_ArrowUp,
    QStyle::SP_ArrowDown,        QStyle::SP_DialogYesButton,    QStyle::SP_MediaPause};

int Px(const QWidget* w, double twips) {
    return static_cast<int>(std::lround(twips * w->logicalDpiX() / 1440.0));
}
double Twips(const QWidget* w, int px) {
    return px * 1440.0 / w->logicalDpiX();
}

} // namespace

frmMain::frmMain(WindowPlatform platform, QWidget* parent) : QMainWindow(parent) {
    BuildMenus();
    BuildControls();
    status_ = new QLabel(this);
    status_->setObjectName("sbStatusBarPanel1");
    status_->setAccessibleName("Status");
    statusBar()->setObjectName("sbStatusBar");
    statusBar()->addWidget(status_, 1);
    core_ = std::make_unique<WindowCore>(platform, *this);
}

frmMain::~frmMain() {
    core_.reset();
}

void frmMain::BuildMenus() {
    std::vector<QMenu*> open;
    for (const MenuEntry& m : MenuTable()) {
        QAction* a = nullptr;
        switch (m.kind) {
        case MenuKind::Top:
        case MenuKind::Sub: {
            QMenu* menu = open.empty() ? menuBar()->addMenu(QString::fromLatin1(m.caption))
                                       : open.back()->addMenu(QString::fromLatin1(m.caption));
            menu->setObjectName(QString::fromLatin1(m.name));
            open.push_back(menu);
            a = menu->menuAction();
            break;
        }
        case MenuKind::End:
            open.pop_back();
            continue;
        case MenuKind::Separator:
            open.back()->addSeparator();
            continue;
        default:
            a = open.back()->addAction(QString::fromLatin1(m.caption));
            a->setCheckable(m.kind == MenuKind::Check);
            connect(a, &QAction::triggered, this, [this, id = m.id] { core_->OnAction(id); });
            break;
        }
        a->setObjectName(QString::fromLatin1(m.name));
        act_[static_cast<size_t>(m.id)] = a;
    }
    toolBar_ = addToolBar("Toolbar");
    toolBar_->setObjectName("tbToolBar");
    toolBar_->setMovable(false);
    const QStyle::StandardPixmap* icon = kIcons;
    for (const MenuEntry& m : ToolBarTable()) {
        if (m.kind == MenuKind::Separator) {
            toolBar_->addSeparator();
            continue;
        }
        const QString tip = QString::fromLatin1(m.caption);
        QAction* a = toolBar_->addAction(style()->standardIcon(*icon++), tip);
        a->setObjectName(QString::fromLatin1(m.name));
        a->setToolTip(tip);
        a->setCheckable(m.id == Act::tbRecordPause); // shown pressed while paused
        connect(a, &QAction::triggered, this, [this, id = m.id] { core_->OnAction(id); });
        act_[static_cast<size_t>(m.id)] = a;
    }
    for (Act a : {Act::mnuViewToolbar, Act::mnuViewStatusBar, Act::mnuViewScatterGraph,
                  Act::mnuViewBarGraph}) {
        Checked(a, true);
    }
}

void frmMain::BuildControls() {
    central_ = new QWidget(this);
    central_->setObjectName("frmMainClient");
    setCentralWidget(central_);
    central_->setAutoFillBackground(true);
    for (const ControlInfo& info : ControlTable()) {
        QWidget* w = nullptr;
        switch (info.kind) {
        case CtlKind::Label: {
            auto* l = new QLabel(FromCore(info.caption), central_);
            l->setAccessibleDescription(l->text());
            QFont f = l->font();
            if (info.font != CtlFont::Normal) {
                f.setPointSize(info.font == CtlFont::Big ? 30 : 15);
                f.setBold(true);
            }
            l->setFont(f);
            l->setAlignment(info.align == CtlAlign::Right    ? Qt::AlignRight | Qt::AlignVCenter
                            : info.align == CtlAlign::Center ? Qt::AlignCenter
                                                             : Qt::AlignLeft | Qt::AlignVCenter);
            w = l;
            break;
        }
        case CtlKind::Shape:
            w = new QWidget(central_);
            w->setAutoFillBackground(true);
            break;
        case CtlKind::Button: {
            auto* b = new QPushButton(FromCore(info.caption), central_);
            connect(b, &QPushButton::clicked, this, [this, id = info.id] { core_->OnClick(id); });
            w = b;
            break;
        }
        case CtlKind::Progress: {
            auto* p = new QProgressBar(central_);
            p->setRange(0, 75);
            w = p;
            break;
        }
        case CtlKind::Combo: {
            auto* c = new QComboBox(central_);
            connect(c, &QComboBox::activated, this, [this, c, id = info.id](int i) {
                core_->OnComboPick(id, ToCore(c->itemText(i)));
            });
            w = c;
            break;
        }
        case CtlKind::Picture: {
            auto* g = new GraphPicture(central_);
            const Ctl id = info.id;
            connect(g, &GraphPicture::MouseDown, this, [this, id](int b, int, double x, double y) {
                core_->OnPictureMouse(id, MouseKind::Down, b, x, y);
            });
            connect(g, &GraphPicture::MouseMove, this, [this, id](int b, int, double x, double y) {
                core_->OnPictureMouse(id, MouseKind::Move, b, x, y);
            });
            connect(g, &GraphPicture::MouseUp, this, [this, id](int b, int, double x, double y) {
                core_->OnPictureMouse(id, MouseKind::Up, b, x, y);
            });
            connect(g, &GraphPicture::Resized, this, [this, id] {
                if (core_) {
                    core_->OnPictureResized(id);
                }
            });
            w = g;
            break;
        }
        case CtlKind::List:
            w = new QListWidget(central_);
            break;
        }
        w->setObjectName(QString::fromLatin1(info.name));
        w->setAccessibleName(FromCore(AccessibleName(info.id)));
        if (!info.tip.empty()) {
            w->setToolTip(FromCore(info.tip));
        }
        ctl_[static_cast<size_t>(info.id)] = w;
        if (info.kind == CtlKind::Label || info.kind == CtlKind::Shape) {
            w->installEventFilter(this); // their clicks are the core's to judge
            if (info.kind == CtlKind::Label) {
                ForeColor(info.id, info.color < 0 ? kReadoutColor : info.color);
            } else {
                BackColor(info.id, info.color);
            }
        }
        w->setVisible(info.visible);
    }
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && core_) {
        for (size_t i = 0; i < kCtlCount; ++i) {
            if (ctl_[i] == watched) {
                core_->OnClick(static_cast<Ctl>(i));
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

QLabel* frmMain::Label(Ctl c) const {
    return qobject_cast<QLabel*>(Control(c));
}

GraphPicture* frmMain::Picture(Ctl c) const {
    return qobject_cast<GraphPicture*>(Control(c));
}

QString frmMain::StatusPanel() const {
    return status_->text();
}

void frmMain::Text(Ctl c, const std::string& text) {
    QWidget* w = Control(c);
    if (auto* l = qobject_cast<QLabel*>(w)) {
        const QString t = FromCore(text);
        if (l->text() != t) { // a label repaints on every setText
            l->setText(t);
            // A screen reader reads the label's name, then this: the reading itself.
            l->setAccessibleDescription(t);
        }
    } else if (auto* b = qobject_cast<QPushButton*>(w)) {
        b->setText(FromCore(text));
    }
}

std::string frmMain::Text(Ctl c) const {
    QWidget* w = Control(c);
    if (auto* l = qobject_cast<QLabel*>(w)) {
        return ToCore(l->text());
    }
    if (auto* b = qobject_cast<QComboBox*>(w)) {
        return ToCore(b->currentText());
    }
    if (auto* b = qobject_cast<QPushButton*>(w)) {
        return ToCore(b->text());
    }
    return {};
}

void frmMain::ReaderName(Ctl c, const std::string& name) {
    const QString n = FromCore(name);
    if (Control(c)->accessibleName() != n) { // each change is an event to the reader
        Control(c)->setAccessibleName(n);
    }
}

void frmMain::ReaderText(Ctl c, const std::string& text) {
    const QString t = FromCore(text);
    if (Control(c)->accessibleDescription() != t) {
        Control(c)->setAccessibleDescription(t);
    }
}

void frmMain::Visible(Ctl c, bool on) {
    Control(c)->setVisible(on);
}

bool frmMain::Visible(Ctl c) const {
    return !Control(c)->isHidden();
}

void frmMain::ForeColor(Ctl c, int32_t color) {
    QWidget* w = Control(c);
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, ColorOf(color));
    w->setPalette(pal);
}

void frmMain::BackColor(Ctl c, int32_t color) {
    QWidget* w = Control(c);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, ColorOf(color));
    w->setPalette(pal);
}

void frmMain::Place(Ctl c, const TwipsRect& r) {
    QWidget* w = Control(c);
    w->setGeometry(Px(central_, r.Left), Px(central_, r.Top), Px(central_, r.Width),
                   Px(central_, r.Height));
    if (auto* g = qobject_cast<GraphPicture*>(w)) {
        // A hidden picture gets no resize event; its surface must follow now.
        g->Surface().Resize(g->width(), g->height());
    }
}

TwipsRect frmMain::Placed(Ctl c) const {
    const QRect g = Control(c)->geometry();
    return {Twips(central_, g.x()), Twips(central_, g.y()), Twips(central_, g.width()),
            Twips(central_, g.height())};
}

void frmMain::Items(Ctl c, const std::vector<std::string>& items) {
    QStringList list;
    for (const std::string& s : items) {
        list << FromCore(s);
    }
    if (auto* b = qobject_cast<QComboBox*>(Control(c))) {
        b->clear();
        b->addItems(list);
    } else if (auto* l = qobject_cast<QListWidget*>(Control(c))) {
        l->clear();
        l->addItems(list);
    }
}

void frmMain::AddItem(Ctl c, const std::string& item) {
    if (auto* b = qobject_cast<QComboBox*>(Control(c))) {
        b->addItem(FromCore(item));
    }
}

bool frmMain::Select(Ctl c, const std::string& text) {
    auto* b = qobject_cast<QComboBox*>(Control(c));
    const int i = b != nullptr ? b->findText(FromCore(text)) : -1;
    if (i >= 0) {
        b->setCurrentIndex(i);
    }
    return i >= 0;
}

int frmMain::ItemCount(Ctl c) const {
    auto* b = qobject_cast<QComboBox*>(Control(c));
    return b != nullptr ? b->count() : 0;
}

void frmMain::SelectIndex(Ctl c, int index) {
    if (auto* b = qobject_cast<QComboBox*>(Control(c))) {
        b->setCurrentIndex(index);
    }
}

void frmMain::Progress(int value) {
    auto* p = qobject_cast<QProgressBar*>(Control(Ctl::ProgressBar1));
    p->setValue(value);
    p->repaint();
}

void frmMain::Checked(Act a, bool on) {
    Action(a)->setChecked(on);
}

bool frmMain::Checked(Act a) const {
    return Action(a)->isChecked();
}

void frmMain::Enabled(Act a, bool on) {
    Action(a)->setEnabled(on);
}

bool frmMain::Enabled(Act a) const {
    return Action(a)->isEnabled();
}

void frmMain::Visible(Act a, bool on) {
    Action(a)->setVisible(on);
}

void frmMain::Caption(Act a, const std::string& text) {
    Action(a)->setText(FromCore(text));
}

void frmMain::StatusText(const std::string& text) {
    status_->setText(FromCore(text));
    status_->setAccessibleDescription(status_->text());
    statusBar()->repaint();
}

void frmMain::StatusBarVisible(bool on) {
    statusBar()->setVisible(on);
}

void frmMain::ToolBarVisible(bool on) {
    toolBar_->setVisible(on);
}

void frmMain::BusyPointer(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        return;
    }
    while (QApplication::overrideCursor() != nullptr) {
        QApplication::restoreOverrideCursor();
    }
}

void frmMain::Caption(const std::string& text) {
    setWindowTitle(FromCore(text));
}

void frmMain::BackgroundColor(int32_t color) {
    QPalette pal = central_->palette();
    pal.setColor(QPalette::Window, ColorOf(color));
    central_->setPalette(pal);
}

double frmMain::ClientWidth() const {
    return Twips(central_, central_->width());
}

double frmMain::ClientHeight() const {
    return Twips(central_, central_->height());
}

WindowPlacement frmMain::Placement() const {
    return {Twips(this, x()), Twips(this, y()), Twips(this, width()), Twips(this, height()),
            isMinimized()   ? 1
            : isMaximized() ? 2
                            : 0};
}

void frmMain::Placement(const WindowPlacement& p) {
    QRect r(Px(this, p.Left), Px(this, p.Top), std::max(200, Px(this, p.Width)),
            std::max(150, Px(this, p.Height)));
    // A position saved on a monitor that has been unplugged since is brought back onto the
    // nearest screen.
    const QList<QScreen*> screens = QGuiApplication::screens();
    const bool visible = std::any_of(screens.begin(), screens.end(), [&r](QScreen* s) {
        return s->availableGeometry().intersects(r.adjusted(0, 0, -r.width() / 2, -20));
    });
    if (!visible && !screens.isEmpty()) {
        auto distance = [&r](QScreen* s) {
            const QPoint d = s->availableGeometry().center() - r.center();
            return d.manhattanLength();
        };
        const QRect area =
            (*std::min_element(screens.begin(), screens.end(), [&](QScreen* a, QScreen* b) {
                return distance(a) < distance(b);
            }))->availableGeometry();
        r.setSize(r.size().boundedTo(area.size()));
        r.moveTopLeft({std::clamp(r.x(), area.left(), area.right() - r.width() + 1),
                       std::clamp(r.y(), area.top(), area.bottom() - r.height() + 1)});
    }
    move(r.topLeft());
    resize(r.size());
    if (p.State == 2) {
        setWindowState(Qt::WindowMaximized);
    }
}

DrawingSurface& frmMain::Surface(Ctl picture) {
    return Picture(picture)->Surface();
}

void frmMain::ShowZoomBand(const ZoomBand& band) {
    Picture(Ctl::Picture1)->ShowBand(band);
}

void frmMain::HideZoomBand() {
    Picture(Ctl::Picture1)->HideBand();
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (core_->Waiting()) {
        // Closing inside the splash or the laser-off pause would run the shutdown within
        // itself; ask again once the wait is over.
        event->ignore();
        QTimer::singleShot(50, this, [this] { close(); });
        return;
    }
    // Unsaved readings are asked about first; Cancel keeps the window.
    if (!core_->State().Unloaded && !core_->QueryUnload()) {
        event->ignore();
        return;
    }
    Unload(true);
    event->accept();
}

void frmMain::EndWithoutQuestion() {
    Unload(false);
    close();
}

void frmMain::Unload(bool ask) {
    if (core_->State().Unloaded) {
        return;
    }
    core_->Unload(ask);
    emit Unloaded();
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (core_ && !isMinimized()) {
        core_->OnResize();
    }
}

void frmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && core_) {
        core_->OnActivate();
    }
}

} // namespace vireon
