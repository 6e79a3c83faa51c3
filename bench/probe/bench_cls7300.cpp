// Fiber-optic data replies turned into field values per second, and the cost of a calibration
// upload (72 coefficients and the 3 x 4 x 4097 lookup tables).

#include "probe/cls7300.h"
#include "sim_fiber.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using vireon::Cls7300;
using vireon::sim::SimFiberUnit;

// Arguments: units code, number of readings averaged.
void BM_ParseCal7300(benchmark::State& state) {
    Cls7300 k;
    k.ParseCoeff(SimFiberUnit::CalibrationReply());
    k.Units(static_cast<uint8_t>(state.range(0)));
    k.Averaging(static_cast<uint8_t>(state.range(1)));
    const std::vector<std::string> replies = {":S0641F4FA0000010\r", ":S7D0ED81230110FF0\r",
                                              ":S0FF00105510100000\r", ":S3E83E83E8FF1000\r"};
    size_t i = 0;
    for (auto _ : state) {
        k.ParseCal7300(replies[i]);
        benchmark::DoNotOptimize(k.XYZ());
        i = (i + 1) % replies.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseCal7300)->Args({0, 1})->Args({0, 10})->Args({1, 50})->Args({2, 10});

void BM_ParseCoeff(benchmark::State& state) {
    Cls7300 k;
    const std::string reply = SimFiberUnit::CalibrationReply();
    for (auto _ : state) {
        benchmark::DoNotOptimize(k.ParseCoeff(reply));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseCoeff)->Unit(benchmark::kMillisecond);

} // namespace
