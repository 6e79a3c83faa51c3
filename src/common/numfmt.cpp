#include "common/numfmt.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace vireon {

namespace {

struct PatternInfo {
    std::string prefix;
    std::string suffix;
    int intZeros = 0; // forced integer digits
    bool grouping = false;
    int fracZeros = 0;  // forced decimals
    int fracHashes = 0; // optional decimals
    bool hasPoint = false;
};

bool isPlaceholder(char c) {
    return c == '0' || c == '#' || c == '.' || c == ',';
}

PatternInfo parsePattern(std::string_view pattern) {
    PatternInfo p;
    size_t first = 0;
    while (first < pattern.size() && !isPlaceholder(pattern[first])) {
        ++first;
    }
    size_t last = pattern.size();
    while (last > first && !isPlaceholder(pattern[last - 1])) {
        --last;
    }
    p.prefix = std::string(pattern.substr(0, first));
    p.suffix = std::string(pattern.substr(last));
    bool inFraction = false;
    for (size_t i = first; i < last; ++i) {
        const char c = pattern[i];
        if (c == '.') {
            if (!inFraction) {
                inFraction = true;
                p.hasPoint = true;
            }
        } else if (c == ',') {
            if (!inFraction) {
                p.grouping = true;
            }
        } else if (c == '0') {
            (inFraction ? p.fracZeros : p.intZeros) += 1;
        } else if (c == '#') {
            if (inFraction) {
                p.fracHashes += 1;
            }
        }
    }
    return p;
}

// Decimal digits of |v| rounded half away from zero to `decimals` places, working on the
// value's 15-significant-digit form so 2.675 rounds as the reader expects.
void roundedDigits(double v, int decimals, std::string& intPart, std::string& fracPart) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(v));
    // buf: d.dddddddddddddde±XX
    std::string digits;
    digits.push_back(buf[0]);
    const char* p = buf + 2;
    while (*p != 'e') {
        digits.push_back(*p++);
    }
    const int exp10 = std::atoi(p + 1);
    // Position of the decimal point within digits (digits before the point).
    int pointPos = exp10 + 1;
    if (pointPos <= 0) {
        digits.insert(0, static_cast<size_t>(-pointPos + 1), '0');
        pointPos = 1;
    }
    if (static_cast<int>(digits.size()) < pointPos + decimals + 1) {
        digits.append(static_cast<size_t>(pointPos + decimals + 1 - digits.size()), '0');
    }
    const int keep = pointPos + decimals;
    const bool roundUp = digits[static_cast<size_t>(keep)] >= '5';
    digits.resize(static_cast<size_t>(keep));
    if (roundUp) {
        int i = keep - 1;
        while (i >= 0) {
            if (digits[static_cast<size_t>(i)] == '9') {
                digits[static_cast<size_t>(i)] = '0';
                --i;
            } else {
                digits[static_cast<size_t>(i)] += 1;
                break;
            }
        }
        if (i < 0) {
            digits.insert(digits.begin(), '1');
            ++pointPos;
        }
    }
    intPart = digits.substr(0, static_cast<size_t>(pointPos));
    fracPart = digits.substr(static_cast<size_t>(pointPos));
    size_t nz = intPart.find_first_not_of('0');
    intPart = (nz == std::string::npos) ? std::string() : intPart.substr(nz);
}

std::string groupThousands(const std::string& digits) {
    std::string out;
    const size_t n = digits.size();
    for (size_t i = 0; i < n; ++i) {
        out.push_back(digits[i]);
        const size_t left = n - i - 1;
        if (left > 0 && left % 3 == 0) {
            out.push_back(',');
        }
    }
    return out;
}

} // namespace

std::string FormatNumber(double v, std::string_view pattern) {
    const PatternInfo p = parsePattern(pattern);
    if (std::isnan(v)) {
        return p.prefix + "NaN" + p.suffix;
    }
    if (std::isinf(v)) {
        return p.prefix + (v < 0 ? "-Inf" : "Inf") + p.suffix;
    }
    const int decimals = p.fracZeros + p.fracHashes;
    std::string intPart;
    std::string fracPart;
    roundedDigits(v, decimals, intPart, fracPart);
    while (static_cast<int>(fracPart.size()) > p.fracZeros && !fracPart.empty() &&
           fracPart.back() == '0') {
        fracPart.pop_back();
    }
    const bool nonZero = !intPart.empty() || fracPart.find_first_not_of('0') != std::string::npos;
    if (static_cast<int>(intPart.size()) < p.intZeros) {
        intPart.insert(0, static_cast<size_t>(p.intZeros) - intPart.size(), '0');
    }
    if (p.grouping) {
        intPart = groupThousands(intPart);
    }
    std::string out;
    if (v < 0 && nonZero) {
        out.push_back('-');
    }
    out += p.prefix;
    out += intPart;
    if (p.hasPoint && !fracPart.empty()) {
        out.push_back('.');
        out += fracPart;
    }
    out += p.suffix;
    return out;
}

