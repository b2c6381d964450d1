// Timings of the image engine on a 2560 x 1600 screen-sized picture:
// blurs, compositing, kernel compiles, EGL start-up and the render of a
// crop of a clamped, stretched 20-megapixel photo; the same Gaussian blurs
// by `vips gaussblur` when libvips-tools is installed.
//
//   build/engine-release/bin/bench_image_engine --benchmark_min_time=1

#include "bench/BenchPhoto.h"
#include "filters/LXArtisticExtend.h"
#include "platform/image/BitmapReduction.h"
#include "platform/image/CIBuiltinFilters.h"
#include "platform/image/CIContext.h"
#include "platform/image/CIImageAccumulator.h"
#include "platform/image/CIKernel.h"
#include "platform/image/EngineNodes.h"
#include "platform/image/EngineOptimiser.h"
#include "platform/image/JpegDecode.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

constexpr int kWidth = 2560, kHeight = 1600;
const QRectF kScreen(0, 0, kWidth, kHeight);

// A busy picture: gradients and shapes, so that nothing is uniform.
QImage testPicture(int w, int h)
{
    QImage image(w, h, QImage::Format_RGBA8888);
    QPainter p(&image);
    QLinearGradient g(0, 0, w, h);
    g.setColorAt(0, QColor(30, 80, 160));
    g.setColorAt(0.5, QColor(240, 200, 90));
    g.setColorAt(1, QColor(20, 120, 40));
    p.fillRect(image.rect(), g);
    for (int i = 0; i < 40; ++i)
        p.fillRect(QRect((i * 997) % w, (i * 613) % h, w / 12, h / 9), QColor((i * 53) % 256, (i * 91) % 256, (i * 37) % 256));
    return image;
}

// The screen picture already in GPU memory, so that a benchmark times the
// operation and not the upload.
const CIImage& screenImage()
{
    static CIImage image = [] {
        CIImageAccumulator accumulator(kScreen, kCIFormatRGBAf);
        accumulator.setImage(CIImage::imageWithQImage(testPicture(kWidth, kHeight)));
        return accumulator.image();
    }();
    return image;
}

// Passes and texels drawn per iteration, as counters.
struct Work {
    quint64 passes = Engine::GL::instance()->passCount(), texels = Engine::texelCount(),
            allocations = Engine::GL::instance()->textureAllocationCount();
    void report(benchmark::State& state) const
    {
        const double n = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
        state.counters["allocs"] = double(Engine::GL::instance()->textureAllocationCount() - allocations) / n;
        state.counters["passes"] = double(Engine::GL::instance()->passCount() - passes) / n;
        state.counters["Mtexels"] = double(Engine::texelCount() - texels) / n / 1e6;
    }
};

// Renders the screen rectangle of the image and waits for the GPU.
void renderScreen(const CIImage& image)
{
    Engine::GL* gl = Engine::GL::instance();
    Engine::Rendered r = Engine::renderImage(*gl, image, kScreen.toRect(), 1.0);
    glFinish();
    benchmark::DoNotOptimize(r.texture);
}

void BM_EGLStartup(benchmark::State& state)
{
    // The first use in the process; the figure is the one start-up.
    QElapsedTimer timer;
    timer.start();
    const QString renderer = CIContext::rendererName();
    const double first = timer.nsecsElapsed() / 1e6;
    for (auto _ : state)
        benchmark::DoNotOptimize(CIContext::rendererName());
    state.counters["startup_ms"] = CIContext::startupMilliseconds();
    state.counters["first_use_ms"] = first;
    state.SetLabel(renderer.toStdString());
}
BENCHMARK(BM_EGLStartup)->Iterations(1);

void BM_GaussianBlur(benchmark::State& state)
{
    CIGaussianBlur blur;
    blur.inputImage = QVariant::fromValue(screenImage());
    blur.inputRadius = double(state.range(0));
    const CIImage out = blur.outputImage().imageByCroppingToRect(kScreen);
    renderScreen(out); // programs compiled outside the timing
    for (auto _ : state)
        renderScreen(out);
}
BENCHMARK(BM_GaussianBlur)->Arg(20)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_MotionBlur(benchmark::State& state)
{
    CIMotionBlur blur;
    blur.inputImage = QVariant::fromValue(screenImage());
    blur.inputRadius = double(state.range(0));
    const CIImage out = blur.outputImage().imageByCroppingToRect(kScreen);
    renderScreen(out);
    for (auto _ : state)
        renderScreen(out);
}
BENCHMARK(BM_MotionBlur)->Arg(20)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_DiscBlur(benchmark::State& state)
{
    CIDiscBlur blur;
    blur.inputImage = QVariant::fromValue(screenImage());
    blur.inputRadius = double(state.range(0));
    const CIImage out = blur.outputImage().imageByCroppingToRect(kScreen);
    renderScreen(out);
    for (auto _ : state)
        renderScreen(out);
}
BENCHMARK(BM_DiscBlur)->Arg(8)->Arg(30)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_ShrinkBitmap(benchmark::State& state)
{
    // A 7680 x 4800 bitmap shown at a third of its size (the screen): the
    // upload averages boxes of three texels. A new image each time, so that
    // no converted copy is kept.
    const QImage picture = testPicture(3 * kWidth, 3 * kHeight);
    const QTransform third = QTransform::fromScale(1.0 / 3, 1.0 / 3);
    renderScreen(CIImage::imageWithQImage(picture).imageByApplyingTransform(third));
    for (auto _ : state)
        renderScreen(CIImage::imageWithQImage(picture).imageByApplyingTransform(third));
}
BENCHMARK(BM_ShrinkBitmap)->Unit(benchmark::kMillisecond);

