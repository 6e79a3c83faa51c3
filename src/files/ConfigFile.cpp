#include "files/ConfigFile.h"

#include <array>
#include <limits>
#include <variant>

#include "common/numfmt.h"

namespace vireon {

namespace {

// A configuration file is a few hundred bytes.
constexpr size_t kMaxCfgBytes = 1 << 20;

enum class Form { Text, Integer, Byte, Long, Flag, Single };

using Member =
    std::variant<std::string CfgSettings::*, int16_t CfgSettings::*, uint8_t CfgSettings::*,
                 int32_t CfgSettings::*, bool CfgSettings::*, float CfgSettings::*>;

struct Line {
    std::string_view Key; // written exactly so, comma (and space) included
    Form Kind;
    Member Field;
};

using S = CfgSettings;
const std::array<Line, kCfgLines> kLines{{
    {"ProbeUnits,", Form::Text, &S::ProbeUnits},
    {"GraphScale,", Form::Text, &S::GraphScale},
    {"LogScaleOn,", Form::Integer, &S::LogScale},
    {"Averaging,", Form::Integer, &S::GITxtAverage},
    {"CommPort,", Form::Integer, &S::CommPortNo},
    {"GraphSamplesPerDiv,", Form::Integer, &S::DefSamPerDiv},
    {"TextUpdatePerSecond,", Form::Integer, &S::GITDisplayUpdate},
    {"Exposure,", Form::Text, &S::MinAverText},
    {"HorizontalLinesOn,", Form::Integer, &S::DisplayHorLinesFlag},
    {"Path,", Form::Text, &S::DefaultSavePath},
    {"BaudRate,", Form::Text, &S::BaudRatePreference},
    {"PlotComposite,", Form::Integer, &S::PlotComposite},
    {"ExposureFrame,", Form::Flag, &S::ExposureFrame},
    {"StatusBar,", Form::Flag, &S::StatusBar},
    {"MaxSpeed,", Form::Flag, &S::MaxSpeedFlag},
    {"UpdateBattTemp,", Form::Flag, &S::UpdateProbeBatt},
    {"Multiplex,", Form::Flag, &S::Axis3Prefered},
    {"AutoRange,", Form::Integer, &S::AutoRangeOn},
    {"GraphBackGroundColor,", Form::Long, &S::BackGround},
    {"GraphGridLineColor,", Form::Long, &S::GridLineColor},
    {"GraphXYZaxisColor,", Form::Long, &S::XYZaxisColor},
    {"GraphXaxisColor,", Form::Long, &S::XaxisColor},
    {"GraphYaxisColor,", Form::Long, &S::YaxisColor},
    {"GraphZaxisColor,", Form::Long, &S::ZaxisColor},
    {"ReadTimer,", Form::Integer, &S::VDelay},
    {"RthresEnabled,", Form::Byte, &S::RthresEnabled},
    {"SampleRate,", Form::Text, &S::SampleRate},
    {"UpdateBattTemp,", Form::Integer, &S::BattTempUpdateInterval},
    {"GraphScaleAuto,", Form::Integer, &S::GraphScaleAuto},
    {"TemperatureCelsius,", Form::Integer, &S::UseCelsiusTemp},
    {"AlarmEnable, ", Form::Integer, &S::AlarmEnable},
    {"AlarmValue, ", Form::Single, &S::AlarmValue},
    {"GraphTextColor, ", Form::Long, &S::GraphTextColor},
    {"BoxColor, ", Form::Long, &S::BoxColor},
    {"MatchBarGraphToScatt, ", Form::Integer, &S::MatchBarGraphToScatt},
    {"FormBackColor, ", Form::Long, &S::FormBackColor},
    {"LogScaleMinDivOn, ", Form::Integer, &S::LogScaleMinOn},
    {"MinDivColor, ", Form::Long, &S::MinLineColor},
    {"SaveFileName, ", Form::Text, &S::SaveFileName},
    {"PeriodicInterval, ", Form::Integer, &S::PeriodicInterval},
    {"PeriodicIntervalEnabled, ", Form::Integer, &S::PeriodicIntervalEnabled},
}};

const char* FormName(Form f) {
    switch (f) {
    case Form::Text:
        return "a text";
    case Form::Integer:
        return "a 16-bit integer";
    case Form::Byte:
        return "an integer from 0 to 255";
    case Form::Long:
        return "a 32-bit integer";
    case Form::Flag:
        return "True or False";
    case Form::Single:
        return "a number";
    }
    return "a value";
}

std::optional<bool> ParseFlag(std::string_view v) {
    if (EqualsNoCase(v, "True")) {
        return true;
    }
    if (EqualsNoCase(v, "False")) {
        return false;
    }
    // Numbers as a flag: 0 is false, anything else true.
    if (const auto n = ParseIntField(v, std::numeric_limits<int32_t>::min(),
                                     std::numeric_limits<int32_t>::max())) {
        return *n != 0;
    }
    return std::nullopt;
}

// Stores the value text of one line; false when it has the wrong form.
bool Store(const Line& line, std::string_view rest, CfgSettings& s) {
    if (line.Kind == Form::Text) {
        s.*std::get<std::string S::*>(line.Field) = std::string(TrimBlanks(rest));
        return true;
    }
    // Other values end at the next comma, as they always have.
    const std::string_view v = TrimBlanks(rest.substr(0, rest.find(',')));
    switch (line.Kind) {
    case Form::Integer:
        if (const auto n = ParseIntField(v, std::numeric_limits<int16_t>::min(),
                                         std::numeric_limits<int16_t>::max())) {
            s.*std::get<int16_t S::*>(line.Field) = static_cast<int16_t>(*n);
            return true;
        }
        return false;
    case Form::Byte:
        if (const auto n = ParseIntField(v, 0, 255)) {
            s.*std::get<uint8_t S::*>(line.Field) = static_cast<uint8_t>(*n);
            return true;
        }
        return false;
    case Form::Long:
        if (const auto n = ParseIntField(v, std::numeric_limits<int32_t>::min(),
                                         std::numeric_limits<int32_t>::max())) {
            s.*std::get<int32_t S::*>(line.Field) = *n;
            return true;
        }
        return false;
    case Form::Flag:
        if (const auto b = ParseFlag(v)) {
            s.*std::get<bool S::*>(line.Field) = *b;
            return true;
        }
        return false;
    case Form::Single:
        if (const auto f = ParseSingleField(v)) {
            s.*std::get<float S::*>(line.Field) = *f;
            return true;
        }
        return false;
    case Form::Text:
        break;
    }
    return false;
}

std::string ValueText(const Line& line, const CfgSettings& s) {
    switch (line.Kind) {
    case Form::Text:
        return OneLine(s.*std::get<std::string S::*>(line.Field));
    case Form::Integer:
        return std::to_string(s.*std::get<int16_t S::*>(line.Field));
    case Form::Byte:
        return std::to_string(s.*std::get<uint8_t S::*>(line.Field));
    case Form::Long:
        return std::to_string(s.*std::get<int32_t S::*>(line.Field));
    case Form::Flag:
        return s.*std::get<bool S::*>(line.Field) ? "True" : "False";
    case Form::Single:
        return GeneralNumber(s.*std::get<float S::*>(line.Field));
    }
    return {};
}

} // namespace

void SetCfgDefaults(CfgSettings& s, const std::string& programFolder) {
    const CfgSettings d;
    s.ProbeUnits = d.ProbeUnits;
    s.GraphScale = d.GraphScale;
    s.GITxtAverage = d.GITxtAverage;
    s.CommPortNo = d.CommPortNo;
    s.DefSamPerDiv = d.DefSamPerDiv;
    s.GITDisplayUpdate = d.GITDisplayUpdate;
    s.MinAverText = d.MinAverText;
    s.DisplayHorLinesFlag = d.DisplayHorLinesFlag;
    s.DefaultSavePath = programFolder;
    s.BaudRatePreference = d.BaudRatePreference;
    s.PlotComposite = d.PlotComposite;
    s.ExposureFrame = d.ExposureFrame;
    s.MaxSpeedFlag = d.MaxSpeedFlag;
    s.Axis3Prefered = d.Axis3Prefered;
    s.AutoRangeOn = d.AutoRangeOn;
    s.BackGround = d.BackGround;
    s.GridLineColor = d.GridLineColor;
    s.XYZaxisColor = d.XYZaxisColor;
    s.XaxisColor = d.XaxisColor;
    s.YaxisColor = d.YaxisColor;
    s.ZaxisColor = d.ZaxisColor;
    s.VDelay = d.VDelay;
    s.RthresEnabled = d.RthresEnabled;
    s.SampleRate = d.SampleRate;
    s.BattTempUpdateInterval = d.BattTempUpdateInterval;
    s.AlarmValue = d.AlarmValue;
    s.GraphTextColor = d.GraphTextColor;
    s.FormBackColor = d.FormBackColor;
    s.LogScaleMinOn = d.LogScaleMinOn;
    s.MinLineColor = d.MinLineColor;
    s.SaveFileName = d.SaveFileName;
    s.PeriodicInterval = d.PeriodicInterval;
    s.PeriodicIntervalEnabled = d.PeriodicIntervalEnabled;
}

namespace {

// With cut, the text is the complete lines before the size limit, so running out of lines
// means the next line runs past the limit.
CfgLoadResult ParseCfg(std::string_view text, CfgSettings& s, bool cut) {
    CfgLoadResult r;
    LineCursor cursor(text);
    for (const Line& line : kLines) {
        const std::string where =
            "Line " + std::to_string(r.LinesRead + 1) + " (" + Excerpt(line.Key) + ")";
        std::string_view content;
        if (!cursor.Next(content)) {
            if (cut) {
                r.Problem = where + " runs past 1 MiB, the most a configuration file may hold; " +
                            "reading stopped there.";
            } else {
                r.Problem = r.LinesRead == 0
                                ? std::string("The file is empty.")
                                : "The file ends after line " + std::to_string(r.LinesRead) + ".";
            }
            return r;
        }
        const size_t comma = content.find(',');
        if (comma == std::string_view::npos) {
            r.Problem = where + " has no comma: " + Excerpt(content) + ".";
            return r;
        }
        // Values are taken by position, so a line out of place would put its value into the
        // wrong setting: each key must be the one expected there (blanks and case aside).
        const std::string_view key = TrimBlanks(content.substr(0, comma));
        if (!EqualsNoCase(key, line.Key.substr(0, line.Key.find(',')))) {
            r.Problem = where + " has the key " + Excerpt(key) + ".";
            return r;
        }
        const std::string_view rest = content.substr(comma + 1);
        if (!Store(line, rest, s)) {
            r.Problem =
                where + ": " + Excerpt(TrimBlanks(rest)) + " is not " + FormName(line.Kind) + ".";
            return r;
        }
        ++r.LinesRead;
    }
    r.Complete = true;
    return r;
}

} // namespace

CfgLoadResult ParseCfgText(std::string_view text, CfgSettings& s) {
    return ParseCfg(text, s, false);
}

CfgLoadResult LoadCfg(const std::filesystem::path& path, CfgSettings& s,
                      const std::string& programFolder) {
    SetCfgDefaults(s, programFolder);
    const ReadResult file = ReadWholeFile(path, kMaxCfgBytes);
    CfgLoadResult r;
    if (!file.Ok) {
        r.Missing = file.Missing;
        r.Problem = file.Error;
    } else if (file.Truncated) {
        const std::string_view bytes = file.Bytes;
        const size_t end = bytes.find_last_of("\r\n");
        r = ParseCfg(bytes.substr(0, end == bytes.npos ? 0 : end + 1), s, true);
    } else {
        r = ParseCfgText(file.Bytes, s);
    }
    r.Damaged = !r.Complete && !r.Missing;
    if (r.Damaged) {
        r.Damage = (file.Ok ? TextOfPath(path.filename()) + ": " : std::string()) + r.Problem +
                   " The settings from there on are defaults.";
    }
    return r;
}

std::string CfgText(const CfgSettings& s) {
    std::string out;
    for (const Line& line : kLines) {
        out += line.Key;
        out += ValueText(line, s);
        out += kLineEnd;
    }
    return out;
}

namespace {

// Keeps the file as it is under another name, replacing an older one; a second link to it does
// when the file system allows, as the save then puts a new file in its place.
WriteResult KeepAs(const std::filesystem::path& file, const std::filesystem::path& kept) {
    const std::filesystem::path temp = TempPathFor(kept, NewTempTag(), "tmp");
    std::error_code ec;
    std::filesystem::create_hard_link(file, temp, ec);
    if (ec) {
        ec.clear();
        std::filesystem::copy_file(file, temp, ec);
    }
    if (!ec) {
        std::filesystem::rename(temp, kept, ec);
    }
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        return WriteResult{false, "\"" + TextOfPath(file) + "\" could not be kept as \"" +
                                      TextOfPath(kept.filename()) + "\": " + ec.message() +
                                      "; it was left as it is."};
    }
    return WriteResult{};
}

} // namespace

WriteResult SaveCfg(const std::filesystem::path& path, const CfgSettings& s, bool keepDamaged) {
    std::error_code ec;
    if (keepDamaged && std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
        std::filesystem::path bad = path;
        bad += ".bad";
        if (const WriteResult kept = KeepAs(path, bad); !kept.Ok) {
            return kept;
        }
    }
    return WriteFileAtomically(path, CfgText(s));
}

std::optional<int16_t> UnitsCode(std::string_view unitText) {
    if (unitText == "V/m") {
        return 0;
    }
    if (unitText == "mW/cm2") {
        return 1;
    }
    if (unitText == "V2/m2") {
        return 2;
    }
    return std::nullopt;
}

} // namespace vireon
