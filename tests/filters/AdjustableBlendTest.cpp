#include "filters/LXAdjustableBlendFilter.h"
#include "platform/image/CIBuiltinFilters.h"
#include "platform/image/CIKernel.h"
#include "platform/image/GLEngine.h"
#include "tests/support/Pixels.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

namespace {

// Every filter test here draws on textures whose sides are never a power of
// two: reads at a texel's centre then weighed a neighbour (a burn over white
// turned dark), and reads at the last one a stale texel of a larger texture.
const bool kReadsAtTexelCentresWeighingANeighbour = [] {
    Engine::GL::setTextureSides(Engine::GL::Sides::NoPowerOfTwo);
    return true;
}();

using RGB = std::array<double, 3>;

// The blend modes, written out here channel by channel as a reference that
// does not share code with the kernel text.
double lumOf(const RGB& c) { return 0.3 * c[0] + 0.59 * c[1] + 0.11 * c[2]; }

RGB withLum(RGB c, double l)
{
    const double d = l - lumOf(c);
    for (double& v : c)
        v += d;
    const double L = lumOf(c);
    const double n = std::min({c[0], c[1], c[2]}), x = std::max({c[0], c[1], c[2]});
    for (double& v : c) {
        if (n < 0)
            v = L + (v - L) * L / (L - n);
        if (x > 1)
            v = L + (v - L) * (1 - L) / (x - L);
    }
    return c;
}

double burn(double b, double s) { return b >= 1 ? 1.0 : s <= 0 ? 0.0 : 1 - std::min(1.0, (1 - b) / s); }
double dodge(double b, double s) { return b <= 0 ? 0.0 : s >= 1 ? 1.0 : std::min(1.0, b / (1 - s)); }
double screen(double b, double s) { return b + s - b * s; }
double hardLight(double b, double s) { return s <= 0.5 ? b * 2 * s : screen(b, 2 * s - 1); }

const std::map<std::string, std::function<double(double cb, double cs)>> kSeparable{
    {"sourceOver", [](double, double s) { return s; }},
    {"multiply", [](double b, double s) { return b * s; }},
    {"colorBurn", burn},
    {"linearBurn", [](double b, double s) { return std::max(0.0, b + s - 1); }},
    {"negativeMultiply", screen},
    {"colorDodge", dodge},
    {"linearDodge", [](double b, double s) { return std::min(1.0, b + s); }},
    {"overlay", [](double b, double s) { return hardLight(s, b); }},
    {"softLight",
     [](double b, double s) {
         if (s <= 0.5)
             return b - (1 - 2 * s) * b * (1 - b);
         const double d = b <= 0.25 ? ((16 * b - 12) * b + 4) * b : std::sqrt(b);
         return b + (2 * s - 1) * (d - b);
     }},
    {"hardLight", hardLight},
    {"vividLight", [](double b, double s) { return s <= 0.5 ? burn(b, 2 * s) : dodge(b, 2 * (s - 0.5)); }},
    {"linearLight", [](double b, double s) { return std::clamp(b + 2 * s - 1, 0.0, 1.0); }},
    {"hardMix", [](double b, double s) { return b + s >= 1 ? 1.0 : 0.0; }},
};

RGB unpremultiplied(const Pixel& p)
{
    if (p[3] <= 0)
        return {0, 0, 0};
    return {std::clamp(p[0] / p[3], 0.0f, 1.0f), std::clamp(p[1] / p[3], 0.0f, 1.0f), std::clamp(p[2] / p[3], 0.0f, 1.0f)};
}

Pixel expected(const std::string& mode, const Pixel& F, const Pixel& B, double intensity)
{
    if (mode == "blend") {
        Pixel out;
        for (int c = 0; c < 4; ++c)
            out[c] = float(B[c] + (F[c] - B[c]) * intensity);
        return out;
    }
    const RGB cs = unpremultiplied(F), cb = unpremultiplied(B);
    RGB mixed;
    if (mode == "colorBlend")
        mixed = withLum(cs, lumOf(cb));
    else if (mode == "luminosityBlend")
        mixed = withLum(cb, lumOf(cs));
    else
        for (int c = 0; c < 3; ++c)
            mixed[c] = kSeparable.at(mode)(cb[c], cs[c]);
    const double as = F[3] * intensity, ab = B[3];
    Pixel out;
    for (int c = 0; c < 3; ++c) {
        const double blended = (1 - ab) * cs[c] + ab * std::clamp(mixed[c], 0.0, 1.0);
        out[c] = float(as * blended + (1 - as) * ab * cb[c]);
    }
    out[3] = float(as + ab * (1 - as));
    return out;
}

class AdjustableBlend : public ::testing::TestWithParam<std::string> {};

} // namespace

