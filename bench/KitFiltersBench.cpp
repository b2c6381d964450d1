// Each filter of the kit on a 2560 x 1600 photo, rendered to an 8-bit
// bitmap. The photo is decoded once, before timing, so the figures are the
// filters' own passes.
//
//   build/release/bin/bench_kit_filters --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include "filters/LXFilterConstructor.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/image/CIContext.h"

#include <QGuiApplication>
#include <QImage>

#include <benchmark/benchmark.h>

namespace {

const QRectF kScreen(0, 0, 2560, 1600);

CIImage photo()
{
    static const CIImage image = [] {
        QImage bitmap(Bundle::mainBundle().pathForResource(QStringLiteral("Sample"), QStringLiteral("jpg")));
        return CIImage::imageWithQImage(bitmap.scaled(kScreen.size().toSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }();
    return image;
}

// A small pattern for the filters that lay one image over another.
CIImage pattern()
{
    QImage tile(64, 64, QImage::Format_RGBA8888);
    tile.fill(QColor(255, 200, 80, 120));
    return CIImage::imageWithQImage(tile);
}

struct Row {
    const char* className;
    bool background;
};

const Row kRows[] = {
    {"LXDimmedBWFilter", false},    {"LXKeepColorFilter", false},       {"LXReplaceColorFilter", false},
    {"LXRotateColorFilter", false}, {"LXSRGBConversionFilter", false},  {"LXColorMultiplyFilter", false},
    {"LXGradientMapFilter", false}, {"LXGradientMultiplyFilter", false}, {"LXCombineFilter", true},
    {"LXCombineMaskFilter", true},  {"LXImageOverlayFilter", true},
};

void Filter(benchmark::State& state)
{
    const Row& row = kRows[state.range(0)];
    state.SetLabel(row.className);
    LXFilterConstructor::registerFilterInDescription(
        {{"CIPlugInFilterList", QVariantMap{{row.className, QVariantMap{{"CIFilterClass", row.className}}}}}});
    const auto filter = CIFilter::filterWithName(row.className);
    if (!filter) {
        state.SkipWithError("no such filter");
        return;
    }
    filter->setDefaults();
    if (row.background) {
        filter->setValue(QVariant::fromValue(photo()), kCIInputBackgroundImageKey);
        filter->setValue(QVariant::fromValue(pattern()), kCIInputImageKey);
    } else {
        filter->setValue(QVariant::fromValue(photo()), kCIInputImageKey);
    }
    const CIContext context;
    context.createCGImage(filter->outputImage(), kScreen); // programs compiled, photo uploaded
    for (auto _ : state) {
        const QImage bitmap = context.createCGImage(filter->outputImage(), kScreen);
        if (bitmap.isNull())
            state.SkipWithError("render failed");
        benchmark::DoNotOptimize(bitmap.constBits());
    }
}
BENCHMARK(Filter)->DenseRange(0, std::size(kRows) - 1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    Log::setUp();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
