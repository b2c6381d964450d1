// Filters: the registry, inputs by name and key path, attributes, defaults,
// copies, and every built-in's extent and pixels (blurs against numerical
// oracles computed here).

#include "tests/support/Pixels.h"
#include "TestFilters.h"

#include "platform/image/CIBuiltinFilters.h"
#include "platform/image/CIGeometry.h"
#include "platform/image/CIImageAccumulator.h"
#include "platform/image/EnginePasses.h"
#include "platform/image/GLEngine.h"
#include "tests/support/LogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

const QStringList kBuiltins = QStringLiteral("CIAffineClamp CIAffineTile CIAffineTransform CICrop CIGaussianBlur CIMotionBlur "
                                             "CIDiscBlur CISourceOverCompositing CIBlendWithMask CIConstantColorGenerator "
                                             "CIColorInvert CIAreaAverage CIRandomGenerator CIDisplacementDistortion")
                                  .split(u' ');

// Black for x < 1, white from x = 1 on, everywhere in y (or the same turned).
CIImage stepEdge(bool vertical)
{
    const QImage pair = vertical ? bitmap(1, 2, {{255, 255, 255, 255}, {0, 0, 0, 255}})
                                 : bitmap(2, 1, {{0, 0, 0, 255}, {255, 255, 255, 255}});
    return CIImage::imageWithQImage(pair).imageByClampingToExtent();
}

std::shared_ptr<CIFilter> blur(const QString& name, const CIImage& image, double radius)
{
    auto f = CIFilter::filterWithName(name);
    f->setValue(boxed(image), kCIInputImageKey);
    f->setValue(radius, kCIInputRadiusKey);
    return f;
}

// The discrete Gaussian of the step at pixel column c (pixel c white when c >= 1).
double gaussianStep(int c, double sigma)
{
    const int n = int(std::ceil(3 * sigma));
    double sum = 0, total = 0;
    for (int k = -n; k <= n; ++k) {
        const double w = std::exp(-0.5 * k * k / (sigma * sigma));
        total += w;
        if (c - k >= 1)
            sum += w;
    }
    return sum / total;
}

} // namespace

