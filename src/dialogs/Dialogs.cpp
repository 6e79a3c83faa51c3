#include "dialogs/Dialogs.h"

#include "common/paths.h"
#include "common/version.h"

#include "dialogs/frmOptions.h"

#include "display/qt/CoreText.h"

#include <QApplication>
#include <QButtonGroup>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <QVBoxLayout>

namespace vireon {

namespace {
const char* kTitle = "Vireon II";

// "CSV Files (*.csv)|*.csv|All Files (*.*)|*.*" as Qt writes it: "CSV Files (*.csv);;...".
QString QtFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList out;
    for (int i = 0; i < parts.size(); i += 2) {
        out << parts[i];
    }
    return out.join(";;");
}

QMessageBox::Icon IconOf(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

QString ProgramVersion() {
    return QString::fromStdString(VersionText());
}

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("frmSplash");
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 64));
    pal.setColor(QPalette::WindowText, QColor(0, 255, 255));
    setPalette(pal);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(kTitle, this);
    QFont f = title->font();
    f.setPointSize(28);
    f.setBold(true);
    title->setFont(f);
    title->setAlignment(Qt::AlignCenter);
    auto* sub = new QLabel("Isotropic field probe monitor", this);
    sub->setAlignment(Qt::AlignCenter);
    rev_ = new QLabel("Rev " + ProgramVersion(), this);
    rev_->setObjectName("lblRev");
    rev_->setAlignment(Qt::AlignCenter);
    layout->addStretch();
    layout->addWidget(title);
    layout->addWidget(sub);
    layout->addStretch();
    layout->addWidget(rev_);
    resize(480, 280);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->geometry().center() - rect().center());
    }
}

frmAbout::frmAbout(const ProbeDescription& probe, QWidget* parent) : QDialog(parent) {
    setObjectName("frmAbout");
    setWindowTitle(QString("About ") + kTitle);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(kTitle, this);
    title->setObjectName("lblTitle");
    QFont f = title->font();
    f.setPointSize(16);
    f.setBold(true);
    title->setFont(f);
    auto* version = new QLabel("Version " + ProgramVersion(), this);
    version->setObjectName("lblVersion");
    layout->addWidget(title);
    layout->addWidget(version);
    auto* frame = new QGroupBox("Probe Description", this);
    auto* grid = new QGridLayout(frame);
    const std::pair<const char*, std::pair<const char*, std::string>> rows[] = {
        {"Model", {"LabModel", probe.Model}},
        {"Serial Number", {"LabProbeSerialNo", probe.SerialNo}},
        {"Software Version", {"LabProbeSoftRev", probe.SoftRev}},
        {"Calibration Date", {"LabProbeCalDate", probe.CalDate}},
    };
    int r = 0;
    for (const auto& [caption, value] : rows) {
        grid->addWidget(new QLabel(caption, frame), r, 0);
        auto* v = new QLabel(FromCore(value.second.empty() ? std::string("Unknown") : value.second),
                             frame);
        v->setObjectName(value.first);
        grid->addWidget(v, r, 1);
        ++r;
    }
    layout->addWidget(frame);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("cmdOK");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

frmPort::frmPort(int16_t current, QWidget* parent) : QDialog(parent), chosen_(current) {
    setObjectName("frmPort");
    setWindowTitle("Select a Comm Port");
    auto* layout = new QVBoxLayout(this);
    auto* frame = new QGroupBox("Port Number", this);
    auto* col = new QVBoxLayout(frame);
    const char* names[] = {"OptCom1", "OptCom2", "OptCom3", "OpCom4", "OpCom5", "OpCom6"};
    for (int i = 0; i < 6; ++i) {
        auto* b = new QRadioButton(QString("Comm%1").arg(i + 1), frame);
        b->setObjectName(names[i]);
        b->setChecked(current == i + 1);
        connect(b, &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) {
                chosen_ = static_cast<int16_t>(i + 1);
            }
        });
        col->addWidget(b);
    }
    layout->addWidget(frame);
    auto* go = new QPushButton("Continue", this);
    go->setObjectName("Command1");
    connect(go, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(go);
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->geometry().center() - rect().center());
    }
}

const char* frmlaserwarning::kWarning =
    "CAUTION:  Before starting the laser, verify that all fiber optic cables are connected "
    "firmly and securely, and then press OK to continue.  Under normal use, laser radiation is "
    "completely contained within the system.";

frmlaserwarning::frmlaserwarning(QWidget* parent) : QDialog(parent) {
    setObjectName("frmlaserwarning");
    setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout();
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(48, 48));
    row->addWidget(icon, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout();
    auto* caution = new QLabel("CAUTION:", this);
    caution->setObjectName("LabCaution");
    QFont f = caution->font();
    f.setBold(true);
    caution->setFont(f);
    auto* warning = new QLabel(kWarning, this);
    warning->setObjectName("LabWarning");
    warning->setWordWrap(true);
    warning->setMinimumWidth(380);
    texts->addWidget(caution);
    texts->addWidget(warning);
    row->addLayout(texts);
    layout->addLayout(row);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("CmdOK");
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("CmdCancel");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
}

void QtWindowDialogs::ShowSplash() {
    splash_ = new frmSplash();
    splash_->setAttribute(Qt::WA_DeleteOnClose);
    splash_->show();
    splash_->raise();
}

void QtWindowDialogs::UnloadSplash() {
    if (splash_) {
        splash_->close();
    }
}

int16_t QtWindowDialogs::ChoosePort(int16_t current) {
    frmPort dlg(current, owner_);
    dlg.exec();
    return dlg.Chosen();
}

