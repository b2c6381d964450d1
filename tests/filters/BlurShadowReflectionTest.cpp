#include "filters/LXBlurCompositionFilter.h"
#include "filters/LXGaussianBlurFilter.h"
#include "filters/LXReflectionFilter.h"
#include "filters/LXSimpleShadowFilter.h"
#include "tests/filters/Oracles.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

CIImage solid(const CIColor& color, const QRectF& rect)
{
    return CIImage::imageWithColor(color).imageByCroppingToRect(rect);
}

QVariant boxed(const CIImage& image)
{
    return QVariant::fromValue(image);
}

double worstOf(const Colour& a, const Colour& b)
{
    double worst = 0;
    for (size_t c = 0; c < 4; ++c)
        worst = std::max(worst, std::abs(a[c] - b[c]));
    return worst;
}

} // namespace

TEST(BlurShadowReflection, RectanglesOfTheDesignExamples)
{
    struct Row {
        const char* name;
        std::function<QRectF()> rect;
        QRectF expected;
    };
    const CIImage square = solid(CIColor(1, 1, 1), QRectF(0, 0, 100, 100));
    const CIImage wide = solid(CIColor(1, 1, 1), QRectF(0, 0, 200, 100));
    const std::vector<Row> rows = {
        {"shadowBeforeTheMove",
         [&] {
             LXSimpleShadowFilter f;
             f.inputImage = boxed(square);
             f.inputDistance = 0.0;
             return f.outputImage().extent();
         },
         QRectF(-15, -15, 130, 130)},
        {"shadowMovedDownRight",
         [&] {
             LXSimpleShadowFilter f;
             f.inputImage = boxed(square);
             return f.outputImage().extent();
         },
         QRectF(-15 + M_SQRT2, -15 - M_SQRT2, 130, 130)},
        {"blurSpreadsThreeRadii",
         [&] {
             LXGaussianBlurFilter f;
             f.inputImage = boxed(square);
             return f.outputImage().extent();
         },
         QRectF(-30, -30, 160, 160)},
        {"blurForcedInside",
         [&] {
             LXGaussianBlurFilter f;
             f.inputImage = boxed(square);
             f.forceInside = true;
             return f.outputImage().extent();
         },
         QRectF(0, 0, 100, 100)},
        {"reflectionDefaults",
         [&] {
             LXReflectionFilter f;
             f.inputImage = boxed(wide);
             return f.outputImage().extent();
         },
         QRectF(0, -50, 200, 150)},
        {"reflectionWithGap",
         [&] {
             LXReflectionFilter f;
             f.inputImage = boxed(wide);
             f.inputDistance = 0.5;
             f.inputProportion = 20.0;
             return f.outputImage().extent();
         },
         QRectF(0, -60, 200, 160)},
        {"windowInsetByMargin",
         [&] {
             LXBlurCompositionFilter f;
             f.inputImage = boxed(wide);
             f.inputMargin = QVariant::fromValue(CIVector(10, 20, 30, 40));
             return f.windowRect();
         },
         QRectF(10, 20, 160, 40)},
        {"windowOfTheLayerFrame",
         [&] {
             const auto layer = Layer::create();
             layer->bounds = QRectF(0, 0, 80, 60);
             layer->position = QPointF(100, 100);
             LXBlurCompositionFilter f;
             f.inputImage = boxed(wide);
             f.setInputLayer(QVariant::fromValue(layer));
             f.inputMargin = QVariant::fromValue(CIVector(1, 2, 3, 4));
             return f.windowRect();
         },
         QRectF(61, 72, 76, 54)},
        {"windowOfNothing",
         [&] {
             LXBlurCompositionFilter f;
             f.inputMargin = QVariant::fromValue(CIVector(1, 2, 3, 4));
             return f.windowRect();
         },
         QRectF(1, 2, -4, -6)},
        {"compositionTakesTheBackground",
         [&] {
             LXBlurCompositionFilter f;
             f.inputImage = boxed(wide);
             f.inputBackgroundImage = boxed(solid(CIColor(0, 0, 1), QRectF(-5, -6, 300, 200)));
             return f.outputImage().extent();
         },
         QRectF(-5, -6, 300, 200)},
    };
    for (const Row& row : rows) {
        const QRectF got = row.rect();
        EXPECT_NEAR(got.x(), row.expected.x(), 1e-5) << row.name;
        EXPECT_NEAR(got.y(), row.expected.y(), 1e-5) << row.name;
        EXPECT_NEAR(got.width(), row.expected.width(), 1e-5) << row.name;
        EXPECT_NEAR(got.height(), row.expected.height(), 1e-5) << row.name;
    }
}