TEST(FilterRegistry, BuiltinsByNameGiveNilWithoutTheirImage)
{
    LogCapture log;
    for (const QString& name : kBuiltins) {
        auto f = CIFilter::filterWithName(name);
        ASSERT_TRUE(f) << name.toStdString();
        EXPECT_EQ(QString::fromLatin1(f->metaObject()->className()), name);
        EXPECT_EQ(f->attributes().value(kCIAttributeFilterName).toString(), name);
        const bool generator = name == QLatin1String("CIRandomGenerator");
        EXPECT_EQ(f->outputImage().isNull(), !generator) << name.toStdString();
        f->setDefaults();
        const bool makesWithDefaults = generator || name == QLatin1String("CIConstantColorGenerator");
        EXPECT_EQ(f->outputImage().isNull(), !makesWithDefaults) << name.toStdString();
    }
    EXPECT_EQ(CIFilter::filterWithName(QStringLiteral("NoSuchFilter")), nullptr);
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST(FilterRegistry, RegisteredNamesMakeTheirFilters)
{
    QStringList made;
    CIFilter::registerFilterName(QStringLiteral("TestHolder"), [&made](const QString& name) {
        made << name;
        return std::make_shared<HolderFilter>();
    });
    auto holder = CIFilter::filterWithName(QStringLiteral("TestHolder"));
    ASSERT_TRUE(holder);
    EXPECT_EQ(made, QStringList{QStringLiteral("TestHolder")});
    EXPECT_EQ(holder->name(), QStringLiteral("TestHolder"));
}

TEST(FilterInputs, UnsetReadsNilAndDefaultsComeFromAttributes)
{
    auto f = CIFilter::filterWithName(QStringLiteral("CIGaussianBlur"));
    EXPECT_EQ(f->inputKeys(), (QStringList{kCIInputImageKey, kCIInputRadiusKey}));
    EXPECT_FALSE(f->valueForKey(kCIInputRadiusKey).isValid());
    f->setDefaults();
    EXPECT_EQ(f->valueForKey(kCIInputRadiusKey).toDouble(), 10.0);
    EXPECT_FALSE(f->valueForKey(kCIInputImageKey).isValid()); // no default: unchanged
    f->setValue(QVariant(), kCIInputRadiusKey);
    EXPECT_FALSE(f->valueForKey(kCIInputRadiusKey).isValid());

    LogCapture log;
    f->setValue(3, QStringLiteral("inputNothing"));
    EXPECT_FALSE(f->valueForKey(QStringLiteral("inputNothing")).isValid());
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_TRUE(log.lines()[0].startsWith(QLatin1String("Warning: filter 'CIGaussianBlur' has no key 'inputNothing'")));
}

TEST(FilterInputs, KeyPathsReachIntoHeldFilters)
{
    HolderFilter holder;
    auto inner = CIFilter::filterWithName(QStringLiteral("CIConstantColorGenerator"));
    holder.texturizeFilter = QVariant::fromValue<QObject*>(inner.get());
    holder.setValue(boxed(CIColor(1, 0, 0)), QStringLiteral("texturizeFilter.inputColor"));
    EXPECT_EQ(inner->valueForKey(kCIInputColorKey).value<CIColor>(), CIColor(1, 0, 0));
    EXPECT_EQ(holder.valueForKey(QStringLiteral("texturizeFilter.inputColor")).value<CIColor>(), CIColor(1, 0, 0));
    EXPECT_EQ(holder.inputKeys(), (QStringList{QStringLiteral("inputImage"), QStringLiteral("inputAmount")}));
    holder.setDefaults();
    EXPECT_EQ(holder.valueForKey(QStringLiteral("inputAmount")).toDouble(), 0.25);
    // The output through valueForKey.
    holder.setValue(boxed(solid(CIColor(1, 0, 0), QRectF(0, 0, 2, 2))), kCIInputImageKey);
    EXPECT_EQ(holder.valueForKey(kCIOutputImageKey).value<CIImage>().extent(), QRectF(0, 0, 2, 2));
}

TEST(FilterCopies, AClassWithoutAnInvokableConstructorGivesNilAndAnError)
{
    LogCapture log;
    UncopyableFilter u(0);
    EXPECT_EQ(u.copy(), nullptr);
    EXPECT_TRUE(log.contains(QStringLiteral("Error: filter class 'UncopyableFilter' cannot be copied")));
}

TEST(FilterExtents, FollowTheDocumentedRules)
{
    const QRectF inf = CIGeometry::infiniteRect();
    // inputs: besides a 100 x 50 input image; extent: when infinite, any infinite one.
    struct Row { const char* name; std::vector<std::pair<QString, QVariant>> inputs; QRectF extent; };
    const Row rows[] = {
        {"CIGaussianBlur", {}, QRectF(-30, -30, 160, 110)}, // default radius 10
        {"CIGaussianBlur", {{kCIInputRadiusKey, 20.0}}, QRectF(-60, -60, 220, 170)},
        {"CIGaussianBlur", {{kCIInputRadiusKey, 0.0}}, QRectF(0, 0, 100, 50)},
        {"CIMotionBlur", {{kCIInputRadiusKey, 20.0}}, QRectF(-20, 0, 140, 50)},
        {"CIDiscBlur", {}, QRectF(-8, -8, 116, 66)},
        {"CIAffineClamp", {}, inf},
        {"CIAffineTile", {}, inf},
        {"CIAffineTransform", {{kCIInputTransformKey, boxed(QTransform::fromScale(2, 3))}}, QRectF(0, 0, 200, 150)},
        {"CICrop", {{"inputRectangle", boxed(CIVector(10, 10, 500, 5))}}, QRectF(10, 10, 90, 5)},
        {"CIColorInvert", {}, QRectF(0, 0, 100, 50)},
        {"CISourceOverCompositing", {{kCIInputBackgroundImageKey, boxed(solid(CIColor(0, 0, 1), QRectF(-10, 0, 10, 10)))}},
         QRectF(-10, 0, 110, 50)},
        {"CIAreaAverage", {{kCIInputExtentKey, boxed(CIVector(0, 0, 100, 50))}}, QRectF(0, 0, 1, 1)},
        {"CIDisplacementDistortion", {{"inputDisplacementImage", boxed(CIImage::imageWithColor(CIColor(1, 1, 1)))}},
         QRectF(0, 0, 100, 50)},
        {"CIBlendWithMask",
         {{"inputMaskImage", boxed(solid(CIColor(1, 1, 1), QRectF(0, 0, 10, 10)))},
          {kCIInputBackgroundImageKey, boxed(solid(CIColor(0, 0, 1), QRectF(0, 0, 20, 5)))}},
         QRectF(0, 0, 20, 10)},
    };
    for (const Row& row : rows) {
        auto f = CIFilter::filterWithName(row.name);
        f->setValue(boxed(solid(CIColor(1, 0, 0), QRectF(0, 0, 100, 50))), kCIInputImageKey);
        for (const auto& [key, value] : row.inputs)
            f->setValue(value, key);
        const QRectF extent = f->outputImage().extent();
        if (CIGeometry::isInfinite(row.extent))
            EXPECT_TRUE(CIGeometry::isInfinite(extent)) << row.name;
        else
            for (auto side : {&QRectF::x, &QRectF::y, &QRectF::width, &QRectF::height})
                EXPECT_NEAR((extent.*side)(), (row.extent.*side)(), 1e-9) << row.name;
    }
    auto generator = CIFilter::filterWithName(QStringLiteral("CIConstantColorGenerator"));
    generator->setDefaults();
    EXPECT_TRUE(CIGeometry::isInfinite(generator->outputImage().extent()));
    EXPECT_TRUE(CIGeometry::isInfinite(CIFilter::filterWithName(QStringLiteral("CIRandomGenerator"))->outputImage().extent()));
}

TEST(FilterBlurs, GaussianMatchesADiscreteGaussianAcrossRadii)
{
    // Tolerance: 0.004 where computed directly, 0.015 where computed on a
    // reduced copy (the halvings and the enlargement are not exactly Gaussian).
    for (double sigma : {1.5, 3.0, 10.0, 20.0, 60.0}) {
        const double tolerance = sigma < 4 ? 0.004 : 0.015;
        for (bool vertical : {false, true}) {
            const int n = int(std::ceil(3 * sigma)) + 2;
            const QRect rect = vertical ? QRect(0, -n, 1, 2 * n + 2) : QRect(-n, 0, 2 * n + 2, 1);
            const Rendered r(blur(QStringLiteral("CIGaussianBlur"), stepEdge(vertical), sigma)->outputImage(), rect);
            ASSERT_TRUE(r.ok());
            double worst = 0;
            for (int c = -n; c < n + 2; ++c) {
                const Pixel p = vertical ? r.at(0, c) : r.at(c, 0);
                worst = std::max(worst, std::abs(p[0] - gaussianStep(c, sigma)));
                EXPECT_NEAR(p[3], 1.0, 2e-3); // half-float working space
            }
            EXPECT_LT(worst, tolerance) << "sigma " << sigma << (vertical ? " vertical" : " horizontal");
        }
    }
}

TEST(FilterBlurs, MotionBlurIsAnAverageAlongTheLine)
{
    // The bilinear step (a ramp from 0.5 to 1.5) averaged over [x - r, x + r]; F integrates the ramp from 0.5.
    const auto F = [](double u) { return u < 0 ? 0 : u < 1 ? u * u / 2 : u - 0.5; };
    for (double radius : {5.0, 20.0, 100.0}) {
        const CIImage out = blur(QStringLiteral("CIMotionBlur"), stepEdge(false), radius)->outputImage();
        const int n = int(radius) + 3;
        const Rendered r(out, QRect(-n, 0, 2 * n, 1));
        for (int c = -n; c < n; ++c) {
            const double x = c + 0.5;
            EXPECT_NEAR(r.at(c, 0)[0], (F(x + radius - 0.5) - F(x - radius - 0.5)) / (2 * radius), 0.03)
                << "radius " << radius << " at " << c;
        }
    }
    // At a quarter turn the blur runs vertically: a vertical step is blurred...
    auto f = blur(QStringLiteral("CIMotionBlur"), stepEdge(true), 10);
    f->setValue(M_PI / 2, kCIInputAngleKey);
    const Rendered v(f->outputImage(), QRect(0, -5, 1, 10));
    EXPECT_NEAR(v.at(0, 0)[0], 0.5, 0.05);
    // ...and a horizontal one is not.
    f->setValue(boxed(stepEdge(false)), kCIInputImageKey);
    const Rendered h(f->outputImage(), QRect(-2, 0, 4, 1));
    EXPECT_NEAR(h.at(-2, 0)[0], 0.0, 1e-3);
    EXPECT_NEAR(h.at(1, 0)[0], 1.0, 1e-3);
}

TEST(FilterBlurs, DiscBlurKeepsFlatAreasAndSpreadsAPointEvenly)
{
    auto f = blur(QStringLiteral("CIDiscBlur"), CIImage::imageWithColor(CIColor(0.5, 0.5, 0.5)), 6);
    const Rendered flat(f->outputImage(), QRect(0, 0, 4, 4));
    EXPECT_NEAR(flat.at(2, 2)[0], std::pow((0.5 + 0.055) / 1.055, 2.4), 1e-3);
    // The mean over a large area is kept (the blur moves light, it does not make it).
    const CIImage dot = solid(CIColor(1, 1, 1), QRectF(0, 0, 4, 4));
    f = blur(QStringLiteral("CIDiscBlur"), dot, 5);
    CIAreaAverage average;
    average.inputImage = boxed(f->outputImage());
    average.inputExtent = boxed(CIVector(-20, -20, 44, 44));
    const Rendered mean(average.outputImage(), QRect(0, 0, 1, 1));
    EXPECT_NEAR(mean.at(0, 0)[3], 16.0 / (44 * 44), 2e-4);
}

TEST(FilterBlurs, SmallPassesEachCompilingTheirOwnProgram)
{
    // Every program is a compile on first use (seconds on llvmpipe with an
    // empty shader cache): the blurs' tap loops are one program, and a
    // bitmap is uploaded by the reductions' program. Gaussians near and far
    // link both and the steps around them; the rest then link nothing new.
    Engine::GL* gl = Engine::GL::instance();
    // Turned: a drawn image, not a plain rectangle (whose blur has a closed form).
    const CIImage dot = solid(CIColor(1, 1, 1), QRectF(0, 0, 4, 4)).imageByApplyingTransform(QTransform().rotate(30));
    for (double radius : {2.0, 40.0})
        (void)Rendered(blur(QStringLiteral("CIGaussianBlur"), dot, radius)->outputImage(), QRect(-8, -8, 20, 20));
    const auto blurred = [&](const char* name, double radius) {
        return blur(QString::fromLatin1(name), dot, radius)->outputImage();
    };
    struct Row { const char* name; CIImage image; };
    const Row rows[] = {{"motion comb", blurred("CIMotionBlur", 12)}, {"disc rows", blurred("CIDiscBlur", 5)},
                        {"disc halvings", blurred("CIDiscBlur", 40)},
                        {"a bitmap as it is", CIImage::imageWithQImage(bitmap(2, 1, {{255, 0, 0, 128}, {0, 0, 255, 255}}))}};
    for (const Row& row : rows) {
        const quint64 before = gl->linkCount();
        (void)Rendered(row.image, QRect(-8, -8, 20, 20));
        EXPECT_EQ(gl->linkCount(), before) << row.name;
    }
}

TEST(FilterBlurs, AStretchedPhotoInFullFloatsIsBlurredFromItsFirstHalvingNotDrawnWhole)
{
    // A blur looks through crops and clamps to a drawn transform and draws
    // it at its first halving's detail; full floats in between hid it.
    const CIImage stretched =
        patternImage(64, 48).imageByApplyingTransform(QTransform::fromScale(10, 10)).imageByClampingToExtent();
    const auto texels = [](const CIImage& input) {
        const quint64 before = Engine::texelCount();
        (void)Rendered(blur(QStringLiteral("CIGaussianBlur"), input, 30)->outputImage(), QRect(0, 0, 640, 480));
        return Engine::texelCount() - before;
    };
    EXPECT_LT(texels(stretched.imageByKeepingFullFloats()), texels(stretched) * 5 / 4);
}

TEST(FilterReductions, AreaAverageIsThePremultipliedMean)
{
    // Every pixel different, an odd size, part of the rectangle outside.
    QImage image(37, 23, QImage::Format_RGBA8888);
    const QRect area(-3, 5, 40, 30); // 3 columns left of the image, 12 rows above it
    std::vector<double> sums(4, 0.0);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) {
            const QColor c((x * 7) % 256, (y * 11) % 256, (x * y) % 256, 55 + (x + y) % 200);
            image.setPixelColor(x, y, c);
            if (!area.contains(x, 22 - y)) // y up
                continue;
            const double a = c.alpha() / 255.0;
            sums[0] += linear(c.red()) * a;
            sums[1] += linear(c.green()) * a;
            sums[2] += linear(c.blue()) * a;
            sums[3] += a;
        }
    const CIImage ci = CIImage::imageWithQImage(image);
    CIAreaAverage average;
    average.inputImage = boxed(ci);
    average.inputExtent = boxed(CIVector::vectorWithCGRect(area));
    const Rendered r(average.outputImage(), QRect(0, 0, 1, 1));
    const double n = double(area.width()) * area.height();
    EXPECT_THAT(r.at(0, 0), PixelNear((Pixel{float(sums[0] / n), float(sums[1] / n), float(sums[2] / n), float(sums[3] / n)}),
                                      1e-3f)); // half floats
}

