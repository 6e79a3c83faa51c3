// Replies handled per second by InputStr2 (next command + parsing), per family and mode.

#include "probe/clsProbe.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using vireon::clsProbe;

std::string Data(const std::string& number, const std::string& axes) {
    return ":D" + number + " V 128 N" + axes + "\r";
}

void Run(benchmark::State& state, clsProbe& p, const std::vector<std::string>& replies) {
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(p.InputStr2(replies[i]));
        i = i + 1 == replies.size() ? 0 : i + 1;
    }
    state.SetItemsProcessed(state.iterations());
}

// A single-axis four-range probe reading steadily.
void BM_InputStr2_FourRange(benchmark::State& state) {
    clsProbe p;
    p.TypeNumb(2);
    p.EnterModel("KD-5233 HSE");
    p.Average(static_cast<int16_t>(state.range(0)));
    Run(state, p, {Data("12.34", "EEE"), Data("12.56", "EEE"), Data("11.98", "EEE")});
}
BENCHMARK(BM_InputStr2_FourRange)->Arg(1)->Arg(10)->Arg(50);

// The multiplexed X-Y-Z cycle with its axis acknowledgements and auto-ranging on.
void BM_InputStr2_Multiplexed(benchmark::State& state) {
    clsProbe p;
    p.TypeNumb(2);
    p.EnterModel("KD-5233 HSE");
    p.MultiplexPrefered(1);
    p.AutoRangeOn(1);
    Run(state, p,
        {Data("3.000", "EDD"), ":A\r", Data("4.000", "DED"), ":A\r", Data("12.00", "DDE"), ":A\r"});
}
BENCHMARK(BM_InputStr2_Multiplexed);

void BM_InputStr2_EH(benchmark::State& state) {
    clsProbe p;
    p.TypeNumb(3);
    p.EnterModel("E150");
    Run(state, p, {":D12.34 V \r", ":D12.56 V \r"});
}
BENCHMARK(BM_InputStr2_EH);

} // namespace
