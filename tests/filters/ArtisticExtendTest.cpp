#include "filters/LXArtisticExtend.h"
#include "platform/image/EngineCoarseGrid.h"
#include "tests/support/Pixels.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A picture with a pattern, so that misplaced pixels show.
CIImage checkered(int w, int h)
{
    QImage image(w, h, QImage::Format_RGBA8888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixelColor(x, y, (x / 10 + y / 10) % 2 ? QColor(230, 40, 40) : QColor(40, 200, 60));
    return CIImage::imageWithQImage(image);
}

} // namespace

TEST(ArtisticExtend, LayoutNumbersGrowWithTheCanvas)
{
    // want: s, m, dx, backgroundBlur, motionRadius, borderBlur, foregroundBlur, shadowBlur
    struct Row { const char* name; double W, H, w, h; std::array<double, 8> want; };
    const Row rows[] = {
        {"big", 2560, 1600, 1600, 1000, {2.02386, 9, 480, 20, 202, 40.477, 101, 30.358}},
        {"mid", 1000, 800, 500, 400, {0.894427, 4, 250, 9, 89, 17.889, 45, 13.416}},
        {"small", 400, 300, 200, 100, {0.5, 2, 100, 5, 50, 10, 25, 7.5}},
        {"odd width, not rounded", 400, 300, 201, 100, {0.5, 2, 99.5, 5, 50, 10, 25, 7.5}},
    };
    for (const Row& r : rows) {
        const auto l = LXArtisticExtend::layout(r.W, r.H, r.w, r.h);
        EXPECT_THAT((std::array{l.s, l.m, l.dx, l.backgroundBlur, l.motionRadius, l.borderBlur, l.foregroundBlur,
                                l.shadowBlur}),
                    testing::Pointwise(testing::DoubleNear(1e-3), r.want)) << r.name;
    }
    EXPECT_EQ(LXArtisticExtend::layout(2560, 1600, 1600, 1000).frame, QRectF(471, 291, 1618, 1018));
    EXPECT_EQ(LXArtisticExtend::layout(400, 300, 400, 300).frame, QRectF(-2, -2, 404, 304)); // cut off by the crop
}

TEST(ArtisticExtend, MissingImagesGiveNil)
{
    LXArtisticExtend filter;
    EXPECT_TRUE(filter.outputImage().isNull());
    filter.inputImage = boxed(checkered(20, 20));
    EXPECT_TRUE(filter.outputImage().isNull());
}

TEST(ArtisticExtend, OnlyOffsetsOfAPixelOrMoreAreMovedToTheOrigin)
{
    LXArtisticExtend filter;
    filter.inputImage = boxed(checkered(20, 20));
    const CIImage plain = solid(CIColor(0.2, 0.3, 0.4), QRectF(0, 0, 100, 80));
    filter.inputBackgroundImage = boxed(plain.imageByApplyingTransform(QTransform::fromTranslate(0.6, 0.3)));
    filter.outputImage();
    EXPECT_EQ(CIFilter::imageValue(filter.inputBackgroundImage).extent().topLeft(), QPointF(0.6, 0.3));
    filter.inputBackgroundImage = boxed(plain.imageByApplyingTransform(QTransform::fromTranslate(0.6, 0.5)));
    filter.inputImage = boxed(checkered(20, 20).imageByApplyingTransform(QTransform::fromTranslate(5, 7)));
    filter.outputImage();
    EXPECT_EQ(CIFilter::imageValue(filter.inputBackgroundImage).extent().topLeft(), QPointF(0, 0));
    EXPECT_EQ(CIFilter::imageValue(filter.inputImage).extent().topLeft(), QPointF(0, 0));
}

class ArtisticExtendPixels : public ::testing::TestWithParam<bool> {};

TEST_P(ArtisticExtendPixels, PhotoInTheMiddleBorderThenShadowThenExtension)
{
    const int W = 400, H = 300, w = 200, h = 100;
    const CIColor backgroundColor(0.9, 0.8, 0.5);
    LXArtisticExtend filter;
    filter.inputImage = boxed(checkered(w, h));
    filter.inputBackgroundImage = boxed(solid(backgroundColor, QRectF(0, 0, W, H)));
    filter.motionBlur = GetParam();
    const CIImage result = filter.outputImage();
    ASSERT_FALSE(result.isNull());
    EXPECT_EQ(result.extent(), QRectF(0, 0, W, H));

    const Rendered out(result, QRect(0, 0, W, H));
    const Rendered photo(checkered(w, h), QRect(0, 0, w, h));
    const Rendered plain(solid(backgroundColor, QRectF(0, 0, 1, 1)), QRect(0, 0, 1, 1));
    ASSERT_TRUE(out.ok() && photo.ok());

    // The centre is the photo itself, unblurred (dx = 100, dy = 100).
    for (auto [x, y] : {std::pair{0, 0}, {15, 5}, {199, 99}, {100, 50}, {9, 9}, {10, 10}})
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(out.at(100 + x, 100 + y)[c], photo.at(x, y)[c], 1e-3) << x << "," << y;

    // The border (m = 2 wide) is the blurred background: a plain colour stays plain.
    for (auto [x, y] : {std::pair{98, 150}, {99, 120}, {200, 98}, {301, 199}})
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(out.at(x, y)[c], plain.at(0, 0)[c], 2e-3) << x << "," << y;

    // The shadow is darkest at the frame and lightens outwards.
    float previous = luma(out.at(200, 97));
    for (int y = 96; y > 84; --y) {
        const float now = luma(out.at(200, y));
        EXPECT_GE(now, previous - 1e-4) << y;
        previous = now;
    }
    EXPECT_LT(luma(out.at(200, 97)), luma(out.at(200, 40)) * 0.8f);

    // Everything is opaque up to the canvas's edges.
    for (auto [x, y] : {std::pair{0, 0}, {W - 1, H - 1}, {0, H - 1}, {W - 1, 0}, {200, 0}})
        EXPECT_NEAR(out.at(x, y)[3], 1.0f, 1e-3) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutMotionBlur, ArtisticExtendPixels, ::testing::Bool());

