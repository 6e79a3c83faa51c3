#pragma once
// File > Open: a log file read back into the time graph's store and drawn. The file is read
// first and the graph's store replaced only when that succeeded, so a file that cannot be read
// never costs the log already shown.

#include "acquisition/UserPrompts.h"
#include "display/core/Face.h"
#include "display/core/WindowState.h"
#include "display/core/WindowView.h"
#include "files/LogFile.h"
#include "graph/GraphSetup.h"
#include "graph/clsGraph.h"

#include <filesystem>
#include <functional>

namespace vireon {

class LogOpen {
public:
    LogOpen(WindowState& s, WindowView& view, Face& face, UserPrompts& prompts,
            NoticeBoard& notices, clsGraph& graph, GraphSetup& setup)
        : s_(s), v_(view), face_(face), prompts_(prompts), notices_(notices), graph_(graph),
          setup_(setup) {}

    void MnuFileOpen();
    // True when the file was read and drawn.
    bool LoadDataIntoGraph(const std::filesystem::path& path);

    // Asked once the file is chosen: false keeps the graph store and the log as they are.
    std::function<bool()> ConfirmReplace;
    // Runs after a file was read and drawn.
    std::function<void(const LoadResult&)> OnLoaded;

    static constexpr const char* kFilter =
        "CSV Files (*.csv)|*.csv|Text Files (*.txt)|*.txt|All Files (*.*)|*.*";

private:
    WindowState& s_;
    WindowView& v_;
    Face& face_;
    UserPrompts& prompts_;
    NoticeBoard& notices_;
    clsGraph& graph_;
    GraphSetup& setup_;
};

} // namespace vireon
