// Saving a full log (512000 rows, total and axes: 16 page files) beside Python's csv module
// writing the same rows, and reading one 32000-row page back.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "files/LogFile.h"

namespace {

using vireon::LogModel;

std::filesystem::path BenchFolder() {
    const char* base = std::getenv("VIREON_TEST_TMP");
    const auto root =
        base != nullptr ? std::filesystem::path(base) : std::filesystem::temp_directory_path();
    auto dir = root / ("vireon-files-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    return dir;
}

// The same values as the Python script below computes.
float Value(int32_t i, int c) {
    return static_cast<float>((i % 997) * 0.0137 * c + 0.001 * c);
}

std::unique_ptr<LogModel> FullLog() {
    auto log = std::make_unique<LogModel>();
    log->LogColumnMode = 1;
    log->LogUnits = "V/m";
    log->GraphScale = "0-35";
    log->RecordCnt = vireon::kLogMaxRows;
    for (int32_t i = 1; i <= log->RecordCnt; ++i) {
        auto& row = log->LogData[static_cast<size_t>(i)];
        row[0] = static_cast<float>((36000 + i / 15) / 86400.0);
        for (int c = 1; c <= 4; ++c) {
            row[static_cast<size_t>(c)] = Value(i, c);
        }
    }
    return log;
}

// Python writes the same 512000 rows into 16 page files with the csv module, formatting the
// values the same way, and prints the wall and processor seconds its writing took. It does
// not wait for the disk, where SaveData does (fsync), so the processor times compare the
// work alone.
const char kPython[] = R"PY(
import csv, sys, time, os
d = sys.argv[1]
rows = 512000
t0, c0 = time.perf_counter(), time.process_time()
for p in range(16):
    with open(os.path.join(d, "py_%d.csv" % (p + 1)), "w", newline="", encoding="cp1252") as f:
        w = csv.writer(f, lineterminator="\r\n")
        w.writerow(["Header"]); w.writerow(["Samples", rows]); w.writerow(["EndHeader"])
        w.writerow(["Time ", "Field V/m", "X V/m", "Y V/m", "Z V/m"])
        for i in range(p * 32000 + 1, p * 32000 + 32001):
            s = 36000 + i // 15
            w.writerow(["%02d:%02d:%02d" % (s // 3600, s % 3600 // 60, s % 60)] +
                       ["%.7G" % ((i % 997) * 0.0137 * c + 0.001 * c) for c in (1, 2, 3, 4)])
print(time.perf_counter() - t0, time.process_time() - c0)
)PY";

struct Seconds {
    double Wall = 0;
    double Cpu = 0;
};

Seconds PythonSeconds(const std::filesystem::path& dir) {
    const auto script = dir / "write.py";
    if (FILE* f = std::fopen(script.c_str(), "w")) {
        std::fputs(kPython, f);
        std::fclose(f);
    }
    const std::string cmd = "python3 '" + script.string() + "' '" + dir.string() + "'";
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) {
        return {};
    }
    Seconds s;
    if (std::fscanf(p, "%lf %lf", &s.Wall, &s.Cpu) != 2) {
        s = {};
    }
    pclose(p);
    return s;
}

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void BM_SaveData512000Rows(benchmark::State& state) {
    const auto dir = BenchFolder();
    const auto log = FullLog();
    const vireon::SaveStamp stamp{"06/12/2026", "10:00:00", "FP-7400"};
    const std::string path = (dir / "survey.csv").string();
    const auto t0 = std::chrono::steady_clock::now();
    const double c0 = ProcessCpuSeconds();
    for (auto _ : state) {
        const vireon::SaveResult r = vireon::SaveData(*log, path, stamp);
        if (!r.Ok || r.Pages.size() != 16) {
            state.SkipWithError(r.Error.c_str());
            break;
        }
    }
    const auto n = static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / n;
    const double cpu = (ProcessCpuSeconds() - c0) / n;
    // Best of three Python runs, so the comparison does not favour us by noise.
    Seconds python;
    for (int i = 0; i < 3; ++i) {
        const Seconds s = PythonSeconds(dir);
        if (s.Wall > 0 && (python.Wall == 0 || s.Wall < python.Wall)) {
            python = s;
        }
    }
    state.counters["save_s"] = wall;
    state.counters["python_csv_s"] = python.Wall;
    state.counters["times_faster"] = wall > 0 ? python.Wall / wall : 0;
    state.counters["save_cpu_s"] = cpu;
    state.counters["python_cpu_s"] = python.Cpu;
    state.counters["times_faster_cpu"] = cpu > 0 ? python.Cpu / cpu : 0;
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SaveData512000Rows)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_LoadData32000Rows(benchmark::State& state) {
    const auto dir = BenchFolder();
    auto log = FullLog();
    log->RecordCnt = vireon::kPageRows;
    const std::string path = (dir / "page.csv").string();
    vireon::SaveData(*log, path, vireon::SaveStamp{});
    log.reset();
    for (auto _ : state) {
        const vireon::LoadResult r = vireon::LoadData(path);
        if (r.RecordCnt != vireon::kPageRows) {
            state.SkipWithError("page not read whole");
            break;
        }
        benchmark::DoNotOptimize(r.Table.data());
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_LoadData32000Rows)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