void BM_AverageDecodedPhoto(benchmark::State& state)
{
    // What the decode worker does to a 20-megapixel photo decoded whole for
    // a 2560 x 1600 screen: averaged down to 2560 x 1441 on the CPU.
    const QImage decoded = testPicture(6028, 3391).convertToFormat(QImage::Format_RGB32);
    for (auto _ : state)
        benchmark::DoNotOptimize(Engine::reduceOpaqueBitmap(decoded, QSize(2560, 1441)));
}
BENCHMARK(BM_AverageDecodedPhoto)->Unit(benchmark::kMillisecond);

void BM_HalveFittedPhoto(benchmark::State& state)
{
    // The decode worker's last step for a 2560 x 1440 fitted photo: the half
    // size the extension's blurs read.
    const QImage fitted = testPicture(2560, 1440).convertToFormat(QImage::Format_RGB32);
    for (auto _ : state)
        benchmark::DoNotOptimize(Engine::halveOpaqueBitmap(fitted));
}
BENCHMARK(BM_HalveFittedPhoto)->Unit(benchmark::kMillisecond);

void BM_DecodeAndAveragePhoto(benchmark::State& state)
{
    // The decode worker's whole job for a 20-megapixel photo on a 2560 x 1600
    // screen: decoded whole, then averaged (0), or averaged band by band on a
    // second thread as the rows arrive (1).
    const QString path = benchPhotoPath("kleiber_6028x3391.jpg");
    const QSize fitted(2560, 1441);
    for (auto _ : state) {
        if (state.range(0))
            benchmark::DoNotOptimize(Engine::decodeJpeg(path, 1, fitted));
        else
            benchmark::DoNotOptimize(Engine::reduceOpaqueBitmap(Engine::decodeJpeg(path, 1, {}).image, fitted));
    }
}
BENCHMARK(BM_DecodeAndAveragePhoto)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ShrinkDrawn(benchmark::State& state)
{
    // The screen picture, drawn, shrunk to 0.3 and turned: averaged before
    // the resampling.
    const CIImage out = screenImage().imageByApplyingTransform(QTransform().rotate(10).scale(0.3, 0.3));
    renderScreen(out);
    for (auto _ : state)
        renderScreen(out);
}
BENCHMARK(BM_ShrinkDrawn)->Unit(benchmark::kMillisecond);

void BM_SourceOver(benchmark::State& state)
{
    const CIImage fg = screenImage().imageByApplyingTransform(QTransform().translate(kWidth, kHeight).rotate(180));
    const CIImage out = fg.imageByCompositingOverImage(screenImage());
    renderScreen(out);
    for (auto _ : state)
        renderScreen(out);
}
BENCHMARK(BM_SourceOver)->Unit(benchmark::kMillisecond);

void BM_CopyPass(benchmark::State& state)
{
    // One plain whole-screen pass: the floor of every single-pass operation.
    const CIImage out = screenImage().imageByApplyingTransform(QTransform::fromTranslate(0.5, 0)).imageByCroppingToRect(kScreen);
    renderScreen(out);
    for (auto _ : state)
        renderScreen(out);
}
BENCHMARK(BM_CopyPass)->Unit(benchmark::kMillisecond);

// Twelve routines; `salt` makes the text new so nothing is cached.
QString twelveRoutines(int salt)
{
    QString text = QStringLiteral("float salted(float x) { return x + %1.0 * 0.0; }\n").arg(salt);
    for (int i = 0; i < 12; ++i)
        text += QStringLiteral("kernel vec4 routine%1(sampler a, sampler b, float t) {\n"
                               "    vec4 x = sample(a, samplerCoord(a));\n"
                               "    vec4 y = sample(b, samplerCoord(b));\n"
                               "    vec4 u = unpremultiply(x);\n"
                               "    return premultiply(mix(u, y, salted(t) * %2.0 / 12.0));\n"
                               "}\n")
                    .arg(i)
                    .arg(i + 1);
    return text;
}