TEST(GaussianBlur, ForcedInsideAConstantSquareStaysConstant)
{
    const QRectF square(10, 10, 30, 30);
    LXGaussianBlurFilter filter;
    filter.inputImage = boxed(solid(CIColor(0.8, 0.4, 0.2, 1), square));
    filter.setInputRadius(6.0);
    filter.forceInside = true;
    const CIImage out = filter.outputImage();
    EXPECT_EQ(out.extent(), square);
    const Texels plain(solid(CIColor(0.8, 0.4, 0.2, 1), square), QRect(10, 10, 1, 1));
    const Texels got(out, QRect(0, 0, 50, 50));
    ASSERT_TRUE(plain.ok() && got.ok());
    double worst = 0;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x)
            worst = std::max(worst, worstOf(got.at(x, y), square.contains(x + 0.5, y + 0.5) ? plain.at(10, 10) : Colour{}));
    EXPECT_LT(worst, 2e-3);
}

TEST(GaussianBlur, SpreadingConservesAlpha)
{
    LXGaussianBlurFilter filter;
    filter.inputImage = boxed(solid(CIColor(1, 1, 1, 1), QRectF(10, 10, 30, 30)));
    filter.setInputRadius(4.0);
    const CIImage out = filter.outputImage();
    EXPECT_EQ(out.extent(), QRectF(-2, -2, 54, 54));
    const Texels got(out, QRect(-2, -2, 54, 54));
    ASSERT_TRUE(got.ok());
    double alpha = 0;
    for (int y = -2; y < 52; ++y)
        for (int x = -2; x < 52; ++x)
            alpha += got.at(x, y)[3];
    EXPECT_NEAR(alpha, 900.0, 900.0 * 0.005);
}

TEST(GaussianBlur, MatchesASeparableGaussian)
{
    struct Row {
        const char* name;
        bool forceInside;
        double radius;
    };
    const std::vector<Row> rows = {
        {"spreading", false, 3.0},
        {"forcedInside", true, 3.0},
        {"wideSpreading", false, 8.0},
    };
    const QRect frame(0, 0, 48, 40);
    const CIImage image = patternImage(frame.width(), frame.height());
    const Texels input(image, frame);
    ASSERT_TRUE(input.ok());
    for (const Row& row : rows) {
        LXGaussianBlurFilter filter;
        filter.inputImage = boxed(image);
        filter.setInputRadius(row.radius);
        filter.forceInside = row.forceInside;
        const Texels want = gaussianOf(input, row.radius, frame, row.forceInside);
        const Texels got(filter.outputImage(), frame);
        ASSERT_TRUE(got.ok()) << row.name;
        double worst = 0;
        for (int y = frame.y(); y < frame.bottom(); ++y)
            for (int x = frame.x(); x < frame.right(); ++x)
                worst = std::max(worst, worstOf(got.at(x, y), want.at(x, y)));
        EXPECT_LT(worst, 0.01) << row.name;
    }
}

TEST(SimpleShadow, FallsInItsDirection)
{
    struct Row {
        const char* name;
        double direction;
        double dx, dy;
    };
    const std::vector<Row> rows = {
        {"downRight", 135, M_SQRT2, -M_SQRT2},
        {"right", 90, 2, 0},
        {"up", 0, 0, 2},
        {"left", 270, -2, 0},
    };
    const QRectF square(10, 10, 20, 20);
    const QRect area(0, 0, 40, 40);
    for (const Row& row : rows) {
        LXSimpleShadowFilter filter;
        filter.inputImage = boxed(solid(CIColor(1, 1, 1, 1), square));
        filter.inputRadius = 0.0; // an unblurred shadow, to see its edges
        filter.inputDirection = row.direction;
        const Texels got(filter.outputImage(), area);
        ASSERT_TRUE(got.ok()) << row.name;
        // The shadow: the square's mask read back by the move, alpha 0.75, black.
        Texels mask(area);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                mask.set(x, y, square.contains(x + 0.5, y + 0.5) ? Colour{1, 1, 1, 1} : Colour{});
        double worst = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                const double shadow = 0.75 * mask.bilinear(x + 0.5 - row.dx, y + 0.5 - row.dy)[3];
                const Colour image = mask.at(x, y);
                const double a = image[3] + (1 - image[3]) * shadow;
                worst = std::max(worst, worstOf(got.at(x, y), {image[0], image[1], image[2], a}));
            }
        EXPECT_LT(worst, 0.01) << row.name;
    }
}

