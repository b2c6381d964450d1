// Images as recipes: bitmaps, colours, transforms, crops, clamps, tiles and
// compositing, checked pixel by pixel in the working space (linear light,
// premultiplied).

#include "tests/support/Pixels.h"

#include "platform/image/CIBuiltinFilters.h"
#include "platform/image/CIImageAccumulator.h"
#include "platform/image/CIGeometry.h"
#include "platform/image/CIKernel.h"
#include "tests/support/LogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <functional>
#include <QRegularExpression>

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

TEST(ImageRecipes, ExtentsAndPixelsWhereTheyBelong)
{
    const QTransform halfTurn = QTransform().translate(2, 2).rotate(180); // within the same rectangle
    const auto moved = [](const CIImage& i, const QTransform& t) { return i.imageByApplyingTransform(t); };
    const CIImage pair = CIImage::imageWithQImage(bitmap(2, 1, {{0, 0, 0, 255}, {255, 255, 255, 255}}));
    const CIImage redGreen = CIImage::imageWithQImage(bitmap(2, 1, {{255, 0, 0, 255}, {0, 255, 0, 255}}));
    CIAffineTile tile;
    tile.inputImage = boxed(redGreen);
    const CIImage tiled = tile.outputImage();
    tile.inputTransform = boxed(QTransform::fromScale(2, 2));
    const CIImage tiledTwice = tile.outputImage();
    const CIImage cropped = quad().imageByCroppingToRect(QRectF(1, 0, 5, 1));
    const float g = float(std::pow((0.5 + 0.055) / 1.055, 2.4));
    const QRectF inf = CIGeometry::infiniteRect();
    // extent: when infinite, any infinite extent.
    struct Row { const char* name; CIImage image; QRectF extent; std::vector<std::pair<QPoint, Pixel>> pixels; float tolerance = kExact; };
    const Row rows[] = {
        {"bitmap rows run top down", quad(), QRectF(0, 0, 2, 2),
         {{{0, 1}, kRed}, {{1, 1}, kGreen}, {{0, 0}, kBlue}, {{1, 0}, kHalfWhite}, {{-1, -1}, kClear}, {{2, 1}, kClear}}},
        // Decoded by the texture unit, whose curve may differ by a tenth of a percent.
        {"mid codes become linear light", CIImage::imageWithQImage(bitmap(1, 1, {{128, 64, 0, 255}})), QRectF(0, 0, 1, 1),
         {{{0, 0}, {linear(128), linear(64), 0, 1}}}, 1e-3f},
        {"colours are infinite, linear and premultiplied (half floats)", CIImage::imageWithColor(CIColor(1, 0.5, 0.5, 0.5)),
         inf, {{{-999, 500}, {0.5f, g * 0.5f, g * 0.5f, 0.5f}}}, 1e-3f},
        {"a whole pixel move", moved(quad(), QTransform::fromTranslate(3, -2)), QRectF(3, -2, 2, 2),
         {{{3, -1}, kRed}, {{4, -2}, kHalfWhite}}},
        {"a quarter turn: (x, y) to (-y, x)", moved(quad(), QTransform().rotate(90)), QRectF(-2, 0, 2, 2),
         {{{-2, 0}, kRed}, {{-2, 1}, kGreen}, {{-1, 0}, kBlue}, {{-1, 1}, kHalfWhite}}},
        {"a half turn", moved(quad(), halfTurn), QRectF(0, 0, 2, 2), {{{1, 0}, kRed}, {{0, 1}, kHalfWhite}}},
        {"half a pixel: blended with the transparent outside", moved(pair, QTransform::fromTranslate(0.5, 0)),
         QRectF(0.5, 0, 2, 1),
         {{{0, 0}, {0, 0, 0, 0.5f}}, {{1, 0}, {0.5f, 0.5f, 0.5f, 1}}, {{2, 0}, {0.5f, 0.5f, 0.5f, 0.5f}}}},
        {"twice as large: centres a quarter between texels", moved(pair, QTransform::fromScale(2, 1)), QRectF(0, 0, 4, 1),
         {{{1, 0}, {0.25f, 0.25f, 0.25f, 1}}, {{2, 0}, {0.75f, 0.75f, 0.75f, 1}}}},
        {"chained transforms are one resampling",
         moved(moved(quad(), QTransform::fromScale(3, 3)), QTransform::fromScale(1.0 / 3, 1.0 / 3)), QRectF(0, 0, 2, 2),
         {{{0, 1}, kRed}, {{1, 0}, kHalfWhite}}, 1e-4f},
        {"a crop keeps only its rectangle", cropped, QRectF(1, 0, 1, 1),
         {{{1, 0}, kHalfWhite}, {{0, 0}, kClear}, {{0, 1}, kClear}}},
        {"crops of crops intersect", cropped.imageByCroppingToRect(QRectF(0, 0, 1.5, 5)), QRectF(1, 0, 1, 1), {}},
        {"a clamp repeats the edges without end", quad().imageByClampingToExtent(), inf,
         {{{-3, 4}, kRed}, {{4, 4}, kGreen}, {{-3, -3}, kBlue}, {{4, -1}, kHalfWhite}, {{0, 1}, kRed}}},
        {"a crop of a clamp far away", quad().imageByClampingToExtent().imageByCroppingToRect(QRectF(100000, 50, 3, 2)),
         QRectF(100000, 50, 3, 2), {{{100002, 51}, kGreen}}},
        {"a tile repeats the extent", tiled, inf, {{{2, 0}, kRed}, {{3, 2}, kGreen}, {{-1, -3}, kGreen}}},
        {"a tile, then scaled by two", tiledTwice, inf, {{{0, 0}, kRed}, {{3, 0}, kGreen}, {{4, 0}, kRed}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (CIGeometry::isInfinite(row.extent))
            EXPECT_TRUE(CIGeometry::isInfinite(row.image.extent()));
        else
            for (auto side : {&QRectF::x, &QRectF::y, &QRectF::width, &QRectF::height})
                EXPECT_NEAR((row.image.extent().*side)(), (row.extent.*side)(), 1e-9);
        for (const auto& [at, want] : row.pixels)
            EXPECT_THAT(Rendered(row.image, QRect(at, QSize(1, 1))).at(at.x(), at.y()), PixelNear(want, row.tolerance))
                << at.x() << ", " << at.y();
    }
}

TEST(ImageCompositing, SourceOverIsPremultipliedAndCoversTheUnion)
{
    const CIImage fg = CIImage::imageWithQImage(bitmap(1, 1, {{255, 0, 0, 128}}));
    const CIImage bg = CIImage::imageWithQImage(bitmap(2, 1, {{0, 0, 255, 255}, {0, 0, 255, 255}}));
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
    invert.inputImage = boxed(CIImage::imageWithQImage(bitmap(3, 1, {{0, 0, 0, 255}, {0, 0, 0, 255}, {0, 0, 0, 255}})));
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
    const CIImage results[] = {nil, nil.imageByApplyingTransform(QTransform::fromScale(2, 2)),
                               nil.imageByCroppingToRect(QRectF(0, 0, 1, 1)), nil.imageByClampingToExtent(),
                               CIImage::imageWithQImage(QImage()), CIImage::imageWithColor(CIColor())};
    for (const CIImage& result : results)
        EXPECT_TRUE(result.isNull() && result.extent().isEmpty() && result.definition().isNull()) << &result - results;
    EXPECT_TRUE(CIContext().createCGImage(nil, QRectF(0, 0, 2, 2)).isNull());
    EXPECT_TRUE(log.lines().isEmpty());
    // An empty image is not null, and renders transparent.
    const CIImage empty = CIImage::emptyImage();
    EXPECT_FALSE(empty.isNull());
    EXPECT_TRUE(CIGeometry::isEmpty(empty.extent()));
    EXPECT_THAT(Rendered(empty, QRect(0, 0, 1, 1)).at(0, 0), PixelNear(kClear, 0));
}

// Clamps and axis-aligned transforms are read through by the passes above
// them instead of being drawn; the results must equal drawing them first.
TEST(ImageFolding, ReadingThroughClampsAndTransformsEqualsDrawingThemFirst)
{
    const CIImage source = patternImage(9, 7);
    const QTransform halfTurn = QTransform().translate(9, 7).rotate(180);
    const QTransform stretch = QTransform::fromScale(1.5, 2.0);
    const QRect area(-6, -5, 26, 24);
    struct Case { const char* name; CIImage intermediate; } cases[] = {
        {"half turn", source.imageByApplyingTransform(halfTurn)},
        {"clamped half turn", source.imageByApplyingTransform(halfTurn).imageByClampingToExtent()},
        {"clamped stretch", source.imageByApplyingTransform(stretch).imageByClampingToExtent()},
        {"stretched clamp", source.imageByClampingToExtent().imageByApplyingTransform(stretch)},
        {"clamped whole stretch", source.imageByApplyingTransform(QTransform::fromScale(2, 3)).imageByClampingToExtent()},
    };
    for (const Case& c : cases) {
        // A materialized copy of the intermediate image (nothing to read through).
        CIImageAccumulator drawn(area.adjusted(-40, -40, 40, 40), kCIFormatRGBAf);
        drawn.setImage(c.intermediate);
        const CIImage flat = drawn.image();
        // (A move of a stretch is one resampling, not two: not comparable.)
        const int operations = QByteArray(c.name) == "stretched clamp" ? 2 : 3;
        for (int which = 0; which < operations; ++which) {
            auto build = [&](const CIImage& in) -> CIImage {
                if (which == 0)
                    return in.imageByCompositingOverImage(CIImage::imageWithColor(CIColor(0, 0, 1)));
                if (which == 1) {
                    CIGaussianBlur blur;
                    blur.inputImage = boxed(in);
                    blur.inputRadius = 2.0;
                    return blur.outputImage();
                }
                return in.imageByApplyingTransform(QTransform::fromTranslate(0.25, 0.5));
            };
            const Rendered a(build(c.intermediate), area), b(build(flat), area);
            for (int y = area.y(); y < area.y() + area.height(); ++y)
                for (int x = area.x(); x < area.x() + area.width(); ++x)
                    ASSERT_THAT(a.at(x, y), PixelNear(b.at(x, y), 1e-3f)) // half floats
                        << c.name << " op " << which << " at " << x << "," << y;
        }
    }
}

TEST(ImageAccumulator, AnInfiniteExtentIsCroppedToTheInputNotRenderedAsAHugeTransparentSquare)
{
    const QRectF endless = CIGeometry::infiniteRect();
    const CIImage red = CIImage::imageWithColor(CIColor(1, 0, 0));
    const auto kept = [&](const CIImage& image) {
        CIImageAccumulator accumulator(endless, kCIFormatRGBAf);
        accumulator.setImage(image);
        return accumulator.image();
    };
    struct Row { const char* name; std::function<CIImage()> make; QRectF extent; Pixel atOrigin; int warnings; } rows[] = {
        {"endless accumulator keeps a photo's pixels", [&] { return kept(quad()); }, QRectF(0, 0, 2, 2), kBlue, 0},
        {"endless accumulator passes an endless colour on", [&] { return kept(red); }, endless, kRed, 1},
        {"flattened colour cropped to its input", [&] { return CIImageAccumulator::flatten(red, QRectF(0, 0, 3, 2)); },
         QRectF(0, 0, 3, 2), kRed, 0},
        {"flattened picture outlives the renders after it", [&] {
             const auto flat = [&](const CIImage& top) { return CIImageAccumulator::flatten(top.imageByCompositingOverImage(red), QRectF(0, 0, 2, 2)); };
             const CIImage first = flat(quad());
             for (int i = 0; i < 3; ++i)
                 Rendered(flat(CIImage::imageWithColor(CIColor(0, 1, 0))), QRect(0, 0, 2, 2));
             return first; }, QRectF(0, 0, 2, 2), kBlue, 0},
        {"kept photo in Qt's byte order keeps its colours", [&] {
             const CIImage photo = CIImage::imageWithQImage(
                 bitmap(2, 2, {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {9, 9, 9, 255}}).convertToFormat(QImage::Format_RGB32));
             return CIImageAccumulator::flatten(photo.imageByCompositingOverImage(red.imageByCroppingToRect(QRectF(0, 0, 2, 2))), {}); },
         QRectF(0, 0, 2, 2), kBlue, 0},
    };
    for (const Row& row : rows) {
        LogCapture log;
        const CIImage image = row.make();
        EXPECT_EQ(image.extent(), row.extent) << row.name;
        EXPECT_THAT(Rendered(image, QRect(0, 0, 1, 1)).at(0, 0), PixelNear(row.atOrigin, kExact)) << row.name;
        EXPECT_EQ(log.lines().filter(QRegularExpression("^Warning: ")).size(), log.lines().size()) << row.name;
        EXPECT_EQ(log.lines().size(), row.warnings) << row.name << ": " << log.lines().join('|').toStdString();
    }
}

// A copy kept at half detail (a screen's backdrop) reads as the whole
// picture does wherever it is read at that detail or less.
TEST(ImageAccumulator, AReducedCopyReadsAsTheWholePictureAtItsDetailOrLess)
{
    // Waves under a veil whose alpha changes slowly, moved by a fraction.
    QImage waves(400, 300, QImage::Format_RGB32), veil(400, 300, QImage::Format_ARGB32);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) {
            waves.setPixel(x, y, qRgb(128 + 120 * std::sin(x * 0.15), 128 + 120 * std::sin(y * 0.11), 100 + 50 * std::sin((x + y) * 0.05)));
            veil.setPixel(x, y, qRgba(200, 60, 20, 60 + y / 3));
        }
    const CIImage recipe = CIImage::imageWithQImage(veil).imageByCompositingOverImage(
        CIImage::imageWithQImage(waves).imageByApplyingTransform(QTransform::fromTranslate(-0.5, -0.25)));
    const CIImage kept = CIImageAccumulator::flattenReduced(recipe, 0.5), whole = CIImageAccumulator::flatten(recipe, {});
    ASSERT_EQ(kept.extent(), recipe.extent());
    for (const double scale : {0.5, 0.25}) {
        const auto read = [scale](const CIImage& image) { return image.imageByApplyingTransform(QTransform::fromScale(scale, scale)); };
        EXPECT_LE(renderDifference(read(kept), read(whole), QRect(0, 0, int(400 * scale), int(300 * scale))), 1e-2) << scale;
    }
}

// What is known opaque hides what lies under it (a framed photo's backdrop,
// the extension under a last pass's photo); known wrongly, a picture would
// lose what shows through it.
TEST(ImageOpacity, KnownOnlyWhereTheLayersTogetherAreOpaque)
{
    const auto over = [](const QList<CIImage>& layers) {
        CIImage out;
        for (const CIImage& layer : layers)
            out = out.isNull() ? layer : layer.imageByCompositingOverImage(out);
        return out;
    };
    const CIColor wood(0.5, 0.3, 0.1), glass(0.2, 0.4, 0.9, 0.5);
    // Four strips round (2, 2, 6, 4) in (0, 0, 10, 8).
    const auto ring = [&](const CIColor& c, double gap) {
        return QList<CIImage>{solid(c, QRectF(0, 0, 10, 2)), solid(c, QRectF(0, 6 + gap, 10, 2 - gap)),
                              solid(c, QRectF(0, 2, 2, 4)), solid(c, QRectF(8, 2, 2, 4))};
    };
    const auto keepsAlpha = CIKernel::kernelWithString(QStringLiteral(
        "kernel vec4 darker(sampler image) { vec4 c = sample(image, samplerCoord(image)); return vec4(c.rgb * 0.5, c.a); }"));
    ASSERT_TRUE(keepsAlpha);
    const CIImage photo = solid(wood, QRectF(1, 1, 8, 6));
    const auto darker = [&](const QVariantMap& options) { return keepsAlpha->apply({QVariant::fromValue(photo)}, options); };
    const struct { const char* name; CIImage image; bool opaque; } rows[] = {
        {"a ring round an opaque photo", over(QList<CIImage>{photo} + ring(wood, 0)), true},
        {"a ring round a translucent photo", over(QList<CIImage>{solid(glass, QRectF(1, 1, 8, 6))} + ring(wood, 0)), false},
        {"a ring a pixel short", over(QList<CIImage>{photo} + ring(wood, 1)), false},
        {"a translucent ring", over(QList<CIImage>{photo} + ring(glass, 0)), false},
        {"a kernel keeping its input's alpha", darker({{kCIApplyOptionAlphaOf, 0}}), true},
        {"a kernel not said to", darker({}), false},
        {"a kernel said to keep a sampler it lacks", darker({{kCIApplyOptionAlphaOf, 1}}), false},
        {"kept in floats between pixels",
         CIImageAccumulator::flatten(over(QList<CIImage>{photo} + ring(wood, 0)).imageByCroppingToRect(QRectF(0, 0, 9, 7)), {}), true},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.image.isOpaque(), row.opaque) << row.name;
}