void BM_CompileTwelveRoutines(benchmark::State& state)
{
    static int salt = int(QDateTime::currentMSecsSinceEpoch() % 100000) * 100;
    for (auto _ : state) {
        const auto kernels = CIKernel::kernelsWithString(twelveRoutines(++salt));
        if (kernels.size() != 12)
            state.SkipWithError("a routine did not compile");
    }
}
BENCHMARK(BM_CompileTwelveRoutines)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CompileTwelveRoutinesDiskCache(benchmark::State& state)
{
    // The same text every run: from the second process on, Mesa's shader
    // cache on disk answers (ours in memory is bypassed by a first-use salt).
    for (auto _ : state) {
        const auto kernels = CIKernel::kernelsWithString(twelveRoutines(-1));
        if (kernels.size() != 12)
            state.SkipWithError("a routine did not compile");
    }
}
BENCHMARK(BM_CompileTwelveRoutinesDiskCache)->Unit(benchmark::kMillisecond)->Iterations(1);

// A 20-megapixel photo (5472 x 3648 JPEG) stretched over the screen with its
// edges repeated, and the screen's crop rendered into an 8-bit bitmap.
struct Photo {
    QTemporaryDir dir;
    QString path;
    Photo()
    {
        path = dir.filePath(QStringLiteral("photo.jpg"));
        testPicture(5472, 3648).convertToFormat(QImage::Format_RGB32).save(path, "JPEG", 90);
    }
};
Photo& photo()
{
    static Photo p;
    return p;
}

CIImage stretchedPhoto(const CIImage& file)
{
    const QRectF e = file.extent();
    return file.imageByClampingToExtent()
        .imageByApplyingTransform(QTransform::fromScale(kWidth * 1.1 / e.width(), kHeight * 1.1 / e.height()))
        .imageByCroppingToRect(kScreen);
}

void BM_PhotoCropFirstRender(benchmark::State& state)
{
    // Including the (reduced-scale) decode of the file.
    const QString path = photo().path; // written outside the timing
    for (auto _ : state) {
        const CIImage image = stretchedPhoto(CIImage::imageWithContentsOfFile(path));
        benchmark::DoNotOptimize(CIContext().createCGImage(image, kScreen));
    }
}
BENCHMARK(BM_PhotoCropFirstRender)->Unit(benchmark::kMillisecond);

void BM_PhotoCropRender(benchmark::State& state)
{
    // The photo already decoded: the render alone.
    const CIImage image = stretchedPhoto(CIImage::imageWithContentsOfFile(photo().path));
    renderScreen(image);
    for (auto _ : state)
        renderScreen(image);
}
BENCHMARK(BM_PhotoCropRender)->Unit(benchmark::kMillisecond);

void BM_ArtisticExtend(benchmark::State& state)
{
    // The wallpaper's first step: a 1600 x 1000 picture extended over the
    // screen (five blurs, a motion blur of radius 202, a blend, three
    // composites), rendered into the screen's 8-bit bitmap.
    LXArtisticExtend extend;
    extend.inputBackgroundImage = QVariant::fromValue(screenImage());
    CIImageAccumulator foreground(QRectF(0, 0, 1600, 1000), kCIFormatRGBAf);
    foreground.setImage(CIImage::imageWithQImage(testPicture(1600, 1000)));
    extend.inputImage = QVariant::fromValue(foreground.image());
    extend.motionBlur = true;
    const CIImage out = extend.outputImage();
    if (out.isNull()) {
        state.SkipWithError("no output (kernel file not found?)");
        return;
    }
    benchmark::DoNotOptimize(CIContext().createCGImage(out, kScreen));
    for (auto _ : state)
        benchmark::DoNotOptimize(CIContext().createCGImage(out, kScreen));
}
BENCHMARK(BM_ArtisticExtend)->Unit(benchmark::kMillisecond);

// The wallpaper's graph for a screen, from a photo already in memory.
CIImage wallpaperGraph(const QRectF& screen)
{
    const CIImage photo = CIImage::imageWithQImage(testPicture(3000, 2000));
    const double s = screen.width() / 1440;
    LXArtisticExtend extend;
    extend.inputBackgroundImage = QVariant::fromValue(photo.imageByClampingToExtent()
                                                          .imageByApplyingTransform(QTransform::fromScale(0.48 * s, 0.45 * s))
                                                          .imageByCroppingToRect(screen));
    extend.inputImage = QVariant::fromValue(photo.imageByApplyingTransform(QTransform::fromScale(0.45 * s, 0.45 * s)));
    extend.motionBlur = true;
    return extend.outputImage();
}

