// The picture frame and picture shadow filters on a 2560 x 1600 photo,
// rendered over the output extent to an 8-bit bitmap, one benchmark per
// shipped frame (each with the last shadow under it). The photo is decoded
// once, before timing; "PhotoOnly" renders the photo alone, the unit to
// compare with.
//
//   build/release/bin/bench_picture_frames --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// The photo is ../shared/testdata/photos/eveningglow_2560x1600.jpg (or
// $SUNNYSIDE_BENCH_PHOTO); without it the benchmarks are skipped.

#include "bench/BenchPhoto.h"
#include "frames/LXPictureFrameFilter.h"
#include "frames/LXPictureShadowFilter.h"
#include "platform/image/CIContext.h"
#include "platform/image/CIGeometry.h"

#include <QFileInfo>

#include <benchmark/benchmark.h>

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

void render(benchmark::State& state, int frame)
{
    if (photo().isNull() || (frame >= 0 && frame >= LXPictureFrameFilter::frameList().size())) {
        state.SkipWithError("the test photo or the frame is not there");
        return;
    }
    LXPictureFrameFilter frames;
    LXPictureShadowFilter shadows;
    if (frame >= 0) {
        frames.setInputFrameName(LXPictureFrameFilter::frameList().at(frame));
        shadows.setInputShadowName(LXPictureShadowFilter::shadowList().value(LXPictureShadowFilter::shadowList().size() - 1));
        state.SetLabel(frames.inputFrameName().toString().toStdString());
    }
    for (auto _ : state) {
        frames.inputImage = QVariant::fromValue(photo());
        shadows.inputImage = QVariant::fromValue(frames.outputImage());
        const CIImage out = frame >= 0 ? shadows.outputImage() : photo();
        const QImage bitmap = CIContext().createCGImage(out, QRectF(CIGeometry::integral(out.extent())));
        if (bitmap.isNull())
            state.SkipWithError("render failed");
        benchmark::DoNotOptimize(bitmap.constBits());
    }
}

void PhotoOnly(benchmark::State& state) { render(state, -1); }
void FrameAndShadow(benchmark::State& state) { render(state, int(state.range(0))); }

} // namespace

BENCHMARK(PhotoOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FrameAndShadow)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();
