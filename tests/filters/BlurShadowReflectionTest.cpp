#include "filters/LXBlurCompositionFilter.h"
#include "filters/LXGaussianBlurFilter.h"
#include "filters/LXReflectionFilter.h"
#include "filters/LXSimpleShadowFilter.h"
#include "platform/image/CIKernel.h"
#include "tests/support/Pixels.h"

#include <gtest/gtest.h>

#include <functional>

TEST(BlurShadowReflection, ExtentsAndWindowRectangles)
{
    const CIImage square = solid(CIColor(1, 1, 1), QRectF(0, 0, 100, 100));
    const CIImage wide = solid(CIColor(1, 1, 1), QRectF(0, 0, 200, 100));
    auto extent = [](CIFilter& f, const CIImage& image) {
        f.setValue(boxed(image), kCIInputImageKey);
        return f.outputImage().extent();
    };
    struct Row { const char* name; std::function<QRectF()> rect; QRectF expected; };
    const std::vector<Row> rows = {
        {"shadowMovedDownRight", [&] { LXSimpleShadowFilter f; return extent(f, square); },
         QRectF(-15 + M_SQRT2, -15 - M_SQRT2, 130, 130)},
        {"blurSpreadsThreeRadii", [&] { LXGaussianBlurFilter f; return extent(f, square); }, QRectF(-30, -30, 160, 160)},
        {"reflectionDefaults", [&] { LXReflectionFilter f; return extent(f, wide); }, QRectF(0, -50, 200, 150)},
        {"reflectionWithGap", [&] { LXReflectionFilter f; f.inputDistance = 0.5; f.inputProportion = 20.0; return extent(f, wide); },
         QRectF(0, -60, 200, 160)},
        {"windowOfTheLayerFrame",
         [&] {
             const auto layer = Layer::create();
             layer->bounds = QRectF(0, 0, 80, 60);
             layer->position = QPointF(100, 100);
             LXBlurCompositionFilter f;
             f.inputImage = boxed(wide);
             f.setInputLayer(boxed(layer));
             f.inputMargin = boxed(CIVector(1, 2, 3, 4));
             return f.windowRect();
         },
         QRectF(61, 72, 76, 54)},
        {"windowOfNothing", [&] { LXBlurCompositionFilter f; f.inputMargin = boxed(CIVector(1, 2, 3, 4)); return f.windowRect(); },
         QRectF(1, 2, -4, -6)},
        {"compositionTakesTheBackground",
         [&] { LXBlurCompositionFilter f; f.inputBackgroundImage = boxed(solid(CIColor(0, 0, 1), QRectF(-5, -6, 300, 200))); return extent(f, wide); },
         QRectF(-5, -6, 300, 200)},
    };
    for (const Row& row : rows) {
        const QRectF got = row.rect(), off(got.topLeft() - row.expected.topLeft(), got.size() - row.expected.size());
        EXPECT_LT(std::max({std::abs(off.x()), std::abs(off.y()), std::abs(off.width()), std::abs(off.height())}), 1e-5)
            << row.name << ": " << got.x() << ", " << got.y() << ", " << got.width() << ", " << got.height();
    }
}

TEST(GaussianBlur, MatchesASeparableGaussianInsideAndAround)
{
    struct Row { const char* name; bool forceInside; double radius; };
    const Row rows[] = {{"spreading", false, 3.0}, {"forcedInside", true, 3.0}, {"wideSpreading", false, 8.0}};
    const QRect frame(0, 0, 48, 40), around = frame.adjusted(-12, -12, 12, 12);
    const CIImage image = patternImage(frame.width(), frame.height());
    const Texels input(image, frame);
    ASSERT_TRUE(input.ok());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LXGaussianBlurFilter filter;
        filter.inputImage = boxed(image);
        filter.setInputRadius(row.radius);
        filter.forceInside = row.forceInside;
        // Forced inside, the edge pixels repeat and nothing spreads beyond the picture.
        const Texels want = gaussianOf(input, row.radius, around, row.forceInside);
        const Texels got(filter.outputImage(), around);
        ASSERT_TRUE(got.ok());
        EXPECT_LT(got.worstAgainst(around, [&](int x, int y) {
            return !row.forceInside || frame.contains(x, y) ? want.at(x, y) : Colour{};
        }), 0.01);
    }
}

