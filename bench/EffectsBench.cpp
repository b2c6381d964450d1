// Every effect of the shipped list on a 1440 x 900 photo, made with its
// default settings and rendered over the photo to an 8-bit bitmap; "OnePass"
// (a colour inversion, one full-size kernel pass) is the unit to count the
// others in. Each effect's output goes through its accumulator, as in use.
//
//   build/release/bin/bench_effects --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// The photo is ../shared/testdata/photos/eveningglow_2560x1600.jpg scaled
// down (or $SUNNYSIDE_BENCH_PHOTO); without it the benchmarks are skipped.

#include "bench/BenchPhoto.h"
#include "effects/LXEffect.h"
#include "effects/LXEffectsCatalog.h"
#include "platform/foundation/PropertyList.h"
#include "platform/image/CIContext.h"

#include <QImageReader>

#include <benchmark/benchmark.h>

#include <functional>

namespace {

const QRectF kArea(0, 0, 1440, 900);

const CIImage& photo()
{
    static const CIImage image = [] {
        QImageReader reader(benchPhotoPath("eveningglow_2560x1600.jpg"));
        reader.setScaledSize(kArea.size().toSize());
        const QImage read = reader.read();
        return read.isNull() ? CIImage() : CIImage::imageWithQImage(read);
    }();
    return image;
}

void run(benchmark::State& state, const std::function<CIImage(const CIImage&)>& make)
{
    if (photo().isNull()) {
        state.SkipWithError("the test photo is not there");
        return;
    }
    for (auto _ : state) {
        const QImage bitmap = CIContext().createCGImage(make(photo()), kArea);
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
BENCHMARK(OnePass)->Unit(benchmark::kMillisecond);

void Effect(benchmark::State& state, const QString& name)
{
    const auto effect = LXEffectsCatalog::sharedEffectsCatalog().effectForName(name);
    if (!effect) {
        state.SkipWithError("the effect cannot be made");
        return;
    }
    run(state, [&](const CIImage& image) {
        effect->setInputImage(image);
        return effect->outputImage();
    });
}

// One benchmark per effect of the list, registered before main() runs, so
// the names come from the file, not from the bundle (which needs the app).
const bool registered = [] {
    const QVariantList list = PropertyList::read(QStringLiteral(SUNNYSIDE_SOURCE_DIR "/assets/Effects.plist")).toList();
    for (const QVariant& description : list) {
        const QString name = description.toMap().value(QStringLiteral("name")).toString();
        const std::string label = ("Effect/" + name).toStdString();
        benchmark::RegisterBenchmark(label.c_str(), [name](benchmark::State& state) { Effect(state, name); })
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

} // namespace
