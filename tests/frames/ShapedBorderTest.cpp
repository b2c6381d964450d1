// The border ring against an exact distance transform computed here, for
// several shapes and widths.

#include "frames/LXShapedBorderFilter.h"
#include "frames/LXTexturizeFilter.h"
#include "platform/foundation/Application.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Pixels.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr int kSize = 48;

QImage shape(const std::function<void(QPainter&)>& draw, QImage::Format format = QImage::Format_RGBA8888)
{
    QImage image(kSize, kSize, QImage::Format_RGBA8888);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(200, 80, 40));
    draw(painter);
    painter.end();
    return image.convertToFormat(format);
}

// Distance from pixel (x, y), y up, to the nearest pixel of alpha >= 0.5.
double exactDistance(const QImage& image, int x, int y)
{
    double best = 1e9;
    for (int r = 0; r < image.height(); ++r)
        for (int c = 0; c < image.width(); ++c)
            if (qAlpha(image.pixel(c, r)) >= 128)
                best = std::min(best, std::hypot(c - x, image.height() - 1 - r - y));
    return best;
}

// width: in pixels, n = width - 1.
struct RingCase {
    const char* name;
    double width;
    std::function<void(QPainter&)> draw;
    QImage::Format format = QImage::Format_RGBA8888; // without alpha: known opaque, never read back
};

class ShapedBorderRing : public ::testing::TestWithParam<RingCase> {};

TEST_P(ShapedBorderRing, MatchesTheExactDistanceOutsideTheShape)
{
    const RingCase& row = GetParam();
    const QImage picture = shape(row.draw, row.format);
    LXShapedBorderFilter filter;
    filter.setInputImage(QVariant::fromValue(CIImage::imageWithQImage(picture)));
    filter.setInputWidth(row.width);
    const int n = filter.borderPixels();
    const CIImage ring = filter.cachedMask();
    ASSERT_FALSE(ring.isNull());
    const QRect area(-n - 2, -n - 2, kSize + 2 * n + 4, kSize + 2 * n + 4);
    const Rendered rendered(ring, area), frame(filter.cachedFrame(), area); // the frame: drawn round the clear middle
    ASSERT_TRUE(rendered.ok() && frame.ok());
    // Opaque shapes: the ring is 1 within n, soft over the next pixel, and
    // nothing inside the shape.
    int wrong = 0;
    for (int y = area.y(); y < area.y() + area.height(); ++y)
        for (int x = area.x(); x < area.x() + area.width(); ++x) {
            const double d = exactDistance(picture, x, y);
            const double want = d > 0 ? std::clamp(n + 1 - d, 0.0, 1.0) : 0.0;
            const float a = rendered.at(x, y)[3];
            if (std::abs(a - want) > 1.5 / 255 && ++wrong <= 3)
                ADD_FAILURE() << row.name << ": ring " << a << " at (" << x << ", " << y << "), distance " << d;
            if (std::abs(frame.at(x, y)[3] - a) > 1.5 / 255 && ++wrong <= 3)
                ADD_FAILURE() << row.name << ": frame " << frame.at(x, y)[3] << " at (" << x << ", " << y << ")";
        }
    EXPECT_EQ(wrong, 0) << row.name;
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ShapedBorderRing,
    ::testing::Values(RingCase{"concave", 10,
                               [](QPainter& p) { p.drawRects(QList<QRect>{{10, 10, 28, 6}, {10, 10, 6, 28}, {32, 10, 6, 28}}); }},
                      RingCase{"hairline", 6, [](QPainter& p) { p.drawRect(8, 23, 32, 1); }},
                      RingCase{"twoPixelBorder", 2, [](QPainter& p) { p.drawEllipse(QPointF(24, 24), 10, 10); }},
                      RingCase{"wideBorder", 17, [](QPainter& p) { p.drawRect(20, 20, 8, 8); }},
                      // Reaching past the nearest pixel of a step's lattice.
                      RingCase{"nearestMissedBetweenSteps", 3,
                               [](QPainter& p) { p.drawRects(QList<QRect>{{5, 5, 3, 30}, {30, 12, 9, 2}}); }},
                      RingCase{"softEdgeAtLargeDistance", 41, [](QPainter& p) { p.drawEllipse(QPointF(24, 24), 3, 3); }},
                      RingCase{"offCentreBlock", 3, [](QPainter& p) { p.drawRect(6, 4, 36, 30); }},
                      // A picture opaque to its edges (a photo) takes the rectangle's ring.
                      RingCase{"opaquePicture", 5, [](QPainter& p) { p.drawRect(0, 0, kSize, kSize); }},
                      RingCase{"opaquePictureWideBorder", 30, [](QPainter& p) { p.drawRect(0, 0, kSize, kSize); }},
                      RingCase{"pictureWithoutAlpha", 5, [](QPainter& p) { p.drawRect(0, 0, kSize, kSize); },
                               QImage::Format_RGB32}),
    [](const auto& info) { return std::string(info.param.name); });

// Beyond the widest ring drawn: the picture as it is, and why.
TEST(ShapedBorder, TooWideToDrawLeavesThePicture)
{
    const CIImage picture = CIImage::imageWithQImage(shape([](QPainter& p) { p.drawRect(4, 4, 8, 8); }));
    LXShapedBorderFilter filter;
    filter.setInputImage(QVariant::fromValue(picture));
    filter.setInputWidth(9000.0);
    const LogCapture log;
    EXPECT_TRUE(filter.cachedMask().isNull());
    EXPECT_EQ(filter.outputImage(), picture);
    EXPECT_TRUE(log.contains(QStringLiteral("Warning: shaped border of 9000 pixels"))) << log.lines().join('\n').toStdString();
}

} // namespace