TEST(FilterGenerators, RandomIsStableAndUniformAndDisplacementMoves)
{
    auto random = CIFilter::filterWithName(QStringLiteral("CIRandomGenerator"));
    const CIImage noise = random->outputImage();
    const Rendered a(noise, QRect(0, 0, 64, 64));
    const Rendered b(noise.imageByCroppingToRect(QRectF(10, 10, 4, 4)), QRect(10, 10, 4, 4));
    EXPECT_EQ(a.at(11, 12), b.at(11, 12));
    double mean = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const Pixel p = a.at(x, y);
            for (float v : p)
                ASSERT_TRUE(v >= 0 && v < 1);
            mean += p[0];
        }
    EXPECT_NEAR(mean / 4096, 0.5, 0.03);
    EXPECT_NE(a.at(0, 0), a.at(1, 0));

    // A displacement map of linear (1, 1): every pixel reads scale/2 up and right.
    const CIImage image = CIImage::imageWithQImage(bitmap(2, 1, {{255, 0, 0, 255}, {0, 255, 0, 255}}))
                              .imageByClampingToExtent()
                              .imageByCroppingToRect(QRectF(0, 0, 40, 40));
    CIDisplacementDistortion distortion;
    distortion.inputImage = boxed(image);
    distortion.inputDisplacementImage = boxed(CIImage::imageWithColor(CIColor(1, 1, 1)));
    distortion.inputScale = 2.0;
    const Rendered d(distortion.outputImage(), QRect(0, 0, 2, 1));
    EXPECT_THAT(d.at(0, 0), PixelNear((Pixel{0, 1, 0, 1}), 1e-5f)); // reads (1.5, 1.5): green
}

