#include "display/core/LogOpen.h"

#include "common/numfmt.h"
#include "files/LogFile.h"
#include "graph/GraphScales.h"

namespace vireon {

void LogOpen::MnuFileOpen() {
    const auto file = prompts_.OpenFileName("File Open", kFilter, s_.DefaultSavePath);
    if (!file || (ConfirmReplace && !ConfirmReplace())) {
        return;
    }
    s_.DefaultSavePath = file->parent_path();
    s_.Graph.ScatterGraphVisible = true;
    v_.Checked(Act::mnuViewScatterGraph, true);
    v_.Visible(Ctl::Picture1, true);
    LoadDataIntoGraph(*file);
}

bool LogOpen::LoadDataIntoGraph(const std::filesystem::path& path) {
    v_.BusyPointer(true);
    face_.StatusText("Loading: " + TextOfPath(path));
    const LoadResult r = LoadData(path);
    if (!r.Ok) {
        v_.BusyPointer(false);
        face_.StatusText("");
        notices_.Show("Unable to read " + TextOfPath(path) + ": " + r.Error, MsgIcon::Exclamation);
        return false;
    }
    s_.Graph.ScatterGraphVisible = true;
    v_.Checked(Act::mnuViewScatterGraph, true);
    v_.Checked(Act::mnuViewScatterLive, false);
    s_.Graph.LiveDisplay = false;
    graph_.EraseData();
    s_.LoadedFileTag = r.LoadedFileTag;
    s_.LogFilePath = path;
    s_.LogFromFile = true;
    v_.Items(Ctl::LstHeader, r.HeaderLines);
    if (r.GraphScale) {
        if (FindGraphScale(*r.GraphScale) != nullptr) {
            s_.Graph.GraphScale = *r.GraphScale;
        } else {
            // Said once, here; the graph keeps the scale it has.
            notices_.Show(GraphSetup::kScaleNotFound + *r.GraphScale, MsgIcon::None);
        }
    }
    if (r.LogUnits) {
        graph_.VerUnitsDesc(*r.LogUnits);
    }
    for (int32_t row = 0; row <= r.RecordCnt; ++row) {
        for (int16_t col = 1; col <= r.ValueColumns + 1; ++col) {
            graph_.WriteData(static_cast<int16_t>(row), col,
                             r.Table[static_cast<size_t>(row)][static_cast<size_t>(col)]);
        }
    }
    face_.StatusText("Plotting data please wait ...");
    graph_.ZoomOut();
    // A scale already applied to the live graph must still be applied to the stored one.
    s_.Graph.AppliedScale.clear();
    setup_.SetUpGraphScale();
    setup_.DrawGraph();
    v_.Text(Ctl::LabRecordCnt, std::to_string(graph_.DataCnt()));
    face_.StatusText("Completed");
    v_.Enabled(Act::tbZoomIn, true);
    v_.Enabled(Act::tbZoomOut, true);
    v_.Enabled(Act::mnuProbePlay, true);
    v_.Enabled(Act::mnuFileReport, true); // a log opened is reported from its file
    v_.BusyPointer(false);
    if (OnLoaded) {
        OnLoaded(r);
    }
    for (const std::string& notice : r.Notices) {
        notices_.Show(notice, MsgIcon::Information);
    }
    return true;
}

} // namespace vireon
