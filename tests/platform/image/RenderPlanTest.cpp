// How a recipe becomes passes: shared inputs drawn once, a blurred constant
// rectangle in closed form, the 8-bit result encoded by the last pass, a
// wide blur of a flipped picture halved from its coarse copy.

#include "tests/support/Files.h"
#include "tests/support/Images.h"
#include "tests/support/Pixels.h"

#include "platform/image/CIBuiltinFilters.h"
#include "platform/image/CIImageAccumulator.h"
#include "platform/image/CIImageFile.h"
#include "platform/image/CIKernel.h"
#include "platform/image/EngineAhead.h"
#include "platform/image/EngineNodes.h"
#include "platform/image/EnginePasses.h"
#include "platform/image/GLEngine.h"

#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>

namespace {

CIImage blurred(const CIImage& image, double radius)
{
    CIGaussianBlur blur;
    blur.inputImage = QVariant::fromValue(image);
    blur.inputRadius = radius;
    return blur.outputImage();
}

quint64 passes() { return Engine::GL::instance()->passCount(); }

CIImage sheared(const CIImage& image) { return image.imageByApplyingTransform(QTransform(1, 0.5, 0, 1, 0, 0)); }

} // namespace

TEST(RenderPlan, SharedInputIsDrawnOnce)
{
    const CIImage photo = CIImage::imageWithQImage(bitmap(2, 2, {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {9, 9, 9, 255}}))
                              .imageByApplyingTransform(QTransform::fromScale(8, 8));
    const CIImage shared = sheared(photo); // one pass of its own
    const CIImage once = blurred(shared, 2).imageByCompositingOverImage(blurred(shared, 3));
    const CIImage twice = blurred(sheared(photo), 2).imageByCompositingOverImage(blurred(sheared(photo), 3));
    const QRect rect(-10, -10, 40, 50);
    const Rendered expected(twice, rect); // also fills the caches
    const quint64 before = passes();
    const Rendered twin(twice, rect);
    const quint64 between = passes();
    const Rendered actual(once, rect);
    EXPECT_EQ((between - before) - (passes() - between), 1u);
    for (int y = rect.y(); y < rect.bottom(); y += 7)
        for (int x = rect.x(); x < rect.right(); x += 5)
            EXPECT_THAT(actual.at(x, y), PixelNear(expected.at(x, y), 0.f)) << x << ", " << y;
}

TEST(RenderPlan, BlurredConstantRectangleMatchesTheBlur)
{
    // The closed form against the same rectangle blurred from texels (moved
    // by a pixel so that the engine cannot see the constant colour). Within
    // 0.01: the texel blur runs at reduced scale for large radii.
    const CIImage color = CIImage::imageWithColor(CIColor(0.2, 0.4, 0.8, 0.9));
    for (double radius : {1.5, 6.0, 30.0}) {
        const QRect box(20, 10, 60, 40);
        const CIImage exact = blurred(color.imageByCroppingToRect(box), radius);
        const CIImage texels = blurred(color.imageByCroppingToRect(box.translated(-1, 0))
                                           .imageByApplyingTransform(QTransform::fromTranslate(1, 0)), radius);
        const CIImage back = CIImage::imageWithColor(CIColor(0.9, 0.5, 0.1, 1)).imageByCroppingToRect(QRectF(0, 0, 90, 60));
        const QRect rect(0, 0, 100, 60);
        // Alone, and blended where it is drawn.
        for (bool over : {false, true}) {
            const Rendered a(over ? exact.imageByCompositingOverImage(back) : exact, rect);
            const Rendered b(over ? texels.imageByCompositingOverImage(back) : texels, rect);
            ASSERT_TRUE(a.ok() && b.ok());
            for (int y = 0; y < 60; y += 3)
                for (int x = 0; x < 100; x += 3)
                    EXPECT_THAT(a.at(x, y), PixelNear(b.at(x, y), 0.01f)) << radius << " at " << x << ", " << y;
        }
    }
}

