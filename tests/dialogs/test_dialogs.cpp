// The small windows and the Qt side of the prompts, with real widgets on the offscreen
// platform: what they show, what their buttons answer, and that a notice never waits.

#include "acquisition/QtTiming.h"
#include "dialogs/Dialogs.h"
#include "dialogs/ProgramEnd.h"
#include "display/qt/CoreText.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace vireon {
namespace {

QString TextOf(QWidget& w, const char* name) {
    auto* l = w.findChild<QLabel*>(name);
    return l != nullptr ? l->text() : QString("<missing %1>").arg(name);
}

QList<QMessageBox*> OpenBoxes() {
    QList<QMessageBox*> boxes;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* b = qobject_cast<QMessageBox*>(w); b != nullptr && b->isVisible()) {
            boxes << b;
        }
    }
    return boxes;
}

TEST(Dialogs, AboutSaysUnknownUntilTheProbeHasTold) {
    frmAbout before(ProbeDescription{"", "", "", ""});
    EXPECT_EQ(TextOf(before, "LabModel"), "Unknown");
    EXPECT_EQ(TextOf(before, "LabProbeCalDate"), "Unknown");
    frmAbout after(ProbeDescription{"KD-7310", "00012345", "0730200300", "06/15/2026"});
    EXPECT_EQ(TextOf(after, "LabModel"), "KD-7310");
    EXPECT_EQ(TextOf(after, "LabProbeSerialNo"), "00012345");
}

TEST(Dialogs, CautionAnswersOkOrCancelAndThePortChooserItsChoice) {
    for (const char* button : {"CmdOK", "CmdCancel"}) {
        frmlaserwarning caution;
        QTimer::singleShot(
            0, &caution, [&caution, button] { caution.findChild<QPushButton*>(button)->click(); });
        EXPECT_EQ(caution.exec(),
                  button == std::string("CmdOK") ? QDialog::Accepted : QDialog::Rejected);
    }
    frmPort port(2);
    EXPECT_EQ(port.windowTitle(), "Select a Comm Port");
    EXPECT_TRUE(port.findChild<QRadioButton*>("OptCom2")->isChecked());
    QTimer::singleShot(0, &port, [&port] {
        port.findChild<QRadioButton*>("OpCom4")->click();
        port.findChild<QPushButton*>("Command1")->click();
    });
    port.exec();
    EXPECT_EQ(port.Chosen(), 4);
}

// A notice returns at once and stays open beside the window; the board shows a text once
// while it is open, and again once it has been closed.
TEST(Dialogs, NoticesDoNotWaitAndDoNotStack) {
    QtUserPrompts prompts;
    NoticeBoard board(prompts);
    board.Show("Error in reading probe.", MsgIcon::None);
    board.Show("Error in reading probe.", MsgIcon::None);
    QApplication::processEvents();
    QList<QMessageBox*> boxes = OpenBoxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0]->text(), "Error in reading probe.");
    EXPECT_FALSE(boxes[0]->isModal());
    boxes[0]->button(QMessageBox::Ok)->click();
    QApplication::processEvents();
    EXPECT_FALSE(board.Showing("Error in reading probe."));
    board.Show("Error in reading probe.", MsgIcon::None);
    QApplication::processEvents();
    EXPECT_EQ(OpenBoxes().size(), 1);
    for (QMessageBox* b : OpenBoxes()) {
        b->close();
    }
}

// The unsaved-log question shows Save, Discard and Cancel and answers Yes, No and Cancel.
TEST(Dialogs, SaveDiscardCancelAnswers) {
    const std::pair<QMessageBox::StandardButton, MsgResult> cases[] = {
        {QMessageBox::Save, MsgResult::Yes},
        {QMessageBox::Discard, MsgResult::No},
        {QMessageBox::Cancel, MsgResult::Cancel}};
    for (const auto& [button, answer] : cases) {
        QtUserPrompts prompts;
        QTimer::singleShot(0, [button = button] {
            for (QMessageBox* b : OpenBoxes()) {
                b->button(button)->click();
            }
        });
        EXPECT_EQ(prompts.MsgBox("Save them now?", MsgIcon::Question, MsgButtons::SaveDiscardCancel,
                                 "Unsaved Log"),
                  answer);
    }
}

