// Photos decoded beside the engine's start, and textures served again by the
// pool: the same pixels, the same failures as without.

#include "tests/support/Pixels.h"

#include "platform/image/CIBuiltinFilters.h"
#include "platform/image/CIImageFile.h"
#include "platform/image/EngineNodes.h"
#include "tests/support/LogCapture.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const Engine::SourceNode* sourceOf(const CIImage& image)
{
    return dynamic_cast<const Engine::SourceNode*>(image.node().get());
}

// A wallpaper in small: the photo stretched and blurred under itself.
CIImage composed(const CIImage& photo, double scale)
{
    const CIImage shrunk = photo.imageByApplyingTransform(QTransform::fromScale(scale, scale));
    CIGaussianBlur blur;
    blur.inputImage = QVariant::fromValue(
        photo.imageByClampingToExtent().imageByApplyingTransform(QTransform::fromScale(scale * 1.5, scale * 1.5)));
    blur.setValue(6.0, QStringLiteral("inputRadius"));
    return shrunk.imageByCompositingOverImage(blur.outputImage().imageByCroppingToRect(shrunk.extent().adjusted(-8, -8, 8, 8)));
}

} // namespace

TEST(SourceMemory, DecodesOnAWorkerAtTheHintedReduction)
{
    QTemporaryDir dir;
    QImage photo(800, 600, QImage::Format_RGB32);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            photo.setPixel(x, y, qRgb(x % 256, y % 256, 90));
    const QString jpeg = dir.filePath("photo.jpg"), png = dir.filePath("damaged.png");
    ASSERT_TRUE(photo.save(jpeg, "JPEG", 90));
    ASSERT_TRUE(photo.copy(0, 0, 64, 64).save(png, "PNG"));
    QFile damage(png); // header intact, pixel data not: only decoding finds out
    ASSERT_TRUE(damage.open(QIODevice::ReadWrite));
    const qsizetype data = damage.readAll().indexOf("IDAT") + 8;
    ASSERT_GT(data, 8);
    damage.seek(data);
    damage.write(QByteArray(int(damage.size() - data) - 24, '\x5a'));
    damage.close();
    struct Row {
        const char* name;
        QString path;
        double renderScale;
        int decodes;       // 0: the render fails with its error
        QSize decodedSize; // of the last decode
    } rows[] = {
        {"hint matches the render", jpeg, 0.2, 1, QSize(200, 150)},
        {"render needs more detail than hinted", jpeg, 1.0, 2, QSize(800, 600)},
        {"damaged on the worker", png, 0.2, 0, QSize()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LogCapture log;
        const CIImage image = imageWithContentsOfFileDrawnAt(row.path, QSizeF(160, 120));
        ASSERT_FALSE(image.isNull());
        const CIImage shown = image.imageByApplyingTransform(QTransform::fromScale(row.renderScale, row.renderScale));
        const CIContext context;
        const QImage out = context.createCGImage(shown, QRectF(0, 0, 16, 12));
        if (!row.decodes) {
            EXPECT_TRUE(out.isNull());
            EXPECT_TRUE(log.contains("Error: cannot decode image file")) << log.lines().join('\n').toStdString();
            continue;
        }
        ASSERT_FALSE(out.isNull());
        EXPECT_EQ(sourceOf(image)->decodeCount(), row.decodes);
        EXPECT_EQ(sourceOf(image)->lastDecodedSize(), row.decodedSize);
        const QColor c = out.pixelColor(5, 6); // ~ (31, 31) of the photo at a fifth, top down
        EXPECT_NEAR(c.blue(), 90, 4);
    }
}

TEST(SourceMemory, PooledTexturesGiveTheSamePicturesAgain)
{
    QTemporaryDir dir;
    QImage photo(300, 200, QImage::Format_RGB32);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            photo.setPixel(x, y, qRgb((x * 7) % 256, (y * 3) % 256, (x * y) % 256));
    const QString path = dir.filePath("photo.jpg");
    ASSERT_TRUE(photo.save(path, "JPEG", 95));
    const CIContext context;
    // Each picture made afresh: the second render finds the first one's
    // textures in the pool.
    const auto render = [&](double scale) {
        const CIImage picture = composed(CIImage::imageWithContentsOfFile(path), scale);
        return context.createCGImage(picture, picture.extent());
    };
    for (const double scale : {0.5, 0.8, 0.5}) {
        SCOPED_TRACE(scale);
        const QImage first = render(scale);
        const quint64 before = Engine::GL::instance()->textureAllocationCount();
        ASSERT_FALSE(first.isNull());
        EXPECT_EQ(render(scale), first);
        EXPECT_EQ(Engine::GL::instance()->textureAllocationCount(), before);
    }
}