void BM_WallpaperPhotoOnWholePixels(benchmark::State& state)
{
    // The last pass of the 2560 x 1600 wallpaper of a wide photo shown
    // 2560 x 1440 on whole pixels (kleiber's shape, in memory): the photo's
    // rectangle copied by the read-back (arg 0 = 1) or drawn (0); the thin
    // strips by a program of their own (arg 1 = 16: parts from a sixteenth
    // of the pass) or by the general one (8).
    const CIImage photo =
        CIImage::imageWithQImage(testPicture(kWidth, 1440).convertToFormat(QImage::Format_RGB32));
    LXArtisticExtend extend;
    extend.inputBackgroundImage = QVariant::fromValue(photo.imageByClampingToExtent()
                                                          .imageByApplyingTransform(QTransform::fromScale(1, kHeight / 1440.0))
                                                          .imageByCroppingToRect(kScreen));
    extend.inputImage = QVariant::fromValue(photo);
    extend.motionBlur = true;
    const CIImage out = extend.outputImage();
    Engine::setTexelCopiesEnabled(state.range(0) != 0);
    Engine::setFusedPartShare(1.0 / double(state.range(1)));
    benchmark::DoNotOptimize(CIContext().createCGImage(out, kScreen));
    const Work work;
    for (auto _ : state)
        benchmark::DoNotOptimize(CIContext().createCGImage(out, kScreen));
    work.report(state);
    Engine::setTexelCopiesEnabled(true);
    Engine::setFusedPartShare(1.0 / 16);
}
BENCHMARK(BM_WallpaperPhotoOnWholePixels)
    ->Args({0, 8})->Args({1, 8})->Args({0, 16})->Args({1, 16})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WallpaperPreview(benchmark::State& state)
{
    // What the window shows while a photo is dragged: the wallpaper's graph
    // for a 1440 x 900 screen, the photo already in memory, into a bitmap.
    const QRectF screen(0, 0, 1440, 900);
    const CIImage out = wallpaperGraph(screen);
    // Textures the first render allocates (the pool as earlier cases left it).
    const quint64 allocations = Engine::GL::instance()->textureAllocationCount();
    benchmark::DoNotOptimize(CIContext().createCGImage(out, screen));
    state.counters["first_allocs"] = double(Engine::GL::instance()->textureAllocationCount() - allocations);
    const Work work;
    for (auto _ : state)
        benchmark::DoNotOptimize(CIContext().createCGImage(out, screen));
    work.report(state);
}
BENCHMARK(BM_WallpaperPreview)->Unit(benchmark::kMillisecond);

void BM_WallpaperThumbnail(benchmark::State& state)
{
    // The 2560 x 1600 wallpaper's graph drawn into the window's 374 x 234
    // preview: it should cost about what those pixels cost.
    const CIImage out = wallpaperGraph(kScreen);
    QImage into(374, 234, QImage::Format_ARGB32_Premultiplied);
    const auto draw = [&] {
        QPainter painter(&into);
        CIContext().drawImage(out, &painter, QRectF(into.rect()), kScreen);
    };
    draw();
    // SUNNYSIDE_GRABS=DIR: the drawn preview as a PNG there, to look at.
    if (const QString grabs = qEnvironmentVariable("SUNNYSIDE_GRABS"); !grabs.isEmpty())
    {
        into.save(grabs + QStringLiteral("/wallpaper-thumbnail.png"));
        CIContext().createCGImage(out, kScreen).save(grabs + QStringLiteral("/wallpaper-full.png"));
    }
    const Work work;
    for (auto _ : state)
        draw();
    work.report(state);
}
BENCHMARK(BM_WallpaperThumbnail)->Unit(benchmark::kMillisecond);

void BM_VipsGaussBlur(benchmark::State& state)
{
    const QString vips = QStandardPaths::findExecutable(QStringLiteral("vips"));
    if (vips.isEmpty()) {
        state.SkipWithError("vips is not installed (libvips-tools)");
        return;
    }
    static QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("screen.v"));
    if (!QFile::exists(in)) {
        const QString png = dir.filePath(QStringLiteral("screen.png"));
        testPicture(kWidth, kHeight).save(png);
        QProcess::execute(vips, {QStringLiteral("copy"), png, in});
    }
    const QString out = dir.filePath(QStringLiteral("blurred.v"));
    for (auto _ : state) {
        // Float precision, like the engine; one process per blur.
        QProcess::execute(vips, {QStringLiteral("gaussblur"), in, out, QString::number(state.range(0)),
                                 QStringLiteral("--precision"), QStringLiteral("float")});
    }
}
BENCHMARK(BM_VipsGaussBlur)->Arg(20)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
