#pragma once
// The probe on the serial line: which family and model it is, what to send it next, what its
// replies mean, and its ranges, units and axes. Plain C++; the window reaches it by calls and
// property reads, and it reaches the window only through ProbeHost.

#include "probe/probe_host.h"

#include <array>
#include <cstdint>
#include <string>

namespace vireon {

class clsProbe {
public:
    // Flags returned by InputStr / InputStr2.
    enum Flag : int16_t {
        kNewReading = 1,
        kAxisChanged = 2,
        kOverRange = 4,
        kBatteryState = 8,
        kUnitsChanged = 16,
        kRangeChanged = 32,
        kTemperature = 64,
        kBattery = 128,
        kUnderRange = 512,
        kConfigChanged = 1024,
    };

    clsProbe();

    // The window that answers message boxes, waits and calibration hand-offs; nullptr detaches.
    void SetHost(ProbeHost* host);

    // ---- command sequencing ----
    int16_t InputStr2(const std::string& reply);
    std::string GetNextCmnd(const std::string& reply);
    const std::string& GetNextCmnd2() const { return currCmnd_; }
    const std::string& GetLastCmnd() const { return lastCmnd_; }
    void SetNextCmnd(const std::string& command);
    void SetDefaultCmnd(const std::string& command);
    void EnterModel(const std::string& model);
    void Delay(int32_t ms);

    uint8_t TypeNumb() const { return typeNumb_; }
    void TypeNumb(uint8_t value) { typeNumb_ = value; }
    uint8_t LostComm() const { return lostComm_; }
    void LostComm(uint8_t value);
    uint8_t StartARProbe() const { return startARProbe_; }
    void StartARProbe(uint8_t value) { startARProbe_ = value; }
    int16_t MultiplexPrefered() const { return multiplexPrefered_; }
    void MultiplexPrefered(int16_t value);
    int16_t SampleRate() const { return sampleRate_; }
    void SampleRate(int16_t value);
    const std::string& BaudRatePerfered() const { return baudRatePerfered_; }
    void BaudRatePerfered(const std::string& value) { baudRatePerfered_ = value; }
    int16_t UseCelsiusTemp() const { return useCelsiusTemp_; }
    void UseCelsiusTemp(int16_t value) { useCelsiusTemp_ = value; }
    void SetHighSpeedMode(int16_t code) { speedCode_ = code; }

    int16_t GetRThreshold() const { return rThreshold_; }
    int16_t GetTimerInterval() const { return timerInterval_; }
    const std::string& GetModel() const { return model_; }
    int16_t MultiplexOn() const { return multiplexOn_; }
    int16_t GetMultiplexAvail() const { return multiplexAvail_; }
    int16_t GetMultiCurrAxis() const { return multiCurrAxis_; }
    int16_t GetMaxSamRate() const;
    int16_t GetDataInterval() const { return dataInterval_; }
    int16_t GetModelMinInterval() const { return modelMinInterval_; }
    int16_t GetUnitCount() const { return unitCount_; }
    int16_t GetTrackedUnit() const { return trackedUnit_; }
    bool PendingCmndFlag() const { return pendingFlag_ != 0; }
    const std::string& PendingCmnd() const { return pendingCmnd_; }
    // Identification: -1 armed, 0 off, 1 and up collecting.
    int16_t IdentifyStep() const { return idStep_; }
    int16_t IdentifyLastStep() const { return idLastStep_; }
    // Range recorded by auto-ranging for an axis (1..3) while multiplexing.
    int16_t GetAxisRecordedRange(int16_t axis) const;

    // ---- reply parsing ----
    // Routes a reply by family: E/H replies to InputStr1400, identification replies to
    // AutoTypeCollect (returning 0), everything else to InputStr52xx.
    int16_t InputStr(const std::string& reply);
    int16_t InputStr52xx(const std::string& reply);
    int16_t InputStr1400(const std::string& reply);
    void AutoTypeCollect(const std::string& reply);

    float FieldValue() const { return fieldValue_; }
    const std::string& FieldText() const { return fieldText_; }
    float XNA() const { return na_[1]; }
    float YNA() const { return na_[2]; }
    float ZNA() const { return na_[3]; }
    float SingleNA() const { return na_[0]; }
    float Xaxis() const { return avg_[1]; }
    float Yaxis() const { return avg_[2]; }
    float Zaxis() const { return avg_[3]; }
    float XYZAxis() const { return xyzAxis_; }
    float XYZNA() const { return xyzNA_; }
    float Battery() const { return battery_; }
    float Temperature() const { return temperature_; }
    const std::string& UnitsCode() const { return unitsCode_; }
    const std::string& AxisCode() const { return axisCode_; }
    int16_t UnitsClass() const { return unitsClass_; }
    bool SquaredUnits() const { return squared_; }
    float ThresholdFraction() const { return thresholdFraction_; }
    int16_t OverRangeFlag() const { return overRangeFlag_; }
    int16_t UnderRangeFlag() const { return underRangeFlag_; }
    int16_t MissingReplyCount() const { return missingCnt_; }
    int16_t ErrorReplyCount() const { return errorCnt_; }
    int16_t Average() const { return average_; }
    void Average(int16_t value);
    int16_t PausePeakHold() const { return pausePeakHold_; }
    void PausePeakHold(int16_t value) { pausePeakHold_ = value; }
    const std::string& SoftwareRev() const { return softwareRev_; }
    const std::string& SerialNo() const { return serialNo_; }
    const std::string& CalDate() const { return calDate_; }
    float MAMultiplier() const { return mAMultiplier_; }

