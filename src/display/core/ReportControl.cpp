#include "display/core/ReportControl.h"

#include "display/core/Readouts.h"
#include "display/core/Recorder.h"
#include "display/core/SettingsApplier.h"

namespace vireon {

ReportContext ReportControl::Context(const std::filesystem::path& logFile) const {
    const WindowState& s = p_.s;
    ReportContext c;
    c.ReportDate = LocalTimeText("%Y-%m-%d %H:%M");
    c.LogFile = logFile;
    if (!s.LogFromFile) {
        c.SerialNo = s.ProbeSerialNo;
        c.CalDate = s.ProbeCalDate;
    }
    c.AlarmEnabled = s.AlarmEnable != 0;
    c.AlarmLevel = s.AlarmValue;
    c.AlarmUnits = Readouts::UnitsCaption(s.ProbeUnits);
    c.AverageWindowSetting = s.MinAverText;
    c.SettingsSource = "set in the program";
    c.HorizontalLines = s.DisplayHorLinesFlag == 1;
    return c;
}

void ReportControl::MnuFileReport() {
    WindowState& s = p_.s;
    SurveyLog log;
    std::filesystem::path first = s.LogFilePath;
    if (s.LogFromFile) {
        // The window holds one page of an opened log; the report covers all of them.
        p_.v.BusyPointer(true);
        SurveyLogRead read = ReadSurveyLog(s.LogFilePath);
        p_.v.BusyPointer(false);
        if (!read.Ok) {
            p_.notices.Show("No report was made. " + read.Error, MsgIcon::Exclamation);
            return;
        }
        log = std::move(read.Log);
        first = read.FirstPage;
    } else {
        log = SurveyLogOf(rec_.Log(), p_.probe.GetModel(), s.Graph.GraphScale);
    }
    // The dialog adds ".pdf" itself, so that its question before a file is replaced is about
    // the file written.
    const auto pdf = p_.prompts.SaveFileName(
        kTitle, kFilter, first.empty() ? s.DefaultSavePath : DefaultReportPath(first), "pdf");
    if (!pdf) {
        return;
    }
    p_.v.BusyPointer(true);
    const WriteResult w = WriteSurveyReport(BuildSurveyReport(log, Context(first)), *pdf, printer_);
    p_.v.BusyPointer(false);
    if (!w.Ok) {
        p_.notices.Show("The report was not written. " + w.Error, MsgIcon::Exclamation);
        return;
    }
    p_.face.StatusText("Report written to " + SettingsApplier::PathText(*pdf) + ".");
}

} // namespace vireon
