#pragma once
// File > Report...: the survey report of the log in the window, as a PDF. Offered whenever
// Save as... is and for a log opened from a file (whose every page it reads again); asks for
// the PDF's name (the log's name with ".pdf" to begin with) and writes it through a temporary
// file. A log that cannot be read or a report that cannot be written is said in a notice.

#include "display/core/RecordingParts.h"
#include "display/core/SurveyReport.h"

namespace vireon {

class Recorder;

class ReportControl {
public:
    ReportControl(RecordingParts& p, Recorder& rec, ReportPrinter& printer)
        : p_(p), rec_(rec), printer_(printer) {}

    void MnuFileReport();
    // What the window knows beyond the log: its alarm, averaging and grid settings and, for a
    // log taken in this session, the probe's serial number and calibration date.
    ReportContext Context(const std::filesystem::path& logFile) const;

    static constexpr const char* kTitle = "File Report";
    static constexpr const char* kFilter = "PDF Files (*.pdf)|*.pdf|All Files (*.*)|*.*";

private:
    RecordingParts& p_;
    Recorder& rec_;
    ReportPrinter& printer_;
};

} // namespace vireon
