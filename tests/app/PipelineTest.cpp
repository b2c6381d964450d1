#include "app/LookChain.h"
#include "app/WallpaperMaker.h"
#include "effects/LXEffect.h"
#include "platform/image/CIContext.h"
#include "platform/image/CIImageFile.h"
#include "platform/image/EngineAhead.h"
#include "platform/image/EngineNodes.h"
#include "tests/app/Session.h"
#include "tests/support/Images.h"
#include "tests/support/Pixels.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>

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

// A photo shown again reuses its reduced copy, so the look hands back the
// picture its effects keep current: the latest setting, at each screen's scale.
TEST(Pipeline, AReshownLookHasItsLatestSettingAndScale)
{
    Look look;
    look.effects = {QVariantMap{{"name", "HueShift"}}};
    LookChain kept, fresh;
    ASSERT_TRUE(kept.setLook(look).ok() && fresh.setLook(look).ok());
    WallpaperMaker maker;
    const CIImage source = photo(1000, 500);
    const auto shown = [](LookChain& chain, WallpaperMaker& m, const CIImage& p, double angle, double width) {
        chain.effects().front()->setValue(angle, "inputAngle");
        m.enhancedImageFor(p, {QSizeF(width, width * 0.625), true, QString()}, false, false, &chain);
        return CIContext().createCGImage(CIFilter::imageValue(m.artistic().inputImage), QRectF(0, 0, width, width / 2));
    };
    for (const auto& [angle, width] : std::initializer_list<std::pair<double, double>>{{0.5, 400}, {2.5, 400}, {2.5, 800}, {0.5, 400}}) {
        WallpaperMaker afresh;
        EXPECT_EQ(shown(kept, maker, source, angle, width), shown(fresh, afresh, photo(1000, 500), angle, width)) << angle << " " << width;
    }
}

