#include "filters/LXWatermarkFilter.h"
#include "tests/support/Pixels.h"

#include <gtest/gtest.h>

namespace {

// A 200 x 40 logo: red, opaque.
Picture logo()
{
    QImage image(200, 40, QImage::Format_ARGB32);
    image.fill(Qt::red);
    return Picture(image);
}

CIImage canvas(double w, double h)
{
    return solid(CIColor(0, 0, 1), QRectF(0, 0, w, h));
}

// The wallpaper's settings on the main screen.
void configure(LXWatermarkFilter& filter, int gravity = 10)
{
    filter.gravity = gravity;
    filter.setWatermark(boxed(logo()));
    filter.setOpacity(1.0);
    filter.setAdjustment(QRectF(40, 50, 150, 0), QSizeF(2560, 1600), QRectF(20, 40, 100, 0), QSizeF(1440, 900));
}

} // namespace

TEST(Watermark, SizeAndPlaceFollowTheBackgroundsSize)
{
    LXWatermarkFilter filter;
    configure(filter);

    // Beyond the ends it stays as set there, the logo 5:1; between, f and the rectangle follow the area.
    struct Row { double W, H, f; QRectF logo; };
    for (const Row& r : {Row{1024, 768, 0, {20, 708, 100, 20}}, Row{5120, 2880, 1, {40, 2800, 150, 30}}}) {
        EXPECT_EQ(filter.placement(r.W, r.H).f, r.f) << r.W;
        EXPECT_EQ(filter.placement(r.W, r.H).logo, r.logo) << r.W;
    }
    const QRectF hd = filter.placement(1920, 1080).logo; // f = (1440 - 1138.420) / (2023.858 - 1138.420)
    EXPECT_NEAR(filter.placement(1920, 1080).f, 0.3406, 1e-4);
    EXPECT_THAT((std::array{hd.width(), hd.height(), hd.x(), 1080 - hd.bottom()}),
                testing::Pointwise(testing::DoubleNear(0.01), std::array{117.03, 23.406, 26.81, 43.41}));
}

TEST(Watermark, GravityPicksTheEdgesAndOutOfRangeValuesAreReadSafely)
{
    LXWatermarkFilter filter;
    configure(filter);
    const QRectF centred(670, 440, 100, 20);
    struct Row { const char* name; QVariant gravity; QRectF logo; } rows[] = {
        {"none: centred", 0, centred},
        {"bottom, and top ignored", 6, QRectF(670, 40, 100, 20)},
        {"right, top", 16 + 2, QRectF(1440 - 100 - 20, 900 - 20 - 40, 100, 20)},
        {"minus one: every bit, left and bottom win", -1, QRectF(20, 40, 100, 20)},
        {"too large for any int: centred", 1e12, centred},
        {"not a number: centred", std::nan(""), centred},
    };
    for (const Row& row : rows) {
        filter.gravity = row.gravity;
        EXPECT_EQ(filter.placement(1440, 900).logo, row.logo) << row.name;
    }
}

TEST(Watermark, EqualEndsStillInterpolate)
{
    LXWatermarkFilter filter;
    configure(filter);
    filter.setAdjustment(QRectF(40, 50, 150, 0), QSizeF(1000, 1000), QRectF(20, 40, 100, 0), QSizeF(1000, 1000));
    EXPECT_NEAR(filter.placement(1000.5, 1000.5).f, 0.5, 1e-3);
}

TEST(Watermark, TheLogoLandsWhereItIsPlacedAtTheOpacityGiven)
{
    LXWatermarkFilter filter;
    configure(filter);
    filter.setOpacity(0.5);
    filter.setInputBackgroundImage(boxed(canvas(1440, 900)));
    const CIImage out = filter.outputImage();
    EXPECT_EQ(out.extent(), QRectF(0, 0, 1440, 900));
    // Logo at x 20..120, y 840..860 (y up).
    const Rendered r(out, QRect(0, 820, 160, 60));
    ASSERT_TRUE(r.ok());
    EXPECT_THAT(r.at(70, 850), PixelNear((Pixel{0.5f, 0, 0.5f, 1}), 1e-2f)); // half red over blue
    for (auto [x, y] : {std::pair{18, 850}, {122, 850}, {70, 838}, {70, 862}})
        EXPECT_NEAR(r.at(x, y)[0], 0.0f, 1e-3) << x << "," << y;
}

TEST(Watermark, TheCachedLogoMovesOnlyWithANewBackgroundOrLogo)
{
    LXWatermarkFilter filter;
    configure(filter);
    filter.setInputBackgroundImage(boxed(canvas(1440, 900)));
    const QRectF first = filter.cachedImage().extent();
    filter.gravity = 4 + 8; // bottom left: not yet
    EXPECT_EQ(filter.cachedImage().extent(), first);
    filter.setInputBackgroundImage(boxed(canvas(1440, 900)));
    EXPECT_EQ(filter.cachedImage().extent(), QRectF(20, 40, 100, 20));
    filter.setWatermark(QVariant());
    EXPECT_TRUE(filter.cachedImage().isNull());
}
