#pragma once
// The fiber-optic family (laser detector unit and its probe): command words, reply layouts and
// small typed decoders and encoders. The read cycle's laser start, the probe object, Cls7300,
// the window's reply handling, the simulator and the tests all take the layouts from here.
// Columns are counted from 1 as in the unit's manual; the constants are 0-based offsets.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace vireon::fiber {

inline constexpr char kCr = '\r';

// Commands of the laser detector unit and the probe (each sent with one carriage return).
inline constexpr std::string_view kCmdLaserOn = "i";
inline constexpr std::string_view kCmdIdentify = "I";
inline constexpr std::string_view kCmdCalibration = "M";
inline constexpr std::string_view kCmdUnitStatus = "s";
inline constexpr std::string_view kCmdData = "S";
inline constexpr std::string_view kCmdLaserOff = "o";
inline constexpr std::string_view kCmdTemperature = "T";
inline constexpr std::string_view kCmdBattery = "B";
inline constexpr std::string_view kCmdBatteryProbe = "BP";

// Identification ":I": 33 columns + CR. Columns 3-6 model digits, 7-16 software version,
// 17-24 serial number, 25-26 / 27-28 / 29-32 calibration month, day and year.
inline constexpr size_t kIdentLen = 34;
inline constexpr size_t kIdentMinLen = 33; // what the laser start accepts
inline constexpr size_t kIdentModelPos = 2;
inline constexpr size_t kIdentModelLen = 4;
inline constexpr size_t kIdentSoftVerPos = 6;
inline constexpr size_t kIdentSoftVerLen = 10;
inline constexpr size_t kIdentSerialPos = 16;
inline constexpr size_t kIdentSerialLen = 8;
inline constexpr size_t kIdentMonthPos = 24;
inline constexpr size_t kIdentDayPos = 26;
inline constexpr size_t kIdentYearPos = 28;

// Calibration ":M": 72 coded decimal fields of 8 characters from column 3, + CR.
inline constexpr size_t kCalLen = 579;
inline constexpr size_t kCalFields = 72;
inline constexpr size_t kCalFieldWidth = 8;
inline constexpr size_t kCalFirstField = 2;

// Unit status ":s": at least 36 columns + CR; four-digit hexadecimal fields.
inline constexpr size_t kStatusLen = 37;
inline constexpr size_t kStatusMinLen = 36; // what the decoder needs
inline constexpr size_t kStatusConvVoltPos = 14;
inline constexpr size_t kStatusProbeTempPos = 18;
inline constexpr size_t kStatusLaserTempPos = 28;
inline constexpr size_t kStatusLaserCurrentPos = 32;
inline constexpr size_t kStatusFieldLen = 4;

// Data ":S": counts X, Y, Z in columns 3-5, 6-8, 9-11 (3 hex digits), gain codes in columns
// 12-13, 14-15, 16-17 (2 hex digits), battery state in column 18 ("F" low), + CR.
inline constexpr size_t kDataLen = 19;
inline constexpr size_t kDataMinLen = 18; // without the carriage return
inline constexpr size_t kDataCountPos = 2;
inline constexpr size_t kDataCountLen = 3;
inline constexpr size_t kDataGainPos = 11;
inline constexpr size_t kDataGainLen = 2;
inline constexpr size_t kDataBatteryPos = 17;
// A probe that is not running answers zeros; with the low-battery flag it is the unit's
// "no data" reply.
inline constexpr std::string_view kNotInitializedPrefix = ":S000000000000000";
inline constexpr std::string_view kNoDataReply = ":S000000000000000F";

// Battery ":B": columns 3-4 the percentage as two hex digits; a complete reply is 6 long.
inline constexpr size_t kBatteryLen = 6;
inline constexpr size_t kBatteryPos = 2;
inline constexpr size_t kBatteryFieldLen = 2;
// Temperature ":T": columns 3-6, four hex digits of half degrees (nine-bit two's complement).
inline constexpr size_t kTempLen = 7;
inline constexpr size_t kTempPos = 2;
inline constexpr size_t kTempFieldLen = 4;
// Speed change ":F" and its digit, + CR; a bare acknowledgement or refusal is 3 long.
inline constexpr size_t kSpeedLen = 4;
inline constexpr size_t kAckLen = 3;

