// A styled wallpaper against the plain one: the 20-megapixel photo decoded,
// styled by one effect or one frame of the shipped lists (defaults), made
// into the 2560 x 1600 picture and rendered, as one --render does (the
// chain made afresh each time). "Plain" is the baseline; compare medians of
// one interleaved run:
//   bench_styled_wallpaper --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
//       --benchmark_report_aggregates_only=true
// Its own main: the look lists are read from the bundle once the application exists.

#include "app/Look.h"
#include "app/LookChain.h"
#include "app/LookSettings.h"
#include "app/WallpaperMaker.h"
#include "platform/foundation/Log.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

namespace {

QString photo()
{
    return qEnvironmentVariable("SUNNYSIDE_PHOTOS", QStringLiteral("/work/shared/testdata/photos"))
         + QStringLiteral("/kleiber_6028x3391.jpg");
}

void styledWallpaper(benchmark::State& state, const Look& look)
{
    const WallpaperScreen screen{QSizeF(2560, 1600), true, QString()};
    WallpaperMaker maker;
    for (auto _ : state) {
        LookChain chain;
        if (!chain.setLook(look).ok()) {
            state.SkipWithError("the look cannot be made");
            return;
        }
        QString reason;
        const CIImage picture = WallpaperMaker::readPhoto(photo(), &reason, WallpaperMaker::decodeSizeFor(screen.pixelSize(), &chain, WallpaperMaker::uprightSizeAt(photo())));
        const QImage bitmap = WallpaperMaker::renderPicture(maker.enhancedImageFor(picture, screen, false, true, &chain));
        if (bitmap.isNull()) {
            state.SkipWithError("no picture");
            return;
        }
        benchmark::DoNotOptimize(bitmap.constBits());
    }
}

} // namespace

int main(int argc, char** argv)
{
    Log::setUp();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QList<std::pair<QString, Look>> looks{{QStringLiteral("Plain"), Look()}};
    for (const QString& name : lookEffectNames()) {
        Look look;
        look.effects = {QVariantMap{{QStringLiteral("name"), name}}};
        looks.append({QStringLiteral("Effect:") + name, look});
    }
    for (const LookFrameChoice& frame : lookFrameChoices()) {
        Look look;
        look.frame = frame.settings;
        looks.append({QStringLiteral("Frame:") + frame.identifier, look});
    }
    for (const auto& [name, look] : std::as_const(looks))
        benchmark::RegisterBenchmark(name.toUtf8().constData(), styledWallpaper, look)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