TEST(RenderPlan, BitmapEncodedByTheLastPassMatchesTheFloatRender)
{
    const CIImage photo = CIImage::imageWithQImage(bitmap(2, 2, {{255, 0, 0, 128}, {0, 255, 0, 255}, {0, 0, 255, 255}, {200, 90, 9, 30}}))
                              .imageByApplyingTransform(QTransform::fromScale(5.3, 4.1));
    CIColorInvert invert;
    invert.inputImage = QVariant::fromValue(photo);
    const CIImage kernel = invert.outputImage();
    const CIImage back = CIImage::imageWithColor(CIColor(0.1, 0.5, 0.3, 0.6));
    const CIImage shadow = blurred(CIImage::imageWithColor(CIColor(0, 0, 0, 1)).imageByCroppingToRect(QRectF(2, 2, 6, 5)), 2);
    // A kernel, source over, a crop of it, over a shadow, a plain resample.
    for (const CIImage& image : {kernel, photo.imageByCompositingOverImage(back),
                                 kernel.imageByCompositingOverImage(back).imageByCroppingToRect(QRectF(0, 0, 10, 8)),
                                 photo.imageByCompositingOverImage(shadow), photo}) {
        const QRect rect(0, 0, 10, 8);
        const QImage bytes = CIContext().createCGImage(image, QRectF(rect));
        const Rendered floats(image, rect);
        ASSERT_FALSE(bytes.isNull());
        for (int y = 0; y < rect.height(); ++y)
            for (int x = 0; x < rect.width(); ++x) {
                const Pixel f = floats.at(x, y);
                const QColor c = bytes.pixelColor(x, rect.height() - 1 - y); // straight sRGB
                const float a = std::clamp(f[3], 0.f, 1.f);
                EXPECT_NEAR(c.alphaF(), a, 1.5 / 255) << x << ", " << y;
                if (a > 0.3f) {
                    EXPECT_NEAR(linear(c.red()), f[0] / f[3], 0.02) << x << ", " << y;
                }
            }
    }
}

TEST(RenderPlan, SmallDestinationMatchesTheFullRenderAveragedForLessWork)
{
    // A picture with gradients and hard edges inside a larger canvas, so
    // that crops, clamps and blurs have edges in view; each recipe drawn at
    // an eighth against its full render averaged in 8 x 8 boxes.
    QImage picture(400, 240, QImage::Format_RGBA8888);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, 400, 240);
    gradient.setStops({{0, QColor(30, 80, 160)}, {1, QColor(240, 200, 90)}});
    painter.fillRect(picture.rect(), gradient);
    for (int i = 0; i < 12; ++i)
        painter.fillRect(QRect(i * 31 % 360, i * 53 % 200, 40, 30), QColor(i * 20, 255 - i * 20, i * 9 % 256));
    painter.end();
    const CIImage photo = CIImage::imageWithQImage(picture).imageByApplyingTransform(QTransform::fromTranslate(40, 40));
    const auto filtered = [&](CIFilter&& f, double radius) {
        f.setValue(boxed(photo), QStringLiteral("inputImage"));
        if (radius > 0)
            f.setValue(radius, QStringLiteral("inputRadius"));
        return f.outputImage();
    };
    // Mean difference within 0.01 everywhere; the worst pixel within what an
    // edge off the small grid explains: a crop edge at x = 77 takes 3/8 of
    // the pixel it crosses and is kept or dropped whole; a turned edge and a
    // blur's edge are drawn at the small grid's texel centres.
    const struct {
        const char* name;
        CIImage recipe;
        double worst;
    } rows[] = {
        {"kernel", filtered(CIColorInvert(), 0), 0.01},
        {"source over", photo.imageByCompositingOverImage(CIImage::imageWithColor(CIColor(0.2, 0.5, 0.9, 1))), 0.01},
        {"crop", photo.imageByCroppingToRect(QRectF(77, 61, 301, 173)), 0.38},
        {"clamp", photo.imageByClampingToExtent(), 0.03},
        {"transform", photo.imageByApplyingTransform(QTransform().rotate(10)), 0.2},
        {"gaussian", filtered(CIGaussianBlur(), 6), 0.03},
        {"motion", filtered(CIMotionBlur(), 20), 0.2},
        {"disc", filtered(CIDiscBlur(), 10), 0.15},
    };
    const QRect full(0, 0, 480, 320), small(0, 0, 60, 40);
    for (const auto& row : rows) {
        const quint64 t0 = Engine::texelCount();
        const Rendered whole(row.recipe, full);
        const quint64 t1 = Engine::texelCount();
        const Rendered eighth(row.recipe.imageByApplyingTransform(QTransform::fromScale(0.125, 0.125)), small);
        ASSERT_TRUE(whole.ok() && eighth.ok()) << row.name;
        // Less than half the texels (the source's own reduction is shared).
        EXPECT_LT(2 * (Engine::texelCount() - t1), t1 - t0) << row.name;
        double sum = 0, worst = 0;
        for (int i = 0; i < small.width() * small.height() * 4; ++i) {
            const int x = i / 4 % small.width(), y = i / 4 / small.width();
            double mean = 0;
            for (int j = 0; j < 64; ++j)
                mean += whole.at(x * 8 + j % 8, y * 8 + j / 8)[size_t(i % 4)] / 64.0;
            const double d = std::abs(eighth.at(x, y)[size_t(i % 4)] - mean);
            sum += d;
            worst = std::max(worst, d);
        }
        EXPECT_LT(sum / (small.width() * small.height() * 4), 0.01) << row.name;
        EXPECT_LT(worst, row.worst) << row.name;
    }
}

