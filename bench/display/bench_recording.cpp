// What logging adds to each reading: the row appended to the log and written to the recovery
// journal, with the journal put on the disk twice a second as the housekeeping tick does. At
// 125 readings a second the share of one core is reported as core_percent_at_125.
#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>

#include "support/FakeWindow.h"

namespace {

using namespace vireon;

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void BM_AppendRowWhileLogging(benchmark::State& state) {
    test::PlatformFakes fakes("vireon-recording-bench");
    test::FakeWindowView view;
    auto core = std::make_unique<WindowCore>(fakes.Platform(), view);
    core->Load();
    core->OnAction(Act::mnuProbeRecord);
    Recorder& rec = core->Log();
    int64_t n = 0;
    const double c0 = CpuSeconds();
    for (auto _ : state) {
        rec.OnFiberReading();
        // 125 readings a second: the housekeeping tick syncs every 62 or 63 rows.
        if (++n % 62 == 0) {
            rec.Housekeeping();
        }
        if (rec.Log().RecordCnt >= kLogMaxRows - 1) {
            rec.Log().RecordCnt = 0;
        }
    }
    const double perRow = (CpuSeconds() - c0) / static_cast<double>(n);
    state.counters["cpu_us_per_row"] = perRow * 1e6;
    state.counters["core_percent_at_125"] = perRow * 125 * 100;
    core->Unload(false);
}
BENCHMARK(BM_AppendRowWhileLogging)->MinTime(1.0);

} // namespace

BENCHMARK_MAIN();
