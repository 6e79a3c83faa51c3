// File > Open: a log file read back into the time graph's store and drawn.

#include "common/numfmt.h"
#include "display/frmMain.h"
#include "files/LogFile.h"
#include "graph/qt/GraphPicture.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QToolBar>

namespace vireon {

namespace {
const char* kLogFilter = "CSV Files (*.csv)|*.csv|Text Files (*.txt)|*.txt|All Files (*.*)|*.*";
QString Q(const std::string& s) {
    return QString::fromStdString(Cp1252ToUtf8(s));
}
} // namespace

void frmMain::MnuFileOpen() {
    const auto file = p_.prompts.OpenFileName("File Open", kLogFilter, cfg_.DefaultSavePath);
    if (!file) {
        return;
    }
    tbToolBar_->repaint();
    labels_["LabXYZField"]->repaint();
    cfg_.DefaultSavePath = ParsePathFile(*file, 1);
    Menu("mnuViewScatterGraph")->setChecked(true);
    Picture1_->setVisible(true);
    LoadDataIntoGraph(*file);
}

void frmMain::LoadDataIntoGraph(const std::string& path) {
    BusyPointer(true);
    Menu("mnuViewScatterGraph")->setChecked(true);
    Menu("mnuViewScatterLive")->setChecked(false);
    gs_.LiveDisplay = false;
    GRGraph_->EraseData();
    StatusText("Loading: " + path);

    const LoadResult r = LoadData(path);
    if (!r.Ok) {
        BusyPointer(false);
        StatusText("");
        p_.prompts.MsgBox("Unable to read " + path + ": " + r.Error, MsgIcon::Exclamation,
                          MsgButtons::Ok);
        return;
    }
    loadedFileTag_ = r.LoadedFileTag;
    LstHeader_->clear();
    for (const std::string& line : r.HeaderLines) {
        LstHeader_->addItem(Q(line));
    }
    if (r.GraphScale) {
        gs_.GraphScale = *r.GraphScale;
    }
    if (r.LogUnits) {
        GRGraph_->VerUnitsDesc(*r.LogUnits);
    }
    for (int32_t row = 0; row <= r.RecordCnt; ++row) {
        for (int16_t col = 1; col <= r.ValueColumns + 1; ++col) {
            GRGraph_->WriteData(static_cast<int16_t>(row), col,
                                r.Table[static_cast<size_t>(row)][static_cast<size_t>(col)]);
        }
    }

    StatusText("Plotting data please wait ...");
    GRGraph_->ZoomOut();
    // A scale already applied to the live graph must still be applied to the stored one.
    gs_.AppliedScale.clear();
    graphSetup_->SetUpGraphScale();
    graphSetup_->DrawGraph();
    Picture1_->update();
    labels_["LabRecordCnt"]->setText(QString::number(GRGraph_->DataCnt()));
    StatusText("Completed");
    Menu("tbZoomIn")->setEnabled(true);
    Menu("tbZoomOut")->setEnabled(true);
    BusyPointer(false);
    for (const std::string& notice : r.Notices) {
        p_.prompts.MsgBox(notice, MsgIcon::Information, MsgButtons::Ok);
    }
}

} // namespace vireon
