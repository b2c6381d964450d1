#include "graphics/ImageExtension.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

// Left half opaque red, right half fully transparent.
CIImage halfRed()
{
    QImage image(8, 4, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter(&image).fillRect(0, 0, 4, 4, Qt::red);
    return CIImage::imageWithQImage(image);
}

} // namespace

TEST(ImageExtension, AverageColourIsDividedByItsAlpha)
{
    const CIColor mean = averageColor(halfRed());
    ASSERT_FALSE(mean.isNull());
    EXPECT_EQ(QColor::fromRgbF(mean.red(), mean.green(), mean.blue(), mean.alpha()), QColor(255, 0, 0, 128));
    EXPECT_TRUE(averageColor(CIImage()).isNull());
}

TEST(ImageExtension, BitmapsHaveTheExtentsTruncatedSize)
{
    const CIImage moved = halfRed().imageByApplyingTransform(QTransform::fromTranslate(10, 20));
    const QImage bitmap = newCGImage(moved);
    ASSERT_EQ(bitmap.size(), QSize(8, 4));
    EXPECT_EQ(bitmap.pixelColor(1, 1), QColor(Qt::red));
    EXPECT_EQ(bitmap.pixelColor(6, 1).alpha(), 0);
    EXPECT_TRUE(newCGImage(CIImage::imageWithColor(CIColor(1, 0, 0))).isNull()); // infinite
    EXPECT_TRUE(newCGImage(CIImage::emptyImage()).isNull());
    EXPECT_EQ(nsImage(moved).size(), QSizeF(8, 4));
    EXPECT_EQ(newCGImageViaNSImage(moved).size(), QSize(8, 4));
    EXPECT_TRUE(nsImage(CIImage()).isNull());
}