TEST(ArtisticExtend, TransparentPixelsOfThePhotoLeaveNoColourFringe)
{
    // A grey photo whose transparent edge hides a loud magenta in its colour bytes.
    QImage image(60, 40, QImage::Format_ARGB32); // unpremultiplied: the colour survives alpha 0
    image.fill(QColor(255, 0, 255, 0));
    for (int y = 10; y < 30; ++y)
        for (int x = 10; x < 50; ++x)
            image.setPixelColor(x, y, QColor(128, 128, 128));
    LXArtisticExtend filter;
    filter.inputImage = boxed(CIImage::imageWithQImage(image));
    filter.inputBackgroundImage = boxed(solid(CIColor(0.5, 0.5, 0.5), QRectF(0, 0, 200, 150)));
    const Rendered out(filter.outputImage(), QRect(0, 0, 200, 150));
    ASSERT_TRUE(out.ok());
    float worst = 0;
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x) {
            const Pixel p = out.at(x, y);
            worst = std::max({worst, std::abs(p[0] - p[1]), std::abs(p[2] - p[1])});
        }
    EXPECT_LT(worst, 0.01f);
}

namespace {

// The wallpaper's extension as the application builds it: the photo
// stretched over the canvas, shrunk to fit in the middle, motion blurred.
CIImage extension(int W, int H, const CIImage& photo)
{
    const double w = photo.extent().width(), h = photo.extent().height();
    LXArtisticExtend filter;
    filter.motionBlur = true;
    const CIImage stretched = photo.imageByClampingToExtent().imageByApplyingTransform(QTransform::fromScale(W / w, H / h));
    filter.inputBackgroundImage = boxed(stretched.imageByCroppingToRect(QRectF(0, 0, W, H)));
    const double s = std::min(W / w, H / h) * 0.8;
    filter.inputImage = boxed(photo.imageByApplyingTransform(QTransform::fromScale(s, s)));
    return filter.outputImage();
}

} // namespace

TEST(ArtisticExtend, WideAndFourKWallpapersHaveNoLightLineAlongTheBottom)
{
    // A long motion blur works on a grid coarser than the blur it reads;
    // the grid's first row read past what was drawn.
    for (const QSize size : {QSize(3840, 2160), QSize(5120, 1440)}) {
        const QImage out = CIContext().createCGImage(extension(size.width(), size.height(), checkered(300, 200)),
                                                     QRectF(QPointF(), size));
        ASSERT_FALSE(out.isNull());
        int seeThrough = 0;
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x)
                seeThrough += qAlpha(out.pixel(x, y)) < 255;
        EXPECT_EQ(seeThrough, 0) << size.width() << " x " << size.height();
    }
}

TEST(ArtisticExtend, TilesGetTheWholeRendersPixels)
{
    // The blurred, stretched, half-turned photo was laid on a grid that
    // depended on the tile's size.
    const QRect canvas(0, 0, 640, 400);
    const CIImage wallpaper = extension(canvas.width(), canvas.height(), checkered(320, 200));
    for (const QSize tile : {QSize(97, 61), QSize(256, 128)})
        EXPECT_LE(tiledDifference(wallpaper, canvas, tile.width(), tile.height()), 2e-3) << tile.width();
}

TEST(ArtisticExtend, ACoarseExtensionStaysWithinALevelOfEveryPixelComputed)
{
    // White sky over dark ground: the burn is steepest there. The grid's
    // edges lie on the canvas's, so nothing outside fades into them.
    QImage photo(300, 200, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, y < 70 ? qRgb(255, 255, 255) : (x / 15 + y / 15) % 2 ? qRgb(20, 30, 15) : qRgb(90, 60, 30));
    for (const QSize size : {QSize(1366, 768), QSize(900, 1440)}) {
        const CIImage wallpaper = extension(size.width(), size.height(), CIImage::imageWithQImage(photo));
        const QImage coarse = CIContext().createCGImage(wallpaper, QRectF(QPointF(), size));
        Engine::setCoarseGridsEnabled(false);
        const QImage full = CIContext().createCGImage(wallpaper, QRectF(QPointF(), size));
        Engine::setCoarseGridsEnabled(true);
        ASSERT_FALSE(coarse.isNull() || full.isNull());
        double sum = 0, worst = 0;
        for (qsizetype i = 0; i < coarse.sizeInBytes(); ++i) {
            const double d = std::abs(coarse.constBits()[i] - full.constBits()[i]);
            sum += d;
            worst = std::max(worst, d);
        }
        // Where sky meets ground the burn is steep: a few levels there.
        EXPECT_LT(sum / double(coarse.sizeInBytes()), 0.1) << size.width();
        EXPECT_LE(worst, 24) << size.width();
    }
}
