#include "graphics/ColorSpaces.h"
#include "graphics/LXColor.h"
#include "tests/support/LogCapture.h"

#include <array>

#include <gtest/gtest.h>

TEST(ColorSpaces, ConversionsAtTheirCornersAndRoundTrips)
{
    using Triple = std::array<double, 3>;
    const auto v = [](HSVTriple t) { return Triple{t.hue, t.saturation, t.value}; };
    const auto l = [](HSLTriple t) { return Triple{t.hue, t.saturation, t.lightness}; };
    const auto c = [](RGBTriple t) { return Triple{t.red, t.green, t.blue}; };
    struct Row { const char* name; Triple got, want; } rows[] = {
        {"black to HSV", v(hsvFromRGB({0, 0, 0})), {0, 0, 0}},
        {"red to HSL", l(hslFromRGB({1, 0, 0})), {0, 1, 0.5}},
        {"light yellow to HSL", l(hslFromRGB({1, 1, 0.5})), {1.0 / 6, 0.5 / 1.5, 0.75}},
        {"black to HSL", l(hslFromRGB({0, 0, 0})), {0, 0, 0}},
        {"a hue of exactly one: (v, p, v)", c(rgbFromHSV({1.0, 0.5, 0.8})), {0.8, 0.4, 0.8}},
        {"red from HSL", c(rgbFromHSL({0, 1, 0.5})), {1, 0, 0}},
    };
    for (const Row& row : rows)
        for (size_t i = 0; i < 3; ++i)
            EXPECT_NEAR(row.got[i], row.want[i], 1e-6) << row.name << " " << i;
    // Every hue sector comes back within single precision; the HSL saturation
    // is delta / (min + max) at every lightness, so only colours of lightness
    // up to one half come back from it.
    for (double h = 0; h < 1; h += 0.05) {
        const Triple back = v(hsvFromRGB(rgbFromHSV({h, 0.6, 0.9})));
        const Triple dark = c(rgbFromHSV({h, 0.6, 0.5})), viaHsl = c(rgbFromHSL(hslFromRGB(rgbFromHSV({h, 0.6, 0.5}))));
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_NEAR(back[i], (Triple{h, 0.6, 0.9})[i], 1e-5) << h;
            EXPECT_NEAR(viaHsl[i], dark[i], 1e-5) << h;
        }
    }
}

TEST(LXColor, DescriptionsByCountOfPieces)
{
    auto color = [](const char* text) { return LXColor::colorFromDescription(text).color(); };
    EXPECT_EQ(color("1 0 0"), QColor::fromRgbF(1, 0, 0, 1));
    EXPECT_EQ(color("0.5/0.25"), QColor::fromRgbF(0.5f, 0.5f, 0.5f, 0.25f)); // grey and alpha
    EXPECT_EQ(color("0.3"), QColor::fromRgbF(0.3f, 0.3f, 0.3f, 1));
    EXPECT_EQ(color("0.1 0.2 0.3 0.4 0.5"), QColor::fromRgbF(0.1f, 0.2f, 0.3f, 1)); // extra pieces ignored
    EXPECT_EQ(color("0.5 x 1"), QColor::fromRgbF(0.5f, 0, 1, 1));                  // no number reads as 0
    EXPECT_EQ(color("NoSuchPicture"), QColor::fromRgbF(0, 0, 0, 1)); // black after a failed picture look-up
    EXPECT_EQ(LXColor::colorFromDescription("1 0 0").style(), Qt::SolidPattern);
}

TEST(LXColor, WritesFourComponentsWithSixDecimals)
{
    EXPECT_EQ(LXColor::descriptionForNSColor(QColor::fromRgbF(1, 0, 0, 1)), "1.000000 0.000000 0.000000 1.000000");
}

TEST(LXColor, MissingNoisePictureWarnsOnce)
{
    LogCapture log;
    EXPECT_EQ(LXColor::noiseColor().style(), Qt::NoBrush);
    EXPECT_EQ(LXColor::noiseColor().style(), Qt::NoBrush);
    EXPECT_EQ(log.lines(), QStringList{"Warning: noise image 'NoiseFull.png' is not in bundle"});
}
