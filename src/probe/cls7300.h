#pragma once
// The fiber-optic probe's calibration and field computation. The probe reports, per axis, a
// 12-bit detector count and the code of the amplifier gain in use; this object turns them into
// field values with the calibration the probe uploads once (":M"), and keeps the zero
// reference, the units, the peak and minimum holds and the running average. Plain C++: it
// speaks to the user only through ProbeHost::MsgBox.

#include "probe/probe_host.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vireon {

class Cls7300 {
public:
    static constexpr int16_t kTableCounts = 4097; // entries per gain: counts 0..4096
    static constexpr uint8_t kMaxAveraging = 50;
    static constexpr float kDefaultClassGain = 3.02F;
    static constexpr float kMinHoldStart = 9999999.0F;

    enum UnitsCode : uint8_t { kVoltsPerMetre = 0, kMilliWattsPerCm2 = 1, kVoltsSquared = 2 };

    Cls7300();

    // The window that shows the messages; nullptr keeps the object silent.
    void SetHost(ProbeHost* host) { host_ = host; }

    // ---- calibration ----
    // Accepts a complete ":M" reply (fiber::kCalLen characters): reads the 72 coefficients and
    // rebuilds the tables.
    // Any other length is refused with a message and the previous calibration stays.
    bool ParseCoeff(const std::string& reply);
    void CalLookUpTable();
    // Field straight from the coefficients; empty for a gain code without a gain index.
    std::optional<float> CalX(int16_t count, uint8_t gainCode) const;
    std::optional<float> CalY(int16_t count, uint8_t gainCode) const;
    std::optional<float> CalZ(int16_t count, uint8_t gainCode) const;
    // Gain index 1..4 of a gain code, 0 for a code without a table.
    static int16_t SetGainDim(int16_t gainCode);
    // Table entry of an axis ("X", "X Lin", "Y", ...) for an amplifier gain value and a count.
    // Empty for another axis name, a gain value of 0 or below, or a count outside 0..4096.
    std::optional<float> CalculateFieldXYZ(const std::string& axis, float gain,
                                           int16_t count) const;
    // Class gain factor of an axis (0..3) from the gain resistors; Rb and Rc are in parallel.
    // An axis outside 0..3 is ignored.
    void SetGainFactor(int16_t axis, float ra, float rb, float rc);
    // Class gain factor of an axis (0..3); 0 for any other axis.
    float QueryGainFactor(int16_t axis) const;
    uint8_t EquationType() const { return equationType_; }
    void EquationType(uint8_t value);
    // Breakpoint between the two segments of a gain index (1..4); 0 for any other index.
    int16_t Breakpoint(int16_t gainIndex) const;
    // The last accepted calibration reply.
    const std::string& RawCal() const { return rawCal_; }
    // Amplifier gain of a gain code.
    static float AmplifierGain(uint8_t gainCode);

    // ---- readings ----
    void ParseCal7300(const std::string& reply);
    // Starts a new zero measurement over the next Averaging readings.
    void SetRef();
    // Drops the zero reference without measuring.
    void ClearRef();
    // One zero sample for an axis (1..3); ignored when no zero measurement is running.
    void OffsetAverage(int16_t axis, float value);
    float ZeroOffset(int16_t axis) const;
    uint8_t ZeroSampleCount() const { return zeroCnt_; }
    bool ZeroRunning() const { return zeroCnt_ < averaging_; }

    uint8_t Units() const { return units_; }
    // Converts the maximum holds and the averaging slots to the new units. A code other than
    // 0..2 is ignored: it would turn every hold and slot into 0.
    void Units(uint8_t value);
    static float ConvertUnit(uint8_t from, uint8_t to, float value);
    uint8_t Averaging() const { return averaging_; }
    // A count above 50 is ignored; the change never starts a zero measurement.
    void Averaging(uint8_t value);
    int16_t PausePeakHold() const { return pausePeakHold_; }
    void PausePeakHold(int16_t value) { pausePeakHold_ = value; }
    void ClearMaxHold();
    void ClearMinHold();

