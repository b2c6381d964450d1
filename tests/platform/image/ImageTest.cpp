// Images as recipes: bitmaps, colours, transforms, crops, clamps, tiles and
// compositing, checked pixel by pixel in the working space (linear light,
// premultiplied).

#include "Pixels.h"

#include "platform/image/CIBuiltinFilters.h"
#include "platform/image/CIImageAccumulator.h"
#include "platform/image/CIGeometry.h"
#include "tests/support/LogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

constexpr float kExact = 1e-5f;
const float kHalf = 128 / 255.0f;

// Top row red and green, bottom row blue and half-transparent white.
CIImage quad()
{
    return CIImage::imageWithQImage(
        bitmap(2, 2, {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 128}}));
}

const Pixel kRed{1, 0, 0, 1}, kGreen{0, 1, 0, 1}, kBlue{0, 0, 1, 1}, kClear{0, 0, 0, 0};
const Pixel kHalfWhite{kHalf, kHalf, kHalf, kHalf};

} // namespace

TEST(ImagePixels, BitmapRowsRunTopDownAndBecomeLinearPremultiplied)
{
    const CIImage image = quad();
    EXPECT_EQ(image.extent(), QRectF(0, 0, 2, 2));
    const Rendered r(image, QRect(0, 0, 2, 2));
    ASSERT_TRUE(r.ok());
    EXPECT_THAT(r.at(0, 1), PixelNear(kRed, kExact));
    EXPECT_THAT(r.at(1, 1), PixelNear(kGreen, kExact));
    EXPECT_THAT(r.at(0, 0), PixelNear(kBlue, kExact));
    EXPECT_THAT(r.at(1, 0), PixelNear(kHalfWhite, kExact));
    // Mid codes are decoded from sRGB to linear light (by the texture unit,
    // whose decode may differ from the exact curve by a tenth of a percent).
    const Rendered grey(CIImage::imageWithQImage(bitmap(1, 1, {{128, 64, 0, 255}})), QRect(0, 0, 1, 1));
    EXPECT_THAT(grey.at(0, 0), PixelNear((Pixel{linear(128), linear(64), 0, 1}), 1e-3f));
}

TEST(ImagePixels, OutsideTheExtentIsTransparent)
{
    const Rendered r(quad(), QRect(-1, -1, 4, 4));
    EXPECT_THAT(r.at(-1, -1), PixelNear(kClear, 0));
    EXPECT_THAT(r.at(2, 1), PixelNear(kClear, 0));
    EXPECT_THAT(r.at(0, 1), PixelNear(kRed, kExact));
}

TEST(ImagePixels, ColourImagesAreInfiniteAndLinear)
{
    const CIImage c = CIImage::imageWithColor(CIColor(1, 0.5, 0, 0.5));
    EXPECT_TRUE(CIGeometry::isInfinite(c.extent()));
    const Rendered r(c, QRect(-1000, 500, 2, 1));
    const float g = float(std::pow((0.5 + 0.055) / 1.055, 2.4));
    EXPECT_THAT(r.at(-999, 500), PixelNear((Pixel{0.5f, g * 0.5f, 0, 0.5f}), 1e-3f)); // half floats
}

TEST(ImageTransforms, WholePixelMovesKeepPixelsExact)
{
    const CIImage moved = quad().imageByApplyingTransform(QTransform::fromTranslate(3, -2));
    EXPECT_EQ(moved.extent(), QRectF(3, -2, 2, 2));
    const Rendered r(moved, QRect(3, -2, 2, 2));
    EXPECT_THAT(r.at(3, -1), PixelNear(kRed, kExact));
    EXPECT_THAT(r.at(4, -2), PixelNear(kHalfWhite, kExact));

    // A quarter turn about the origin: (x, y) -> (-y, x).
    const CIImage turned = quad().imageByApplyingTransform(QTransform().rotate(90));
    EXPECT_EQ(CIGeometry::integral(turned.extent()), QRect(-2, 0, 2, 2));
    const Rendered t(turned, QRect(-2, 0, 2, 2));
    EXPECT_THAT(t.at(-2, 0), PixelNear(kRed, kExact));
    EXPECT_THAT(t.at(-2, 1), PixelNear(kGreen, kExact));
    EXPECT_THAT(t.at(-1, 0), PixelNear(kBlue, kExact));
    EXPECT_THAT(t.at(-1, 1), PixelNear(kHalfWhite, kExact));

    // A half turn within the same rectangle, as the artistic extension uses.
    QTransform half;
    half.translate(2, 2);
    half.rotate(180);
    const Rendered h(quad().imageByApplyingTransform(half), QRect(0, 0, 2, 2));
    EXPECT_THAT(h.at(1, 0), PixelNear(kRed, kExact));
    EXPECT_THAT(h.at(0, 1), PixelNear(kHalfWhite, kExact));
}