bool QtWindowDialogs::LaserCaution() {
    frmlaserwarning dlg(owner_);
    return dlg.exec() == QDialog::Accepted;
}

void QtWindowDialogs::ShowAbout(const ProbeDescription& probe) {
    frmAbout dlg(probe, owner_);
    dlg.exec();
}

void QtWindowDialogs::ShowOptions(Options& options, UserPrompts& prompts) {
    frmOptions dlg(options, prompts, owner_);
    dlg.adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        dlg.move(screen->geometry().center() - dlg.rect().center());
    }
    dlg.exec();
}

void QtWindowDialogs::UnloadAll() {
    const auto windows = QApplication::topLevelWidgets();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        if (*it != owner_ && (*it)->isVisible()) {
            (*it)->close();
        }
    }
}

MsgResult QtUserPrompts::MsgBox(const std::string& text, MsgIcon icon, MsgButtons buttons,
                                const std::string& title) {
    QMessageBox box(owner_);
    box.setWindowTitle(title.empty() ? QString(kTitle) : FromCore(title));
    box.setText(FromCore(text));
    box.setIcon(IconOf(icon));
    switch (buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case MsgButtons::SaveDiscardCancel:
        box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Save);
        break;
    }
    const int answer = box.exec();
    if (box.clickedButton() == nullptr) {
        return MsgResult::Cancel; // closed unanswered: the program is ending
    }
    switch (answer) {
    case QMessageBox::Yes:
    case QMessageBox::Save:
        return MsgResult::Yes;
    case QMessageBox::No:
    case QMessageBox::Discard:
        return MsgResult::No;
    case QMessageBox::Cancel:
        return MsgResult::Cancel;
    default:
        return MsgResult::Ok;
    }
}

std::optional<std::string> QtUserPrompts::InputBox(const std::string& prompt,
                                                   const std::string& title,
                                                   const std::string& defaultText) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(owner_, title.empty() ? QString(kTitle) : FromCore(title),
                              FromCore(prompt), QLineEdit::Normal, FromCore(defaultText), &ok);
    if (!ok) {
        return std::nullopt;
    }
    return ToCore(text);
}

void QtUserPrompts::Notice(const std::string& text, MsgIcon icon, std::function<void()> closed) {
    // Not modal to the application: the read cycle and the window go on while it is open.
    auto* box = new QMessageBox(IconOf(icon), kTitle, FromCore(text), QMessageBox::Ok, owner_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    QObject::connect(box, &QMessageBox::finished, box, [closed = std::move(closed)] {
        if (closed) {
            closed();
        }
    });
    box->show();
}

std::optional<std::filesystem::path>
QtUserPrompts::OpenFileName(const std::string& title, const std::string& filter,
                            const std::filesystem::path& folder) {
    const QString f =
        QFileDialog::getOpenFileName(owner_, FromCore(title), FromPath(folder), QtFilter(filter));
    if (f.isEmpty()) {
        return std::nullopt;
    }
    return PathOf(f);
}

std::optional<std::filesystem::path>
QtUserPrompts::SaveFileName(const std::string& title, const std::string& filter,
                            const std::filesystem::path& folder, const std::string& defaultSuffix) {
    // The suffix is added inside the dialog, so that its question before a file is replaced is
    // about the file that will be written ("survey" typed, "survey.csv" there).
    QFileDialog dialog(owner_, FromCore(title), FromPath(folder), QtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(FromCore(defaultSuffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return PathOf(dialog.selectedFiles().constFirst());
}

std::optional<int32_t> QtUserPrompts::ChooseColor(int32_t initial) {
    const QColor c = QColorDialog::getColor(
        QColor(initial & 0xFF, (initial >> 8) & 0xFF, (initial >> 16) & 0xFF), owner_);
    if (!c.isValid()) {
        return std::nullopt;
    }
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

void QtDesktop::Beep() {
    QApplication::beep();
    // A beep leaves no trace a test could see; with this variable set each one is noted in
    // the file it names.
    static const QByteArray log = qgetenv("VIREON_BEEP_LOG");
    if (!log.isEmpty()) {
        QFile f(QString::fromLocal8Bit(log));
        if (f.open(QIODevice::Append)) {
            f.write("beep\n");
        }
    }
}

QStringList EditorCommand(const QString& visual, const QString& editor, const QString& file) {
    // The user's editor may carry its own arguments ("code --wait"); they are split as a shell
    // would split words, but no shell runs, and the file is one argument of its own, whatever
    // characters its path holds.
    for (const QString& chosen : {visual, editor}) {
        QStringList words = QProcess::splitCommand(chosen);
        if (!words.isEmpty()) {
            words << file;
            return words;
        }
    }
#ifdef Q_OS_WIN
    return {"notepad.exe", file};
#else
    return {"xdg-open", file}; // the desktop's application for text files
#endif
}

bool QtDesktop::StartEditor(const std::filesystem::path& path) {
    QStringList command = EditorCommand(qEnvironmentVariable("VISUAL"),
                                        qEnvironmentVariable("EDITOR"), FromPath(path));
    const QString program = command.takeFirst();
    return QProcess::startDetached(program, command);
}

std::filesystem::path QtDesktop::DataFolder() const {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(data);
    return PathOf(data);
}

// %APPDATA%\vireon2\Vireon II on Windows, ~/.local/share/vireon2/Vireon II on Linux.
std::filesystem::path QtDesktop::ProgramFolder() const {
    return BesideProgram(PathOf(QCoreApplication::applicationDirPath()),
                         PathOf(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));
}

} // namespace vireon