TEST(FilterBlurs, MotionBlurOfAGaussianReadsItCoarseWithoutVisibleChange)
{
    // The Gaussian hands its reduced copy to the motion blur; the result must
    // match blurring a drawn copy of the Gaussian (within 1 %).
    const CIImage gaussian =
        blur(QStringLiteral("CIGaussianBlur"), patternImage(64, 48).imageByClampingToExtent(), 20)->outputImage();
    CIImageAccumulator drawn(QRectF(-200, -100, 464, 248), kCIFormatRGBAf);
    drawn.setImage(gaussian);
    const QRect area(0, 0, 64, 48);
    for (double angle : {0.0, 0.7}) {
        auto viaCoarse = blur(QStringLiteral("CIMotionBlur"), gaussian, 60);
        viaCoarse->setValue(angle, kCIInputAngleKey);
        auto viaDrawn = blur(QStringLiteral("CIMotionBlur"), drawn.image(), 60);
        viaDrawn->setValue(angle, kCIInputAngleKey);
        const Rendered a(viaCoarse->outputImage(), area), b(viaDrawn->outputImage(), area);
        for (int y = 0; y < 48; y += 3)
            for (int x = 0; x < 64; x += 3)
                ASSERT_THAT(a.at(x, y), PixelNear(b.at(x, y), 0.01f)) << "angle " << angle << " at " << x << "," << y;
    }
}