TEST(SimpleShadow, FallsInItsDirection)
{
    struct Row { const char* name; double direction, dx, dy; };
    const Row rows[] = {{"downRight", 135, M_SQRT2, -M_SQRT2}, {"right", 90, 2, 0}, {"up", 0, 0, 2}, {"left", 270, -2, 0}};
    const QRectF square(10, 10, 20, 20);
    const QRect area(0, 0, 40, 40);
    // Opaque (its shadow a rectangle of the colour) and with a clear middle.
    const CIImage white = solid(CIColor(1, 1, 1, 1), square);
    const CIImage ring = solid(CIColor(1, 1, 1, 1), QRectF(10, 10, 20, 6))
                             .imageByCompositingOverImage(solid(CIColor(1, 1, 1, 1), QRectF(10, 24, 20, 6)))
                             .imageByCompositingOverImage(solid(CIColor(0, 0, 0, 0), square));
    for (const CIImage& picture : {white, ring})
        for (const Row& row : rows) {
            SCOPED_TRACE(row.name);
            const Texels mask(picture, area);
            ASSERT_TRUE(mask.ok());
            LXSimpleShadowFilter filter;
            filter.inputImage = boxed(picture);
            filter.inputRadius = 0.0; // an unblurred shadow, to see its edges
            filter.inputDirection = row.direction;
            const Texels got(filter.outputImage(), area);
            ASSERT_TRUE(got.ok());
            // The picture's mask read back by the move, black at alpha 0.75, under the picture.
            EXPECT_LT(got.worstAgainst(area, [&](int x, int y) {
                const double shadow = 0.75 * mask.bilinear(x + 0.5 - row.dx, y + 0.5 - row.dy)[3];
                const Colour image = mask.at(x, y);
                return Colour{image[0], image[1], image[2], image[3] + (1 - image[3]) * shadow};
            }), 0.01);
        }
}

// Blurred, an opaque picture's shadow (drawn in closed form) is the one its
// alpha casts when its opacity is not known.
TEST(SimpleShadow, AnOpaquePicturesBlurredShadowIsTheOneItsAlphaCasts)
{
    const CIImage square = solid(CIColor(0.3, 0.6, 0.9, 1), QRectF(10, 10, 20, 20));
    const auto same = CIKernel::kernelWithString(QStringLiteral("kernel vec4 same(sampler s) { return sample(s, samplerCoord(s)); }"));
    ASSERT_TRUE(same);
    const CIImage hidden = same->apply({boxed(square)}, {});
    ASSERT_TRUE(square.isOpaque() && !hidden.isOpaque());
    const auto shadowed = [](const CIImage& picture) {
        LXSimpleShadowFilter filter;
        filter.inputImage = boxed(picture);
        filter.inputRadius = 3.0;
        return filter.outputImage();
    };
    EXPECT_LT(renderDifference(shadowed(square), shadowed(hidden), QRect(-5, -10, 50, 50)), 2e-2);
}

