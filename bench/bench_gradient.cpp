// Cost of one gradient rebuild (colour table and pattern) per shape, the work done once per
// property change, and of painting the title strip's pattern over a wide strip.
#include "widgets/GradientPattern.h"
#include "widgets/ui/TarGradient.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

static void BuildTableAndPattern(benchmark::State& state)
{
    const auto style = TarGradientStyle(state.range(0));
    for (auto _ : state) {
        const TarGradientColors colors = gradient::BuildGradientColors({128, 0, 0}, {255, 0, 0}, 10, 20);
        benchmark::DoNotOptimize(gradient::BuildGradientPattern(style, colors));
    }
}
BENCHMARK(BuildTableAndPattern)->Arg(gsRadialC)->Arg(gsRadialTL)->Arg(gsLinearH)->Arg(gsDiamond)->Unit(benchmark::kMicrosecond);

static void PaintTitleStrip(benchmark::State& state)
{
    int argc = 1;
    char name[] = "bench_gradient";
    char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    TarGradient strip;
    strip.SetColorBegin(QColor(128, 0, 0));
    strip.SetColorEnd(QColor(255, 0, 0));
    strip.SetStyle(TarGradientStyle(state.range(0)));
    strip.resize(1920, 66);
    QImage target(strip.size(), QImage::Format_RGB32);
    for (auto _ : state)
        strip.render(&target);
}
BENCHMARK(PaintTitleStrip)->Arg(gsLinearH)->Arg(gsRadialC)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