    // ---- ranges, units and axes ----
    int16_t Range() const { return range_; }
    void Range(int16_t value);
    int16_t AutoRangeOn() const { return autoRangeOn_; }
    void AutoRangeOn(int16_t value);
    void SetAxisRange(int16_t axis, int16_t range);
    const std::string& GetAxisRangeCmnd(int16_t axis) const;
    void ToggleAxis(int16_t axisIndex);
    int16_t AxisEnabled() const { return axisEnabled_; }
    void AxisEnabled(int16_t mask) { axisEnabled_ = mask; }
    const std::string& GetAxisStr() const { return axisStr_; }

    std::string GetRangeString(int16_t range) const;
    std::string GetGraphScales(int16_t range, int16_t logFlag) const;
    std::string GetGraphSelection() const;
    void SetGraphType(const std::string& type) { graphType_ = type; }
    int16_t GetMaxRange() const;
    float GetUnderRangeVal() const;
    float GetOverRangeVal() const;
    float LowerLimit() const { return lowerLim_[cell(1, 1)]; }
    float UpperLimit() const { return upperLim_[cell(1, 1)]; }
    float GetUnderThreshold() const { return underThreshold_; }
    int32_t SetOverRangeColor(int32_t colour) const;
    int16_t GetPercentOfScale() const;
    int16_t GetBarGraph() const { return barNum_[0]; }

    const std::string& UnitsStr() const { return unitsStr_; }
    int16_t GetUnitsNo() const { return unitsNo_; }
    void UnitsNo7300(int16_t value);

    std::string XAxisStr() const { return AdjustStrLen(avg_[1]); }
    std::string YAxisStr() const { return AdjustStrLen(avg_[2]); }
    std::string ZAxisStr() const { return AdjustStrLen(avg_[3]); }
    std::string XYZAxisStr() const;

    float MaxHoldX() const { return RoundLikeReadout(maxHold_[1]); }
    float MaxHoldY() const { return RoundLikeReadout(maxHold_[2]); }
    float MaxHoldZ() const { return RoundLikeReadout(maxHold_[3]); }
    float MaxHoldXYZ() const { return RoundLikeReadout(maxHoldXYZ_); }
    float MinHoldX() const { return minHold_[1]; }
    float MinHoldY() const { return minHold_[2]; }
    float MinHoldZ() const { return minHold_[3]; }
    float MinHoldXYZ() const;
    void ClearMaxHold();
    void ClearMinHold();

    // Tables, exposed for the window and for checks.
    const std::string& RangeText(int16_t unit, int16_t range) const;
    const std::string& LogScaleText(int16_t unit) const;
    float LowerLimitOf(int16_t unit, int16_t range) const;
    float UpperLimitOf(int16_t unit, int16_t range) const;
    float ScaleFactor(int16_t range, int16_t unitsClass) const;
    int16_t MaxRangeOf(int16_t unit) const;

    // Readout precision: "0.000" below 10, "0.00" below 100, "0.0" below 1000, else "0".
    static std::string AdjustStrLen(double value);
    // Range limit text: "0.0#####" below 10, plain up to 9999, "#,###,###" above.
    static std::string FormatLimitValue(double value);

    // Exposed so that tests and the window can run them on their own.
    void SetModelDefaults();
    void SetRangeLimits();
    void IdentifyProbeModel();
    void RestoreUnitsAfterIdentify();
    void ComputeReadInterval();

private:
    int16_t NewReadingFlags();
    static constexpr int kSlots = 50;

    static size_t cell(int16_t unit, int16_t range) {
        return static_cast<size_t>(unit) + static_cast<size_t>(range) * 6;
    }
    static bool ValidUnit(int16_t u) { return u >= 0 && u <= 5; }
    static bool ValidRange(int16_t r) { return r >= 0 && r <= 5; }
    static float RoundLikeReadout(float v);
    // Letter, number and CR, e.g. "R3" + CR.
    static std::string NumberedCmnd(char letter, int n);

    // sequencing
    void GetNextCmndUnknown(const std::string& reply);
    void GetNextCmnd52xx(const std::string& reply);
    void DataReply52xx(const std::string& reply);
    void GetNextCmndFiber(const std::string& reply);
    void GetNextCmndEH(const std::string& reply);
    void SetReplyExpectation();
    void SetCurr(const std::string& word) { currCmnd_ = word + '\r'; }
    std::string UnitCodeOf(int16_t command) const;
    std::string AxisCodeOf(int16_t command) const;
    const std::string& ReplyTo(int16_t command) const;

