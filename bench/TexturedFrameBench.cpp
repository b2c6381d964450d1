// A textured frame (mask, two shades, inner shadow) round a 20-megapixel
// photo fitted to 2560 x 1600, rendered to an 8-bit bitmap: the first render
// (every cache built) and the render after a texture change (mask and
// shadow kept, the frame rebuilt), and the framed photo repainted into a
// 400 x 225 preview. The frame's artwork is drawn into a
// temporary folder before timing.
//
//   build/release/bin/bench_textured_frame --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// The photo is ../shared/testdata/photos/kleiber_6028x3391.jpg (or
// $SUNNYSIDE_BENCH_PHOTO); without it the benchmarks are skipped.

#include "bench/BenchPhoto.h"
#include "frames/LXFrameDescription.h"
#include "frames/LXTexturedFrameFilter.h"
#include "platform/image/CIContext.h"
#include "platform/image/CIGeometry.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

QString photoPath()
{
    return benchPhotoPath("kleiber_6028x3391.jpg");
}

// The photo fitted to 2560 x 1600, decoded once.
const CIImage& picture()
{
    static const CIImage image = [] {
        const CIImage photo = CIImage::imageWithContentsOfFile(photoPath());
        if (photo.isNull())
            return photo;
        const double k = std::min(2560 / photo.extent().width(), 1600 / photo.extent().height());
        const CIImage fitted = photo.imageByApplyingTransform(QTransform::fromScale(k, k));
        CIContext().createCGImage(fitted, QRectF(0, 0, 1, 1));
        return fitted;
    }();
    return image;
}

// A 240-pixel frame picture with a 40-pixel border: mask (clear where the
// photo shows), bevel and beads.
LXFrameDescription& frame()
{
    static QTemporaryDir* dir = new QTemporaryDir;
    static LXFrameDescription* description = [] {
        const int n = 240, b = 40;
        QImage mask(n, n, QImage::Format_RGBA8888), bevel(n, n, QImage::Format_RGBA8888),
            beads(n, n, QImage::Format_RGBA8888);
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                const int d = std::min({x, y, n - 1 - x, n - 1 - y});
                mask.setPixelColor(x, y, d < b ? Qt::white : Qt::transparent);
                const int grey = int(110 + 140 * std::sin(std::min(1.0, d / double(b)) * M_PI));
                bevel.setPixelColor(x, y, QColor(grey, grey, grey));
                const double r = std::hypot(std::fmod(x + y, 40.0) - 20, d - b / 2.0) / 8;
                beads.setPixelColor(x, y, QColor(255, 250, 230, r < 1 && d < b ? int(120 * (1 - r)) : 0));
            }
        QDir(dir->path()).mkpath("ExternalMasks");
        QDir(dir->path()).mkpath("Shades");
        mask.save(dir->path() + "/ExternalMasks/FRM-E#010#Bench#40-0-4-4.png");
        bevel.save(dir->path() + "/Shades/FRM-S#001#Bevel#40-0-4-4.png");
        beads.save(dir->path() + "/Shades/FRM-S#002#Beads#40-0-4-4.png");
        const QVariantList shades{
            QVariantMap{{"Shade", "FRM-S#001#Bevel"}, {"BlendMode", "multiply"}, {"Intensity", 1.0}},
            QVariantMap{{"Shade", "FRM-S#002#Beads"}, {"BlendMode", "sourceOver"}, {"Intensity", 0.8}}};
        return new LXFrameDescription({{"Texture.Color", "0.55 0.36 0.2 1"}, {"ExternalMask", "FRM-E#010#Bench"},
                                       {"Shades", shades}, {"Inset", 1.0}},
                                      QUrl::fromLocalFile(dir->path()), true);
    }();
    return *description;
}

std::unique_ptr<LXTexturedFrameFilter> newFilter()
{
    auto filter = std::make_unique<LXTexturedFrameFilter>();
    filter->setFrameDescription(&frame());
    filter->setInputImage(QVariant::fromValue(picture()));
    filter->setCanvasProportion(2560.0);
    filter->setInputWidth(0.05);
    filter->setInputShadowWidth(0.01);
    return filter;
}

bool render(LXTexturedFrameFilter& filter)
{
    const CIImage out = filter.outputImage();
    const QImage bitmap = CIContext().createCGImage(out, QRectF(CIGeometry::integral(out.extent())));
    benchmark::DoNotOptimize(bitmap.constBits());
    return !bitmap.isNull();
}

bool ready(benchmark::State& state)
{
    if (QFileInfo::exists(photoPath()) && !picture().isNull())
        return true;
    state.SkipWithError("the 20-megapixel test photo is not there");
    return false;
}

void FirstRender(benchmark::State& state)
{
    if (!ready(state))
        return;
    for (auto _ : state) {
        auto filter = newFilter();
        if (!render(*filter))
            state.SkipWithError("render failed");
    }
}

void AfterTextureChange(benchmark::State& state)
{
    if (!ready(state))
        return;
    auto filter = newFilter();
    render(*filter);
    int i = 0;
    for (auto _ : state) {
        filter->setInputColor(QVariant::fromValue(CIColor(0.5 + 0.01 * (++i % 20), 0.36, 0.2)));
        if (!render(*filter))
            state.SkipWithError("render failed");
    }
}

// The framed photo drawn again into a 400 x 225 preview, every cache built.
void RepaintedPreview(benchmark::State& state)
{
    if (!ready(state))
        return;
    auto filter = newFilter();
    render(*filter);
    QImage preview(400, 225, QImage::Format_RGBA8888_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&preview);
        const CIImage out = filter->outputImage();
        CIContext().drawImage(out, &painter, QRectF(0, 0, 400, 225), out.extent());
    }
}

} // namespace

BENCHMARK(FirstRender)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(AfterTextureChange)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RepaintedPreview)->Unit(benchmark::kMillisecond)->UseRealTime();
