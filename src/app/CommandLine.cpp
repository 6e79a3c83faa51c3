#include "app/CommandLine.h"

#include "common/numfmt.h"
#include "dialogs/Dialogs.h"
#include "display/core/SurveyReport.h"
#include "display/qt/CoreText.h"
#include "display/qt/PdfReport.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>

#include <cstdio>
#include <iostream>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vireon {

namespace {

constexpr const char* kUsage =
    "Usage: vireon2                        opens the monitor window\n"
    "       vireon2 --report LOG.csv [OUT.pdf]\n"
    "                                      writes the survey report of a saved log as a PDF\n"
    "                                      (by default the log's name with .pdf), without a\n"
    "                                      window; the alarm and averaging settings come from\n"
    "                                      the program's configuration\n"
    "       vireon2 --help                 shows this text\n";
constexpr const char* kWrongReport =
    "vireon2: --report takes a log file and, if wanted, the PDF to write\n";

int Report(int argc, char** argv) {
    // No window: the report draws on its pages only. Windows always has its desktop, whose
    // platform brings the system's fonts; elsewhere there may be no display at all.
#ifndef _WIN32
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName("Vireon II");
    QGuiApplication::setOrganizationName("vireon2");
    // Qt's reading of the arguments: on Windows the system's wide text, not argv.
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3 || args.size() > 4) {
        std::cerr << kWrongReport << kUsage;
        return 2;
    }
    std::optional<std::filesystem::path> pdf;
    if (args.size() == 4) {
        pdf = PathOf(args[3]);
    }
    PdfReportPrinter printer;
    QtDesktop desktop;
    const ReportRun run = ReportFromFile(PathOf(args[2]), pdf, desktop.ProgramFolder(), printer);
    for (const std::string& m : run.Messages) {
        std::cerr << "vireon2: " << Cp1252ToUtf8(m) << "\n";
    }
    if (run.ExitCode == 0) {
        std::cout << "vireon2: wrote " << Cp1252ToUtf8(TextOfPath(run.Written)) << "\n";
    }
    return run.ExitCode;
}

#ifdef _WIN32
// A windowed program has no console of its own: its text goes to the console it was started
// from, unless it is sent elsewhere already.
void UseParentConsole() {
    if (GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) != FILE_TYPE_UNKNOWN ||
        !AttachConsole(ATTACH_PARENT_PROCESS)) {
        return;
    }
    [[maybe_unused]] FILE* out = std::freopen("CONOUT$", "w", stdout);
    [[maybe_unused]] FILE* err = std::freopen("CONOUT$", "w", stderr);
}
#endif

} // namespace

std::optional<int> RunCommandLine(int argc, char** argv) {
    if (argc < 2) {
        return std::nullopt;
    }
#ifdef _WIN32
    UseParentConsole();
#endif
    const std::string_view first = argv[1];
    if (first == "--help" || first == "-h") {
        std::cout << kUsage;
        return 0;
    }
    if (first != "--report") {
        return std::nullopt;
    }
    if (argc < 3 || argc > 4) {
        std::cerr << kWrongReport << kUsage;
        return 2;
    }
    return Report(argc, argv);
}

} // namespace vireon