TEST(RenderPlan, PhotoAveragedOnTheWorkerMatchesTheEnginesReduction)
{
    // One-pixel black and white stripes and a gradient: an average in the
    // wrong light (or a box off by a pixel) is tens of levels off.
    QImage picture(900, 600, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, x < 450 ? ((x + y / 3) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0))
                                           : qRgb(x % 256, y % 256, 128));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    ASSERT_TRUE(picture.save(path, "JPEG", 100));
    const struct {
        const char* name;
        QSizeF hint;
        double scale; // drawn to fit the hint
    } rows[] = {{"2.4 decoded pixels a drawn one", QSizeF(375, 260), 375.0 / 900},
                {"3.6 decoded pixels a drawn one", QSizeF(250, 172), 250.0 / 900}};
    for (const auto& row : rows) {
        const auto shown = [&](const CIImage& photo) {
            return CIContext().createCGImage(photo.imageByApplyingTransform(QTransform::fromScale(row.scale, row.scale)),
                                             QRectF(0, 0, std::floor(900 * row.scale), std::floor(600 * row.scale)));
        };
        const quint64 p0 = passes();
        const QImage worker = shown(imageWithContentsOfFileDrawnAt(path, row.hint));
        const quint64 p1 = passes();
        const QImage engine = shown(CIImage::imageWithContentsOfFile(path));
        EXPECT_LT(p1 - p0, passes() - p1) << row.name; // no reducing pass
        ASSERT_FALSE(worker.isNull() || engine.isNull()) << row.name;
        int worst = 0;
        for (int y = 0; y < worker.height(); ++y)
            for (int x = 0; x < worker.width(); ++x)
                for (int c = 0; c < 4; ++c)
                    worst = std::max(worst, std::abs(worker.constScanLine(y)[x * 4 + c] - engine.constScanLine(y)[x * 4 + c]));
        EXPECT_LE(worst, 2) << row.name; // 8-bit storage on both sides
    }
}