TEST_P(AdjustableBlend, RoutineMatchesItsFormulaPixelByPixel)
{
    const std::string mode = GetParam();
    // Pixels that reach every branch of the modes: darks and lights on both
    // sides, half-transparent and transparent pixels.
    const CIImage foreground = rowImage({{200, 30, 90, 255}, {20, 180, 240, 128}, {128, 128, 128, 255},
                                         {255, 255, 0, 64}, {10, 10, 10, 0}, {250, 5, 128, 255}, {0, 0, 0, 255},
                                         {255, 255, 255, 255}});
    const CIImage background = rowImage({{40, 200, 120, 255}, {240, 60, 30, 200}, {128, 64, 200, 255},
                                         {0, 0, 255, 255}, {90, 90, 90, 128}, {30, 250, 10, 255},
                                         {255, 255, 255, 255}, {0, 0, 0, 0}});
    const Rendered f(foreground, QRect(0, 0, 8, 1)), b(background, QRect(0, 0, 8, 1));
    ASSERT_TRUE(f.ok() && b.ok());
    for (double intensity : {1.0, 0.7}) {
        LXAdjustableBlendFilter filter;
        filter.inputImage = boxed(foreground);
        filter.inputBackgroundImage = boxed(background);
        filter.inputBlendName = QString::fromStdString(mode);
        filter.inputIntensity = intensity;
        LogCapture log; // "blend" is reached through the fallback warning
        const Rendered out(filter.outputImage(), QRect(0, 0, 8, 1));
        ASSERT_TRUE(out.ok());
        for (int x = 0; x < 8; ++x)
            EXPECT_THAT(out.at(x, 0), PixelNear(expected(mode, f.at(x, 0), b.at(x, 0), intensity), 2e-3f))
                << mode << " intensity " << intensity << " pixel " << x;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryMode, AdjustableBlend,
                         ::testing::Values("sourceOver", "colorBlend", "luminosityBlend", "multiply", "colorBurn",
                                           "linearBurn", "negativeMultiply", "colorDodge", "linearDodge", "overlay",
                                           "softLight", "hardLight", "vividLight", "linearLight", "hardMix", "blend"));

TEST(AdjustableBlendFilter, BurnOverNearWhiteShowsNoHalfFloatSteps)
{
    // A blurred ramp from white down to 0.996 (between passes a half
    // float's step there is 0.0005) burned by a near-black: a slope of 200
    // turns each step of a stored background into a jump.
    const auto ramp = CIKernel::kernelWithString(QStringLiteral(
        "kernel vec4 ramp() { float v = 1.0 - 1e-5 * destCoord().x; return vec4(v, v, v, 1.0); }"));
    ASSERT_TRUE(ramp);
    const QRect rect(0, 0, 400, 1);
    CIGaussianBlur blur;
    blur.inputImage = boxed(ramp->apply({}, {{kCIApplyOptionExtent, QRectF(-50, -50, 500, 101)}}));
    blur.inputRadius = 2.0;
    const CIImage dark = solid(CIColor(0.06, 0.06, 0.06), QRectF(rect));
    const Rendered foreground(dark, rect);
    LXAdjustableBlendFilter filter;
    filter.inputImage = boxed(dark);
    filter.inputBackgroundImage = boxed(blur.outputImage().imageByCroppingToRect(QRectF(rect)));
    filter.inputBlendName = QStringLiteral("colorBurn");
    filter.inputIntensity = 1.0;
    const Rendered out(filter.outputImage(), rect);
    ASSERT_TRUE(foreground.ok() && out.ok());
    double worst = 0;
    for (int x = 0; x < rect.width(); ++x)
        worst = std::max(worst, std::abs(out.at(x, 0)[1] - burn(1.0 - 1e-5 * (x + 0.5), foreground.at(0, 0)[1])));
    EXPECT_LT(worst, 0.01);
}

TEST(AdjustableBlendFilter, UnknownNamesBecomeSourceOver)
{
    EXPECT_EQ(LXAdjustableBlendFilter::blendModeNames().size(), 15);
    for (const char* name : {"overlay", "hardMix", "sourceOver"})
        EXPECT_EQ(LXAdjustableBlendFilter::verifiedBlendMode(name), name);
    for (const QString& name : {QString("Overlay"), QString("nothing"), QString()})
        EXPECT_EQ(LXAdjustableBlendFilter::verifiedBlendMode(name), "sourceOver") << name.toStdString();
    // Rendering with no intensity set: one, and the unknown name is named.
    LXAdjustableBlendFilter filter;
    filter.inputImage = boxed(rowImage({{255, 0, 0, 255}}));
    filter.inputBackgroundImage = boxed(rowImage({{0, 0, 255, 255}}));
    filter.inputBlendName = "Overlay";
    LogCapture log;
    filter.outputImage();
    EXPECT_EQ(filter.inputIntensity, QVariant(1.0));
    EXPECT_EQ(log.lines(), QStringList{"Warning: Adjustable Blend could not find blend 'Overlay'"});
}

TEST(AdjustableBlendFilter, ExtentsFollowTheFlags)
{
    const CIImage fg = solid(CIColor(1, 0, 0, 1), QRectF(0, 0, 100, 50));
    const CIImage bg = solid(CIColor(0, 0, 1, 1), QRectF(0, 0, 400, 300));
    for (const bool useBG : {false, true})
        for (const bool stretch : {false, true}) {
            LXAdjustableBlendFilter filter;
            filter.inputImage = boxed(fg);
            filter.inputBackgroundImage = boxed(bg);
            filter.inputUseBGExtent = useBG;
            filter.inputStretchToFit = stretch;
            filter.inputBlendName = "sourceOver";
            const CIImage out = filter.outputImage();
            EXPECT_EQ(out.extent(), useBG ? bg.extent() : fg.extent()) << useBG << stretch;
            if (useBG && stretch) { // stretched by (4, 6), the red covers the whole background
                EXPECT_THAT(Rendered(out, QRect(396, 296, 1, 1)).at(396, 296), PixelNear((Pixel{1, 0, 0, 1}), 1e-3f));
            }
        }
}

TEST(AdjustableBlendFilter, SwitchingHandsTheImagesOverReversed)
{
    const CIImage red = rowImage({{255, 0, 0, 255}});
    const CIImage halfBlue = rowImage({{0, 0, 255, 128}});
    LXAdjustableBlendFilter filter;
    filter.inputImage = boxed(halfBlue);
    filter.inputBackgroundImage = boxed(red);
    filter.inputBlendName = "sourceOver";
    filter.inputSwitchImages = true; // red over half blue hides it
    EXPECT_THAT(Rendered(filter.outputImage(), QRect(0, 0, 1, 1)).at(0, 0), PixelNear((Pixel{1, 0, 0, 1}), 1e-3f));
}
