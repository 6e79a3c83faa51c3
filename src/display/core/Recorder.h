#pragma once
// Logging: the RecordOn state machine with its start, pause and stop steps, the rows each
// reading and each moving-average tick append, the log count, File > Save as... with the test
// conditions, the header notes, and what keeps a survey from being lost: the question before
// unsaved readings are dropped and the recovery journal offered again after a crash.

#include "display/core/RecordingParts.h"
#include "files/Journal.h"
#include "files/LogFile.h"

#include <array>
#include <filesystem>
#include <memory>
#include <string>

namespace vireon {

class MovingAverage;

class Recorder {
public:
    Recorder(RecordingParts& p, MovingAverage& ma);

    // Start-up after Main: the note prompts, then the offer of a journal left by a crash.
    void AfterLoad();
    // Before the window closes: false keeps it open (the user cancelled the question).
    bool QueryUnload() { return ConfirmDiscard(); }
    // The last steps of the shutdown: logging stopped, the journal kept only while it holds
    // readings never saved, the note answers written back.
    void AtExit();

    void ToggleRecordOn();
    void TogglePause();
    void StopRecording();
    // LabRecord and its lamp: the log switch, except while they show "Play".
    void LabRecordClick();
    // LabRecordCntLab: RecordCnt back to 0 (the rows stay until they are overwritten).
    void EraseLogCount();
    // The housekeeping tick: the count on LabRecordCnt, the journal to the disk.
    void Housekeeping();
    // Units may not change while logging or while the moving average runs: says so on the
    // status bar and returns true.
    bool RefuseDuringLogging();

    // The reading update of the fiber family (after the readouts and graphs).
    void OnFiberReading();
    // The same for the four-range and E/H families, from the probe object's values, in the
    // column mode fixed at the start (axes while a four-range probe multiplexes).
    void OnProbeReading();
    // A moving-average tick's row: the total field and the average just computed.
    void AppendAverageRow(float total, float average);
    // The note prompts read again (edited while the program runs).
    void ReloadNotes();

    // File > Save as...: the test conditions, the file dialog, SaveData. True when written.
    bool MnuFileSaveAs();
    // Asks before readings that were never saved are dropped. True: go on (saved, discarded
    // or nothing to lose); false: the user cancelled.
    bool ConfirmDiscard();
    // File > Open has read a log into the graph store: it becomes the log in memory, so a
    // later Save as writes what is shown.
    void TakeLoadedLog(const LoadResult& r);
    // The toolbar's Zoom Out: the rows logged since the store was last filled, up to its size.
    void CopyRecordedSamples(clsGraph& graph);

    void MnuViewHeaderNotes();
    // The options dialog's edit button: the prompts file in the user's text editor.
    void CmndEditPrompts();

    LogModel& Log() { return *log_; }
    bool Unsaved() const { return unsaved_ && log_->RecordCnt > 0; }
    const std::filesystem::path& JournalPath() const { return journalPath_; }
    std::filesystem::path PromptsPath() const;

    static constexpr const char* kNotAllowed = "Not allowed during logging.";
    static constexpr const char* kNotesTitle = "Test Conditions";
    static constexpr const char* kSaveTitle = "File Save as";
    static constexpr const char* kUnsavedTitle = "Unsaved Log";
    static constexpr const char* kRecoveryTitle = "Log Recovery";

private:
    void StartSteps();
    void StopSteps();
    void Append(const std::array<float, 5>& row, const std::array<float, 4>& peaks);
    void StartJournal();
    void Discard();
    // True when nothing but the file the dialog asked about is replaced, or the user agreed to
    // a question naming every file the save replaces or removes.
    bool AgreedToReplace(const SavePlan& plan, const std::filesystem::path& chosen);
    void EndJournal();
    void Offer(Act a, bool on);
    float Now() const;

    RecordingParts& p_;
    MovingAverage& ma_;
    std::unique_ptr<LogModel> log_;
    JournalWriter journal_;
    std::filesystem::path journalPath_;
    bool unsaved_ = false;
    bool headerNotesShown_ = false;
    bool journalFailureShown_ = false;
    uint32_t housekeepingTicks_ = 0;
};

// 12345 as "12,345".
std::string Thousands(int64_t n);

} // namespace vireon