// ---- typed replies ----

struct Identification {
    std::string Model;     // columns 3-6
    std::string SoftVer;   // columns 7-16
    std::string SerialNo;  // columns 17-24
    std::string CalDate;   // "MM/DD/YYYY"
    bool Complete = false; // exactly 34 characters: the only form the window acts on
};

struct Calibration {
    std::string_view Text; // the whole reply
    bool Complete = false; // exactly 579 characters
};

struct UnitStatus {
    int16_t ConvVoltRaw = 0;
    int16_t ProbeTempRaw = 0;
    int16_t LaserTempRaw = 0;
    int16_t LaserCurrentRaw = 0;
    double LaserCurrent() const { return (1.0 - LaserCurrentRaw / 4095.0) * 5.0; }
    double LaserTempC() const { return LaserTempRaw * 0.0625; }
    double ConverterVolts() const { return (3.3 / 1024) * ConvVoltRaw * (23.3 / 13.3); }
    double ProbeTempC() const { return ProbeTempRaw / 2.0 / 100.0; }
};

struct Data {
    std::array<int16_t, 3> Counts{};
    std::array<uint8_t, 3> GainCodes{};
    bool BatteryLow = false;
};

// ":S" whose counts and gains are all zero: the probe is not running.
struct NotInitialized {
    bool BatteryLow = false; // column 18 "F": the unit's no-data reply
};

// ":S" shorter than 18 characters: the rest is still on the line.
struct PartialData {};

struct Battery {
    int Percent = 0;       // at most 100
    bool Complete = false; // 6 characters: the label and gauge follow it
};

struct Temperature {
    double Celsius = 0;
};

struct Refusal {};
struct SpeedChange {
    char Digit = 0;
};
struct Unknown {};

using Reply = std::variant<Unknown, Identification, Calibration, UnitStatus, Data, NotInitialized,
                           PartialData, Battery, Temperature, Refusal, SpeedChange>;

// Sorts a reply by its prefix and reads its fields. A reply whose fields cannot be read (a bad
// hexadecimal digit, too short) decodes as Unknown, except a short ":S" (PartialData).
Reply Decode(std::string_view reply);

// The counts, gain codes and battery state of a data reply, whatever they are; empty when the
// reply is shorter than 18 characters or a field is not hexadecimal.
std::optional<Data> DataFields(std::string_view reply);

// Four hexadecimal digits read as a signed 16-bit integer; empty when they are not hex.
std::optional<int16_t> Hex16(std::string_view digits);

// Acceptance rules of the laser start: the prefix and a minimum length.
bool StartsWith(std::string_view reply, std::string_view prefix);
bool IsIdentification(std::string_view reply); // ":I", at least 33 long
bool IsCalibration(std::string_view reply);    // ":M", at least 579 long
bool IsUnitStatus(std::string_view reply);     // ":s", at least 37 long
bool IsData(std::string_view reply);           // ":S", at least 19 long
bool IsNoData(std::string_view reply);         // first 18 characters are the no-data reply

// ---- encoders (the simulated unit and the tests) ----

std::string Command(std::string_view word); // word + CR
std::string EncodeIdentification(std::string_view model, std::string_view softVer,
                                 std::string_view serialNo, std::string_view calDateMdy);
std::string EncodeUnitStatus(const UnitStatus& s);
std::string EncodeData(const Data& d);
std::string EncodeBattery(int percent);
// Half degrees as the probe sends them (negative values in nine-bit two's complement).
std::string EncodeTemperature(double celsius);
// Hexadecimal digits, upper case, the low `digits` nibbles of value.
std::string HexDigits(int value, int digits);

} // namespace vireon::fiber