TEST(Reflection, PictureThenGapThenFadingMirror)
{
    struct Row {
        const char* name;
        double height, intensity, distance, proportion;
    };
    const std::vector<Row> rows = {
        {"defaults", 0.5, 0.4, 0, 1},
        {"gapOfFour", 0.75, 0.9, 0.5, 8},
        {"fractionalGap", 0.5, 1.0, 2.5, 1},
    };
    const int w = 20, h = 16, x0 = 3, y0 = 5;
    const CIImage picture = patternImage(w, h).imageByApplyingTransform(QTransform::fromTranslate(x0, y0));
    const Texels input(picture, QRect(x0, y0, w, h));
    ASSERT_TRUE(input.ok());
    for (const Row& row : rows) {
        LXReflectionFilter filter;
        filter.inputImage = boxed(picture);
        filter.inputHeight = row.height;
        filter.inputIntensity = row.intensity;
        filter.inputDistance = row.distance;
        filter.inputProportion = row.proportion;
        const double hgt = row.height * h, gap = row.distance * row.proportion;
        const QRect area(x0, int(std::floor(y0 - hgt - gap)), w, h + int(std::ceil(hgt + gap)));
        const Texels got(filter.outputImage(), area);
        ASSERT_TRUE(got.ok()) << row.name;
        double worst = 0;
        for (int y = area.y(); y <= area.bottom(); ++y)
            for (int x = area.x(); x <= area.right(); ++x) {
                const double depth = y0 - (y + 0.5); // below the bottom edge
                Colour want{};
                if (depth < 0) {
                    want = input.at(x, y);
                } else if (depth >= gap && (depth - gap) < hgt) {
                    const double fade = row.intensity * (1 - (depth - gap) / hgt);
                    want = input.bilinear(x + 0.5, y0 + (depth - gap));
                    for (double& c : want)
                        c *= fade;
                }
                worst = std::max(worst, worstOf(got.at(x, y), want));
            }
        EXPECT_LT(worst, 2e-3) << row.name;
    }
}

TEST(Reflection, FadesMonotonicallyAndKeepsItsValues)
{
    LXReflectionFilter filter;
    filter.inputImage = boxed(solid(CIColor(0.2, 0.7, 0.4, 1), QRectF(0, 0, 10, 40)));
    filter.inputHeight = 1.0;
    filter.inputDistance = 0.25;
    filter.inputProportion = 12.0; // a gap of 3
    const CIImage out = filter.outputImage();
    const QRect area(0, -43, 10, 83);
    const Texels before(out, area);
    ASSERT_TRUE(before.ok());
    for (int y = -3; y < 0; ++y)
        EXPECT_EQ(before.at(4, y), Colour{}) << y;
    for (int y = -5; y > -43; --y)
        EXPECT_LT(before.at(4, y)[3], before.at(4, y + 1)[3]) << y;

    // Changed inputs make new images; the one taken before is unchanged,
    // whole and in tiles (its region of interest kept the old gap).
    filter.inputDistance = 0.0;
    filter.inputHeight = 0.25;
    EXPECT_GT(renderDifference(out, filter.outputImage(), area), 0.01);
    const Texels after(out, area);
    ASSERT_TRUE(after.ok());
    for (int y = area.y(); y <= area.bottom(); ++y)
        EXPECT_EQ(after.at(4, y), before.at(4, y)) << y;
    EXPECT_EQ(tiledDifference(out, area, 10, 7), 0.0);
}

TEST(BlurComposition, BlurredInsideTheWindowSharpOutside)
{
    const QRect frame(0, 0, 60, 40);
    const CIImage background = patternImage(frame.width(), frame.height());
    const QRectF panel(5, 5, 50, 30);
    const CIImage foreground = solid(CIColor(1, 0, 0, 0.5), panel);
    LXBlurCompositionFilter filter;
    filter.inputImage = boxed(foreground);
    filter.inputBackgroundImage = boxed(background);
    filter.inputMargin = QVariant::fromValue(CIVector(5, 5, 5, 5));
    filter.inputRadius = 2.0;
    const QRectF window(10, 10, 40, 20);
    EXPECT_EQ(filter.windowRect(), window);

    const Texels bg(background, frame);
    const Texels fg(foreground, frame);
    const Texels blurred = gaussianOf(bg, 2.0, frame, false);
    const Texels got(filter.outputImage(), frame);
    ASSERT_TRUE(bg.ok() && fg.ok() && got.ok());
    double worst = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) {
            const Colour f = fg.at(x, y);
            const Colour b = window.contains(x + 0.5, y + 0.5) ? blurred.at(x, y) : bg.at(x, y);
            Colour want;
            for (size_t c = 0; c < 4; ++c)
                want[c] = f[c] + (1 - f[3]) * b[c];
            worst = std::max(worst, worstOf(got.at(x, y), want));
        }
    EXPECT_LT(worst, 0.01);

    // Distortion moves the background's pixels inside the window only.
    filter.useDistortion = true;
    filter.inputImage = boxed(solid(CIColor(0, 0, 0, 0), panel));
    const Texels distorted(filter.outputImage(), frame);
    ASSERT_TRUE(distorted.ok());
    double outside = 0, inside = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            (window.contains(x + 0.5, y + 0.5) ? inside : outside) += worstOf(distorted.at(x, y), bg.at(x, y));
    EXPECT_EQ(outside, 0.0);
    EXPECT_GT(inside, 10.0);
}
