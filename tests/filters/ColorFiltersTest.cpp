// The colour filters against oracles written here in double precision, on
// the encoded colour that their numbers mean.

#include "filters/LXColorFilters.h"
#include "filters/LXGradientFilters.h"
#include "graphics/ColorSpaces.h"
#include "tests/support/Pixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

namespace {

using RGB = std::array<double, 3>;

double decode(double e)
{
    e = std::clamp(e, 0.0, 1.0);
    return e <= 0.04045 ? e / 12.92 : std::pow((e + 0.055) / 1.055, 2.4);
}

double encode(double l)
{
    l = std::clamp(l, 0.0, 1.0);
    return l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1 / 2.4) - 0.055;
}

// The colour controls' own conversions serve as the oracle's HSV.
RGB toHsv(const RGB& c)
{
    const HSVTriple t = hsvFromRGB({c[0], c[1], c[2]});
    return {t.hue, t.saturation, t.value};
}

RGB fromHsv(const RGB& hsv)
{
    const RGBTriple t = rgbFromHSV({hsv[0] - std::floor(hsv[0]), hsv[1], hsv[2]});
    return {t.red, t.green, t.blue};
}

double smooth(double a, double b, double x)
{
    const double t = std::clamp((x - a) / (b - a), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// How much of a hue band of `intensity` around `hue` a colour belongs to.
double inBand(const RGB& hsv, double hue, double intensity)
{
    double d = std::abs(hsv[0] - hue);
    d = std::min(d, 1 - d);
    const double w = 0.02 + 0.2 * intensity;
    return (1 - smooth(w, w + 0.05, d)) * smooth(0, 0.1, hsv[1]);
}

// Test pixels (unpremultiplied bytes): primaries, orange, a near-red, greys,
// a half-transparent dark red, white, transparent.
const std::initializer_list<std::array<int, 4>> kPixels{
    {255, 0, 0, 255},   {255, 128, 0, 255}, {0, 200, 0, 255},     {30, 60, 220, 255}, {128, 128, 128, 255},
    {140, 20, 30, 128}, {255, 0, 60, 255},  {255, 255, 255, 255}, {12, 200, 90, 0}};

template <class F>
std::function<std::shared_ptr<LXFilter>()> made(std::function<void(F&)> configure)
{
    return [configure] {
        auto filter = std::make_shared<F>();
        configure(*filter);
        return filter;
    };
}

// oracle: encoded colour and alpha in, encoded colour and alpha out.
struct ColorRow { const char* name; std::function<std::shared_ptr<LXFilter>()> make;
                  std::function<std::pair<RGB, double>(const RGB&, double)> oracle; float tolerance = 4e-3f; };

// The gradient map's oracle: the luma bent by k, read in the gradient.
ColorRow mapRow(const char* name, const CIColor& color, double k)
{
    static const Gradient gradient(
        {{0.0, 0, 0, 0, 1}, {0.5, 0, 0.403921568627451, 0.6941176470588235, 1}, {1.0, 1, 1, 1, 1}});
    return {name, made<LXGradientMapFilter>([=](auto& f) {
                f.setInputGradient(boxed(gradient));
                f.inputColor = boxed(color);
            }),
            [=](const RGB& e, double a) {
                const double l = 0.299 * e[0] + 0.587 * e[1] + 0.114 * e[2];
                const QColor g = gradient.colorAt(std::clamp(l + k * l * (1 - l), 0.0, 1.0));
                return std::pair{RGB{g.redF(), g.greenF(), g.blueF()}, a};
            },
            0.012f};
}

} // namespace

TEST(ColorFilters, RoutinesMatchTheirOracles)
{
    const std::vector<ColorRow> rows{
        {"dimmed black and white at 0.6", made<LXDimmedBWFilter>([](auto& f) { f.inputBrightness = 0.6; }),
         [](const RGB& e, double a) {
             const double g = (0.299 * e[0] + 0.587 * e[1] + 0.114 * e[2]) * 0.6;
             return std::pair{RGB{g, g, g}, a};
         }},
        {"keep red", made<LXKeepColorFilter>([](auto& f) { f.inputColor = boxed(CIColor(1, 0, 0)); }),
         [](const RGB& e, double a) {
             RGB hsv = toHsv(e);
             hsv[1] *= inBand(hsv, 0.0, 0.4);
             return std::pair{fromHsv(hsv), a};
         }},
        {"replace a grey: saturation ratio over 0.01, clamped",
         made<LXReplaceColorFilter>([](auto& f) {
             f.inputColor = boxed(CIColor(0.5, 0.5, 0.5));
             f.inputTargetColor = boxed(CIColor(0, 1, 0));
         }),
         [](const RGB& e, double a) {
             const RGB hsv = toHsv(e);
             const double k = inBand(hsv, 0.0, 0.4);
             const RGB to = fromHsv({1.0 / 3, std::clamp(hsv[1] * 100, 0.0, 1.0), std::clamp(hsv[2] * 2, 0.0, 1.0)});
             return std::pair{RGB{e[0] + (to[0] - e[0]) * k, e[1] + (to[1] - e[1]) * k, e[2] + (to[2] - e[2]) * k}, a};
         }},
        {"rotate a third of a turn", made<LXRotateColorFilter>([](auto& f) { f.inputAngle = 1.0 / 3; }),
         [](const RGB& e, double a) {
             RGB hsv = toHsv(e);
             hsv[0] += 1.0 / 3;
             return std::pair{fromHsv(hsv), a};
         }},
        {"encode", made<LXSRGBConversionFilter>([](auto&) {}),
         [](const RGB& e, double a) { return std::pair{RGB{encode(e[0]), encode(e[1]), encode(e[2])}, a}; }},
        {"decode", made<LXSRGBConversionFilter>([](auto& f) { f.toRGB = true; }),
         [](const RGB& e, double a) { return std::pair{RGB{decode(e[0]), decode(e[1]), decode(e[2])}, a}; }},
        {"multiply by the default colour", made<LXColorMultiplyFilter>([](auto&) {}),
         [](const RGB& e, double a) { return std::pair{RGB{e[0] * 0.55, e[1] * 0.7, e[2]}, a}; }},
        mapRow("gradient map: mid grey keeps the tones", CIColor(0.5, 0.5, 0.5), 0.0),
        mapRow("gradient map: white lightens", CIColor(1, 1, 1), 1.34),
    };
    const CIImage input = rowImage(kPixels);
    for (const ColorRow& row : rows) {
        auto filter = row.make();
        filter->setValue(boxed(input), kCIInputImageKey);
        const CIImage output = filter->outputImage();
        EXPECT_EQ(output.extent(), input.extent()) << row.name;
        const Rendered rendered(output, QRect(0, 0, int(kPixels.size()), 1));
        ASSERT_TRUE(rendered.ok()) << row.name;
        for (size_t x = 0; x < kPixels.size(); ++x) {
            const auto& p = kPixels.begin()[x];
            const double a = p[3] / 255.0;
            if (a == 0)
                continue;
            const auto [e, alpha] = row.oracle({p[0] / 255.0, p[1] / 255.0, p[2] / 255.0}, a);
            const Pixel want{float(decode(e[0]) * alpha), float(decode(e[1]) * alpha), float(decode(e[2]) * alpha),
                             float(alpha)};
            EXPECT_THAT(rendered.at(int(x), 0), PixelNear(want, row.tolerance)) << row.name << ", pixel " << x;
        }
    }
}

// The oracles' HSV is the colour controls' own, tested on its own; the kernels
// convert in their own text. The curves at their break points, both ways.
TEST(ColorFilters, ConversionCurvesAtTheirBreakPoints)
{
    struct Curve { bool toRGB; double in, out; }; // working (linear) values
    const Curve curves[] = {{false, 0.0031308, 0.04045}, {true, 0.04045, 0.0031308}, {false, 0.5, encode(0.5)}, {true, 0.5, decode(0.5)}};
    for (const Curve& curve : curves) {
        LXSRGBConversionFilter filter;
        filter.toRGB = curve.toRGB;
        const double e = encode(curve.in);
        filter.inputImage = boxed(CIImage::imageWithColor(CIColor(e, e, e)).imageByCroppingToRect(QRectF(0, 0, 1, 1)));
        EXPECT_NEAR(Rendered(filter.outputImage(), QRect(0, 0, 1, 1)).at(0, 0)[1], curve.out, 2e-4 + curve.out * 1e-3)
            << curve.toRGB << " " << curve.in;
    }
}

TEST(GradientFilters, MultiplyLaysTheGradientAcrossAtEveryAngle)
{
    const QRectF extent(0, 0, 400, 200);
    const CIImage white = CIImage::imageWithColor(CIColor(1, 1, 1)).imageByCroppingToRect(extent);
    for (double angle : {135.0, 200.0}) { // each term of the length wins once
        LXGradientMultiplyFilter filter; // the default gradient: black to white
        filter.inputAngle = angle;
        filter.inputImage = boxed(white);
        const CIImage output = filter.outputImage();
        EXPECT_EQ(output.extent(), extent);
        const Rendered rendered(output, extent.toRect());
        ASSERT_TRUE(rendered.ok());
        const double theta = (90 - angle) / 180 * std::numbers::pi, a = angle / 180 * std::numbers::pi;
        const double length = std::max(std::abs(200 * std::cos(theta) - 400 * std::sin(theta)),
                                       std::abs(400 * std::sin(theta) + 200 * std::cos(theta)));
        for (int y = 0; y < 200; y += 19)
            for (int x = 0; x < 400; x += 23) {
                // The gradient runs along (cos a, -sin a) through the centre.
                const double t = ((x + 0.5 - 200) * std::cos(a) - (y + 0.5 - 100) * std::sin(a)) / length + 0.5;
                const double v = decode(std::clamp(t, 0.0, 1.0));
                EXPECT_THAT(rendered.at(x, y), PixelNear((Pixel{float(v), float(v), float(v), 1.f}), 0.012f))
                    << angle << " degrees at " << x << ", " << y;
            }
    }
}