TEST(ImageTransforms, FractionalMovesBlendBilinearlyWithTheTransparentOutside)
{
    const CIImage pair = CIImage::imageWithQImage(bitmap(2, 1, {{0, 0, 0, 255}, {255, 255, 255, 255}}));
    const CIImage moved = pair.imageByApplyingTransform(QTransform::fromTranslate(0.5, 0));
    EXPECT_EQ(moved.extent(), QRectF(0.5, 0, 2, 1));
    const Rendered r(moved, QRect(0, 0, 3, 1));
    EXPECT_THAT(r.at(0, 0), PixelNear((Pixel{0, 0, 0, 0.5f}), kExact)); // half black, half outside
    EXPECT_THAT(r.at(1, 0), PixelNear((Pixel{0.5f, 0.5f, 0.5f, 1}), kExact));
    EXPECT_THAT(r.at(2, 0), PixelNear((Pixel{0.5f, 0.5f, 0.5f, 0.5f}), kExact));

    // Twice as large: centres fall at a quarter between texels.
    const Rendered big(pair.imageByApplyingTransform(QTransform::fromScale(2, 1)), QRect(0, 0, 4, 1));
    EXPECT_THAT(big.at(1, 0), PixelNear((Pixel{0.25f, 0.25f, 0.25f, 1}), kExact));
    EXPECT_THAT(big.at(2, 0), PixelNear((Pixel{0.75f, 0.75f, 0.75f, 1}), kExact));
}

TEST(ImageTransforms, ChainedTransformsAreOneResampling)
{
    const CIImage image = quad().imageByApplyingTransform(QTransform::fromScale(3, 3)).imageByApplyingTransform(
        QTransform::fromScale(1.0 / 3, 1.0 / 3));
    const Rendered r(image, QRect(0, 0, 2, 2));
    EXPECT_THAT(r.at(0, 1), PixelNear(kRed, 1e-4f));
    EXPECT_THAT(r.at(1, 0), PixelNear(kHalfWhite, 1e-4f));
}

TEST(ImageTransforms, StrongReductionAveragesInsteadOfSkipping)
{
    // Alternating black and white columns shrunk eight times give mid grey.
    QImage stripes(64, 8, QImage::Format_RGBA8888);
    for (int x = 0; x < 64; ++x)
        for (int y = 0; y < 8; ++y)
            stripes.setPixelColor(x, y, x % 2 ? Qt::white : Qt::black);
    const CIImage small = CIImage::imageWithQImage(stripes).imageByApplyingTransform(QTransform::fromScale(0.125, 0.125));
    const Rendered r(small, QRect(0, 0, 8, 1));
    for (int x = 1; x < 7; ++x)
        EXPECT_NEAR(r.at(x, 0)[0], 0.5f, 0.02f) << x;
}

TEST(ImageCrops, KeepOnlyTheRectangle)
{
    const CIImage cropped = quad().imageByCroppingToRect(QRectF(1, 0, 5, 1));
    EXPECT_EQ(cropped.extent(), QRectF(1, 0, 1, 1));
    const Rendered r(cropped, QRect(0, 0, 2, 2));
    EXPECT_THAT(r.at(1, 0), PixelNear(kHalfWhite, kExact));
    EXPECT_THAT(r.at(0, 0), PixelNear(kClear, 0));
    EXPECT_THAT(r.at(0, 1), PixelNear(kClear, 0));
    // Crops of crops intersect; a crop of a colour is finite.
    EXPECT_EQ(cropped.imageByCroppingToRect(QRectF(0, 0, 1.5, 5)).extent(), QRectF(1, 0, 1, 1));
    EXPECT_EQ(CIImage::imageWithColor(CIColor(1, 1, 1)).imageByCroppingToRect(QRectF(2, 3, 4, 5)).extent(),
              QRectF(2, 3, 4, 5));
    // A crop that holds the whole image is the image itself.
    EXPECT_EQ(quad().imageByCroppingToRect(QRectF(-5, -5, 20, 20)).extent(), QRectF(0, 0, 2, 2));
}

TEST(ImageClamps, RepeatEdgePixelsWithoutEnd)
{
    const CIImage clamped = quad().imageByClampingToExtent();
    EXPECT_TRUE(CIGeometry::isInfinite(clamped.extent()));
    const Rendered r(clamped, QRect(-3, -3, 8, 8));
    EXPECT_THAT(r.at(-3, 4), PixelNear(kRed, kExact));       // beyond the top left
    EXPECT_THAT(r.at(4, 4), PixelNear(kGreen, kExact));      // beyond the top right
    EXPECT_THAT(r.at(-3, -3), PixelNear(kBlue, kExact));     // beyond the bottom left
    EXPECT_THAT(r.at(4, -1), PixelNear(kHalfWhite, kExact)); // beyond the bottom right
    EXPECT_THAT(r.at(0, 1), PixelNear(kRed, kExact));        // inside unchanged

    // The filter form: clamp, then transform.
    CIAffineClamp filter;
    filter.inputImage = QVariant::fromValue(quad());
    filter.inputTransform = QVariant::fromValue(QTransform::fromTranslate(10, 0));
    const Rendered f(filter.outputImage(), QRect(0, 0, 1, 1));
    EXPECT_THAT(f.at(0, 0), PixelNear(kBlue, kExact));
}

