// The wallpaper's filter chain on a 2560 x 1600 canvas: the artistic
// extension of a 20-megapixel photo plus the logo, rendered to an 8-bit
// bitmap. Each iteration loads the photo afresh, so decoding is included.
//
//   build/release/bin/bench_filter_kit --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// The photo is ../shared/testdata/photos/kleiber_6028x3391.jpg (or
// $SUNNYSIDE_BENCH_PHOTO); without it the benchmark is skipped.

#include "filters/LXArtisticExtend.h"
#include "filters/LXWatermarkFilter.h"
#include "platform/foundation/Bundle.h"
#include "platform/image/CIContext.h"
#include "platform/image/CIFilter.h"

#include <QFileInfo>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace {

QString photoPath()
{
    const QString fromEnv = qEnvironmentVariable("SUNNYSIDE_BENCH_PHOTO");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QFileInfo(QStringLiteral(SUNNYSIDE_SOURCE_DIR "/../shared/testdata/photos/kleiber_6028x3391.jpg")).absoluteFilePath();
}

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void ArtisticExtensionWithLogo(benchmark::State& state)
{
    const QString path = photoPath();
    if (!QFileInfo::exists(path)) {
        state.SkipWithError("the 20-megapixel test photo is not there");
        return;
    }
    const double W = 2560, H = 1600;
    LXArtisticExtend extend;
    extend.motionBlur = true;
    LXWatermarkFilter watermark;
    watermark.gravity = Gravity::Top | Gravity::Left;
    watermark.setWatermark(QVariant::fromValue(
        Picture::fromFile(Bundle::mainBundle().pathForResource(QStringLiteral("SunnysideWatermark"), QStringLiteral("png")))));
    watermark.setOpacity(0.3);
    watermark.setAdjustment(QRectF(40, 50, 150, 0), QSizeF(2560, 1600), QRectF(20, 40, 100, 0), QSizeF(1440, 900));
    const auto clamp = CIFilter::filterWithName(QStringLiteral("CIAffineClamp"));

    for (auto _ : state) {
        const CIImage photo = CIImage::imageWithContentsOfFile(path);
        const QRectF extent = photo.extent();
        clamp->setValue(QVariant::fromValue(photo), kCIInputImageKey);
        clamp->setValue(QVariant::fromValue(QTransform::fromScale(W / extent.width(), H / extent.height())), kCIInputTransformKey);
        extend.inputBackgroundImage = QVariant::fromValue(clamp->outputImage().imageByCroppingToRect(QRectF(0, 0, W, H)));
        const double s = std::min(W / extent.width(), H / extent.height());
        extend.inputImage = QVariant::fromValue(photo.imageByApplyingTransform(QTransform::fromScale(s, s)));
        watermark.setInputBackgroundImage(QVariant::fromValue(extend.outputImage()));
        const QImage bitmap = CIContext().createCGImage(watermark.outputImage(), QRectF(0, 0, W, H));
        if (bitmap.isNull())
            state.SkipWithError("render failed");
        benchmark::DoNotOptimize(bitmap.constBits());
    }
    state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(ArtisticExtensionWithLogo)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
