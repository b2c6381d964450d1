#include "app/LookChain.h"
#include "app/WallpaperMaker.h"
#include "platform/image/CIContext.h"
#include "tests/app/Session.h"
#include "tests/support/Images.h"

#include <gtest/gtest.h>

namespace {

CIImage photo(int w, int h, QColor color = QColor(200, 120, 40))
{
    return CIImage::imageWithQImage(filled(w, h, color));
}

QRectF inputExtent(const QVariant& input)
{
    return CIFilter::imageValue(input).extent();
}

const WallpaperScreen mainScreen{QSizeF(1440, 900), true, QString()};

} // namespace

TEST(Pipeline, SmallPhotosKeepTheirSizeUnlessScalingUp)
{
    WallpaperMaker maker;
    const CIImage result = maker.enhancedImageFor(photo(1000, 500), mainScreen, false, true);
    EXPECT_EQ(result.extent(), QRectF(0, 0, 1440, 900));
    EXPECT_EQ(inputExtent(maker.artistic().inputImage), QRectF(0, 0, 1000, 500));
    EXPECT_EQ(inputExtent(maker.artistic().inputBackgroundImage), QRectF(0, 0, 1440, 900));

    maker.enhancedImageFor(photo(1000, 500), mainScreen, true, true);
    EXPECT_EQ(inputExtent(maker.artistic().inputImage), QRectF(0, 0, 1440, 720)); // min(1.44, 1.8)
}

TEST(Pipeline, LargePhotosShrinkToFitWhateverScaleUpSays)
{
    WallpaperMaker maker;
    for (bool scaleUp : {false, true}) {
        maker.enhancedImageFor(photo(3000, 1000), mainScreen, scaleUp, true);
        EXPECT_EQ(inputExtent(maker.artistic().inputImage), QRectF(0, 0, 1440, 480));
        EXPECT_EQ(inputExtent(maker.artistic().inputBackgroundImage), QRectF(0, 0, 1440, 900));
    }
}

// A crop with the screen's proportions is all the screen shows, larger or
// smaller than it; another crop is fitted as a photo is.
TEST(Pipeline, ACropWithTheScreensRatioFillsTheScreen)
{
    struct Row { const char* name; QSize photo; QRectF crop; QRectF shown; };
    const Row rows[] = {
        {"larger: shrunk", {3000, 2000}, {0, 0, 0.6, 0.5625}, {0, 0, 1440, 900}},
        {"smaller: enlarged without scaleUp", {1000, 1000}, {0, 0.2, 1, 0.625}, {0, 0, 1440, 900}},
        {"square: fitted", {1000, 1000}, {0, 0, 0.5, 0.5}, {0, 0, 500, 500}},
    };
    for (const Row& row : rows) {
        Look look;
        look.crop = row.crop;
        LookChain chain;
        ASSERT_TRUE(chain.setLook(look).ok());
        WallpaperMaker maker;
        maker.enhancedImageFor(photo(row.photo.width(), row.photo.height()), mainScreen, false, false, &chain);
        EXPECT_EQ(inputExtent(maker.artistic().inputImage), row.shown) << row.name;
    }
}

TEST(Pipeline, TheLogoSitsLowerOnTheMainScreen)
{
    WallpaperMaker maker;
    maker.enhancedImageFor(photo(100, 100), mainScreen, false, true);
    // Above the bottom, from the left, wide.
    for (const auto& [w, h, above, left, wide] : {std::array{1440, 900, 40, 20, 100}, {2560, 1600, 50, 40, 150}}) {
        const auto logo = maker.watermark().placement(w, h).logo;
        EXPECT_EQ(std::tuple(h - logo.bottom(), logo.x(), logo.width()), std::tuple(above, left, wide)) << w;
    }

    maker.enhancedImageFor(photo(100, 100), {QSizeF(1440, 900), false, "HDMI-1"}, false, true);
    EXPECT_EQ(900 - maker.watermark().placement(1440, 900).logo.bottom(), 20);
    EXPECT_EQ(1600 - maker.watermark().placement(2560, 1600).logo.bottom(), 30);
}

TEST(Pipeline, TheLogoIsDrawnOnlyWhenWanted)
{
    WallpaperMaker maker;
    const QRect logoArea(20, 900 - 40 - 20, 100, 20);
    auto render = [&](bool logo) {
        return CIContext().createCGImage(maker.enhancedImageFor(photo(1000, 500, Qt::black), mainScreen, false, logo),
                                         QRectF(logoArea));
    };
    EXPECT_NE(render(true), render(false));
    // Without the logo the corner is the extension alone.
    EXPECT_EQ(maker.enhancedImageFor(photo(1000, 500), mainScreen, false, false).extent(), QRectF(0, 0, 1440, 900));
}

TEST(Pipeline, AScreenlessWindowGivesAnEmptyPicture)
{
    WallpaperMaker maker;
    EXPECT_TRUE(maker.enhancedImageFor(photo(100, 100), {QSizeF(0, 0), false, QString()}, false, true).extent().isEmpty());
    EXPECT_TRUE(maker.enhancedImageFor(CIImage(), mainScreen, false, true).isNull());
}

// Numbering, what the desktop is handed and the alert of a desktop that fails
// are checked on the real executable (command-line and fault tests).
TEST(Saving, AFailedWriteNeverBecomesTheDesktopPicture)
{
    DesktopSession session;
    session.sway();
    Alerts alerts;
    WallpaperMaker maker;
    // Nothing to render: nothing is written, and the desktop is left alone.
    EXPECT_EQ(maker.saveAsBackground(CIImage(), "Beach", ""), WallpaperMaker::SaveResult::Failed);
    EXPECT_EQ(alerts.titles, QStringList{"Problem creating Wallpaper"});
    EXPECT_TRUE(session.saved().isEmpty());
    EXPECT_TRUE(session.swayLog().isEmpty());
}
