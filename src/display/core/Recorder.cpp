#include "display/core/Recorder.h"

#include "common/numfmt.h"
#include "display/core/Lifecycle.h"
#include "display/core/LogOpen.h"
#include "display/core/MovingAverage.h"
#include "display/core/SettingsApplier.h"
#include "display/core/SurveyReport.h"
#include "files/HeaderNotes.h"

#include <algorithm>

namespace vireon {

namespace {

constexpr int32_t kWhite = RGB(255, 255, 255);
constexpr int32_t kBlack = RGB(0, 0, 0);

// Entries a log start takes away and its stop gives back; Open, its button and Play are
// taken too, since reading a file into the graph store would mix it with the running log.
constexpr Act kHeldWhileLogging[] = {Act::mnuProbe3AxisData,
                                     Act::tbZoomIn,
                                     Act::tbZoomOut,
                                     Act::mnuFileSaveAs,
                                     Act::mnuFileReport,
                                     Act::mnuProbeUnits7300,
                                     Act::mnuProbeUnits52xx,
                                     Act::mnuProbeZero,
                                     Act::mnuProbeClearPeak,
                                     Act::mnuProbeUpdateProbeBatt,
                                     Act::tbSave,
                                     Act::mnuViewExposure,
                                     Act::mnuFileOpen,
                                     Act::tbOpen,
                                     Act::mnuProbePlay};

// The max holds of the fiber or the probe object: total, X, Y, Z.
template <class Holds> std::array<float, 4> PeaksOf(const Holds& h) {
    return {h.MaxHoldXYZ(), h.MaxHoldX(), h.MaxHoldY(), h.MaxHoldZ()};
}

} // namespace

void RecordIndicator(ControlsView& v, std::string_view word) {
    struct Look {
        std::string_view word;
        const char* caption;
        int32_t text;
        int32_t lamp;
    };
    static constexpr Look kLooks[] = {
        {"Log", "Log", kWhite, RGB(255, 0, 0)},
        {"Pause", " Pause", kBlack, RGB(255, 255, 0)},
        {"Stop", "Log", kWhite, RGB(128, 128, 128)},
        {"Play", "Play", kBlack, RGB(0, 255, 255)},
    };
    for (const Look& l : kLooks) {
        if (l.word == word) {
            v.Text(Ctl::LabRecord, l.caption);
            v.ForeColor(Ctl::LabRecord, l.text);
            v.BackColor(Ctl::ShapeRecordInd, l.lamp);
        }
    }
}

std::string Thousands(int64_t n) {
    std::string digits = std::to_string(n < 0 ? -n : n);
    for (auto i = static_cast<int64_t>(digits.size()) - 3; i > 0; i -= 3) {
        digits.insert(static_cast<size_t>(i), 1, ',');
    }
    return n < 0 ? "-" + digits : digits;
}

Recorder::Recorder(RecordingParts& p, MovingAverage& ma)
    : p_(p), ma_(ma), log_(std::make_unique<LogModel>()) {
    for (Act a : {Act::mnuProbeRecordPause, Act::tbRecordPause, Act::mnuProbePlay}) {
        p_.v.Enabled(a, false);
    }
}

std::filesystem::path Recorder::PromptsPath() const {
    return p_.desktop.ProgramFolder() / std::string(kNotePromptsFileName);
}

float Recorder::Now() const {
    return TimeOfDayFraction(p_.clock.SecondsSinceMidnight());
}

void Recorder::Offer(Act a, bool on) {
    p_.v.Enabled(a, on && (!p_.offered || p_.offered(a)));
}

void Recorder::ReloadNotes() {
    log_->HeaderNotes = LoadNoteQuery(PromptsPath());
}

void Recorder::AfterLoad() {
    log_->HeaderNotes = LoadNoteQuery(PromptsPath());
    journalPath_ = p_.desktop.DataFolder() / std::string(kJournalFileName);
    std::error_code ec;
    if (!std::filesystem::exists(journalPath_, ec)) {
        return;
    }
    JournalContent j = ReadJournal(journalPath_);
    const auto n = static_cast<int32_t>(j.Rows.size());
    if (!j.Ok || (n == 0 && j.Torn)) {
        // Nothing could be read from it, yet it may hold a survey: kept aside, never deleted.
        std::string why;
        const std::filesystem::path kept = KeepAsBad(journalPath_, &why);
        const std::string journal = SettingsApplier::PathText(journalPath_);
        p_.notices.Show("The recovery journal " + journal + " could not be read. " +
                            (kept.empty()
                                 ? "It could not be moved aside (" + why +
                                       "); copy it elsewhere before the next log replaces it."
                                 : "It was kept as " + SettingsApplier::PathText(kept) + "."),
                        MsgIcon::Exclamation);
        return;
    }
    if (n == 0) {
        std::filesystem::remove(journalPath_, ec);
        return;
    }
    const std::string question = "Recover the " + Thousands(n) + " readings logged on " +
                                 j.Header.StartDate + " from " + j.Header.StartTime +
                                 " that were not saved?";
    switch (p_.prompts.MsgBox(question, MsgIcon::Question, MsgButtons::YesNo, kRecoveryTitle)) {
    case MsgResult::Yes:
        break;
    case MsgResult::No:
        std::filesystem::remove(journalPath_, ec);
        return;
    default:
        return; // left unanswered (the program is ending): offered again at the next start
    }
    // As if logging had just stopped: the rows in memory, Save as offered, the journal kept
    // until they are saved or discarded.
    LogModel& l = *log_;
    std::copy(j.Rows.begin(), j.Rows.end(), l.LogData.begin() + 1);
    l.RecordCnt = n;
    l.LogColumnMode = j.Header.LogColumnMode;
    l.LogUnits = j.Header.LogUnits;
    l.LogPeaks = j.LogPeaks;
    unsaved_ = true;
    Offer(Act::mnuFileSaveAs, true);
    Offer(Act::mnuFileReport, true);
    Offer(Act::tbSave, true);
    RecordIndicator(p_.v, "Stop");
    p_.v.Text(Ctl::LabRecordCnt, std::to_string(n));
    p_.face.StatusText("Recovered " + Thousands(n) + " readings.");
}

void Recorder::AtExit() {
    if (p_.s.RecordOn != 0) {
        StopSteps();
    }
    const WriteResult w = SaveNoteQuery(PromptsPath(), log_->HeaderNotes);
    if (!w.Ok) {
        p_.prompts.MsgBox("The test conditions could not be saved to " +
                              SettingsApplier::PathText(PromptsPath()) + ": " + w.Error,
                          MsgIcon::Exclamation, MsgButtons::Ok);
    }
}

void Recorder::ToggleRecordOn() {
    if (p_.s.RecordOn == 0) {
        if (ConfirmDiscard()) {
            StartSteps();
        }
    } else {
        StopSteps();
    }
    // A checkable entry has flipped its own mark already; it shows the state, not the click.
    p_.v.Checked(Act::mnuProbeRecord, p_.s.RecordOn != 0);
}

void Recorder::StartSteps() {
    WindowState& s = p_.s;
    WindowView& v = p_.v;
    LogModel& l = *log_;
    ma_.Reset();
    for (Act a : kHeldWhileLogging) {
        v.Enabled(a, false);
    }
    p_.readBattTemp.Enabled(false);
    v.Checked(Act::mnuProbeRecord, true);
    s.LoadedFileTag.clear();
    s.LogFilePath.clear();
    s.LogFromFile = false;
    v.Caption(Lifecycle::kTitle);
    l.RecordCnt = 0;
    p_.graph.EraseData();
    p_.bar.ClearPeak();
    p_.probe.ClearMaxHold();
    p_.kd.ClearMaxHold();
    l.LogPeaks = {};
    l.LogUnits = v.Text(Ctl::LabUnits);
    switch (p_.probe.TypeNumb()) {
    case 2:
        l.LogColumnMode = p_.probe.MultiplexOn() != 0 ? 1 : 0;
        break;
    case 3:
        l.LogColumnMode = 0;
        break;
    default:
        l.LogColumnMode = 1;
        break;
    }
    unsaved_ = false;
    if (ma_.Shown()) {
        s.RecordOn = 3;
        l.LogColumnMode = 2;
        ma_.Begin();
        v.Text(Ctl::LabMinAver, "Elasped Time");
    } else {
        s.RecordOn = 1;
        v.Enabled(Act::mnuProbeRecordPause, true);
        v.Enabled(Act::tbRecordPause, true);
    }
    RecordIndicator(v, "Log");
    p_.probe.PausePeakHold(0);
    p_.kd.PausePeakHold(0);
    StartJournal();
}

void Recorder::StopSteps() {
    WindowView& v = p_.v;
    // The caption may be caught hidden by its blink.
    if (p_.s.RecordOn == 3 || p_.s.RecordOn == 4) {
        v.Visible(Ctl::LabMinAver, true);
    }
    v.Checked(Act::tbRecordPause, false);
    StopRecording();
    p_.minAve.Enabled(false);
    RecordIndicator(v, "Stop");
    if (p_.s.BattTempUpdateInterval != 0) {
        p_.readBattTemp.Enabled(true);
    }
    for (Act a : {Act::mnuViewExposure, Act::mnuProbe3AxisData, Act::mnuFileSaveAs,
                  Act::mnuFileReport, Act::mnuProbeClearPeak, Act::mnuProbeUpdateProbeBatt,
                  Act::tbSave, Act::tbZoomOut, Act::mnuFileOpen, Act::tbOpen}) {
        Offer(a, true);
    }
    const int family = p_.probe.TypeNumb();
    if (family == 1 || family == 2) {
        Offer(family == 1 ? Act::mnuProbeUnits7300 : Act::mnuProbeUnits52xx, true);
    }
    v.Enabled(Act::tbRecordPause, false);
    p_.probe.PausePeakHold(0);
    p_.kd.PausePeakHold(0);
    EndJournal();
}

void Recorder::StopRecording() {
    p_.v.Enabled(Act::mnuProbeRecordPause, false);
    p_.v.Checked(Act::mnuProbeRecordPause, false);
    p_.s.RecordOn = 0;
    p_.v.Checked(Act::mnuProbeRecord, false);
    RecordIndicator(p_.v, "Stop");
}

void Recorder::TogglePause() {
    WindowView& v = p_.v;
    switch (p_.s.RecordOn) {
    case 1:
    case 2: {
        const bool pause = p_.s.RecordOn == 1;
        p_.s.RecordOn = pause ? 2 : 1;
        RecordIndicator(v, pause ? "Pause" : "Log");
        p_.probe.PausePeakHold(pause ? 1 : 0);
        p_.kd.PausePeakHold(pause ? 1 : 0);
        break;
    }
    case 3:
        p_.s.RecordOn = 4;
        RecordIndicator(v, "Pause");
        v.Visible(Ctl::LabMinAver, true);
        break;
    case 4:
        p_.s.RecordOn = 3;
        ma_.Reset();
        ma_.Begin();
        RecordIndicator(v, "Log");
        break;
    default:
        break;
    }
    v.Checked(Act::mnuProbeRecordPause, p_.s.RecordOn == 2);
    v.Checked(Act::tbRecordPause, p_.s.RecordOn == 2);
}

void Recorder::LabRecordClick() {
    if (p_.v.Text(Ctl::LabRecord) != "Play") {
        ToggleRecordOn();
    }
}

void Recorder::EraseLogCount() {
    if (!ConfirmDiscard()) {
        return;
    }
    log_->RecordCnt = 0;
    p_.v.Text(Ctl::LabRecordCnt, "0");
    unsaved_ = false;
    if (p_.s.RecordOn != 0) {
        StartJournal(); // the rows logged from now on, numbered from 1 again
    }
}

void Recorder::Housekeeping() {
    const std::string count = std::to_string(log_->RecordCnt);
    if (p_.v.Text(Ctl::LabRecordCnt) != count) {
        p_.v.Text(Ctl::LabRecordCnt, count);
    }
    // Rows reach the system as they come; the disk itself once a second.
    if (journal_.Active() && (++housekeepingTicks_ % 2) == 0) {
        journal_.Sync();
    }
    if (p_.s.RecordOn != 0 && !journal_.Active() && !journal_.Error().empty() &&
        !journalFailureShown_) {
        journalFailureShown_ = true;
        p_.notices.Show(journal_.Error() + " Logging goes on, but a crash would lose the log.",
                        MsgIcon::Exclamation);
    }
}

bool Recorder::RefuseDuringLogging() {
    if (p_.s.RecordOn == 0 && !p_.minAve.Enabled()) {
        return false;
    }
    p_.face.StatusText(kNotAllowed);
    return true;
}

void Recorder::OnFiberReading() {
    if (p_.s.RecordOn == 1) {
        Append({Now(), p_.kd.XYZ(), p_.kd.Xaxis(), p_.kd.Yaxis(), p_.kd.Zaxis()}, PeaksOf(p_.kd));
    }
}

void Recorder::OnProbeReading() {
    if (p_.s.RecordOn == 1) {
        const clsProbe& pr = p_.probe;
        Append({Now(), pr.XYZAxis(), pr.Xaxis(), pr.Yaxis(), pr.Zaxis()}, PeaksOf(pr));
    }
}

void Recorder::AppendAverageRow(float total, float average) {
    Append({Now(), total, average, 0, 0},
           p_.probe.TypeNumb() == 1 ? PeaksOf(p_.kd) : PeaksOf(p_.probe));
}

void Recorder::Append(const std::array<float, 5>& row, const std::array<float, 4>& peaks) {
    LogModel& l = *log_;
    if (l.RecordCnt >= kLogMaxRows) {
        return;
    }
    ++l.RecordCnt;
    l.LogData[static_cast<size_t>(l.RecordCnt)] = row;
    l.LogPeaks = peaks;
    unsaved_ = true;
    journal_.Append(row, ValueCount(l.LogColumnMode));
    journal_.Peaks(peaks);
    if (l.RecordCnt == kLogMaxRows) {
        // A full log ends as a user's stop does, and says so.
        StopSteps();
        p_.notices.Show("The log is full (" + Thousands(kLogMaxRows) +
                            " readings); logging has stopped. Save the log to keep them.",
                        MsgIcon::Information);
    }
}

void Recorder::StartJournal() {
    if (journalPath_.empty()) {
        journalPath_ = p_.desktop.DataFolder() / std::string(kJournalFileName);
    }
    JournalHeader h;
    h.StartDate = LocalTimeText("%Y-%m-%d");
    h.StartTime = FormatTimeStr(Now());
    h.LogColumnMode = log_->LogColumnMode;
    h.LogUnits = log_->LogUnits;
    h.GraphScale = p_.s.Graph.GraphScale;
    // A journal that cannot be written is said once, on the next housekeeping tick.
    journalFailureShown_ = false;
    journal_.Start(journalPath_, h);
}

void Recorder::EndJournal() {
    if (Unsaved()) {
        journal_.Close();
    } else {
        journal_.Remove();
    }
}

void Recorder::Discard() {
    unsaved_ = false;
    if (!journal_.Active() && !journalPath_.empty()) {
        std::error_code ec;
        std::filesystem::remove(journalPath_, ec);
    }
}

bool Recorder::ConfirmDiscard() {
    if (!Unsaved()) {
        return true;
    }
    const std::string question = "The log holds " + Thousands(log_->RecordCnt) +
                                 " readings that have not been saved. Save them now?";
    switch (p_.prompts.MsgBox(question, MsgIcon::Question, MsgButtons::SaveDiscardCancel,
                              kUnsavedTitle)) {
    case MsgResult::Yes:
        return MnuFileSaveAs();
    case MsgResult::No:
        Discard();
        return true;
    default:
        return false;
    }
}

bool Recorder::MnuFileSaveAs() {
    LogModel& l = *log_;
    HeaderNoteTable notes = l.HeaderNotes;
    for (int16_t i = 1; i <= notes.Count && i <= HeaderNoteTable::kMaxNotes; ++i) {
        HeaderNote& n = notes.Entry[static_cast<size_t>(i)];
        const auto answer = p_.prompts.InputBox(n.Question, kNotesTitle, n.Value);
        if (!answer) {
            return false; // Cancel ends the command; the remembered answers stay
        }
        n.Value = *answer;
    }
    const auto file = p_.prompts.SaveFileName(kSaveTitle, LogOpen::kFilter, p_.s.DefaultSavePath,
                                              std::string(kLogExtension));
    l.HeaderNotes = notes;
    if (!file) {
        return false;
    }
    const SavePlan plan = PlanSave(*file, l.RecordCnt);
    const auto failed = [this](const std::string& why) {
        p_.notices.Show("The log was not saved. " + why +
                            " The readings are still in memory; save them elsewhere.",
                        MsgIcon::Exclamation);
        return false;
    };
    if (!plan.Error.empty()) {
        return failed(plan.Error);
    }
    if (!AgreedToReplace(plan, *file)) {
        return false;
    }
    const std::filesystem::path& written = plan.Pages.front();
    p_.s.DefaultSavePath = written.parent_path();
    l.GraphScale = p_.s.Graph.GraphScale;
    p_.v.BusyPointer(true);
    const SaveResult r = SaveData(
        l, written, {LocalTimeText("%x"), LocalTimeText("%X"), p_.probe.GetModel()}, &plan);
    p_.v.BusyPointer(false);
    if (!r.Ok) {
        return failed(r.Error);
    }
    const std::string saved = SettingsApplier::PathText(written);
    p_.s.LogFilePath = written;
    p_.s.LogFromFile = false;
    p_.s.SaveFileName = saved.substr(0, saved.size() >= 4 ? saved.size() - 4 : 0);
    p_.face.StatusText(r.Status);
    for (const std::string& m : r.Messages) {
        p_.notices.Show(m, MsgIcon::Information);
    }
    Discard();
    return true;
}

bool Recorder::AgreedToReplace(const SavePlan& plan, const std::filesystem::path& chosen) {
    // The file dialog has asked about the file it returned; any other is asked about here, and
    // then the question names every file the save replaces or removes.
    const auto onlyChosen = [&chosen](const std::vector<std::filesystem::path>& files) {
        return std::all_of(files.begin(), files.end(),
                           [&chosen](const std::filesystem::path& f) { return f == chosen; });
    };
    if (onlyChosen(plan.Replaced) && plan.Removed.empty()) {
        return true;
    }
    const auto names = [](const std::vector<std::filesystem::path>& files) {
        std::string out;
        for (const std::filesystem::path& f : files) {
            out += "\n    " + SettingsApplier::PathText(f.filename());
        }
        return out;
    };
    std::string question = "Saving the log as \"" +
                           SettingsApplier::PathText(plan.Pages.front().filename()) + "\" in " +
                           SettingsApplier::PathText(plan.Pages.front().parent_path()) + "\n";
    if (!plan.Replaced.empty()) {
        question += "\nreplaces" + names(plan.Replaced) + "\n";
    }
    if (!plan.Removed.empty()) {
        question += "\nremoves the later pages of an earlier, longer log of that name:" +
                    names(plan.Removed) + "\n";
    }
    question += "\nGo ahead?";
    return p_.prompts.MsgBox(question, MsgIcon::Question, MsgButtons::YesNo, kSaveTitle) ==
           MsgResult::Yes;
}

void Recorder::TakeLoadedLog(const LoadResult& r) {
    LogModel& l = *log_;
    l.LogColumnMode = ColumnModeOf(r.ValueColumns);
    l.LogUnits = r.LogUnits.value_or(std::string());
    l.LogPeaks = {};
    const int32_t n = std::min<int32_t>(r.RecordCnt, static_cast<int32_t>(r.Table.size()) - 1);
    for (int32_t row = 1; row <= n; ++row) {
        const auto& t = r.Table[static_cast<size_t>(row)];
        auto& out = l.LogData[static_cast<size_t>(row)];
        out = {t[1], t[2], t[3], t[4], t[5]};
        for (size_t c = 0; c < 4; ++c) {
            l.LogPeaks[c] = std::max(l.LogPeaks[c], out[c + 1]);
        }
    }
    l.RecordCnt = std::max(n, 0);
    Discard();
    p_.v.Caption(Lifecycle::kTitle + p_.s.LoadedFileTag);
}

void Recorder::CopyRecordedSamples(clsGraph& graph) {
    const LogModel& l = *log_;
    const int32_t last = std::min<int32_t>(l.RecordCnt, clsGraph::kMaxNoSamples);
    for (int32_t r = std::max<int32_t>(graph.DataCnt(), 0) + 1; r <= last; ++r) {
        const auto& row = l.LogData[static_cast<size_t>(r)];
        const auto i = static_cast<int16_t>(r);
        graph.WriteData(i, 1, row[0]);
        graph.WriteData(i, 2, row[1]);
        const int16_t axes = l.LogColumnMode == 1 ? 3 : (l.LogColumnMode == 2 ? 1 : 0);
        for (int16_t k = 0; k < axes; ++k) {
            graph.WriteData(i, static_cast<int16_t>(3 + k), row[static_cast<size_t>(2 + k)]);
        }
    }
}

void Recorder::MnuViewHeaderNotes() {
    headerNotesShown_ = !headerNotesShown_;
    p_.v.Checked(Act::mnuViewHeaderNotes, headerNotesShown_);
    p_.v.Visible(Ctl::LstHeader, headerNotesShown_);
}

void Recorder::CmndEditPrompts() {
    const std::filesystem::path path = PromptsPath();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        // The editor needs a file to open; it starts with the notes in force.
        WriteFileAtomically(path, NoteQueryText(log_->HeaderNotes));
    }
    if (!p_.desktop.StartEditor(path)) {
        p_.notices.Show("No text editor could be started for " + SettingsApplier::PathText(path) +
                            ".",
                        MsgIcon::Exclamation);
    }
}

} // namespace vireon
