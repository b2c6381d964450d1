// Photos decoded beside the engine's start, and textures served again by the
// pool: the same pixels, the same failures as without.

#include "tests/support/Files.h"
#include "tests/support/Pixels.h"

#include "platform/image/CIBuiltinFilters.h"
#include "platform/image/CIImageFile.h"
#include "platform/image/EngineNodes.h"
#include "tests/support/LogCapture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(SourceMemory, DecodesOnAWorkerAtTheHintedReductionAndPoolsItsTextures)
{
    QTemporaryDir dir;
    QImage photo(800, 600, QImage::Format_RGB32);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            photo.setPixel(x, y, qRgb(x % 256, (x * y) % 256, 90));
    const QString jpeg = dir.filePath("photo.jpg"), png = dir.filePath("damaged.png");
    ASSERT_TRUE(photo.save(jpeg, "JPEG", 90) && photo.copy(0, 0, 64, 64).save(png, "PNG"));
    scribble(png, readFile(png).indexOf("IDAT") + 8, -24); // header intact: only decoding finds out
    // decodes: 0 when the render fails with its error.
    const struct { const char* name; QString path; double scale; int decodes; QSize decodedSize; } rows[] = {
        {"hint matches the render", jpeg, 0.2, 1, QSize(800, 600)},
        {"render needs more detail than hinted", jpeg, 1.0, 2, QSize(800, 600)},
        {"damaged on the worker", png, 0.2, 0, QSize()},
    };
    const CIContext context;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        LogCapture log;
        // Made afresh each time (a blurred, stretched background under the
        // photo): the second render finds the first one's textures pooled.
        const auto render = [&](const Engine::SourceNode** source) {
            const CIImage image = imageWithContentsOfFileDrawnAt(row.path, QSizeF(160, 120));
            *source = dynamic_cast<const Engine::SourceNode*>(image.node().get());
            CIGaussianBlur blur;
            blur.inputImage = QVariant::fromValue(image.imageByClampingToExtent().imageByApplyingTransform(
                QTransform::fromScale(row.scale * 1.5, row.scale)));
            const CIImage shown = image.imageByApplyingTransform(QTransform::fromScale(row.scale, row.scale));
            const QRectF frame = shown.extent().adjusted(-8, -8, 8, 8);
            const QImage out = context.createCGImage(
                shown.imageByCompositingOverImage(blur.outputImage().imageByCroppingToRect(frame)), frame);
            if (!out.isNull()) {
                EXPECT_EQ(std::make_pair((*source)->decodeCount(), (*source)->lastDecodedSize()),
                          std::make_pair(row.decodes, row.decodedSize));
            }
            return out;
        };
        const Engine::SourceNode* source = nullptr;
        const QImage first = render(&source);
        EXPECT_EQ(first.isNull(), row.decodes == 0);
        EXPECT_EQ(log.contains("Error: cannot decode image file"), row.decodes == 0);
        EXPECT_EQ(render(&source), first);
        // Textures pooled by earlier tests may be matched differently once;
        // from then on a render allocates nothing.
        const quint64 allocated = Engine::GL::instance()->textureAllocationCount();
        EXPECT_EQ(render(&source), first);
        EXPECT_EQ(Engine::GL::instance()->textureAllocationCount(), allocated);
    }
}

TEST(SourceMemory, PhotoSharpnessDependsOnTheOrderOfRequests)
{
    // Fine detail, shown just over a quarter of its size on its stretched,
    // blurred copy: a coarser decode stretched up shows.
    QImage photo(800, 600, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, (x / 2 + y / 3) % 3 ? qRgb(20, 40 + y % 200, 60) : qRgb(250, 230, x % 256));
    QTemporaryDir dir;
    const QString path = dir.filePath("photo.jpg");
    ASSERT_TRUE(photo.save(path, "JPEG", 95));
    const QRectF screen(0, 0, 300, 180);
    const auto wallpaper = [&](const CIImage& image) {
        CIGaussianBlur blur;
        blur.inputImage = QVariant::fromValue(
            image.imageByClampingToExtent().imageByApplyingTransform(QTransform::fromScale(0.375, 0.3)));
        return image.imageByApplyingTransform(QTransform(0.26, 0, 0, 0.26, 46, 12))
            .imageByCompositingOverImage(blur.outputImage().imageByCroppingToRect(screen));
    };
    const CIContext context;
    const QImage fresh = context.createCGImage(wallpaper(imageWithContentsOfFileDrawnAt(path, screen.size())), screen);
    for (const double earlier : {0.25, 0.05, 1.0}) { // 1: a tile
        const CIImage image = imageWithContentsOfFileDrawnAt(path, screen.size());
        const QRectF before = earlier < 1 ? QRectF(0, 0, 300 * earlier, 180 * earlier) : QRectF(100, 40, 32, 32);
        const CIImage first = wallpaper(image).imageByApplyingTransform(QTransform::fromScale(earlier, earlier));
        ASSERT_FALSE(context.createCGImage(first, before).isNull());
        EXPECT_EQ(context.createCGImage(wallpaper(image), screen), fresh) << earlier;
        EXPECT_EQ(dynamic_cast<const Engine::SourceNode*>(image.node().get())->decodeCount(), 1) << earlier;
    }
}

