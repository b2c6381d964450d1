// The compositing filters: the combine formulas through their associativity
// with the adjustable blend, the rounded mask, the tiled overlay.

#include "filters/LXAdjustableBlendFilter.h"
#include "filters/LXCombineFilters.h"
#include "tests/support/Pixels.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

CIImage combined(const QString& mode, const CIImage& below, const CIImage& above)
{
    LXCombineFilter combine;
    combine.blendMode = mode;
    combine.inputBackgroundImage = boxed(below);
    combine.inputImage = boxed(above);
    return combine.outputImage();
}

CIImage blended(const QString& mode, const CIImage& background, const CIImage& foreground)
{
    LXAdjustableBlendFilter blend;
    blend.inputBlendName = mode;
    blend.inputBackgroundImage = boxed(background);
    blend.inputImage = boxed(foreground);
    blend.inputUseBGExtent = true;
    return blend.outputImage();
}

// Lower and upper layers and a picture under both: darks, lights,
// half-transparent and transparent pixels.
class CombineFilter : public ::testing::Test {
protected:
    const CIImage lower = rowImage({{40, 200, 120, 255}, {240, 60, 30, 200}, {128, 64, 200, 255}, {0, 0, 255, 90},
                                    {90, 90, 90, 0}});
    const CIImage upper = rowImage({{200, 30, 90, 255}, {20, 180, 240, 128}, {255, 255, 0, 64}, {10, 10, 10, 0},
                                    {250, 5, 128, 255}});
    const CIImage picture = rowImage({{255, 255, 255, 255}, {30, 250, 10, 255}, {0, 0, 0, 255},
                                      {128, 128, 128, 255}, {60, 90, 200, 255}});
};

} // namespace

TEST_F(CombineFilter, BlendingTheJoinedLayerEqualsBlendingOneThenTheOther)
{
    for (const QString& mode : LXCombineFilter::combinableBlendModes()) {
        const double off = renderDifference(blended(mode, picture, combined(mode, lower, upper)),
                                            blended(mode, blended(mode, picture, lower), upper), QRect(0, 0, 5, 1));
        EXPECT_TRUE(off >= 0 && off < 3e-3) << mode.toStdString() << ": " << off;
    }
}

TEST_F(CombineFilter, WhichModesCombine)
{
    struct Row { const char* mode; bool combinable; };
    const Row rows[] = {{"sourceOver", true}, {"multiply", true}, {"negativeMultiply", true},
                        {"overlay", false},   {"colorBurn", false}, {"", false}};
    for (const Row& row : rows)
        EXPECT_EQ(LXCombineFilter::isCombinableBlendMode(row.mode), row.combinable) << row.mode;

    LogCapture log;
    EXPECT_TRUE(combined("overlay", lower, upper).isNull());
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].startsWith("Warning: Filter 'LXCombineFilter' has no Kernel named 'overlay':"));
}

TEST(CombineMaskFilter, ShowsTheImageThroughARoundedScaledRectangle)
{
    const CIImage background = solid(CIColor(0, 0, 1), QRectF(0, 0, 100, 100));
    const CIImage image = solid(CIColor(1, 0, 0), QRectF(20, 20, 60, 60));
    LXCombineMaskFilter mask;
    mask.inputBackgroundImage = boxed(background);
    mask.inputImage = boxed(image);
    mask.inputCornerRadius = 10.0;
    struct Row { const char* name; double scale; int x, y; bool image; } rows[] = {
        {"centre", 1.0, 50, 50, true},        {"inside an edge", 1.0, 21, 50, true},
        {"in the cut-off corner", 1.0, 21, 21, false}, {"outside", 1.0, 10, 50, false},
        {"at half scale the edge is gone", 0.5, 25, 50, false}, {"at half scale the centre stays", 0.5, 50, 50, true},
    };
    for (const Row& row : rows) {
        mask.inputScale = row.scale;
        const CIImage output = mask.outputImage();
        EXPECT_EQ(output.extent(), background.extent());
        const Pixel p = Rendered(output, QRect(row.x, row.y, 1, 1)).at(row.x, row.y);
        EXPECT_THAT(p, PixelNear(row.image ? Pixel{1, 0, 0, 1} : Pixel{0, 0, 1, 1}, 2e-3f)) << row.name;
    }
}

TEST(ImageOverlayFilter, TilesThePatternFromTheOriginOverTheBackground)
{
    // Red, green along the bottom; blue, transparent above.
    const QImage tile = bitmap(2, 2, {{0, 0, 255, 255}, {0, 0, 0, 0}, {255, 0, 0, 255}, {0, 255, 0, 255}});
    LXImageOverlayFilter overlay;
    overlay.inputImage = boxed(CIImage::imageWithQImage(tile));
    const CIImage background = solid(CIColor(1, 1, 1), QRectF(0, 0, 6, 4));
    overlay.inputBackgroundImage = boxed(background);
    const CIImage output = overlay.outputImage();
    EXPECT_EQ(output.extent(), background.extent());
    const Rendered rendered(output, QRect(0, 0, 6, 4));
    const Pixel expected[4] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}, {1, 1, 1, 1}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_THAT(rendered.at(x, y), PixelNear(expected[(y % 2) * 2 + x % 2], 2e-3f)) << x << ", " << y;
}