    float Xaxis() const { return axis_[0]; }
    float Yaxis() const { return axis_[1]; }
    float Zaxis() const { return axis_[2]; }
    float XYZ() const { return xyz_; }
    // Non-averaged values; a negative one reads as 0.
    float XNA() const { return NonNegative(na_[0]); }
    float YNA() const { return NonNegative(na_[1]); }
    float ZNA() const { return NonNegative(na_[2]); }
    float XYZNA() const;
    float MaxHoldXYZ() const { return maxHold_[0]; }
    float MaxHoldX() const { return maxHold_[1]; }
    float MaxHoldY() const { return maxHold_[2]; }
    float MaxHoldZ() const { return maxHold_[3]; }
    float MinHoldXYZ() const { return minHold_[0]; }
    float MinHoldX() const { return minHold_[1]; }
    float MinHoldY() const { return minHold_[2]; }
    float MinHoldZ() const { return minHold_[3]; }
    int16_t CountX() const { return count_[0]; }
    int16_t CountY() const { return count_[1]; }
    int16_t CountZ() const { return count_[2]; }
    uint8_t GainCodeX() const { return gainCode_[0]; }
    uint8_t GainCodeY() const { return gainCode_[1]; }
    uint8_t GainCodeZ() const { return gainCode_[2]; }
    float GainXX() const { return gain_[0]; }
    float GainYY() const { return gain_[1]; }
    float GainZZ() const { return gain_[2]; }
    float VoltDiodeX() const { return voltDiode_[0]; }
    float VoltDiodeY() const { return voltDiode_[1]; }
    float VoltDiodeZ() const { return voltDiode_[2]; }
    const std::string& ProbeSerialNo() const { return probeSerialNo_; }
    void ProbeSerialNo(const std::string& value) { probeSerialNo_ = value; }

private:
    static constexpr size_t kSlots = 52;
    using Coeffs = std::array<float, 24>;

    static float NonNegative(float v) { return v < 0 ? 0.0F : v; }
    // Coefficient c (0..2) of segment k (1..2) and gain index g (1..4).
    static size_t CoeffIndex(int c, int k, int g) {
        return static_cast<size_t>(c + ((k - 1) + (g - 1) * 2) * 3);
    }
    std::optional<float> CalAxis(int axis, int16_t count, uint8_t gainCode) const;
    float Evaluate(int axis, int16_t count, int g) const;
    float& Entry(int axis, int16_t count, int g) {
        return table_[static_cast<size_t>(axis) * 4 * kTableCounts +
                      static_cast<size_t>(count + (g - 1) * kTableCounts)];
    }
    float Entry(int axis, int16_t count, int g) const {
        return table_[static_cast<size_t>(axis) * 4 * kTableCounts +
                      static_cast<size_t>(count + (g - 1) * kTableCounts)];
    }
    float Total(float x, float y, float z) const;
    void RecomputeSums();
    void Say(const std::string& text, ProbeMsgIcon icon) const;

    ProbeHost* host_ = nullptr;

    // Calibration.
    std::array<Coeffs, 3> coef_{};
    std::array<int16_t, 5> breakpoint_{0, 550, 314, 1299, 525};
    std::vector<float> table_; // per axis: 4 gains x 4097 counts
    std::array<float, 4> classGain_{kDefaultClassGain, kDefaultClassGain, kDefaultClassGain,
                                    kDefaultClassGain};
    uint8_t equationType_ = 4;
    std::string rawCal_;

    // Last data reply.
    std::array<int16_t, 3> count_{};
    std::array<uint8_t, 3> gainCode_{};
    std::array<float, 3> gain_{};
    std::array<float, 3> voltDiode_{};

    // Values in the selected units.
    std::array<float, 3> axis_{};
    float xyz_ = 0;
    std::array<float, 3> na_{};
    std::array<float, 4> maxHold_{};
    std::array<float, 4> minHold_{kMinHoldStart, kMinHoldStart, kMinHoldStart, kMinHoldStart};
    int16_t pausePeakHold_ = 0;

    uint8_t averaging_ = 10;
    std::array<std::array<float, 3>, kSlots> slot_{};
    std::array<float, 3> runSum_{};
    uint8_t slotIndex_ = 0;
    uint8_t units_ = kVoltsPerMetre;

    // Zero reference, in V/m.
    std::array<float, 3> offset_{};
    uint8_t zeroCnt_ = 10;
    std::array<std::array<float, 3>, kSlots> zeroSlot_{};

    std::string probeSerialNo_;
};

} // namespace vireon
