#pragma once
// Number and text helpers shared by the readouts, the graphs and the files.
// Text is std::string holding Windows-1252 bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vireon {

// Formats v by a number-format pattern such as "0.000", "#.0", "0.0#####", "#,###,###":
// "0" a forced digit, "#" an optional digit (no leading or trailing zeros), "." the decimal
// point, "," in the integer part groups thousands. Ties are rounded away from zero on the
// value's 15-significant-digit decimal form. A negative value whose text shows no non-zero
// digit is written without the sign.
std::string FormatNumber(double v, std::string_view pattern);

// General number text of a single: up to 7 significant digits, no leading blank, exponent
// form (1.5E-05, 1.234568E+07) for magnitudes below 1E-4 or from 1E7 up.
std::string GeneralNumber(float v);

// General number text of a double: as above with up to 15 significant digits.
std::string GeneralNumber(double v);

// Appends GeneralNumber(v) to out without a string of its own (for writing many values).
void AppendGeneralNumber(std::string& out, float v);

// Reads the leading number of a text (blanks skipped, optional sign, digits, decimal point,
// exponent); text without a leading number reads as 0.
double Val(std::string_view text);

// Value of a text of hexadecimal digits (upper or lower case); empty when the text is empty,
// longer than 7 digits or holds any other character.
std::optional<int32_t> HexValue(std::string_view text);

// The nearest integer, halves going to the even one.
double Near(double v);

// Nearest integer as a 16-bit value, halves to even, saturated at the 16-bit limits.
int16_t NearInt16(double v);

// Nearest integer as a 32-bit value, halves to even, saturated at the 32-bit limits.
int32_t NearInt32(double v);

// Time of day as a fraction of a day (seconds since midnight / 86400) in single precision.
float TimeOfDayFraction(double secondsSinceMidnight);

// Windows-1252 <-> UTF-8 for the widget boundary. Unmappable characters become "?".
std::string Cp1252ToUtf8(std::string_view text);
std::string Utf8ToCp1252(std::string_view text);

// The superscript two (178) and degree sign (176) as Windows-1252 bytes.
inline constexpr char kSuperscriptTwo = static_cast<char>(178);
inline constexpr char kDegreeSign = static_cast<char>(176);

} // namespace vireon