// A framed photo that would not fit is decoded at the size it is styled at,
// not decoded larger and reduced again, and its framed picture fits the screen.
TEST(Pipeline, AFramedPhotoIsDecodedAsItIsStyled)
{
    struct Row { const char* name; Look look; bool shrinks; };
    const Row rows[] = {
        {"no frame", Look{{QVariantMap{{"name", "Toning"}}}, {}, {}, 0}, false},
        {"border effect", Look{{QVariantMap{{"name", "Border"}}}, {}, {}, 0}, true},
        {"frame over a crop", Look{{}, {{"name", "Frame"}, {"inputFrameName", "Plain Frame"}}, {0.1, 0.2, 0.7, 0.6}, 0}, true},
        {"mount", Look{{}, {{"name", "PictureFrame"}, {"inputFrameName", "ALX-F#003#Slide-Mount"}}, {}, 0}, true},
        {"textured frame", Look{{}, {{"name", "Frame"}, {"inputFrameName", "Wood - Walnut Moulding"}}, {}, 0}, true},
        {"drop shadow", Look{{QVariantMap{{"name", "DropShadow"}}}, {}, {}, 0}, true},
    };
    const QSizeF picture(3000, 2000), screen = mainScreen.pixelSize();
    for (const Row& row : rows) {
        LookChain chain;
        ASSERT_TRUE(chain.setLook(row.look).ok()) << row.name;
        const QSizeF box = WallpaperMaker::decodeSizeFor(screen, &chain, picture);
        EXPECT_EQ(box != WallpaperMaker::decodeSizeFor(screen, &chain), row.shrinks) << row.name;
        WallpaperMaker maker;
        maker.enhancedImageFor(photo(3000, 2000), mainScreen, false, false, &chain);
        const QRectF crop = row.look.crop.isNull() ? QRectF(0, 0, 1, 1) : row.look.crop;
        const QSizeF decoded = centredFitSize(picture, box);
        // Cut as the look cuts it: edges rounded to whole pixels.
        const auto cut = [](double from, double length, double size) { return std::round((from + length) * size) - std::round(from * size); };
        const QSizeF styled(cut(crop.x(), crop.width(), decoded.width()), cut(1 - crop.bottom(), crop.height(), decoded.height()));
        const QRectF shown = inputExtent(maker.artistic().inputImage);
        EXPECT_LE(shown.width(), screen.width()) << row.name;
        EXPECT_LE(shown.height(), screen.height()) << row.name;
        if (row.shrinks) {
            EXPECT_EQ(shown.size(), chain.framedSize(styled)) << row.name;
        }
        // Centred on whole pixels, so that its photo is not blended half a pixel off.
        if (row.shrinks && row.look.crop.isNull()) {
            EXPECT_EQ(int(shown.width()) % 2, int(screen.width()) % 2) << row.name;
            EXPECT_EQ(int(shown.height()) % 2, int(screen.height()) % 2) << row.name;
        }
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

// The drawn display may be computed coarser; a wallpaper made next by the
// same maker must not inherit that.
TEST(Pipeline, OnlyTheDisplayIsComputedCoarser)
{
    QImage stripes(300, 150, QImage::Format_RGB32);
    for (int y = 0; y < stripes.height(); ++y)
        std::fill_n(reinterpret_cast<QRgb*>(stripes.scanLine(y)), stripes.width(), y / 6 % 2 ? 0xfffae628 : 0xff1428a0);
    const WallpaperScreen screen{QSizeF(480, 300), true, QString()};
    WallpaperScreen display = screen;
    display.display = true;
    const auto render = [&](WallpaperMaker& maker, const WallpaperScreen& s) {
        return CIContext().createCGImage(maker.enhancedImageFor(CIImage::imageWithQImage(stripes), s, false, false),
                                         QRectF(0, 0, 480, 300));
    };
    WallpaperMaker fresh, used;
    const QImage wallpaper = render(fresh, screen);
    EXPECT_NE(render(used, display), wallpaper);
    EXPECT_EQ(render(used, screen), wallpaper);
}

// A screen's wallpaper is rehearsed first so that its programs compile on
// a second thread: the rehearsal must foresee every draw of the render and
// leave nothing behind that the render would use (a photo file's upload,
// a frame's kept bitmaps).
TEST(Pipeline, CompilingAheadForeseesTheRenderAndChangesNoPixel)
{
    QTemporaryDir dir;
    QImage picture(1200, 700, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x % 256, y * 3 % 256, (x ^ y) % 256));
    const QString path = dir.filePath("photo.jpg");
    ASSERT_TRUE(picture.save(path, "JPG"));
    const WallpaperScreen screen{QSizeF(800, 500), true, QString()};
    struct Row { const char* name; Look look; };
    const Row rows[] = {
        {"plain", Look{}},
        {"no frame", Look{{QVariantMap{{"name", "Toning"}}}, {}, {}, 0}},
        {"border effect", Look{{QVariantMap{{"name", "Border"}}}, {}, {}, 0}},
        {"frame", Look{{}, {{"name", "Frame"}, {"inputFrameName", "Plain Frame"}}, {}, 0}},
        {"mount", Look{{}, {{"name", "PictureFrame"}, {"inputFrameName", "ALX-F#003#Slide-Mount"}}, {}, 0}},
    };
    for (const Row& row : rows) {
        LookChain chain;
        ASSERT_TRUE(chain.setLook(row.look).ok()) << row.name;
        const QSizeF decode = WallpaperMaker::decodeSizeFor(screen.pixelSize(), &chain, WallpaperMaker::uprightSizeAt(path));
        WallpaperMaker ahead, plain;
        const CIImage photo = WallpaperMaker::loadPhoto(QUrl::fromLocalFile(path), decode);
        const CIImage first = ahead.enhancedImageFor(photo, screen, false, true, &chain);
        const QImage rehearsed = WallpaperMaker::renderPicture(first);
        EXPECT_EQ(Engine::CompileAhead::unforeseenDraws(), 0) << row.name;
        // The extension's blurs read the photo halved on the decode's thread,
        // though the photo itself is drawn first.
        if (chain.isPlain())
            EXPECT_GT(dynamic_cast<const Engine::SourceNode&>(*photo.node()).halfReads(), 0);
        const CIImage second =
            plain.enhancedImageFor(WallpaperMaker::loadPhoto(QUrl::fromLocalFile(path), decode), screen, false, true, &chain);
        const QImage again = CIContext().createCGImage(second, second.extent());
        ASSERT_EQ(rehearsed.size(), again.size()) << row.name;
        // Within a level: where a pooled texture's size reaches the last
        // bits of a read, renders one after the other may differ by one.
        int worst = 0;
        for (qsizetype i = 0; i < again.sizeInBytes(); ++i)
            worst = std::max(worst, std::abs(int(rehearsed.constBits()[i]) - int(again.constBits()[i])));
        EXPECT_LE(worst, 1) << row.name;
    }
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

// The photo stretched behind the extension is laid over the screen from its
// own corner: a styled picture framed round the photo starts below and left
// of the origin, and its backdrop must not shift by the frame's width.
TEST(Pipeline, TheBackdropIsTheSameWhereverThePictureStarts)
{
    QImage halves = filled(400, 250, QColor(220, 30, 30));
    for (int y = 0; y < halves.height(); ++y)
        for (int x = halves.width() / 2; x < halves.width(); ++x)
            halves.setPixelColor(x, y, QColor(30, 40, 230));
    const CIImage at = CIImage::imageWithQImage(halves);
    const auto backdrop = [](const CIImage& picture) {
        WallpaperMaker maker;
        maker.enhancedImageFor(picture, mainScreen, false, false);
        return CIFilter::imageValue(maker.artistic().inputBackgroundImage);
    };
    // Within a level (linear light).
    EXPECT_LE(renderDifference(backdrop(at), backdrop(at.imageByApplyingTransform(QTransform::fromTranslate(-40, -30))),
                               QRect(0, 0, 1440, 900)),
              4e-3);
}

TEST(Pipeline, AStyledPictureOfAnySizeGivesAnOpaqueWallpaper)
{
    // The extension repeats the styled picture's edges: read at half detail,
    // an edge inside a texel would be partly clear, and so would everything
    // round the photo (darkened in the saved JPEG).
    const WallpaperScreen screen{QSizeF(1920, 1080), true, QString()};
    const struct {
        const char* name;
        Look look;
        QSize photo;
    } rows[] = {
        {"drop shadow, odd sides", Look{{QVariantMap{{"name", "DropShadow"}}}, {}, {}, 0}, QSize(1001, 667)},
        {"drop shadow, even sides", Look{{QVariantMap{{"name", "DropShadow"}}}, {}, {}, 0}, QSize(1200, 800)},
        {"turned", Look{{}, {}, {}, 3}, QSize(1001, 667)},
    };
    for (const auto& row : rows) {
        LookChain chain;
        ASSERT_TRUE(chain.setLook(row.look).ok()) << row.name;
        WallpaperMaker maker;
        const CIImage wallpaper = maker.enhancedImageFor(photo(row.photo.width(), row.photo.height()), screen, false, false, &chain);
        const std::vector<float> pixels = CIContext().renderToFloats(wallpaper, QRectF(0, 0, 1920, 1080));
        ASSERT_FALSE(pixels.empty()) << row.name;
        float least = 1;
        for (size_t i = 3; i < pixels.size(); i += 4)
            least = std::min(least, pixels[i]);
        EXPECT_GT(least, 0.999f) << row.name;
    }
}
