// Every effect of the shipped list on a 1440 x 900 photo, made with its
// default settings and rendered over the photo to an 8-bit bitmap; "OnePass"
// (a colour inversion, one full-size kernel pass) is the unit to count the
// others in. Each effect's output goes through its accumulator, as in use.
// "SliderMove/<effect>": one step of the first slider (or dial) of the
// effect's settings panel, then its 400 x 250 preview rendered again.
//
//   build/release/bin/bench_effects --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// The photo is ../shared/testdata/photos/eveningglow_2560x1600.jpg scaled
// down (or $SUNNYSIDE_BENCH_PHOTO); without it the benchmarks are skipped.

#include "bench/BenchPhoto.h"
#include "effects/LXEffect.h"
#include "effects/LXEffectsCatalog.h"
#include "effects/EffectSettingsView.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"
#include "platform/image/CIContext.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QImageReader>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <functional>

namespace {

const QRectF kArea(0, 0, 1440, 900);

const QRectF kPreview(0, 0, 400, 250);

// The photo at the size of `area`, decoded once.
CIImage photo(const QRectF& area = kArea)
{
    QImageReader reader(benchPhotoPath("eveningglow_2560x1600.jpg"));
    reader.setScaledSize(area.size().toSize());
    const QImage read = reader.read();
    return read.isNull() ? CIImage() : CIImage::imageWithQImage(read);
}

void run(benchmark::State& state, const std::function<CIImage(const CIImage&)>& make, const QRectF& area = kArea)
{
    static const CIImage full = photo(), preview = photo(kPreview);
    const CIImage& picture = area == kArea ? full : preview;
    if (picture.isNull()) {
        state.SkipWithError("the test photo is not there");
        return;
    }
    for (auto _ : state) {
        const QImage bitmap = CIContext().createCGImage(make(picture), area);
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

void SliderMove(benchmark::State& state, const QString& name)
{
    const auto effect = LXEffectsCatalog::sharedEffectsCatalog().effectForName(name);
    auto* panel = effect ? qobject_cast<EffectSettingsView*>(effect->settingsView()) : nullptr;
    QAbstractSlider* slider = nullptr;
    for (QWidget* control : panel ? panel->settingsControls() : QList<QWidget*>())
        slider = slider ? slider : qobject_cast<QAbstractSlider*>(control);
    if (!slider) {
        state.SkipWithError("the effect has no slider");
        return;
    }
    effect->setGlobalSettings({{QStringLiteral("portion"), kPreview.height()}});
    bool up = true;
    run(state,
        [&](const CIImage& image) {
            effect->setInputImage(image);
            slider->triggerAction(up ? QAbstractSlider::SliderSingleStepAdd : QAbstractSlider::SliderSingleStepSub);
            up = !up;
            return effect->outputImage();
        },
        kPreview);
    delete panel;
}

void Effect(benchmark::State& state, const QString& name)
{
    const auto effect = LXEffectsCatalog::sharedEffectsCatalog().effectForName(name);
    if (!effect) {
        state.SkipWithError("the effect cannot be made");
        return;
    }
    effect->setGlobalSettings({{QStringLiteral("portion"), kArea.height()}}); // the picture's shorter side
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
    for (const char* name : {"BlackAndWhite", "ColorAccent", "ReplaceColor", "HueShift", "GradientTint"})
        benchmark::RegisterBenchmark((std::string("SliderMove/") + name).c_str(),
                                     [name](benchmark::State& state) { SliderMove(state, QString::fromLatin1(name)); })
            ->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace

// The settings panels are widgets, so this has a widget application of its own.
int main(int argc, char** argv)
{
    Log::setUp();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
