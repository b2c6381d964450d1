// The kernel language: routines parsed from text, compile failures, every
// built-in function of the dialect, argument types, options and the
// region-of-interest callback.

#include "Pixels.h"

#include "platform/image/CIFilter.h"
#include "platform/image/CIGeometry.h"
#include "platform/image/CIKernel.h"
#include "platform/image/CISampler.h"
#include "tests/support/LogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

CIKernelPtr only(const QString& text)
{
    const auto kernels = CIKernel::kernelsWithString(text);
    return kernels.size() == 1 ? kernels.first() : nullptr;
}

QVariant var(const CIImage& image)
{
    return QVariant::fromValue(image);
}

// Red, green, blue in a row.
CIImage row()
{
    return CIImage::imageWithQImage(bitmap(3, 1, {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}}));
}

} // namespace

TEST(KernelText, OneRoutineWithItsNameAndParameters)
{
    const auto k = only(QStringLiteral(
        "/* a comment with kernel vec4 fake(sampler s) { } inside */\n"
        "kernel vec4 tint(sampler image, float amount, vec2 v, vec3 w, vec4 x, __color c) {\n"
        "    return sample(image, samplerCoord(image)) * amount; // sample() here\n"
        "}\n"));
    ASSERT_TRUE(k);
    EXPECT_EQ(k->name(), QStringLiteral("tint"));
    ASSERT_EQ(k->parameters().size(), 6);
    EXPECT_EQ(k->samplerCount(), 1);
    EXPECT_EQ(k->parameters()[0].type, CIKernel::ParameterType::Sampler);
    EXPECT_EQ(k->parameters()[1].name, QStringLiteral("amount"));
    EXPECT_EQ(k->parameters()[5].type, CIKernel::ParameterType::Color);
}

TEST(KernelText, SeveralRoutinesShareHelpersAndAFailingOneIsLeftOut)
{
    LogCapture log;
    const auto kernels = CIKernel::kernelsWithString(QStringLiteral(
        "vec4 swap(vec4 c) { return c.bgra; }\n"
        "kernel vec4 first(sampler s) { return swap(sample(s, samplerCoord(s))); }\n"
        "kernel vec4 broken(sampler s) {\n"
        "    return undefinedFunction(s);\n"
        "}\n"
        "kernel vec4 third(sampler a, sampler b) { return sample(a, samplerCoord(a)) + swap(sample(b, samplerCoord(b))); }\n"
        "kernel vec4 oddType(matrix m) { return vec4(0.0); }\n"));
    ASSERT_EQ(kernels.size(), 2);
    EXPECT_EQ(kernels[0]->name(), QStringLiteral("first"));
    EXPECT_EQ(kernels[1]->name(), QStringLiteral("third"));
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_TRUE(log.lines()[0].startsWith(QLatin1String("Error: kernel routine 'broken' does not compile: ")));
    EXPECT_TRUE(log.lines()[0].contains(QLatin1String("undefinedFunction")));
    EXPECT_TRUE(log.lines()[1].startsWith(QLatin1String("Error: kernel routine 'oddType'")));
    // The compiler's line numbers are those of the text.
    EXPECT_TRUE(log.lines()[0].contains(QLatin1String(":4(")))
        << log.lines()[0].toStdString();

    const Rendered r(kernels[0]->apply({var(row())}), QRect(0, 0, 3, 1));
    EXPECT_THAT(r.at(0, 0), PixelNear((Pixel{0, 0, 1, 1}), 1e-6f));
    EXPECT_TRUE(CIKernel::kernelsWithString(QStringLiteral("vec4 noRoutines() { return vec4(0.0); }")).isEmpty());
}

TEST(KernelBuiltins, DestCoordIsThePixelCentre)
{
    const auto k = only(QStringLiteral("kernel vec4 where() { return vec4(destCoord(), 0.0, 1.0); }"));
    ASSERT_TRUE(k);
    const CIImage image = k->apply({}, {{kCIApplyOptionExtent, QVariantList{10, 20, 2, 2}}});
    EXPECT_EQ(image.extent(), QRectF(10, 20, 2, 2));
    const Rendered r(image, QRect(10, 20, 2, 2));
    EXPECT_THAT(r.at(11, 20), PixelNear((Pixel{11.5f, 20.5f, 0, 1}), 1e-5f));
}

TEST(KernelBuiltins, SamplerTransformReadsNeighbours)
{
    const auto k = only(QStringLiteral(
        "kernel vec4 shiftLeft(sampler s) { return sample(s, samplerTransform(s, destCoord() + vec2(1.0, 0.0))); }"));
    ASSERT_TRUE(k);
    k->setROICallback([](int, const QRectF& r, const QVariant&) { return r.adjusted(0, 0, 1, 0); });
    const Rendered r(k->apply({var(row())}), QRect(0, 0, 3, 1));
    EXPECT_THAT(r.at(0, 0), PixelNear((Pixel{0, 1, 0, 1}), 1e-6f));
    EXPECT_THAT(r.at(1, 0), PixelNear((Pixel{0, 0, 1, 1}), 1e-6f));
    EXPECT_THAT(r.at(2, 0), PixelNear((Pixel{0, 0, 0, 0}), 1e-6f)); // beyond the edge
}

