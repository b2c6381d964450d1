// Every filter of the kit on a 2560 x 1600 photo, rendered over its output
// extent to an 8-bit bitmap. The photo is decoded once, before timing;
// "OnePass" (a colour inversion, one full-screen kernel pass) is the unit to
// count the others' passes in. The per-pixel and compositing filters run
// made by name with their defaults (Filter/N, labelled with the class).
//
//   build/release/bin/bench_kit_filters --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// The photo is ../shared/testdata/photos/eveningglow_2560x1600.jpg (or
// $SUNNYSIDE_BENCH_PHOTO); without it the benchmarks are skipped.

#include "bench/BenchPhoto.h"
#include "filters/LXAffineTransformFilter.h"
#include "filters/LXBlurCompositionFilter.h"
#include "filters/LXFilterConstructor.h"
#include "filters/LXGaussianBlurFilter.h"
#include "filters/LXReflectionFilter.h"
#include "filters/LXSimpleShadowFilter.h"
#include "platform/image/CIContext.h"
#include "platform/image/CIGeometry.h"

#include <QFileInfo>

#include <benchmark/benchmark.h>

#include <functional>

namespace {

QString photoPath()
{
    return benchPhotoPath("eveningglow_2560x1600.jpg");
}

const CIImage& photo()
{
    static const CIImage image = decodedBenchPhoto(photoPath());
    return image;
}

void run(benchmark::State& state, const std::function<CIImage(const CIImage&)>& make)
{
    if (!QFileInfo::exists(photoPath()) || photo().isNull()) {
        state.SkipWithError("the 2560 x 1600 test photo is not there");
        return;
    }
    for (auto _ : state) {
        const CIImage out = make(photo());
        const QImage bitmap = CIContext().createCGImage(out, QRectF(CIGeometry::integral(out.extent())));
        if (bitmap.isNull())
            state.SkipWithError("render failed");
        benchmark::DoNotOptimize(bitmap.constBits());
    }
}

void OnePass(benchmark::State& state)
{
    run(state, [](const CIImage& image) {
        const auto invert = CIFilter::filterWithName(QStringLiteral("CIColorInvert"));
        invert->setValue(QVariant::fromValue(image), kCIInputImageKey);
        return invert->outputImage();
    });
}

void AffineTransform(benchmark::State& state)
{
    LXAffineTransformFilter filter;
    filter.inputAngle = 30.0;
    filter.setInputScale(QVariant::fromValue(CIVector(0.8, 0.8)));
    run(state, [&](const CIImage& image) {
        filter.inputImage = QVariant::fromValue(image);
        return filter.outputImage();
    });
}

void GaussianBlur(benchmark::State& state)
{
    LXGaussianBlurFilter filter;
    filter.forceInside = state.range(0) != 0;
    run(state, [&](const CIImage& image) {
        filter.inputImage = QVariant::fromValue(image);
        return filter.outputImage();
    });
}

void SimpleShadow(benchmark::State& state)
{
    LXSimpleShadowFilter filter;
    filter.inputRadius = 10.0;
    filter.inputDistance = 12.0;
    run(state, [&](const CIImage& image) {
        filter.inputImage = QVariant::fromValue(image);
        return filter.outputImage();
    });
}

void Reflection(benchmark::State& state)
{
    LXReflectionFilter filter;
    run(state, [&](const CIImage& image) {
        filter.inputImage = QVariant::fromValue(image);
        return filter.outputImage();
    });
}

void BlurComposition(benchmark::State& state)
{
    LXBlurCompositionFilter filter;
    filter.useDistortion = state.range(0) != 0;
    filter.inputRadius = 20.0;
    const CIImage panel =
        CIImage::imageWithColor(CIColor(1, 1, 1, 0.25)).imageByCroppingToRect(QRectF(640, 400, 1280, 800));
    run(state, [&](const CIImage& image) {
        filter.inputImage = QVariant::fromValue(panel);
        filter.inputBackgroundImage = QVariant::fromValue(image);
        return filter.outputImage();
    });
}

BENCHMARK(OnePass)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(AffineTransform)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(GaussianBlur)->ArgName("forceInside")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SimpleShadow)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Reflection)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BlurComposition)->ArgName("distortion")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The per-pixel and compositing filters, as the effects make them: by name,
// with their defaults; the compositing ones lay a small pattern over the photo.
struct ByName {
    const char* className;
    bool background;
};
const ByName kByName[] = {
    {"LXDimmedBWFilter", false},    {"LXKeepColorFilter", false},       {"LXReplaceColorFilter", false},
    {"LXRotateColorFilter", false}, {"LXSRGBConversionFilter", false},  {"LXColorMultiplyFilter", false},
    {"LXGradientMapFilter", false}, {"LXGradientMultiplyFilter", false}, {"LXCombineFilter", true},
    {"LXCombineMaskFilter", true},  {"LXImageOverlayFilter", true},
};

void Filter(benchmark::State& state)
{
    const ByName& row = kByName[state.range(0)];
    state.SetLabel(row.className);
    LXFilterConstructor::registerFilterInDescription(
        {{"CIPlugInFilterList", QVariantMap{{row.className, QVariantMap{{"CIFilterClass", row.className}}}}}});
    const auto filter = CIFilter::filterWithName(row.className);
    if (!filter) {
        state.SkipWithError("no such filter");
        return;
    }
    filter->setDefaults();
    QImage tile(64, 64, QImage::Format_RGBA8888);
    tile.fill(QColor(255, 200, 80, 120));
    const CIImage pattern = CIImage::imageWithQImage(tile);
    run(state, [&](const CIImage& image) {
        filter->setValue(QVariant::fromValue(row.background ? pattern : image), kCIInputImageKey);
        if (row.background)
            filter->setValue(QVariant::fromValue(image), kCIInputBackgroundImageKey);
        return filter->outputImage();
    });
}
BENCHMARK(Filter)->DenseRange(0, std::size(kByName) - 1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