namespace {
void appendGeneralText(std::string& out, double v, int digits) {
    if (v == 0.0) {
        out += '0';
        return;
    }
    if (std::isnan(v)) {
        out += "NaN";
        return;
    }
    if (std::isinf(v)) {
        out += v < 0 ? "-Inf" : "Inf";
        return;
    }
    // to_chars gives printf's "%.*G" text without the locale (a process that has set a
    // decimal comma must still write ".") and several times faster, which log saving needs.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, digits);
    for (const char* p = buf; p != res.ptr; ++p) {
        out += *p == 'e' ? 'E' : *p;
    }
}
// Seven-digit text of a single from 1E-04 up to below 1E+07 without the general formatter:
// for such a value times 10^s (s = 0..10) the product is exact in a double (24-bit mantissa
// times 5^s needs at most 48 bits), so rounding it to a whole number, halves to even, is
// exactly printf's rounding. False when the value needs the exponent form; the caller then
// takes the general path.
bool appendPlainSingle(std::string& out, float f) {
    const double a = std::fabs(static_cast<double>(f));
    if (!(a >= 1e-5 && a < 1e7)) {
        return false; // also zero, NaN and infinity
    }
    static constexpr double kPow10[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10};
    int s = 0;
    while (s <= 10 && a * kPow10[s] < 1e6) {
        ++s;
    }
    if (s > 10 || a * kPow10[s] >= 1e7) {
        return false;
    }
    auto n = static_cast<int64_t>(std::nearbyint(a * kPow10[s]));
    if (n == 10000000) {
        if (s == 0) {
            return false; // rounds up to 1E+07
        }
        n = 1000000;
        --s;
    }
    char digits[7];
    for (int i = 6; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + n % 10);
        n /= 10;
    }
    int last = 6;                // last digit to write: trailing zeros after the point are dropped
    const int intDigits = 7 - s; // digits before the point; 0 or less for values below 1
    while (last >= intDigits && last > 0 && digits[last] == '0') {
        --last;
    }
    if (f < 0) {
        out += '-';
    }
    if (intDigits <= 0) {
        out += "0.";
        out.append(static_cast<size_t>(-intDigits), '0');
        out.append(digits, static_cast<size_t>(last + 1));
        return true;
    }
    out.append(digits, static_cast<size_t>(intDigits));
    if (last >= intDigits) {
        out += '.';
        out.append(digits + intDigits, static_cast<size_t>(last + 1 - intDigits));
    }
    return true;
}
} // namespace

std::string GeneralNumber(float v) {
    std::string s;
    AppendGeneralNumber(s, v);
    return s;
}

std::string GeneralNumber(double v) {
    std::string s;
    appendGeneralText(s, v, 15);
    return s;
}

void AppendGeneralNumber(std::string& out, float v) {
    if (!appendPlainSingle(out, v)) {
        appendGeneralText(out, static_cast<double>(v), 7);
    }
}

double Val(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    std::string num;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        num.push_back(text[i++]);
    }
    bool digits = false;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        num.push_back(text[i++]);
        digits = true;
    }
    if (i < text.size() && text[i] == '.') {
        num.push_back(text[i++]);
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            num.push_back(text[i++]);
            digits = true;
        }
    }
    if (!digits) {
        return 0.0;
    }
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        size_t j = i + 1;
        std::string ex = "e";
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ex.push_back(text[j++]);
        }
        bool expDigits = false;
        while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j])) &&
               ex.size() < 8) {
            ex.push_back(text[j++]);
            expDigits = true;
        }
        if (expDigits) {
            num += ex;
        }
    }
    // from_chars ignores the process locale, which Qt sets from the environment: a decimal
    // comma locale must not change how "2.5" reads.
    double r = 0.0;
    const char* first = num.data();
    if (*first == '+') {
        ++first;
    }
    if (std::from_chars(first, num.data() + num.size(), r).ec != std::errc()) {
        return 0.0;
    }
    return std::isfinite(r) ? r : 0.0;
}

std::optional<int32_t> HexValue(std::string_view text) {
    if (text.empty() || text.size() > 7) {
        return std::nullopt;
    }
    int32_t v = 0;
    for (char c : text) {
        int32_t d = 0;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        } else if (c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else {
            return std::nullopt;
        }
        v = v * 16 + d;
    }
    return v;
}

double Near(double v) {
    return std::nearbyint(v);
}

int16_t NearInt16(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    const double r = std::nearbyint(v);
    if (r >= std::numeric_limits<int16_t>::max()) {
        return std::numeric_limits<int16_t>::max();
    }
    if (r <= std::numeric_limits<int16_t>::min()) {
        return std::numeric_limits<int16_t>::min();
    }
    return static_cast<int16_t>(r);
}

int32_t NearInt32(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    const double r = std::nearbyint(v);
    if (r >= std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    if (r <= std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(r);
}

float TimeOfDayFraction(double secondsSinceMidnight) {
    return static_cast<float>(secondsSinceMidnight / 86400.0);
}

namespace {
// Code points of Windows-1252 bytes 128..159; 0 marks the five unassigned bytes.
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}
} // namespace

std::string Cp1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x80 && b < 0xA0) {
            const char16_t cp = kHigh[b - 0x80];
            appendUtf8(out, cp != 0 ? cp : 0xFFFD);
        } else {
            appendUtf8(out, b);
        }
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        uint32_t cp = 0;
        size_t len = 1;
        if (b < 0x80) {
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            len = 2;
            cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            len = 3;
            cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            len = 4;
            cp = b & 0x07;
        } else {
            out.push_back('?');
            ++i;
            continue;
        }
        if (i + len > text.size()) {
            out.push_back('?');
            break;
        }
        bool ok = true;
        for (size_t k = 1; k < len; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        i += ok ? len : 1;
        if (!ok) {
            out.push_back('?');
            continue;
        }
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out.push_back(static_cast<char>(cp));
            continue;
        }
        char mapped = '?';
        for (int k = 0; k < 32; ++k) {
            if (kHigh[k] != 0 && kHigh[k] == cp) {
                mapped = static_cast<char>(0x80 + k);
                break;
            }
        }
        out.push_back(mapped);
    }
    return out;
}

} // namespace vireon