TEST(KernelBuiltins, SamplerExtentOriginAndSizeAreInImageCoordinates)
{
    const auto k = only(QStringLiteral(
        "kernel vec4 geometry(sampler s, float which) {\n"
        "    return which < 0.5 ? vec4(samplerOrigin(s), samplerSize(s)) : samplerExtent(s);\n"
        "}"));
    ASSERT_TRUE(k);
    const CIImage moved = row().imageByApplyingTransform(QTransform::fromTranslate(5, 6));
    for (double which : {0.0, 1.0}) {
        const Rendered r(k->apply({var(moved), which}), QRect(5, 6, 1, 1));
        EXPECT_THAT(r.at(5, 6), PixelNear((Pixel{5, 6, 3, 1}), 1e-5f)) << which;
    }
}

TEST(KernelBuiltins, PremultiplyUnpremultiplyAndCompare)
{
    const auto k = only(QStringLiteral(
        "kernel vec4 maths(sampler s, float which) {\n"
        "    if (which < 0.5) return unpremultiply(sample(s, samplerCoord(s)));\n"
        "    if (which < 1.5) return premultiply(vec4(1.0, 0.5, 0.0, 0.5));\n"
        "    if (which < 2.5) return vec4(compare(-1.0, 2.0, 3.0), compare(1.0, 2.0, 3.0), 0.0, 1.0);\n"
        "    return compare(vec4(-1.0, 1.0, -1.0, 1.0), vec4(0.0), vec4(1.0));\n"
        "}"));
    ASSERT_TRUE(k);
    const CIImage halfRed = CIImage::imageWithQImage(bitmap(1, 1, {{255, 0, 0, 128}}));
    const float a = 128 / 255.0f;
    const Pixel expected[4] = {{1, 0, 0, a}, {0.5f, 0.25f, 0, 0.5f}, {2, 3, 0, 1}, {0, 1, 0, 1}};
    for (int which = 0; which < 4; ++which) {
        const CIImage out = k->apply({var(halfRed), double(which)},
                                     {{kCIApplyOptionExtent, QVariant::fromValue(QRectF(0, 0, 1, 1))}});
        EXPECT_THAT(Rendered(out, QRect(0, 0, 1, 1)).at(0, 0), PixelNear(expected[which], 1e-5f)) << which;
    }
}

TEST(KernelArguments, NumbersVectorsAndColours)
{
    const auto k = only(QStringLiteral(
        "kernel vec4 args(float f, vec2 a, vec3 b, vec4 c, __color k) { return vec4(f, a.y, b.z, c.w) + k; }"));
    ASSERT_TRUE(k);
    const CIImage out = k->apply({2, QVariant::fromValue(CIVector(0, 3)), QVariant::fromValue(CIVector(0, 0, 4)),
                                  QVariant::fromValue(CIVector(0, 0, 0, 5)), QVariant::fromValue(CIColor(1, 1, 1, 0.5))},
                                 {{kCIApplyOptionExtent, QVariant::fromValue(CIVector(0, 0, 1, 1))}});
    // The colour arrives premultiplied: (0.5, 0.5, 0.5, 0.5).
    EXPECT_THAT(Rendered(out, QRect(0, 0, 1, 1)).at(0, 0), PixelNear((Pixel{2.5f, 3.5f, 4.5f, 5.5f}), 1e-5f));

    LogCapture log;
    EXPECT_TRUE(k->apply({2}).isNull());
    EXPECT_TRUE(k->apply({QStringLiteral("x"), QVariant::fromValue(CIVector(0, 3)), QVariant::fromValue(CIVector(0, 0, 4)),
                          QVariant::fromValue(CIVector(0, 0, 0, 5)), QVariant::fromValue(CIColor(1, 1, 1))})
                    .isNull());
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_TRUE(log.lines()[0].startsWith(QLatin1String("Error: kernel 'args' takes 5 arguments, not 1")));
    EXPECT_TRUE(log.lines()[1].startsWith(QLatin1String("Error: kernel 'args' argument 'f' is not a number")));
}

