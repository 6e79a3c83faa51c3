// The survey report as a real PDF: its text read back with pdftotext holds every figure and
// note, page 1 rendered with pdftoppm shows the time graph drawn across the page, and the
// program's --report and --help on the command line.

#include "common/numfmt.h"
#include "display/core/SurveyReport.h"
#include "display/qt/PdfReport.h"
#include "support/TempDir.h"

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace vireon::test {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome Start(const QString& program, const QStringList& args, const QStringList& env = {}) {
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString& kv : env) {
        e.insert(kv.section('=', 0, 0), kv.section('=', 1));
    }
    p.setProcessEnvironment(e);
    p.start(program, args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
}

// Runs of blanks and line ends as one space: pdftotext breaks lines where the page does.
std::string Folded(const std::string& text) {
    std::string out;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f';
        if (!blank || (!out.empty() && out.back() != ' ')) {
            out += blank ? ' ' : c;
        }
    }
    return out;
}

bool HaveTools() {
    return !QStandardPaths::findExecutable("pdftotext").isEmpty() &&
           !QStandardPaths::findExecutable("pdftoppm").isEmpty();
}

// Ten minutes at two samples a second through midnight: the axes swing, the total passes the
// alarm level for a while.
SurveyLog KnownLog() {
    SurveyLog log;
    log.LogColumnMode = 1;
    log.LogUnits = "V/m";
    log.GraphScale = "0-100";
    log.ProbeModel = "KD-7310";
    log.Notes = {{"Operator", "Ren\xe9 M\xfcller"}, {"Site", "Roof, north mast"}};
    for (int i = 0; i < 1200; ++i) {
        const double s = 86400 - 300 + i / 2;
        const auto x = static_cast<float>(20 + 15 * std::sin(i / 40.0));
        const auto y = static_cast<float>(10 + 8 * std::sin(i / 25.0 + 1));
        const auto z = static_cast<float>(5 + 4 * std::sin(i / 60.0));
        log.Rows.push_back({static_cast<float>(std::fmod(s, 86400.0) / 86400.0),
                            std::sqrt(x * x + y * y + z * z), x, y, z});
    }
    return log;
}

TEST(PdfReport, EveryFigureAndNoteIsTextAndTheGraphIsDrawn) {
    if (!HaveTools()) {
        GTEST_SKIP() << "poppler-utils (pdftotext, pdftoppm) not installed";
    }
    testing::TempDir dir;
    ReportContext ctx;
    ctx.ReportDate = "2026-06-12 14:05";
    ctx.LogFile = dir.Path() / "survey.csv";
    ctx.SerialNo = "00012345";
    ctx.AlarmEnabled = true;
    ctx.AlarmLevel = 35;
    ctx.AlarmUnits = "V/m";
    ctx.SettingsSource = "set in the program";
    const SurveyReport report = BuildSurveyReport(KnownLog(), ctx);
    PdfReportPrinter printer;
    const fs::path pdf = dir.Path() / "survey.pdf";
    ASSERT_TRUE(WriteSurveyReport(report, pdf, printer).Ok);

    const QString file = QString::fromStdString(pdf.string());
    const Outcome text = Start("pdftotext", {file, "-"});
    ASSERT_EQ(text.status, 0) << text.err;
    const std::string words = Folded(text.out);
    std::vector<std::string> wanted = {"Survey report", "Ren\xc3\xa9 M\xc3\xbcller",
                                       "Roof, north mast", "00012345"};
    for (const ReportSection& s : report.Sections) {
        for (const ReportField& f : s.Fields) {
            wanted.push_back(Cp1252ToUtf8(f.Value));
        }
        for (const auto& row : s.Table) {
            wanted.insert(wanted.end(), row.begin(), row.end());
        }
    }
    for (const std::string& w : wanted) {
        EXPECT_NE(words.find(Folded(w)), std::string::npos) << "not in the PDF's text: " << w;
    }
    EXPECT_NE(words.find("23:55:00"), std::string::npos) << "the start";
    EXPECT_NE(words.find("00:04:59 (next day)"), std::string::npos) << "the end";

    const Outcome info = Start("pdfinfo", {file});
    EXPECT_NE(Folded(info.out).find("Pages: 1 "), std::string::npos) << info.out;

    // Page 1: the Y trace (magenta, far below the scale's top, so that its bar is short) runs
    // across most of the page's width.
    const QString root = QString::fromStdString((dir.Path() / "page").string());
    ASSERT_EQ(Start("pdftoppm", {"-r", "100", "-f", "1", "-l", "1", file, root}).status, 0);
    const QImage page(root + "-1.ppm");
    ASSERT_FALSE(page.isNull());
    std::set<int> yColumns;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            if (c.red() > c.green() + 50 && c.blue() > c.green() + 50) {
                yColumns.insert(x);
            }
        }
    }
    EXPECT_GT(static_cast<int>(yColumns.size()), page.width() * 6 / 10);
}

TEST(PdfReport, TheCommandLineWritesAReportOrSaysWhyNot) {
    testing::TempDir dir;
    const QString program = VIREON2_PATH;
    const Outcome help = Start(program, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--report LOG.csv [OUT.pdf]"), std::string::npos) << help.out;

    const fs::path missing = dir.Path() / "missing.csv";
    const Outcome refused = Start(program, {"--report", QString::fromStdString(missing.string())});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("missing.csv"), std::string::npos) << refused.err;
    EXPECT_FALSE(fs::exists(dir.Path() / "missing.pdf"));
    EXPECT_EQ(Start(program, {"--report"}).status, 2);

    auto log = std::make_unique<LogModel>();
    log->LogUnits = "V/m";
    log->RecordCnt = 2;
    log->LogData[1] = {0.5F, 3.0F, 0, 0, 0};
    log->LogData[2] = {0.5F, 30.0F, 0, 0, 0};
    ASSERT_TRUE(SaveData(*log, dir.Path() / "s.csv", {}).Ok);
    // Where the locale measures in US units, the paper is Letter.
    const Outcome made = Start(program, {"--report", QString::fromStdString((dir / "s.csv"))},
                               {"LC_ALL=en_US.UTF-8", "LANG=en_US.UTF-8"});
    EXPECT_EQ(made.status, 0) << made.err;
    if (HaveTools()) {
        const Outcome info = Start("pdfinfo", {QString::fromStdString(dir / "s.pdf")});
        EXPECT_NE(info.out.find("(letter)"), std::string::npos) << info.out;
    } else {
        EXPECT_TRUE(fs::exists(dir.Path() / "s.pdf"));
    }
}

} // namespace
} // namespace vireon::test