    // parsing
    void DecodeUnits52xx();
    void DecodeUnits1400();
    void UpdateAxis(int axis, float value);
    void UpdateTotal();
    float ScaledNumber(const std::string& reply) const;
    void RecomputeThreshold();
    void SetRangeStrings();
    void Message(const std::string& text, ProbeMsgIcon icon);
    bool Identified() const { return !model_.empty(); }

    ProbeHost& Host() const;

    ProbeHost* host_ = nullptr; // not owned; nullptr: nobody to ask

    // sequencing state
    uint8_t typeNumb_ = 0;
    uint8_t lostComm_ = 0;
    uint8_t startARProbe_ = 0;
    std::string baudRatePerfered_ = "9600,o,7,1";
    std::string model_;
    std::string currCmnd_ = "R\r";
    std::string lastCmnd_;
    std::string defaultCmnd_ = "D2\r";
    std::string pendingCmnd_;
    uint8_t pendingFlag_ = 0;
    int16_t unit2FollowUp_ = 0;
    int16_t rThreshold_ = 4;
    int16_t timerInterval_ = 66;
    int16_t dataInterval_ = 66;
    int16_t otherInterval_ = 66;
    int16_t modelMinInterval_ = 66;
    int16_t sampleRate_ = 10;
    int16_t speedCode_ = 0;
    int16_t useCelsiusTemp_ = 0;
    int16_t multiplexPrefered_ = 0;
    int16_t multiplexAvail_ = 0;
    int16_t multiplexOn_ = 0;
    int16_t multiCurrAxis_ = 0;
    int16_t axisCounter_ = 0;
    std::array<std::string, 3> axisRangeCmnd_{"R2\r", "R2\r", "R2\r"};
    std::array<int16_t, 3> axisRecordedRange_{0, 0, 0};
    int16_t axisRangeIndex_ = 0;
    int16_t arStepCnt_ = 0;
    int16_t rangeChangePending_ = 0;
    int16_t huntingStop_ = 0;
    int16_t idRetry_ = 0;
    int16_t idStep_ = 0;
    int16_t idStepIndex_ = 0;
    int16_t idLastStep_ = 24;
    std::array<std::string, 33> idCmnd_;
    std::array<std::string, 34> idReply_;
    std::string mismatchLog_;
    int16_t unitsNo_ = 1;
    int16_t trackedUnit_ = 1;
    int16_t unitCount_ = 3;
    int16_t configChanged_ = 0;
    int16_t autoRangeSwitchedOff_ = 0;
    int16_t unitsChangedByProbe_ = 0;

    // parsed values; index 0 is the single-axis reading, 1..3 are X, Y, Z
    float fieldValue_ = 0;
    std::string fieldText_;
    std::array<float, 4> na_{};
    std::array<float, 4> avg_{};
    float xyzAxis_ = 0;
    float xyzNA_ = 0;
    std::array<int16_t, 4> barNum_{};
    std::array<int16_t, 4> barPct_{};
    std::array<int16_t, 4> barPctAvg_{};
    std::array<float, 4> maxHold_{};
    std::array<float, 4> minHold_{9999999, 9999999, 9999999, 9999999};
    float maxHoldXYZ_ = 0;
    float minHoldXYZ_ = 999999;
    std::array<std::array<float, kSlots + 1>, 4> slotValue_{};
    std::array<std::array<int16_t, kSlots + 1>, 4> slotBar_{};
    std::array<int16_t, 4> slotIndex_{};
    float battery_ = 0;
    float temperature_ = 0;
    int16_t range_ = 2;
    std::string unitsCode_;
    std::string unitsStr_;
    int16_t unitsClass_ = 1;
    bool squared_ = false;
    float thresholdFraction_;
    std::string axisCode_;
    std::string axisStr_ = "AEEE\r";
    int16_t overRangeFlag_ = 0;
    int16_t underRangeFlag_ = 0;
    int16_t missingCnt_ = 0;
    int16_t errorCnt_ = 0;
    int16_t average_ = 1;
    int16_t pausePeakHold_ = 0;
    int16_t axisEnabled_ = 7;
    float mAMultiplier_ = 1;
    std::string softwareRev_;
    std::string serialNo_;
    std::string calDate_;

    // ranges and units
    std::array<std::string, 36> rangeText_;
    std::array<std::string, 6> logText_;
    std::array<float, 36> lowerLim_{};
    std::array<float, 36> upperLim_{};
    std::array<float, 36> scaleFactor_{};
    std::array<int16_t, 6> maxRange_{4, 4, 4, 4, 4, 4};
    int16_t autoRangeOn_ = 0;
    float underThreshold_ = 0;
    std::string graphType_ = "Auto";
};

} // namespace vireon
