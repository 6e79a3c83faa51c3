// Writes a made-up survey log (three pages), its note prompts and a configuration into a
// folder. The content depends on nothing but this file, so the bytes must come out the same
// from every build of the writers; the Windows stage compares them with the Linux build's.

#include "files/ConfigFile.h"
#include "files/HeaderNotes.h"
#include "files/LogFile.h"

#include <cmath>
#include <filesystem>
#include <iostream>
#include <memory>

namespace {

// Windows-1252: e acute, degree, superscript two, euro, curly quotes, micro.
constexpr std::string_view kPrompts = "Operator?,Operator,Ren\xe9 M\xfcller\r\n"
                                      "Site?,Site,K\xf6ln \x93Halle 2\x94\r\n"
                                      "Temperature?,Temperature,21 \xb0"
                                      "C\r\n"
                                      "Limit?,Limit,61 V/m \x80 0.1 W/m\xb2\r\n"
                                      "Antenna?,Antenna,5 \xb5s\r\n";

std::unique_ptr<vireon::LogModel> MadeUpLog(const vireon::HeaderNoteTable& notes) {
    auto log = std::make_unique<vireon::LogModel>();
    log->RecordCnt = 70000; // three pages
    log->LogColumnMode = 1;
    log->LogUnits = "V/m";
    log->GraphScale = "Auto";
    log->HeaderNotes = notes;
    for (int32_t i = 1; i <= log->RecordCnt; ++i) {
        // Plain arithmetic only: no library function whose last bit may differ between systems.
        const float f = static_cast<float>(i);
        auto& row = log->LogData[static_cast<size_t>(i)];
        row[0] = 0.25f + f / 86400.0f;
        row[1] = static_cast<float>(i % 977) * 0.0137f + 1.0f / f;
        row[2] = static_cast<float>(i % 89) * 1234.5f;
        row[3] = f * 1e-7f;
        row[4] = -static_cast<float>(i % 13) / 3.0f;
    }
    // Values the writer spells out.
    log->LogData[10][1] = INFINITY;
    log->LogData[11][1] = -INFINITY;
    log->LogData[12][1] = NAN;
    log->LogData[13][1] = 3.4e38f;
    log->LogPeaks = {13.37f, 108642.0f, 0.007f, 0.0f};
    return log;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: sample-files FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);

    const vireon::HeaderNoteTable notes = vireon::ParseNoteQuery(kPrompts);
    const vireon::SaveResult log = vireon::SaveData(*MadeUpLog(notes), folder / "survey.csv",
                                                    {"06.12.2026", "14:05:09", "KD-7310"});
    vireon::CfgSettings cfg;
    cfg.DefaultSavePath = "C:\\Messungen\\K\xf6ln";
    cfg.SaveFileName = "Stra\xdf"
                       "e 1";
    const vireon::WriteResult written[] = {
        vireon::SaveNoteQuery(folder / std::string(vireon::kNotePromptsFileName), notes),
        vireon::SaveCfg(folder / std::string(vireon::kCfgFileName), cfg)};
    bool ok = log.Ok;
    if (!log.Ok) {
        std::cerr << "sample-files: " << log.Error << "\n";
    }
    for (const vireon::WriteResult& w : written) {
        if (!w.Ok) {
            std::cerr << "sample-files: " << w.Error << "\n";
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
