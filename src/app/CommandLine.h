#pragma once
// The program's command line. Without arguments (or with Qt's own options) it opens the
// window; `--help` lists what it takes; `--report LOG.csv [OUT.pdf]` writes the survey report
// of a saved log without a window, for batch use.

#include <optional>

namespace vireon {

// The exit status when the command line asked for something other than the window.
std::optional<int> RunCommandLine(int argc, char** argv);

} // namespace vireon
