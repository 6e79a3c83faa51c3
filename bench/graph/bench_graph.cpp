// Speed of the time graph: a full redraw of stored data and the live per-sample path; and of
// one reading on the bar graph, whose unchanged bars cost a comparison and no drawing.

#include "graph/ClsBarGraph.h"
#include "graph/clsGraph.h"

#ifdef VIREON_BENCH_QT
#include "graph/qt/QtSurface.h"
#include <QGuiApplication>
#endif

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace vireon {
namespace {

// Draws nothing; isolates the engine's own arithmetic.
class NullSurface : public DrawingSurface {
public:
    void AutoRedraw(bool) override {}
    int32_t BackColor() const override { return 0; }
    void BackColor(int32_t) override {}
    int32_t ForeColor() const override { return 0; }
    void ForeColor(int32_t) override {}
    double ScaleWidth() const override { return 19200; }
    double ScaleHeight() const override { return 9000; }
    double TextWidth(const std::string& t) const override { return 100.0 * t.size(); }
    double TextHeight(const std::string&) const override { return 195; }
    void Print(double, double, const std::string&) override {}
    void Line(double, double, double, double, int32_t) override {}
    void Box(double, double, double, double, int32_t) override {}
    void FillBox(double, double, double, double, int32_t) override {}
    void Point(double, double, int32_t) override {}
    void Circle(double, double, double, int32_t) override {}
    void Clear() override {}
};

// The window's configuration on a 1280 x 600 pixel picture (15 twips per pixel at 96 dpi).
void Configure(clsGraph& g, DrawingSurface& s) {
    g.OutputObj(&s);
    g.Left(100);
    g.Top(100);
    g.Width(static_cast<int16_t>(1280 * 15 - 100));
    g.Height(static_cast<int16_t>(600 * 15 - 100));
    g.GraphType(3);
    g.NoVerDiv(4);
    g.YAxisLogMax(1000.0F);
    g.DisVerLines(2);
    g.DisHorLines(1);
    g.No_VerMinDiv(1);
    g.HorUnitsDesc("Time");
    g.SamPerDiv(100.0F);
    for (int16_t t = 2; t <= 6; ++t) {
        g.TraceSet(t, 1);
    }
}

void Fill(clsGraph& g) {
    for (int16_t i = 1; i <= 32000; ++i) {
        g.WriteData(i, 1, static_cast<float>(i) / 86400.0F);
        for (int16_t t = 2; t <= 6; ++t) {
            g.WriteData(i, t, 1.0F + 50.0F * static_cast<float>(1.0 + std::sin(i * 0.01 + t)));
        }
    }
    g.ZoomOut();
}

void DrawLinesOn(benchmark::State& state, DrawingSurface& s) {
    auto g = std::make_unique<clsGraph>();
    Configure(*g, s);
    Fill(*g);
    g->Graph(0);
    for (auto _ : state) {
        g->DrawLines();
    }
    state.SetItemsProcessed(state.iterations() * 5 * 32000);
}

void LiveSampleOn(benchmark::State& state, DrawingSurface& s) {
    auto g = std::make_unique<clsGraph>();
    Configure(*g, s);
    g->Graph(1);
    const auto sweep = static_cast<int16_t>(g->ReTraceCnt());
    int16_t p = 0;
    float v = 1.0F;
    for (auto _ : state) {
        p = static_cast<int16_t>(p >= sweep ? 1 : p + 1);
        v = v > 900.0F ? 0.5F : v * 1.01F;
        g->ScrollErase(p);
        g->Scroll(p, v, 3);
        g->Scroll(p, v * 0.9F, 4);
        g->Scroll(p, v * 0.8F, 5);
        g->Scroll(p, v * 1.2F, 2);
    }
}

void BM_DrawLines_Null(benchmark::State& state) {
    NullSurface s;
    DrawLinesOn(state, s);
}
BENCHMARK(BM_DrawLines_Null)->Unit(benchmark::kMillisecond);

void BM_LiveSample_Null(benchmark::State& state) {
    NullSurface s;
    LiveSampleOn(state, s);
}
BENCHMARK(BM_LiveSample_Null)->Unit(benchmark::kMicrosecond);

#ifdef VIREON_BENCH_QT
void BM_DrawLines_Qt(benchmark::State& state) {
    QtSurface s(96, 96);
    s.Resize(1280, 600);
    DrawLinesOn(state, s);
    benchmark::DoNotOptimize(s.Image().constBits());
}
BENCHMARK(BM_DrawLines_Qt)->Unit(benchmark::kMillisecond);

void BM_LiveSample_Qt(benchmark::State& state) {
    QtSurface s(96, 96);
    s.Resize(1280, 600);
    LiveSampleOn(state, s);
    benchmark::DoNotOptimize(s.Image().constBits());
}
BENCHMARK(BM_LiveSample_Qt)->Unit(benchmark::kMicrosecond);

// The window's bar graph picture (720 x 100 pixels): bars that move a little with each
// reading, and one that stays.
void BM_BarReading_Qt(benchmark::State& state) {
    QtSurface s(96, 96);
    s.Resize(720, 100);
    ClsBarGraph b;
    b.OutputObj(&s);
    b.DrawScale(0.0F, 10.0F, 5, 0);
    int i = 0;
    for (auto _ : state) {
        const auto v = static_cast<float>(30.0 + 10.0 * std::sin(++i * 0.05));
        b.DrawBarXYZ(v);
        b.DrawBarX(v * 0.6F);
        b.DrawBarY(v * 0.5F);
        b.DrawBarZ(20.0F);
        benchmark::DoNotOptimize(s.TakeChanged());
    }
}
BENCHMARK(BM_BarReading_Qt)->Unit(benchmark::kMicrosecond);
#endif

} // namespace
} // namespace vireon

int main(int argc, char** argv) {
#ifdef VIREON_BENCH_QT
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
#endif
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
