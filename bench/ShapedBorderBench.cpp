// The shaped border and the texturize filter on a 2560 x 1600 photo cut to
// a rounded shape, rendered over the output extent to an 8-bit bitmap.
// Ring/W: the border ring alone for a border of W pixels (the picture read
// back, its distances, the ring uploaded); Distances/W: the CPU distance
// transform alone; Border/W: the whole filter, ring, inner shadow and plain
// texture, made anew each time; Cached: the same filter rendered again, its
// ring kept as a bitmap; Kleiber: the 20-megapixel photo fitted to
// 2560 x 1600 and cut round, with a 40-pixel border and shadow made anew
// each time (its goal: at most 1.5 x the plain wallpaper); Texturize: a
// 2-section cut texture over the whole photo.
//
//   build/release/bin/bench_shaped_border --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include "bench/BenchPhoto.h"
#include "frames/LXShapedBorderFilter.h"
#include "frames/ShapeRing.h"
#include "frames/LXTexturizeFilter.h"
#include "platform/image/CIContext.h"
#include "platform/image/CIGeometry.h"

#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>

#include <benchmark/benchmark.h>

namespace {

// A photo of the shared test folder ($SUNNYSIDE_BENCH_PHOTOS, else the one
// beside the checkout).
QString sharedPhoto(const char* name)
{
    return qEnvironmentVariable("SUNNYSIDE_BENCH_PHOTOS", QStringLiteral(SUNNYSIDE_SOURCE_DIR "/../shared/testdata/photos"))
           + QLatin1Char('/') + QLatin1String(name);
}

const CIImage& cutPhoto()
{
    static const CIImage image = [] {
        const QImage photo(sharedPhoto("eveningglow_2560x1600.jpg"));
        if (photo.isNull())
            return CIImage();
        QImage cut(photo.size(), QImage::Format_RGBA8888_Premultiplied);
        cut.fill(Qt::transparent);
        QPainter painter(&cut);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(200, 150, 2160, 1300), 160, 160);
        painter.setClipPath(shape);
        painter.drawImage(0, 0, photo);
        return CIImage::imageWithQImage(cut);
    }();
    return image;
}

// Kleiber fitted to 2560 x 1600, cut to a rounded rectangle; decoded once.
const CIImage& cutKleiber()
{
    static const CIImage image = [] {
        const CIImage photo = decodedBenchPhoto(sharedPhoto("kleiber_6028x3391.jpg"));
        if (photo.isNull())
            return CIImage();
        const double k = std::min(2560 / photo.extent().width(), 1600 / photo.extent().height());
        const CIImage fitted = photo.imageByApplyingTransform(QTransform::fromScale(k, k));
        const QRectF e(CIGeometry::integral(fitted.extent()));
        QImage cut = CIContext().createCGImage(fitted, e);
        QImage shaped(cut.size(), QImage::Format_RGBA8888_Premultiplied);
        shaped.fill(Qt::transparent);
        QPainter painter(&shaped);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath outline;
        outline.addRoundedRect(QRectF(60, 60, e.width() - 120, e.height() - 120), 200, 200);
        painter.setClipPath(outline);
        painter.drawImage(0, 0, cut);
        return CIImage::imageWithQImage(shaped);
    }();
    return image;
}

void render(benchmark::State& state, const CIImage& out)
{
    const QImage bitmap = CIContext().createCGImage(out, QRectF(CIGeometry::integral(out.extent())));
    if (bitmap.isNull())
        state.SkipWithError("render failed");
    benchmark::DoNotOptimize(bitmap.constBits());
}

std::unique_ptr<LXShapedBorderFilter> border(double pixels, double shadow)
{
    auto filter = std::make_unique<LXShapedBorderFilter>();
    filter->setInputImage(QVariant::fromValue(cutPhoto()));
    filter->setCanvasProportion(2560.0);
    filter->setInputWidth(pixels / 2560.0);
    filter->setInputShadowWidth(shadow);
    filter->setInputColor(QVariant::fromValue(CIColor(0.55, 0.4, 0.25, 1)));
    return filter;
}

void Ring(benchmark::State& state)
{
    if (cutPhoto().isNull())
        return state.SkipWithError("the 2560 x 1600 test photo is not there");
    for (auto _ : state)
        render(state, border(double(state.range(0)), 0)->cachedMask());
}
BENCHMARK(Ring)->Arg(10)->Arg(40)->Arg(160)->Unit(benchmark::kMillisecond);

// The ring's distance transform alone, on the CPU, from the cut photo's bitmap.
void Distances(benchmark::State& state)
{
    static const QImage shape = CIContext().createCGImage(cutPhoto(), QRectF(CIGeometry::integral(cutPhoto().extent())));
    if (shape.isNull())
        return state.SkipWithError("the 2560 x 1600 test photo is not there");
    for (auto _ : state)
        benchmark::DoNotOptimize(shapeRing(shape, int(state.range(0))).constBits());
}
BENCHMARK(Distances)->Arg(40)->Arg(160)->Unit(benchmark::kMillisecond)->UseRealTime();

void Border(benchmark::State& state)
{
    if (cutPhoto().isNull())
        return state.SkipWithError("the 2560 x 1600 test photo is not there");
    for (auto _ : state)
        render(state, border(double(state.range(0)), 0.02)->outputImage());
}
BENCHMARK(Border)->Arg(40)->Unit(benchmark::kMillisecond);

void Cached(benchmark::State& state)
{
    if (cutPhoto().isNull())
        return state.SkipWithError("the 2560 x 1600 test photo is not there");
    const auto filter = border(40, 0.02);
    render(state, filter->outputImage());
    for (auto _ : state)
        render(state, filter->outputImage());
}
BENCHMARK(Cached)->Unit(benchmark::kMillisecond);

void Kleiber(benchmark::State& state)
{
    if (cutKleiber().isNull())
        return state.SkipWithError("the 20-megapixel test photo is not there");
    for (auto _ : state) {
        LXShapedBorderFilter filter;
        filter.setInputImage(QVariant::fromValue(cutKleiber()));
        filter.setCanvasProportion(2560.0);
        filter.setInputWidth(40 / 2560.0);
        filter.setInputShadowWidth(0.02);
        filter.setInputColor(QVariant::fromValue(CIColor(0.55, 0.4, 0.25, 1)));
        render(state, filter.outputImage());
    }
}
BENCHMARK(Kleiber)->Unit(benchmark::kMillisecond)->UseRealTime();

void Texturize(benchmark::State& state)
{
    if (cutPhoto().isNull())
        return state.SkipWithError("the 2560 x 1600 test photo is not there");
    LXTexturizeFilter filter;
    filter.setInputColor(QVariant::fromValue(CIColor(0.55, 0.4, 0.25, 1)));
    filter.textureFillMode = 1;
    filter.inputTextureWidth = 400.0;
    filter.inputCompositeName = QStringLiteral("multiply");
    filter.inputImage = QVariant::fromValue(cutPhoto());
    for (auto _ : state)
        render(state, filter.outputImage());
}
BENCHMARK(Texturize)->Unit(benchmark::kMillisecond);

} // namespace
