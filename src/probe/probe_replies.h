#pragma once
// Reply layouts of the four-range (52xx) and E/H probe families, shared by the parser and the
// simulated probes. Columns are counted from 1 as in the probe manuals; the constants below
// are 0-based offsets into the reply text. Every reply ends with one carriage return.

#include <cstddef>

namespace vireon::replies {

inline constexpr char kCr = '\r';

// Four-range data reply ":D" / "#Q": 18 columns + CR.
inline constexpr size_t kDataLen = 19;
inline constexpr size_t kDataNumberPos = 2; // columns 3-7, field number
inline constexpr size_t kDataNumberLen = 5;
inline constexpr size_t kDataUnitsPos = 7; // columns 8-10, units code
inline constexpr size_t kDataBarPos = 10;  // columns 11-13, bar number 0..255
inline constexpr size_t kDataBarLen = 3;
inline constexpr size_t kDataOverPos = 13;    // column 14, "O" when over range
inline constexpr size_t kDataBatteryPos = 14; // column 15, "N" normal, "F" flat
inline constexpr size_t kDataAxisPos = 15;    // columns 16-18, axis code
inline constexpr size_t kCodeLen = 3;

// Range ":R" + digit + CR, acknowledgements (":U", ":A", ":Z", ":E") two characters + CR.
inline constexpr size_t kRangeLen = 4;
inline constexpr size_t kAckLen = 3;

// Battery ":B" + 5 characters (columns 3-7) + CR; temperature ":T" + 5 characters with the
// value in columns 4-6 + CR.
inline constexpr size_t kBatteryLen = 8;
inline constexpr size_t kBatteryPos = 2;
inline constexpr size_t kBatteryFieldLen = 5;
inline constexpr size_t kTempLen = 8;
inline constexpr size_t kTempPos = 3;
inline constexpr size_t kTempFieldLen = 3;

// Identification ":I": 33 columns + CR. Columns 3-4 tell fiber probes ("73") from E/H probes,
// columns 4-6 carry the E/H model digits, 17-24 the serial number, 25-32 the calibration date
// (month, day, year).
inline constexpr size_t kIdentLen = 34;
inline constexpr size_t kIdentMinLen = 32;
inline constexpr size_t kIdentFamilyPos = 2;
inline constexpr size_t kIdentModelPos = 3;
inline constexpr size_t kIdentSerialPos = 16;
inline constexpr size_t kIdentSerialLen = 8;
inline constexpr size_t kIdentDatePos = 24;

// E/H revision ":i": 24 columns + CR, revision text in columns 7-16.
inline constexpr size_t kRevisionLen = 25;
inline constexpr size_t kRevisionPos = 6;
inline constexpr size_t kRevisionFieldLen = 10;

// E/H data ":D": 10 columns + CR, number in columns 3-7, units code in columns 8-10.
inline constexpr size_t kEHDataLen = 11;

} // namespace vireon::replies
