// The survey report as a real PDF: its text read back with pdftotext holds every figure and
// note, page 1 rendered with pdftoppm shows the time graph drawn across the page, and the
// program's --report and --help on the command line.

#include "common/numfmt.h"
#include "display/core/SurveyReport.h"
#include "display/qt/PdfReport.h"
#include "support/TempDir.h"

#include <QImage>
#include <QProcess>
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

// The program's run; `env` adds variables to the test's own.
Outcome Start(const QString& program, const QStringList& args, const QStringList& env = {}) {
    QProcess p;
    p.setEnvironment(env + QProcess::systemEnvironment()); // the first of a name counts
    p.start(program, args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
}

// Blanks and line ends as single spaces: pdftotext breaks lines where the page does.
std::string Folded(const std::string& text) {
    return QString::fromStdString(text).simplified().toStdString();
}

QString Q(const fs::path& p) {
    return QString::fromStdString(p.string());
}

#define SKIP_WITHOUT_POPPLER()                                                                     \
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty()) {                                    \
        GTEST_SKIP() << "poppler-utils (pdftotext, pdftoppm, pdfinfo) not installed";              \
    }

TEST(PdfReport, EveryFigureAndNoteIsTextAndTheGraphIsDrawn) {
    SKIP_WITHOUT_POPPLER();
    // Ten minutes at two samples a second through midnight; the total passes the alarm level
    // for a while.
    SurveyLog log;
    log.LogColumnMode = 1;
    log.LogUnits = "V/m";
    log.GraphScale = "0-100";
    log.Notes = {{"Operator", "Ren\xe9 M\xfcller"}, {"Site", "Roof, north mast"}};
    for (int i = 0; i < 1200; ++i) {
        const auto x = static_cast<float>(20 + 15 * std::sin(i / 40.0));
        const auto y = static_cast<float>(10 + 8 * std::sin(i / 25.0 + 1));
        const auto z = static_cast<float>(5 + 4 * std::sin(i / 60.0));
        log.Rows.push_back({static_cast<float>(std::fmod(86100 + i / 2, 86400) / 86400.0),
                            std::sqrt(x * x + y * y + z * z), x, y, z});
    }
    testing::TempDir dir;
    ReportContext ctx;
    ctx.LogFile = dir.Path() / "survey.csv";
    ctx.SerialNo = "00012345";
    ctx.AlarmEnabled = true;
    ctx.AlarmLevel = 35;
    ctx.AlarmUnits = "V/m";
    const SurveyReport report = BuildSurveyReport(log, ctx);
    PdfReportPrinter printer;
    const fs::path pdf = dir.Path() / "survey.pdf";
    ASSERT_TRUE(WriteSurveyReport(report, pdf, printer).Ok);

    const Outcome text = Start("pdftotext", {Q(pdf), "-"});
    ASSERT_EQ(text.status, 0) << text.err;
    std::vector<std::string> wanted = {"00:04:59 (next day)"};
    for (const ReportSection& s : report.Sections) {
        for (const ReportField& f : s.Fields) {
            wanted.push_back(f.Value);
        }
        for (const auto& row : s.Table) {
            wanted.insert(wanted.end(), row.begin(), row.end());
        }
    }
    for (const std::string& w : wanted) {
        EXPECT_NE(Folded(text.out).find(Folded(Cp1252ToUtf8(w))), std::string::npos)
            << "not in the PDF's text: " << w;
    }
    EXPECT_NE(Folded(Start("pdfinfo", {Q(pdf)}).out).find("Pages: 1 "), std::string::npos);

    // Page 1: the Y trace (magenta, far below the scale's top, so that its bar is short) runs
    // across most of the page's width.
    ASSERT_EQ(
        Start("pdftoppm", {"-r", "100", "-f", "1", "-l", "1", Q(pdf), Q(dir.Path() / "p")}).status,
        0);
    const QImage page(Q(dir.Path() / "p-1.ppm"));
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
    SKIP_WITHOUT_POPPLER();
    testing::TempDir dir;
    const QString program = VIREON2_PATH;
    const Outcome help = Start(program, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--report LOG.csv [OUT.pdf]"), std::string::npos) << help.out;
    const Outcome refused = Start(program, {"--report", Q(dir.Path() / "missing.csv")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("missing.csv"), std::string::npos) << refused.err;
    EXPECT_EQ(Start(program, {"--report"}).status, 2);

    auto log = std::make_unique<LogModel>();
    log->RecordCnt = 1;
    ASSERT_TRUE(SaveData(*log, dir.Path() / "s.csv", {}).Ok);
    // Where the locale measures in US units, the paper is Letter.
    const Outcome made = Start(program, {"--report", Q(dir.Path() / "s.csv")},
                               {"LC_ALL=en_US.UTF-8", "LANG=en_US.UTF-8"});
    EXPECT_EQ(made.status, 0) << made.err;
    EXPECT_NE(Start("pdfinfo", {Q(dir.Path() / "s.pdf")}).out.find("(letter)"), std::string::npos);
}

} // namespace
} // namespace vireon::test
