#include "graphics/ColorSpaces.h"
#include "graphics/LXColor.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

void expectTriple(double a, double b, double c, double x, double y, double z, double tolerance = 1e-6)
{
    EXPECT_NEAR(a, x, tolerance);
    EXPECT_NEAR(b, y, tolerance);
    EXPECT_NEAR(c, z, tolerance);
}

} // namespace

TEST(ColorSpaces, RgbToHsv)
{
    auto hsv = [](double r, double g, double b) { return hsvFromRGB({r, g, b}); };
    HSVTriple c = hsv(1, 0, 0);
    expectTriple(c.hue, c.saturation, c.value, 0, 1, 1);
    c = hsv(0, 1, 0);
    expectTriple(c.hue, c.saturation, c.value, 1.0 / 3, 1, 1);
    c = hsv(0, 0, 1);
    expectTriple(c.hue, c.saturation, c.value, 2.0 / 3, 1, 1);
    c = hsv(0, 0, 0);
    expectTriple(c.hue, c.saturation, c.value, 0, 0, 0);
    c = hsv(1, 0, 1); // magenta: the hue wraps below 1
    expectTriple(c.hue, c.saturation, c.value, 5.0 / 6, 1, 1);
    c = hsv(0.5, 0.5, 0.5); // grey: no chroma, hue 0 rather than 0/0
    expectTriple(c.hue, c.saturation, c.value, 0, 0, 0.5);
}

TEST(ColorSpaces, RgbToHsl)
{
    HSLTriple c = hslFromRGB({1, 0, 0});
    expectTriple(c.hue, c.saturation, c.lightness, 0, 1, 0.5);
    c = hslFromRGB({1, 1, 0.5});
    expectTriple(c.hue, c.saturation, c.lightness, 1.0 / 6, 0.5 / 1.5, 0.75);
    c = hslFromRGB({0, 0, 0});
    expectTriple(c.hue, c.saturation, c.lightness, 0, 0, 0);
}

TEST(ColorSpaces, HsvToRgbIncludingAHueOfExactlyOne)
{
    RGBTriple c = rgbFromHSV({0.5, 1, 1});
    expectTriple(c.red, c.green, c.blue, 0, 1, 1);
    c = rgbFromHSV({0, 0, 0.4});
    expectTriple(c.red, c.green, c.blue, 0.4, 0.4, 0.4);
    c = rgbFromHSV({1.0, 0.5, 0.8}); // falls into the last case: (v, p, v)
    expectTriple(c.red, c.green, c.blue, 0.8, 0.4, 0.8);
    // Single-precision steps: f = 0.1 * 6 - 0 is not 0.6 exactly in float.
    c = rgbFromHSV({0.1, 0.3, 0.7});
    const float f = float(0.1 * 360 / 60);
    EXPECT_EQ(c.green, double(float((1 - 0.3 * (1 - f)) * 0.7)));
    EXPECT_EQ(c.blue, double(float((1 - 0.3) * 0.7)));
}

TEST(ColorSpaces, HslToRgbAndRoundTrips)
{
    RGBTriple c = rgbFromHSL({0, 1, 0.5});
    expectTriple(c.red, c.green, c.blue, 1, 0, 0);
    // Every hue sector comes back within single precision.
    for (double h = 0; h < 1; h += 0.05) {
        const RGBTriple rgb = rgbFromHSV({h, 0.6, 0.9});
        const HSVTriple back = hsvFromRGB(rgb);
        EXPECT_NEAR(back.hue, h, 1e-5) << h;
        EXPECT_NEAR(back.saturation, 0.6, 1e-5);
        EXPECT_NEAR(back.value, 0.9, 1e-6);
        // The HSL saturation is delta / (min + max) at every lightness, so
        // only colours of lightness up to one half come back from it.
        const RGBTriple dark = rgbFromHSV({h, 0.6, 0.5});
        const RGBTriple viaHsl = rgbFromHSL(hslFromRGB(dark));
        expectTriple(viaHsl.red, viaHsl.green, viaHsl.blue, dark.red, dark.green, dark.blue, 1e-5);
    }
}

TEST(LXColor, DescriptionsByCountOfPieces)
{
    auto color = [](const char* text) { return LXColor::colorFromDescription(text).color(); };
    EXPECT_EQ(color("1 0 0"), QColor::fromRgbF(1, 0, 0, 1));
    EXPECT_EQ(color("0.2 0.4 0.6 0.8"), color("0.2/0.4/0.6/0.8"));
    const QColor halfGrey = color("0.5/0.25");
    EXPECT_NEAR(halfGrey.redF(), 0.5, 1e-4);
    EXPECT_NEAR(halfGrey.blueF(), 0.5, 1e-4);
    EXPECT_NEAR(halfGrey.alphaF(), 0.25, 1e-4);
    EXPECT_EQ(color("0.3"), QColor::fromRgbF(0.3f, 0.3f, 0.3f, 1));
    EXPECT_EQ(color("0.1 0.2 0.3 0.4 0.5"), QColor::fromRgbF(0.1f, 0.2f, 0.3f, 1)); // extra pieces ignored
    EXPECT_EQ(color("0.5 x 1"), QColor::fromRgbF(0.5f, 0, 1, 1));                  // no number reads as 0
    EXPECT_EQ(color("0 0 0"), QColor::fromRgbF(0, 0, 0, 1)); // black after a failed picture look-up
    EXPECT_EQ(color("NoSuchPicture"), QColor::fromRgbF(0, 0, 0, 1));
    EXPECT_EQ(LXColor::colorFromDescription("1 0 0").style(), Qt::SolidPattern);
}

TEST(LXColor, WritesFourComponentsWithSixDecimals)
{
    EXPECT_EQ(LXColor::descriptionForNSColor(QColor::fromRgbF(1, 0, 0, 1)), "1.000000 0.000000 0.000000 1.000000");
    EXPECT_EQ(LXColor::descriptionForNSColor(Qt::white), "1.000000 1.000000 1.000000 1.000000");
    EXPECT_EQ(LXColor::colorFromHsv({0.5, 1, 1}), QColor::fromRgbF(0, 1, 1, 1));
}

TEST(LXColor, MissingNoisePictureWarnsOnce)
{
    LogCapture log;
    EXPECT_EQ(LXColor::noiseColor().style(), Qt::NoBrush);
    EXPECT_EQ(LXColor::noiseColor().style(), Qt::NoBrush);
    EXPECT_EQ(log.lines(), QStringList{"Warning: noise image 'NoiseFull.png' is not in bundle"});
}