TEST(RenderPlan, PhotoHalvedOnTheWorkerReadsAsTheEnginesReduction)
{
    // Stripes, a gradient and one bright corner, stored turned: a half
    // upside down, mirrored, off by a row or in the wrong light shows.
    QImage stored(640, 440, QImage::Format_RGB32);
    for (int y = 0; y < stored.height(); ++y)
        for (int x = 0; x < stored.width(); ++x)
            stored.setPixel(x, y, x < 40 && y < 30 ? qRgb(255, 240, 0)
                                  : x < 300        ? ((x + y / 3) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0))
                                                   : qRgb(x % 256, y % 256, 128));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    ASSERT_TRUE(writeFile(path, jpegWithOrientation(stored, 6)).size());
    const CIImage plain = CIImage::imageWithContentsOfFile(path);
    const auto shrunk = [](const CIImage& photo, double s) { return photo.imageByApplyingTransform(QTransform::fromScale(s, s)); };
    const struct {
        const char* name;
        std::function<CIImage(const CIImage&)> picture;
        QRect rect;
    } rows[] = {
        {"a quarter", [&](const CIImage& p) { return shrunk(p, 0.25); }, QRect(0, 0, 110, 160)},
        {"an eighth, moved half a pixel", [&](const CIImage& p) { return shrunk(p, 0.125).imageByApplyingTransform(QTransform::fromTranslate(0.5, 0.5)); }, QRect(0, 0, 56, 81)},
    };
    for (const auto& row : rows) {
        // Decoded as stored: no averaging, an even size, halved.
        const CIImage photo = imageWithContentsOfFileDrawnAt(path, QSizeF(440, 640));
        const CIImage picture = row.picture(photo);
        const CIContext context;
        context.compileAhead(picture, QRectF(row.rect));
        EXPECT_FALSE(context.createCGImage(picture, QRectF(row.rect)).isNull()) << row.name;
        CIContext::compileAheadFinished();
        EXPECT_EQ(Engine::CompileAhead::unforeseenDraws(), 0) << row.name;
        EXPECT_GT(dynamic_cast<const Engine::SourceNode&>(*photo.node()).halfReads(), 0) << row.name;
        EXPECT_LT(renderDifference(picture, row.picture(plain), row.rect), 1.5 / 255) << row.name;
    }
}

TEST(RenderPlan, AKeptPictureReadAtHalfDetailTakesItsCopiedPhotoFromThePhotosHalf)
{
    // Stripes a texel off or turned over show; a photo an odd number of
    // pixels in lies across the half's texels and is reduced as before.
    QImage stored(440, 640, QImage::Format_RGB32);
    for (int y = 0; y < stored.height(); ++y)
        for (int x = 0; x < stored.width(); ++x)
            stored.setPixel(x, y, y < 20 ? qRgb(255, 240, 0) : (x + y / 3) % 2 ? qRgb(250, 250, 250) : qRgb(x % 256, 10, 90));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    ASSERT_TRUE(writeFile(path, jpegWithOrientation(stored, 1)).size());
    const auto kept = [](const CIImage& photo, int dx, int dy) {
        return CIImageAccumulator::flatten(photo.imageByApplyingTransform(QTransform::fromTranslate(dx, dy))
                                               .imageByCompositingOverImage(solid(CIColor(0.2, 0.6, 0.9, 0.5), QRectF(0, 0, 452, 652))),
                                           {});
    };
    const struct {
        const char* name;
        int dx, dy;
        bool halfRead;
    } rows[] = {{"even offset", 6, 4, true}, {"odd offset", 5, 3, false}};
    const QRect rect(0, 0, 226, 326);
    const QTransform half = QTransform::fromScale(0.5, 0.5);
    for (const auto& row : rows) {
        const CIImage photo = imageWithContentsOfFileDrawnAt(path, QSizeF(440, 640));
        const CIImage picture = kept(photo, row.dx, row.dy).imageByApplyingTransform(half);
        const CIImage reference = kept(CIImage::imageWithContentsOfFile(path), row.dx, row.dy).imageByApplyingTransform(half);
        EXPECT_LT(renderDifference(picture, reference, rect), 1.0 / 255) << row.name;
        EXPECT_EQ(dynamic_cast<const Engine::SourceNode&>(*photo.node()).halfReads() > 0, row.halfRead) << row.name;
    }
}

TEST(RenderPlan, WideBlurOfAFlippedPictureIsHalvedFromItsCoarseCopy)
{
    // Not from a level of half the region's size (for a photo filling a 4K
    // screen, 85 MB): the region's enlargement and small levels only.
    QImage picture(400, 240, QImage::Format_RGB32);
    picture.fill(QColor(200, 90, 30));
    const CIImage flipped = CIImage::imageWithQImage(picture).imageByApplyingTransform(QTransform(-1, 0, 0, -1, 403, 245));
    const QRect rect(-40, -40, 480, 320);
    const quint64 t0 = Engine::texelCount();
    ASSERT_TRUE(Rendered(blurred(flipped, 40), rect).ok());
    EXPECT_LT(Engine::texelCount() - t0, quint64(rect.width() * rect.height() * 3 / 2));
}