TEST(ImageClamps, ACropOfAClampRendersOnlyTheCrop)
{
    // Far away from the source the crop still renders (and only its size).
    const CIImage image = quad().imageByClampingToExtent().imageByCroppingToRect(QRectF(100000, 50, 3, 2));
    EXPECT_EQ(image.extent(), QRectF(100000, 50, 3, 2));
    const Rendered r(image, QRect(100000, 50, 3, 2));
    EXPECT_THAT(r.at(100002, 51), PixelNear(kGreen, kExact));
}

TEST(ImageTiles, RepeatTheExtentThenTransform)
{
    CIAffineTile tile;
    const CIImage pair = CIImage::imageWithQImage(bitmap(2, 1, {{255, 0, 0, 255}, {0, 255, 0, 255}}));
    tile.inputImage = QVariant::fromValue(pair);
    EXPECT_TRUE(CIGeometry::isInfinite(tile.outputImage().extent()));
    const Rendered r(tile.outputImage(), QRect(-2, -3, 6, 6));
    EXPECT_THAT(r.at(2, 0), PixelNear(kRed, kExact));
    EXPECT_THAT(r.at(3, 2), PixelNear(kGreen, kExact));
    EXPECT_THAT(r.at(-1, -3), PixelNear(kGreen, kExact));
    // Scaled by two, each colour covers two columns.
    tile.inputTransform = QVariant::fromValue(QTransform::fromScale(2, 2));
    const Rendered s(tile.outputImage(), QRect(0, 0, 8, 1));
    EXPECT_THAT(s.at(0, 0)[0], 1.0f);
    EXPECT_THAT(s.at(3, 0)[1], 1.0f);
    EXPECT_THAT(s.at(4, 0)[0], 1.0f);
}

TEST(ImageCompositing, SourceOverIsPremultipliedAndCoversTheUnion)
{
    const CIImage fg = CIImage::imageWithQImage(bitmap(1, 1, {{255, 0, 0, 128}}));
    const CIImage bg = CIImage::imageWithQImage(bitmap(2, 1, {{0, 0, 255, 255}, {0, 0, 255, 255}}))
                           .imageByApplyingTransform(QTransform::fromTranslate(0, 0));
    const CIImage out = fg.imageByApplyingTransform(QTransform::fromTranslate(-1, 0)).imageByCompositingOverImage(bg);
    EXPECT_EQ(out.extent(), QRectF(-1, 0, 3, 1));
    const CIImage over = fg.imageByCompositingOverImage(bg);
    const Rendered r(over, QRect(0, 0, 2, 1));
    EXPECT_THAT(r.at(0, 0), PixelNear((Pixel{kHalf, 0, 1 - kHalf, 1}), kExact));
    EXPECT_THAT(r.at(1, 0), PixelNear(kBlue, kExact));
    // With nothing under it, the foreground alone.
    EXPECT_EQ(fg.imageByCompositingOverImage(CIImage()), fg);

    // Over a computed background (blended in place) and beyond its extent.
    CIColorInvert invert;
    invert.inputImage = QVariant::fromValue(CIImage::imageWithQImage(bitmap(3, 1, {{0, 0, 0, 255}, {0, 0, 0, 255}, {0, 0, 0, 255}})));
    const CIImage white = invert.outputImage();
    const CIImage two = CIImage::imageWithQImage(bitmap(2, 1, {{255, 0, 0, 128}, {255, 0, 0, 128}}))
                            .imageByApplyingTransform(QTransform::fromTranslate(2, 0));
    const CIImage mixed = two.imageByCompositingOverImage(white);
    EXPECT_EQ(mixed.extent(), QRectF(0, 0, 4, 1));
    for (int pass = 0; pass < 2; ++pass) { // the second render must not see the first's blending
        const Rendered m(mixed, QRect(-1, 0, 6, 1));
        EXPECT_THAT(m.at(-1, 0), PixelNear(kClear, 0));
        EXPECT_THAT(m.at(1, 0), PixelNear((Pixel{1, 1, 1, 1}), kExact));
        EXPECT_THAT(m.at(2, 0), PixelNear((Pixel{1, 1 - kHalf, 1 - kHalf, 1}), kExact));
        EXPECT_THAT(m.at(3, 0), PixelNear((Pixel{kHalf, 0, 0, kHalf}), kExact));
        EXPECT_THAT(m.at(4, 0), PixelNear(kClear, 0));
    }
    // The background itself is unchanged by being drawn on.
    EXPECT_THAT(Rendered(white, QRect(2, 0, 1, 1)).at(2, 0), PixelNear((Pixel{1, 1, 1, 1}), kExact));
}