// A name typed without a suffix gets ".csv" inside the dialog, whose question before a file is
// replaced is then about the file that will be written.
TEST(Dialogs, SaveAsGivesTheSuffixBeforeItAsksAboutReplacing) {
    const QString dir = QString::fromStdString(testing::TempDir()) + "save-as-test/";
    QDir().mkpath(dir);
    QFile(dir + "survey.csv").open(QIODevice::WriteOnly);
    QString asked;
    QTimer::singleShot(0, [&asked] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        d->findChild<QLineEdit*>("fileNameEdit")->setText("survey");
        QTimer::singleShot(0, [&asked] {
            for (QMessageBox* b : OpenBoxes()) {
                asked = b->text();
                b->button(QMessageBox::Yes)->click();
            }
        });
        QMetaObject::invokeMethod(d, "accept"); // as the Save button does
    });
    EXPECT_EQ(
        QtUserPrompts().SaveFileName("File Save as", "CSV Files (*.csv)|*.csv", PathOf(dir), "csv"),
        PathOf(dir + "survey.csv"));
    EXPECT_TRUE(asked.startsWith("survey.csv already exists")) << asked.toStdString();
    QDir(dir).removeRecursively();
}

// An end asked for while a question is open: the question comes back unanswered (not "No"),
// a later one waits for no one, and the shutdown runs once the asker is done.
TEST(Dialogs, AnEndAskedForDuringAQuestionLeavesItUnansweredAndWaitsForTheAsker) {
    QtUserPrompts prompts;
    std::vector<std::string> order;
    QEventLoop program;
    ProgramEnd end([&] {
        order.emplace_back("shutdown");
        program.quit();
    });
    end.OutermostLoop(QThread::currentThread()->loopLevel() + 1);
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [&] { order.emplace_back(std::to_string(OpenBoxes().size())); });
        QTimer::singleShot(0, &end, &ProgramEnd::Request);
        const bool answered = prompts.MsgBox("Recover?", MsgIcon::Question, MsgButtons::YesNo,
                                             "") != MsgResult::Cancel;
        order.emplace_back(answered ? "answered" : "unanswered");
        order.emplace_back(prompts.InputBox("Site?", "", "Roof") ? "typed" : "not typed");
    });
    program.exec();
    EXPECT_EQ(order, (std::vector<std::string>{"1", "unanswered", "not typed", "shutdown"}));
}

// The editor's own words are split without a shell; the file stays one argument whatever it
// holds, so a path cannot run commands.
TEST(Dialogs, TheEditorGetsThePathAsOneArgument) {
    const QString odd = "/tmp/a b;$(touch pwned)'\"/testquery.txt";
    const std::tuple<QString, QString, QStringList> cases[] = {
        {"code --wait", "vi", {"code", "--wait", odd}},
        {"", "\"/opt/my editor/ed\" -n", {"/opt/my editor/ed", "-n", odd}},
        {"", "", {"xdg-open", odd}},
    };
    for (const auto& [visual, editor, command] : cases) {
        EXPECT_EQ(EditorCommand(visual, editor, odd), command);
    }
    // Started for real: a stand-in editor writes down the arguments it was given.
    const QString dir = QString::fromStdString(testing::TempDir()) + "editor-test";
    QDir().mkpath(dir + "/a b;$(touch pwned)");
    const QString script = dir + "/ed.sh";
    const QString out = dir + "/args";
    QFile f(script);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(("#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + out + "'\n").toUtf8());
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("VISUAL", script.toUtf8());
    const QString file = dir + "/a b;$(touch pwned)/testquery.txt";
    QtDesktop desktop;
    ASSERT_TRUE(desktop.StartEditor(PathOf(file)));
    QFile args(out);
    for (int i = 0; i < 200 && !args.exists(); ++i) {
        QThread::msleep(10);
    }
    QThread::msleep(50);
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(args.readAll()), file + "\n");
    EXPECT_FALSE(QFile::exists("pwned"));
    qunsetenv("VISUAL");
    QDir(dir).removeRecursively();
}

// The splash and the pause between the two laser-off commands wait without freezing the
// window: timers keep running during the wait.
TEST(Dialogs, ADelayKeepsTheEventLoopRunning) {
    QtClock clock;
    int ticks = 0;
    QTimer t;
    QObject::connect(&t, &QTimer::timeout, [&ticks] { ++ticks; });
    t.start(5);
    const double before = clock.MonotonicMs();
    clock.Delay(100.0F);
    EXPECT_GE(clock.MonotonicMs() - before, 99.0);
    EXPECT_GT(ticks, 0);
}

} // namespace
} // namespace vireon