TEST(KernelSamplers, ClampAndNearestModes)
{
    const auto k = only(QStringLiteral(
        "kernel vec4 at(sampler s, vec2 p) { return sample(s, samplerTransform(s, p)); }"));
    ASSERT_TRUE(k);
    auto read = [&](const CISampler& sampler, double x) {
        const CIImage out = k->apply({QVariant::fromValue(sampler), QVariant::fromValue(CIVector(x, 0.5))},
                                     {{kCIApplyOptionExtent, QVariantList{0, 0, 1, 1}}});
        return Rendered(out, QRect(0, 0, 1, 1)).at(0, 0);
    };
    // Far left of a clamped sampler: the edge pixel; of a plain one: nothing.
    k->setROICallback([](int, const QRectF&, const QVariant&) { return QRectF(-10, 0, 20, 1); });
    EXPECT_THAT(read(CISampler(row(), CISampler::Wrap::Clamp), -5), PixelNear((Pixel{1, 0, 0, 1}), 1e-6f));
    EXPECT_THAT(read(CISampler(row()), -5), PixelNear((Pixel{0, 0, 0, 0}), 1e-6f));
    // Between the first two pixels: blended, or the nearer one.
    EXPECT_THAT(read(CISampler(row()), 1.0), PixelNear((Pixel{0.5f, 0.5f, 0, 1}), 1e-6f));
    EXPECT_THAT(read(CISampler(row(), CISampler::Wrap::None, CISampler::Filter::Nearest), 0.9),
                PixelNear((Pixel{1, 0, 0, 1}), 1e-6f));
}

TEST(KernelApply, ROICallbackGetsTheRequestedRectanglePerSampler)
{
    const auto k = only(QStringLiteral(
        "kernel vec4 mixTwo(sampler a, sampler b) { return 0.5 * (sample(a, samplerCoord(a)) + sample(b, samplerCoord(b))); }"));
    ASSERT_TRUE(k);
    struct Call {
        int index;
        QRectF rect;
        QVariant info;
    };
    std::vector<Call> calls;
    k->setROICallback([&calls](int index, const QRectF& dest, const QVariant& info) {
        calls.push_back({index, dest, info});
        return index == 0 ? dest : dest.adjusted(-1, -1, 1, 1);
    });
    const CIImage big = CIImage::imageWithColor(CIColor(1, 1, 1)).imageByCroppingToRect(QRectF(0, 0, 1000, 1000));
    CIFilter filter;
    const CIImage out = filter.apply(k, {var(big), var(big)},
                                     {{kCIApplyOptionExtent, QVariantList{0, 0, 1000, 1000}},
                                      {kCIApplyOptionDefinition, QVariant::fromValue(big.definition())},
                                      {kCIApplyOptionUserInfo, QStringLiteral("info")}});
    EXPECT_TRUE(calls.empty()); // building renders nothing
    const Rendered r(out, QRect(2, 3, 4, 5));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].index, 0);
    EXPECT_EQ(calls[1].index, 1);
    EXPECT_EQ(calls[0].rect, QRectF(2, 3, 4, 5)); // only what was asked for
    EXPECT_EQ(calls[1].rect, QRectF(2, 3, 4, 5));
    EXPECT_EQ(calls[0].info.toString(), QStringLiteral("info"));
    EXPECT_THAT(r.at(2, 3), PixelNear((Pixel{1, 1, 1, 1}), 1e-6f));

    // The explicit form uses its own callback.
    int explicitCalls = 0;
    const CIImage other = filter.apply(k, QRectF(0, 0, 10, 10),
                                       [&](int, const QRectF& d, const QVariant&) { ++explicitCalls; return d; },
                                       {var(big), var(big)});
    EXPECT_EQ(other.extent(), QRectF(0, 0, 10, 10));
    Rendered(other, QRect(0, 0, 1, 1));
    EXPECT_EQ(explicitCalls, 2);
    EXPECT_EQ(calls.size(), 2u);
}

TEST(KernelApply, ExtentAndDefinitionOptions)
{
    const auto k = only(QStringLiteral("kernel vec4 copy(sampler s) { return sample(s, samplerCoord(s)); }"));
    ASSERT_TRUE(k);
    const CIImage image = row();
    // Without options: the sampler's definition and extent.
    EXPECT_EQ(k->apply({var(image)}).extent(), QRectF(0, 0, 3, 1));
    // The four-number form of the extent (x, y truncated; w, h floats).
    const CIImage out = k->apply({var(image)}, {{kCIApplyOptionExtent, QVariantList{10, -3, 100.5, 50.25}},
                                                {kCIApplyOptionDefinition,
                                                 QVariant::fromValue(CIFilterShape::shapeWithRect(QRectF(0, 0, 2, 1)))}});
    EXPECT_EQ(out.extent(), QRectF(10, -3, 100.5, 50.25));
    EXPECT_EQ(out.definition().extent(), QRectF(0, 0, 2, 1));
    // Nothing is drawn outside the definition.
    const Rendered r(out, QRect(0, 0, 3, 1));
    EXPECT_THAT(r.at(2, 0), PixelNear((Pixel{0, 0, 0, 0}), 0));
    // A nil sampler reads transparent.
    const Rendered n(k->apply({QVariant()}, {{kCIApplyOptionExtent, QVariantList{0, 0, 1, 1}}}), QRect(0, 0, 1, 1));
    EXPECT_THAT(n.at(0, 0), PixelNear((Pixel{0, 0, 0, 0}), 0));
    // A nil kernel gives nil without a message.
    LogCapture log;
    EXPECT_TRUE(CIFilter().apply(nullptr, {var(image)}).isNull());
    EXPECT_TRUE(log.lines().isEmpty());
}