TEST(ImageNil, NilInNilOutWithoutAMessage)
{
    LogCapture log;
    const CIImage nil;
    EXPECT_TRUE(nil.isNull());
    EXPECT_TRUE(nil.imageByApplyingTransform(QTransform::fromScale(2, 2)).isNull());
    EXPECT_TRUE(nil.imageByCroppingToRect(QRectF(0, 0, 1, 1)).isNull());
    EXPECT_TRUE(nil.imageByClampingToExtent().isNull());
    EXPECT_TRUE(nil.extent().isEmpty());
    EXPECT_TRUE(nil.definition().isNull());
    EXPECT_TRUE(CIImage::imageWithQImage(QImage()).isNull());
    EXPECT_TRUE(CIImage::imageWithColor(CIColor()).isNull());
    EXPECT_TRUE(CIContext().createCGImage(nil, QRectF(0, 0, 2, 2)).isNull());
    EXPECT_TRUE(log.lines().isEmpty());
    // An empty image is not nil, and renders transparent.
    const CIImage empty = CIImage::emptyImage();
    EXPECT_FALSE(empty.isNull());
    EXPECT_TRUE(CIGeometry::isEmpty(empty.extent()));
    EXPECT_THAT(Rendered(empty, QRect(0, 0, 1, 1)).at(0, 0), PixelNear(kClear, 0));
}

// Clamps and axis-aligned transforms are read through by the passes above
// them instead of being drawn; the results must equal drawing them first.
TEST(ImageFolding, ReadingThroughClampsAndTransformsEqualsDrawingThemFirst)
{
    QImage picture(9, 7, QImage::Format_RGBA8888);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            picture.setPixelColor(x, y, QColor((x * 29) % 256, (y * 37) % 256, (x * y * 11) % 256, 255));
    const CIImage source = CIImage::imageWithQImage(picture);
    QTransform halfTurn;
    halfTurn.translate(9, 7);
    halfTurn.rotate(180);
    const QTransform stretch = QTransform::fromScale(1.5, 2.0);
    // A materialized copy of an intermediate image (nothing to read through).
    auto drawn = [](const CIImage& image, const QRect& rect) {
        CIImageAccumulator accumulator(rect, kCIFormatRGBAf);
        accumulator.setImage(image);
        return accumulator.image();
    };
    const QRect area(-6, -5, 26, 24);
    struct Case {
        const char* name;
        CIImage intermediate;
    } cases[] = {
        {"half turn", source.imageByApplyingTransform(halfTurn)},
        {"clamped half turn", source.imageByApplyingTransform(halfTurn).imageByClampingToExtent()},
        {"clamped stretch", source.imageByApplyingTransform(stretch).imageByClampingToExtent()},
        {"stretched clamp", source.imageByClampingToExtent().imageByApplyingTransform(stretch)},
        {"clamped whole stretch", source.imageByApplyingTransform(QTransform::fromScale(2, 3)).imageByClampingToExtent()},
    };
    for (const Case& c : cases) {
        const CIImage flat = drawn(c.intermediate, area.adjusted(-40, -40, 40, 40));
        // (A move of a stretch is one resampling, not two: not comparable.)
        const int operations = QByteArray(c.name) == "stretched clamp" ? 2 : 3;
        for (int which = 0; which < operations; ++which) {
            auto build = [&](const CIImage& in) -> CIImage {
                if (which == 0)
                    return in.imageByCompositingOverImage(CIImage::imageWithColor(CIColor(0, 0, 1)));
                if (which == 1) {
                    CIGaussianBlur blur;
                    blur.inputImage = QVariant::fromValue(in);
                    blur.inputRadius = 2.0;
                    return blur.outputImage();
                }
                return in.imageByApplyingTransform(QTransform::fromTranslate(0.25, 0.5));
            };
            const Rendered a(build(c.intermediate), area);
            const Rendered b(build(flat), area);
            const float tolerance = 1e-3f; // half floats
            for (int y = area.y(); y < area.y() + area.height(); ++y)
                for (int x = area.x(); x < area.x() + area.width(); ++x)
                    ASSERT_THAT(a.at(x, y), PixelNear(b.at(x, y), tolerance))
                        << c.name << " op " << which << " at " << x << "," << y;
        }
    }
}
