// A render that cannot be completed fails as a whole: no partial picture.

#include "tests/support/Files.h"
#include "tests/support/Pixels.h"

#include "tests/support/LogCapture.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

TEST(RenderFailure, APassBeyondTheSizeLimitFailsTheRender)
{
    LogCapture log;
    const CIImage strip = CIImage::imageWithColor(CIColor(1, 0, 0)).imageByCroppingToRect(QRectF(0, 0, 40000, 2));
    const CIContext context;
    EXPECT_TRUE(context.createCGImage(strip, strip.extent()).isNull());
    EXPECT_TRUE(context.lastError().contains("cannot render")) << context.lastError().toStdString();
    std::vector<float> floats(40000 * 2 * 4);
    EXPECT_FALSE(context.render(strip, floats.data(), 0, strip.extent()));

    // The same context renders what fits, and forgets the failure.
    EXPECT_FALSE(context.createCGImage(strip, QRectF(0, 0, 100, 2)).isNull());
    EXPECT_TRUE(context.lastError().isEmpty());
}

TEST(RenderFailure, APhotoThatDoesNotDecodeFailsTheRenderNotTurnsTransparent)
{
    QTemporaryDir dir;
    QImage photo(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            photo.setPixel(x, y, qRgb(x * 4, y * 4, (x * y) % 256)); // enough data to damage
    const QString path = dir.filePath("photo.png");
    ASSERT_TRUE(photo.save(path, "PNG"));
    const CIImage image = CIImage::imageWithContentsOfURL(QUrl::fromLocalFile(path));
    ASSERT_FALSE(image.isNull());
    // Damaged after its header was read: only the render can find out.
    ASSERT_GT(QFileInfo(path).size(), 400);
    scribble(path, 60, -12);

    LogCapture log;
    const CIContext context;
    const CIImage composed = image.imageByCompositingOverImage(
        CIImage::imageWithColor(CIColor(0, 0, 0)).imageByCroppingToRect(image.extent()));
    EXPECT_TRUE(context.createCGImage(composed, composed.extent()).isNull());
    EXPECT_TRUE(context.lastError().contains("cannot decode image file")) << context.lastError().toStdString();
}
