// The kernel language: routines parsed from text, compile failures, every
// built-in function of the dialect, argument types, options and the
// region-of-interest callback.

#include "tests/support/Pixels.h"

#include "platform/image/CIFilter.h"
#include "platform/image/CIGeometry.h"
#include "platform/image/CIKernel.h"
#include "platform/image/CISampler.h"
#include "platform/image/GLEngine.h"
#include "platform/image/KernelTranslation.h"
#include "tests/support/LogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

CIKernelPtr only(const QString& text)
{
    const auto kernels = CIKernel::kernelsWithString(text);
    return kernels.size() == 1 ? kernels.first() : nullptr;
}

// Red, green, blue in a row.
CIImage row()
{
    return CIImage::imageWithQImage(bitmap(3, 1, {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}}));
}

} // namespace

TEST(KernelText, SeveralRoutinesShareHelpersAndAFailingOneIsLeftOut)
{
    LogCapture log;
    const auto kernels = CIKernel::kernelsWithString(QStringLiteral(
        "/* a comment with kernel vec4 fake(sampler s) { } inside */\n"
        "vec4 swap(vec4 c) { return c.bgra; } // swap() here\n"
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
    EXPECT_TRUE(log.lines()[0].contains(QLatin1String(":5("))) << log.lines()[0].toStdString();

    const Rendered r(kernels[0]->apply({boxed(row())}), QRect(0, 0, 3, 1));
    EXPECT_THAT(r.at(0, 0), PixelNear((Pixel{0, 0, 1, 1}), 1e-6f));
    EXPECT_TRUE(CIKernel::kernelsWithString(QStringLiteral("vec4 noRoutines() { return vec4(0.0); }")).isEmpty());
}

TEST(KernelText, AFileIsCheckedInOneCompileOnlyWhereThatSpeaksForEachRoutine)
{
    const QString good = QStringLiteral("kernel vec4 a(sampler s) { return sample(s, samplerCoord(s)); }\n");
    struct Row { const char* name; QString text; bool oneCompile; QStringList kept; };
    const Row rows[] = {
        {"all compile", good + "kernel vec4 b(sampler s, float k) { return k * sample(s, samplerCoord(s)); }", true, {"a", "b"}},
        {"one fails", good + "kernel vec4 b(sampler s) { return undefinedFunction(s); }", true, {"a"}},
        // Alone, b does not see a: the text together would pass it.
        {"one calls another", good + "kernel vec4 b(sampler s) { return a(s); }", false, {"a"}},
    };
    for (const Row& row : rows) {
        LogCapture log;
        EXPECT_EQ(!KernelTranslation::wholeText(row.text).isEmpty(), row.oneCompile) << row.name;
        QStringList kept;
        for (const auto& kernel : CIKernel::kernelsWithString(row.text))
            kept << kernel->name();
        EXPECT_EQ(kept, row.kept) << row.name;
    }
}

TEST(KernelText, RoutinesAreLinkedOnlyWhenFirstDrawn)
{
    // A kit's file holds many routines and a render draws few: each link
    // costs a compile in the driver, so loading links none.
    Engine::GL* gl = Engine::GL::instance();
    const quint64 before = gl->linkCount();
    const auto kernels = CIKernel::kernelsWithString(QStringLiteral(
        "kernel vec4 unusedA(sampler s) { return sample(s, samplerCoord(s)).gbra; }\n"
        "kernel vec4 drawn(sampler s) { return sample(s, samplerCoord(s)).bgra; }\n"
        "kernel vec4 unusedB(sampler s) { return sample(s, samplerCoord(s)).rbga; }\n"));
    ASSERT_EQ(kernels.size(), 3);
    EXPECT_EQ(gl->linkCount(), before);
    quint64 afterFirst = 0;
    for (int i = 0; i < 2; ++i) {
        const Rendered r(kernels[1]->apply({boxed(row())}), QRect(0, 0, 3, 1));
        EXPECT_THAT(r.at(0, 0), PixelNear((Pixel{0, 0, 1, 1}), 1e-6f));
        afterFirst = i == 0 ? gl->linkCount() : afterFirst;
    }
    EXPECT_GT(afterFirst, before);
    EXPECT_EQ(gl->linkCount(), afterFirst); // linked once
}

TEST(KernelBuiltins, EveryFunctionArgumentTypeAndSamplerMode)
{
    const CIImage halfRed = CIImage::imageWithQImage(bitmap(1, 1, {{255, 0, 0, 128}}));
    const CIImage moved = row().imageByApplyingTransform(QTransform::fromTranslate(5, 6));
    const float a = 128 / 255.0f;
    const QString read = "kernel vec4 at(sampler s, vec2 p) { return sample(s, samplerTransform(s, p)); }";
    const QString neighbour = "kernel vec4 k(sampler s) { return sample(s, samplerTransform(s, destCoord() + vec2(1.0, 0.0))); }";
    const auto at = [](const CISampler& s, double x) { return QVariantList{boxed(s), boxed(CIVector(x, 0.5))}; };
    const QVariant unit = QVariantList{0, 0, 1, 1};
    // extent: in its three forms, numbers, a rectangle, a vector.
    struct Row { const char* name; QString text; QVariantList args; QVariant extent; QPoint at; Pixel want; };
    const Row rows[] = {
        {"destCoord is the pixel centre", "kernel vec4 k() { return vec4(destCoord(), 0.0, 1.0); }", {},
         QVariantList{10, 20, 2, 2}, {11, 20}, {11.5f, 20.5f, 0, 1}},
        {"samplerTransform reads the neighbour", neighbour, {boxed(row())}, {}, {0, 0}, {0, 1, 0, 1}},
        {"... the next one", neighbour, {boxed(row())}, {}, {1, 0}, {0, 0, 1, 1}},
        {"... and beyond the edge nothing", neighbour, {boxed(row())}, {}, {2, 0}, {0, 0, 0, 0}},
        {"origin and size in image coordinates",
         "kernel vec4 k(sampler s) { return vec4(samplerOrigin(s), samplerSize(s)); }", {boxed(moved)}, {}, {5, 6}, {5, 6, 3, 1}},
        {"extent in image coordinates", "kernel vec4 k(sampler s) { return samplerExtent(s); }", {boxed(moved)}, {}, {5, 6},
         {5, 6, 3, 1}},
        {"unpremultiply", "kernel vec4 k(sampler s) { return unpremultiply(sample(s, samplerCoord(s))); }",
         {boxed(halfRed)}, {}, {0, 0}, {1, 0, 0, a}},
        {"premultiply", "kernel vec4 k() { return premultiply(vec4(1.0, 0.5, 0.0, 0.5)); }", {}, boxed(QRectF(0, 0, 1, 1)),
         {0, 0}, {0.5f, 0.25f, 0, 0.5f}},
        {"compare of numbers", "kernel vec4 k() { return vec4(compare(-1.0, 2.0, 3.0), compare(1.0, 2.0, 3.0), 0.0, 1.0); }",
         {}, unit, {0, 0}, {2, 3, 0, 1}},
        {"compare of vectors", "kernel vec4 k() { return compare(vec4(-1.0, 1.0, -1.0, 1.0), vec4(0.0), vec4(1.0)); }", {},
         unit, {0, 0}, {0, 1, 0, 1}},
        {"numbers, vectors and a colour that arrives premultiplied",
         "kernel vec4 k(float f, vec2 a, vec3 b, vec4 c, __color k) { return vec4(f, a.y, b.z, c.w) + k; }",
         {2, boxed(CIVector(0, 3)), boxed(CIVector(0, 0, 4)), boxed(CIVector(0, 0, 0, 5)), boxed(CIColor(1, 1, 1, 0.5))},
         boxed(CIVector(0, 0, 1, 1)), {0, 0}, {2.5f, 3.5f, 4.5f, 5.5f}},
        {"far left of a clamped sampler: the edge pixel", read, at(CISampler(row(), CISampler::Wrap::Clamp), -5), unit,
         {0, 0}, {1, 0, 0, 1}},
        {"far left of a plain sampler: nothing", read, at(CISampler(row()), -5), unit, {0, 0}, {0, 0, 0, 0}},
        {"between two pixels: blended", read, at(CISampler(row()), 1.0), unit, {0, 0}, {0.5f, 0.5f, 0, 1}},
        {"between two pixels, nearest: the nearer one", read,
         at(CISampler(row(), CISampler::Wrap::None, CISampler::Filter::Nearest), 0.9), unit, {0, 0}, {1, 0, 0, 1}},
        {"a nil sampler reads transparent", "kernel vec4 k(sampler s) { return sample(s, samplerCoord(s)); }", {QVariant()},
         unit, {0, 0}, {0, 0, 0, 0}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const auto k = only(r.text);
        ASSERT_TRUE(k);
        k->setROICallback([](int, const QRectF& dest, const QVariant&) { return dest.adjusted(-10, -10, 10, 10); });
        QVariantMap options;
        if (r.extent.isValid())
            options[kCIApplyOptionExtent] = r.extent;
        EXPECT_THAT(Rendered(k->apply(r.args, options), QRect(r.at, QSize(1, 1))).at(r.at.x(), r.at.y()),
                    PixelNear(r.want, 1e-5f));
    }
    // Arguments of the wrong number or type give null and say so.
    const auto k = only(rows[10].text);
    LogCapture log;
    EXPECT_TRUE(k->apply({2}).isNull());
    QVariantList wrongType = rows[10].args;
    wrongType[0] = QStringLiteral("x");
    EXPECT_TRUE(k->apply(wrongType).isNull());
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_TRUE(log.lines()[0].startsWith(QLatin1String("Error: kernel 'k' takes 5 arguments, not 1")));
    EXPECT_TRUE(log.lines()[1].startsWith(QLatin1String("Error: kernel 'k' argument 'f' is not a number")));
}

TEST(KernelApply, ROICallbackGetsTheRequestedRectanglePerSampler)
{
    const auto k = only(QStringLiteral(
        "kernel vec4 mixTwo(sampler a, sampler b) { return 0.5 * (sample(a, samplerCoord(a)) + sample(b, samplerCoord(b))); }"));
    ASSERT_TRUE(k);
    std::vector<std::tuple<int, QRectF, QString>> calls;
    k->setROICallback([&calls](int index, const QRectF& dest, const QVariant& info) {
        calls.emplace_back(index, dest, info.toString());
        return index == 0 ? dest : dest.adjusted(-1, -1, 1, 1);
    });
    const CIImage big = CIImage::imageWithColor(CIColor(1, 1, 1)).imageByCroppingToRect(QRectF(0, 0, 1000, 1000));
    CIFilter filter;
    const CIImage out = filter.apply(k, {boxed(big), boxed(big)},
                                     {{kCIApplyOptionExtent, QVariantList{0, 0, 1000, 1000}},
                                      {kCIApplyOptionDefinition, boxed(big.definition())},
                                      {kCIApplyOptionUserInfo, QStringLiteral("info")}});
    EXPECT_TRUE(calls.empty()); // building renders nothing
    const Rendered r(out, QRect(2, 3, 4, 5));
    // Only what was asked for.
    EXPECT_EQ(calls, (decltype(calls){{0, QRectF(2, 3, 4, 5), "info"}, {1, QRectF(2, 3, 4, 5), "info"}}));
    EXPECT_THAT(r.at(2, 3), PixelNear((Pixel{1, 1, 1, 1}), 1e-6f));
    // The explicit form has an extent of its own.
    const CIImage other = filter.apply(k, QRectF(0, 0, 10, 10), [](int, const QRectF& d, const QVariant&) { return d; },
                                       {boxed(big), boxed(big)});
    EXPECT_EQ(other.extent(), QRectF(0, 0, 10, 10));
}

TEST(KernelApply, ExtentAndDefinitionOptions)
{
    const auto k = only(QStringLiteral("kernel vec4 copy(sampler s) { return sample(s, samplerCoord(s)); }"));
    ASSERT_TRUE(k);
    const CIImage image = row();
    // Without options: the sampler's definition and extent.
    EXPECT_EQ(k->apply({boxed(image)}).extent(), QRectF(0, 0, 3, 1));
    // The four-number form of the extent (x, y truncated; w, h floats).
    const CIImage out = k->apply({boxed(image)}, {{kCIApplyOptionExtent, QVariantList{10, -3, 100.5, 50.25}},
                                                {kCIApplyOptionDefinition,
                                                 boxed(CIFilterShape::shapeWithRect(QRectF(0, 0, 2, 1)))}});
    EXPECT_EQ(out.extent(), QRectF(10, -3, 100.5, 50.25));
    EXPECT_EQ(out.definition().extent(), QRectF(0, 0, 2, 1));
    // Nothing is drawn outside the definition.
    const Rendered r(out, QRect(0, 0, 3, 1));
    EXPECT_THAT(r.at(2, 0), PixelNear((Pixel{0, 0, 0, 0}), 0));
    // A null kernel gives null without a message.
    LogCapture log;
    EXPECT_TRUE(CIFilter().apply(nullptr, {boxed(image)}).isNull());
    EXPECT_TRUE(log.lines().isEmpty());
}
