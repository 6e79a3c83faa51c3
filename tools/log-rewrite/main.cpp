// Writes a log again with this build's writer from what another build's log holds (its header
// fields and every row's values, as the reader takes them), under the same file name in another
// folder. Where the two builds agree, the two files are the same bytes.
//   log-rewrite LOG FOLDER

#include "common/numfmt.h"
#include "files/LogFile.h"

#include <iostream>
#include <memory>

namespace {

[[noreturn]] void Fail(const std::string& why) {
    std::cerr << "log-rewrite: " << why << "\n";
    std::exit(1);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        Fail("usage: log-rewrite LOG FOLDER");
    }
    const std::filesystem::path in = argv[1];
    const vireon::LoadResult read = vireon::LoadData(in);
    if (!read.Ok || read.RowsLeftOut != 0 || read.RecordCnt >= vireon::kPageRows) {
        Fail("cannot take every row of " + in.string() + " (one page at most): " + read.Error);
    }
    auto log = std::make_unique<vireon::LogModel>();
    log->RecordCnt = read.RecordCnt;
    log->LogColumnMode = read.ValueColumns == 4 ? 1 : (read.ValueColumns == 2 ? 2 : 0);
    log->LogUnits = read.LogUnits.value_or("");
    log->GraphScale = read.GraphScale.value_or("");
    for (int32_t r = 1; r <= read.RecordCnt; ++r) {
        for (size_t c = 0; c < 5; ++c) {
            log->LogData[static_cast<size_t>(r)][c] = read.Table[static_cast<size_t>(r)][c + 1];
        }
    }
    vireon::SaveStamp stamp;
    bool inNotes = false;
    for (const std::string& line : read.HeaderLines) {
        const size_t comma = line.find(',');
        const std::string key = line.substr(0, comma);
        const std::string value = comma == std::string::npos ? "" : line.substr(comma + 1);
        const float number = static_cast<float>(vireon::Val(value));
        if (key == "Units") {
            inNotes = false;
        } else if (inNotes) {
            auto& notes = log->HeaderNotes;
            const size_t last = line.rfind(',');
            notes.Entry[static_cast<size_t>(++notes.Count)] = {"", line.substr(0, last),
                                                               line.substr(last + 1)};
        } else if (key == "Date") {
            stamp.Date = value;
        } else if (key == "Time") {
            stamp.Time = value;
        } else if (key == "Probe Type") {
            stamp.ProbeModel = value;
            inNotes = true;
        } else if (key == "Field Peak" || key == "X Peak" || key == "Y Peak" || key == "Z Peak") {
            log->LogPeaks[key == "Field Peak" ? 0 : static_cast<size_t>(key[0] - 'X' + 1)] = number;
        }
    }
    const vireon::SaveResult saved =
        vireon::SaveData(*log, std::filesystem::path(argv[2]) / in.filename(), stamp);
    if (!saved.Ok) {
        Fail(saved.Error);
    }
    return 0;
}