// A bitmap made into an image again is converted once; any write to its
// pixels, while an image of it lives or after, shows in the next image.
TEST(SourceMemory, KeptBitmapTexturesNeverOutliveAnEdit)
{
    const struct {
        const char* name;
        bool dropFirst; // the first image gone before the edit
        void (*edit)(QImage&); // nullptr: the bitmap as it was
        QRgb expected;
    } rows[] = {
        {"wrapped again", false, nullptr, qRgba(200, 40, 40, 160)},
        {"wrapped again after the first image went", true, nullptr, qRgba(200, 40, 40, 160)},
        {"edited in place while wrapped", false, [](QImage& b) { b.fill(qRgba(30, 60, 220, 160)); },
         qRgba(30, 60, 220, 160)},
        {"edited in place after the first image went", true, [](QImage& b) { b.setPixel(0, 0, qRgba(30, 60, 220, 160)); },
         qRgba(30, 60, 220, 160)},
    };
    const CIContext context;
    Engine::GL* gl = Engine::GL::instance();
    ASSERT_NE(gl, nullptr);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QImage bitmap(24, 16, QImage::Format_ARGB32);
        bitmap.fill(qRgba(200, 40, 40, 160));
        auto first = std::make_unique<CIImage>(CIImage::imageWithQImage(bitmap));
        quint64 passes = gl->passCount();
        ASSERT_FALSE(context.createCGImage(*first, first->extent()).isNull());
        const quint64 firstPasses = gl->passCount() - passes;
        if (row.dropFirst)
            first.reset();
        if (row.edit)
            row.edit(bitmap);
        const CIImage again = CIImage::imageWithQImage(bitmap);
        passes = gl->passCount();
        const QImage out = context.createCGImage(again, again.extent());
        ASSERT_FALSE(out.isNull());
        // Converted again only after an edit.
        EXPECT_EQ(gl->passCount() - passes, row.edit ? firstPasses : firstPasses - 1);
        const QRgb got = out.convertToFormat(QImage::Format_ARGB32).pixel(0, 0);
        EXPECT_NEAR(qRed(got), qRed(row.expected), 2);
        EXPECT_NEAR(qBlue(got), qBlue(row.expected), 2);
        EXPECT_NEAR(qAlpha(got), qAlpha(row.expected), 1);
    }
}

TEST(SourceMemory, APhotoOnAScreenOfOtherProportionsIsDecodedOnce)
{
    QImage photo(800, 600, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
    QTemporaryDir dir;
    const QString path = dir.filePath("photo.jpg");
    ASSERT_TRUE(photo.save(path, "JPEG", 90));
    // The photo fitted over its copy stretched and blurred, as a wallpaper.
    const struct { const char* name; QSizeF screen; } rows[] = {
        {"proportions near the photo's", QSizeF(400, 250)},
        {"a portrait screen", QSizeF(150, 400)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const CIImage image = imageWithContentsOfFileDrawnAt(path, row.screen);
        const double fx = row.screen.width() / 800, fy = row.screen.height() / 600, fit = std::min(fx, fy);
        CIGaussianBlur blur;
        blur.inputImage = QVariant::fromValue(
            image.imageByClampingToExtent().imageByApplyingTransform(QTransform::fromScale(fx, fy)));
        const QRectF screen(QPointF(0, 0), row.screen);
        const CIImage shown = image.imageByApplyingTransform(QTransform::fromScale(fit, fit));
        ASSERT_FALSE(CIContext()
                         .createCGImage(shown.imageByCompositingOverImage(blur.outputImage().imageByCroppingToRect(screen)),
                                        screen)
                         .isNull());
        EXPECT_EQ(dynamic_cast<const Engine::SourceNode*>(image.node().get())->decodeCount(), 1);
    }
}