// The compile-ahead thread draws every state a rehearsal listed, in a
// context of its own: were it to fail, renders would only be slower.
TEST(RenderPlan, TheCompileAheadThreadDrawsWhatTheRehearsalListed)
{
    Engine::GL& gl = *Engine::GL::instance();
    const CIImage picture = blurred(patternImage(64, 48), 3).imageByCompositingOverImage(
        CIImage::imageWithQImage(bitmap(1, 1, {{200, 40, 40, 255}})).imageByApplyingTransform(QTransform::fromScale(20, 10)));
    const QRect rect(0, 0, 64, 48);
    std::vector<Engine::DrawState> draws;
    gl.setRehearsal(&draws);
    Engine::ByteRows into{nullptr, rect.width()};
    Engine::renderBytes(gl, picture, rect, &into);
    gl.setRehearsal(nullptr);
    std::set<QByteArray> states;
    for (const Engine::DrawState& d : draws)
        states.insert(d.key());
    ASSERT_GE(states.size(), 2u);
    const int before = Engine::CompileAhead::drawsMade();
    Engine::CompileAhead::start(gl, draws, true);
    Engine::CompileAhead::drain();
    Engine::CompileAhead::finish();
    EXPECT_EQ(Engine::CompileAhead::drawsMade() - before, int(states.size()));
}

// Reduced under a picture known opaque over most of it (a framed photo
// with rounded corners), the stretched photo behind is drawn only round
// that part: the same texels as when the picture's opacity is unknown.
TEST(RenderPlan, ABackdropReducedUnderAnOpaquePictureIsDrawnOnlyRoundIt)
{
    const auto opaque = [](int w, int h, int seed) {
        QImage image(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.setPixel(x, y, qRgb((x * 37 + y * seed) % 256, (x * 5 + y * 23) % 256, 128 + int(100 * std::sin(x * 0.3 + y * 0.2))));
        return CIImage::imageWithQImage(image);
    };
    QImage rim(400, 300, QImage::Format_ARGB32_Premultiplied);
    rim.fill(QColor(200, 60, 20, 90));
    const CIImage known = CIImageAccumulator::flatten(CIImage::imageWithQImage(rim).imageByCompositingOverImage(
        opaque(352, 260, 11).imageByApplyingTransform(QTransform::fromTranslate(30, 14))), {});
    const auto same = CIKernel::kernelWithString(QStringLiteral("kernel vec4 same(sampler s) { return sample(s, samplerCoord(s)); }"));
    ASSERT_TRUE(same);
    const CIImage unknown = same->apply({QVariant::fromValue(known)}, {});
    ASSERT_TRUE(!known.node()->opaqueArea().isEmpty() && unknown.node()->opaqueArea().isEmpty());
    // Stretched, and read at half detail from more texels than it needs.
    const CIImage behind = opaque(220, 165, 3).imageByApplyingTransform(QTransform::fromScale(400 / 220.0, 300 / 165.0));
    for (const double scale : {0.5, 0.25}) {
        const auto reduced = [&](const CIImage& picture) {
            return picture.imageByCompositingOverImage(behind).imageByApplyingTransform(QTransform::fromScale(scale, scale));
        };
        const QRect rect(0, 0, int(400 * scale), int(300 * scale));
        const quint64 t0 = Engine::texelCount();
        const std::vector<float> under = CIContext().renderToFloats(reduced(known), QRectF(rect));
        const quint64 t1 = Engine::texelCount();
        const std::vector<float> whole = CIContext().renderToFloats(reduced(unknown), QRectF(rect));
        ASSERT_FALSE(under.empty() || whole.empty()) << scale;
        // No background and no blend over the whole: under 3/5 of the texels (1/2 measured).
        EXPECT_LT(5 * (t1 - t0), 3 * (Engine::texelCount() - t1)) << scale;
        EXPECT_LT(worstDifference(under, whole), 1e-3) << scale; // a step of a half float
    }
}