TEST(Reflection, PictureThenGapThenFadingMirror)
{
    struct Row { const char* name; double height, intensity, distance, proportion; };
    const Row rows[] = {{"defaults", 0.5, 0.4, 0, 1}, {"gapOfFour", 0.75, 0.9, 0.5, 8}, {"fractionalGap", 0.5, 1.0, 2.5, 1}};
    const int w = 20, h = 16, x0 = 3, y0 = 5;
    const CIImage picture = patternImage(w, h).imageByApplyingTransform(QTransform::fromTranslate(x0, y0));
    const Texels input(picture, QRect(x0, y0, w, h));
    ASSERT_TRUE(input.ok());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LXReflectionFilter filter;
        filter.inputImage = boxed(picture);
        filter.inputHeight = row.height;
        filter.inputIntensity = row.intensity;
        filter.inputDistance = row.distance;
        filter.inputProportion = row.proportion;
        const double hgt = row.height * h, gap = row.distance * row.proportion;
        const QRect area(x0, int(std::floor(y0 - hgt - gap)), w, h + int(std::ceil(hgt + gap)));
        const Texels got(filter.outputImage(), area);
        ASSERT_TRUE(got.ok());
        EXPECT_LT(got.worstAgainst(area, [&](int x, int y) {
            const double depth = y0 - (y + 0.5); // below the bottom edge
            if (depth < 0)
                return input.at(x, y);
            Colour want{};
            if (depth >= gap && (depth - gap) < hgt) {
                want = input.bilinear(x + 0.5, y0 + (depth - gap));
                for (double& c : want)
                    c *= row.intensity * (1 - (depth - gap) / hgt);
            }
            return want;
        }), 2e-3);
    }
}

TEST(Reflection, AnImageTakenBeforeNewInputsKeepsItsPixels)
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
    // Whole and in tiles: its region of interest kept the old gap.
    filter.inputDistance = 0.0;
    filter.inputHeight = 0.25;
    EXPECT_GT(renderDifference(out, filter.outputImage(), area), 0.01);
    const Texels after(out, area);
    ASSERT_TRUE(after.ok());
    EXPECT_EQ(after.worstAgainst(area, [&](int x, int y) { return before.at(x, y); }), 0.0);
    EXPECT_EQ(tiledDifference(out, area, 10, 7), 0.0);
}

TEST(BlurComposition, BlurredInsideTheWindowSharpOutside)
{
    const QRect frame(0, 0, 60, 40);
    const CIImage background = patternImage(frame.width(), frame.height());
    const QRectF panel(5, 5, 50, 30), window(10, 10, 40, 20);
    const CIImage foreground = solid(CIColor(1, 0, 0, 0.5), panel);
    LXBlurCompositionFilter filter;
    filter.inputImage = boxed(foreground);
    filter.inputBackgroundImage = boxed(background);
    filter.inputMargin = boxed(CIVector(5, 5, 5, 5));
    filter.inputRadius = 2.0;
    EXPECT_EQ(filter.windowRect(), window);

    const Texels bg(background, frame), fg(foreground, frame), got(filter.outputImage(), frame);
    const Texels blurred = gaussianOf(bg, 2.0, frame, false);
    ASSERT_TRUE(bg.ok() && fg.ok() && got.ok());
    const auto inWindow = [&](int x, int y) { return window.contains(x + 0.5, y + 0.5); };
    EXPECT_LT(got.worstAgainst(frame, [&](int x, int y) {
        const Colour f = fg.at(x, y), b = inWindow(x, y) ? blurred.at(x, y) : bg.at(x, y);
        return Colour{f[0] + (1 - f[3]) * b[0], f[1] + (1 - f[3]) * b[1], f[2] + (1 - f[3]) * b[2], f[3] + (1 - f[3]) * b[3]};
    }), 0.01);

    // Distortion moves the background's pixels inside the window only.
    filter.useDistortion = true;
    filter.inputImage = boxed(solid(CIColor(0, 0, 0, 0), panel));
    const Texels distorted(filter.outputImage(), frame);
    ASSERT_TRUE(distorted.ok());
    EXPECT_EQ(distorted.worstAgainst(frame, [&](int x, int y) { return inWindow(x, y) ? distorted.at(x, y) : bg.at(x, y); }), 0.0);
    EXPECT_GT(distorted.worstAgainst(window.toRect(), [&](int x, int y) { return bg.at(x, y); }), 0.05);
}
