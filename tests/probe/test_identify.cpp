// Identification of every four-range and E/H model against the simulated probes.

#include "probe_test_util.h"
#include "sim_families.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>

using namespace vireon;
using vireon::testing::Drive;
using vireon::testing::RecordingHost;

namespace {

const sim::FieldScenario kElectric = [](double) { return std::array<double, 3>{5, 3, 2}; };
const sim::FieldScenario kMagnetic = [](double) { return std::array<double, 3>{0.2, 0.12, 0.08}; };
const sim::FieldScenario kCurrent = [](double) {
    return std::array<double, 3>{0.005, 0.003, 0.002};
};

} // namespace

// The model's own figures (ranges, intervals, scale factors) are the model table's; what
// identification must get right is the model, the unit it leaves the probe in, and a reading
// scaled as that model reads it.
TEST(ProbeIdentify, EveryModelIsFoundAndLeftInItsUnit) {
    const struct {
        std::string model;
        const sim::FieldScenario* field;
        int startUnit; // the probe's unit before identification, restored afterwards
        float display; // reading after the units are restored
    } cases[] = {
        {"KD-5233 STE", &kElectric, 2, 0.038f},   {"KD-5233 HSE", &kElectric, 2, 38},
        {"KD-5233 MSE", &kElectric, 2, 0.038f},   {"KD-5233 GRE", &kElectric, 2, 38},
        {"KD-5253", &kElectric, 2, 38},           {"KD-5233 LFH", &kMagnetic, 2, 60.8f},
        {"KD-5233 CH", &kMagnetic, 2, 60.8f},     {"KD-5233 HCH", &kMagnetic, 2, 60.8f},
        {"KD-5257", &kMagnetic, 2, 2.292f},       {"KD-5222", &kElectric, 2, 0.0101f},
        {"KD-5250/5255", &kElectric, 2, 0.0101f}, {"KD-5256", &kElectric, 2, 0.0101f},
        {"KD-1836", &kElectric, 1, 6.164f},       {"KD-1902", &kCurrent, 1, 6.164f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        sim::SimProbe52xx dev(c.model, *c.field, c.startUnit, 2);
        clsProbe probe;
        RecordingHost host;
        probe.SetHost(&host);
        const auto sent = Drive(probe, dev, 45);
        EXPECT_EQ(probe.GetModel(), c.model);
        EXPECT_EQ(host.messages, std::vector<std::string>{});
        EXPECT_EQ(probe.IdentifyStep(), 0);
        // The probe is back in the unit and range it started in (the STE reaches unit 2 only in
        // range 3), and the monitor agrees; the data interval is the sample rate's (10 a
        // second) unless the model needs longer; the battery was asked for.
        EXPECT_EQ(dev.Unit(), c.startUnit);
        EXPECT_EQ(probe.GetUnitsNo(), c.startUnit);
        EXPECT_EQ(dev.Range(), c.model == "KD-5233 STE" ? 3 : 2);
        EXPECT_EQ(probe.Range(), dev.Range());
        EXPECT_EQ(probe.GetDataInterval(), std::max<int>(100, probe.GetModelMinInterval()));
        EXPECT_NE(std::find(sent.begin(), sent.end(), "B"), sent.end());
        EXPECT_FALSE(probe.PendingCmndFlag());
        EXPECT_NEAR(probe.XYZAxis(), c.display, std::max(0.01f * c.display, 0.0006f));
        // Every reply of the running probe has the length the monitor waits for.
        std::vector<std::string> wrong;
        probe.SetNextCmnd("B");
        Drive(probe, dev, 8, nullptr, &wrong);
        EXPECT_EQ(wrong, std::vector<std::string>{});
    }
}

namespace {
// Answers one chosen exchange with an error reply, then behaves.
class Glitch final : public sim::SimDevice {
public:
    Glitch(sim::SimDevice& inner, int at) : inner_(inner), at_(at) {}
    std::optional<std::string> Answer(const std::string& cmd, double t) override {
        auto r = inner_.Answer(cmd, t);
        return ++n_ == at_ ? std::optional<std::string>(":E\r") : r;
    }

private:
    sim::SimDevice& inner_;
    int at_;
    int n_ = 0;
};
} // namespace

TEST(ProbeIdentify, UnexplainedMismatchRestartsCollection) {
    sim::SimProbe52xx dev("KD-5233 GRE", kElectric, 1, 2);
    Glitch glitchy(dev, 10); // the reply to the step-8 "D2"
    clsProbe probe;
    Drive(probe, glitchy, 26);
    EXPECT_EQ(probe.GetModel(), "");
    EXPECT_GE(probe.IdentifyStep(), 1);
    Drive(probe, glitchy, 30);
    EXPECT_EQ(probe.GetModel(), "KD-5233 GRE");
}

TEST(ProbeIdentify, UnknownProbeIsReported) {
    // Codes that fit no model: the user is told, defaults still apply.
    clsProbe unknown;
    RecordingHost host;
    unknown.SetHost(&host);
    const std::string d = vireon::testing::Data("1.000", " W2");
    for (const char* r : {":R2\r", ":R2\r", ":E\r", ":E\r"}) {
        unknown.InputStr2(r);
    }
    for (int i = 0; i < 22; ++i) {
        const std::string cmd = vireon::testing::Bare(unknown.GetNextCmnd2());
        unknown.InputStr2(cmd[0] == 'D' ? d : std::string{':', cmd[0], '\r'});
    }
    EXPECT_EQ(unknown.IdentifyStep(), 0);
    EXPECT_EQ(unknown.GetModel(), "");
    EXPECT_EQ(host.messages, std::vector<std::string>{"Probe type unknown"});
    EXPECT_EQ(unknown.GetModelMinInterval(), 50);
}

TEST(ProbeIdentify, EHProbesIdentifyAndRead) {
    for (const auto& [model, field, units] :
         {std::tuple{"E150", &kElectric, "V/m"}, std::tuple{"H250", &kMagnetic, "A/m"}}) {
        sim::SimProbeEH dev(model, *field);
        clsProbe probe;
        RecordingHost host;
        probe.SetHost(&host);
        std::vector<int16_t> flags;
        const auto sent = Drive(probe, dev, 9, &flags);
        const std::vector<std::string> want = {"R", "R", "I", "i", "B", "TF", "D1", "D1", "D1"};
        EXPECT_EQ(sent, want) << model;
        EXPECT_EQ(probe.GetModel(), model);
        EXPECT_EQ(host.delays, std::vector<int32_t>{1500});
        EXPECT_EQ(probe.UnitsStr(), units);
        EXPECT_EQ(probe.CalDate(), "03/15/2026");
        EXPECT_FLOAT_EQ(probe.Temperature(), 69.0f); // 21 degrees C in Fahrenheit, rounded down
        const double total = model[0] == 'E' ? std::sqrt(38.0) : std::sqrt(0.0608);
        EXPECT_NEAR(probe.XYZAxis(), total, 0.001);
        EXPECT_EQ(flags[6],
                  clsProbe::kNewReading | clsProbe::kUnitsChanged | clsProbe::kConfigChanged);
    }
}
