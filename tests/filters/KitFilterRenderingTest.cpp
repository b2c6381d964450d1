// Every kit filter, made by name: without setDefaults it renders as with
// them, a copy renders as the original, and rendering in tiles gives what
// rendering whole gives (a wrong region of interest shows at tile edges).
// Add a row per filter.

#include "filters/LXFilterConstructor.h"
#include "tests/support/Pixels.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using Setter = std::function<void(CIFilter&)>;

struct Row {
    const char* className;
    Setter images;   // the inputs that have no defaults
    Setter settings; // further inputs, by key, for the copy and tile checks
    QRect area = QRect(-2, -2, 68, 52); // what is rendered
    // Tiles may differ by this much: the engine's large blurs work on a
    // reduced copy aligned to the rendered rectangle. A wrong region of
    // interest shows as pixels off by their whole value.
    double tileTolerance = 1e-3;
};

CIImage picture(int w, int h, double dx = 0, double dy = 0)
{
    return patternImage(w, h).imageByApplyingTransform(QTransform::fromTranslate(dx, dy));
}

// Inputs by key.
Setter with(const QVariantMap& values)
{
    return [values](CIFilter& f) {
        for (auto it = values.begin(); it != values.end(); ++it)
            f.setValue(it.value(), it.key());
    };
}

// The single image of a per-pixel filter, placed at (dx, dy).
Setter image(double dx = 0, double dy = 0)
{
    return with({{"inputImage", boxed(picture(64, 48, dx, dy))}});
}

// A small pattern, placed off the origin, over a picture.
Setter layers()
{
    return with({{"inputBackgroundImage", boxed(picture(64, 48))}, {"inputImage", boxed(picture(13, 9, 20, 15))}});
}

QVariant color(double r, double g, double b, double a = 1)
{
    return boxed(CIColor(r, g, b, a));
}

std::shared_ptr<CIFilter> byName(const char* className)
{
    const QString name = QString::fromLatin1(className);
    LXFilterConstructor::registerFilterInDescription(
        {{"CIPlugInFilterList", QVariantMap{{name, QVariantMap{{"CIFilterClass", name}}}}}});
    return CIFilter::filterWithName(name);
}

const std::vector<Row>& rows()
{
    static const std::vector<Row> table = {
        {"LXAffineTransformFilter", image(3, 2),
         with({{"inputAngle", 30.0}, {"inputScale", boxed(CIVector(1.5, 0.75))}, {"inputTranslation", boxed(CIVector(7, -3))},
               {"inputKeepExtent", true}, {"inputPreCropRect", QRectF(3, 2, 40, 30)}}),
         QRect(-20, -20, 110, 100)},
        {"LXGaussianBlurFilter", image(), with({{"inputRadius", 4.5}, {"forceInside", true}}), QRect(-35, -35, 134, 118), 0.02},
        {"LXSimpleShadowFilter", image(),
         with({{"inputRadius", 3.0}, {"inputDistance", 7.5}, {"inputDirection", 200.0}, {"inputColor", color(0.2, 0.1, 0.6, 0.9)}}),
         QRect(-25, -30, 115, 100), 0.02},
        {"LXReflectionFilter", image(0, 10),
         with({{"inputHeight", 0.8}, {"inputIntensity", 0.7}, {"inputDistance", 0.35}, {"inputProportion", 10.0}}),
         QRect(-2, -40, 68, 100)},
        {"LXBlurCompositionFilter",
         with({{"inputImage", boxed(solid(CIColor(1, 1, 1, 0.3), QRectF(8, 6, 40, 30)))},
               {"inputBackgroundImage", boxed(picture(64, 48))}}),
         with({{"inputRadius", 6.0}, {"inputMargin", boxed(CIVector(2, 3, 4, 5))}, {"useDistortion", true}}),
         QRect(-2, -2, 68, 52), 0.02},
        // The colour filters: one image, their own settings.
        {"LXDimmedBWFilter", image(), with({{"inputBrightness", 0.9}})},
        {"LXKeepColorFilter", image(), with({{"inputColor", color(0, 1, 0)}})},
        {"LXReplaceColorFilter", image(), with({{"inputColor", color(0, 0.4, 1)}, {"inputTargetColor", color(1, 0.5, 0)}})},
        {"LXRotateColorFilter", image(), with({{"inputAngle", 0.2}})},
        {"LXSRGBConversionFilter", image(), with({{"toRGB", true}})},
        {"LXColorMultiplyFilter", image(), with({{"inputColor", color(1, 0.2, 0.5)}})},
        {"LXGradientMapFilter", image(), with({{"inputColor", color(0.9, 0.8, 0.2)}})},
        // The gradient as text: red to blue.
        {"LXGradientMultiplyFilter", image(), with({{"inputAngle", 200.0}, {"inputGradient", "0 1 0 0 1 1 0 0 1 1"}})},
        // The compositing filters: a pattern over a picture.
        {"LXCombineFilter", layers(), with({{"blendMode", "multiply"}})},
        {"LXCombineMaskFilter", layers(), with({{"inputCornerRadius", 6.0}, {"inputScale", 0.8}})},
        {"LXImageOverlayFilter", layers(), with({{"inputRotation", 30.0}})},
    };
    return table;
}

} // namespace

TEST(KitFilterRendering, ByNameDefaultsCopiesAndTiles)
{
    for (const Row& row : rows()) {
        SCOPED_TRACE(row.className);
        const auto bare = byName(row.className);
        const auto defaulted = byName(row.className);
        const auto tuned = byName(row.className);
        ASSERT_TRUE(bare && defaulted && tuned);
        row.images(*bare);
        defaulted->setDefaults();
        row.images(*defaulted);
        tuned->setDefaults();
        row.images(*tuned);
        row.settings(*tuned);
        const auto twin = tuned->copy();
        ASSERT_TRUE(twin);

        const CIImage plain = bare->outputImage();
        const CIImage tunedImage = tuned->outputImage();
        ASSERT_FALSE(plain.isNull() || tunedImage.isNull());
        EXPECT_EQ(renderDifference(plain, defaulted->outputImage(), row.area), 0.0);
        EXPECT_EQ(renderDifference(tunedImage, twin->outputImage(), row.area), 0.0);
        EXPECT_GT(renderDifference(tunedImage, plain, row.area), 0.01); // the settings did something
        for (const CIImage& image : {plain, tunedImage})
            EXPECT_THAT(tiledDifference(image, row.area, 23, 17),
                        testing::AllOf(testing::Ge(0.0), testing::Le(row.tileTolerance)));
    }
}

// A colour change of an opaque photo is known opaque (its flattened copy is
// then copied by the last pass and nothing is drawn under it), and truly
// so; a translucent tint or a translucent photo is not.
TEST(KitFilterRendering, AColourChangeOfAnOpaquePhotoIsKnownOpaqueWhereItIs)
{
    QImage bytes(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            bytes.setPixel(x, y, qRgb(x * 4, y * 5, (x * y) % 256));
    const CIImage opaque = CIImage::imageWithQImage(bytes), translucent = picture(64, 48);
    const struct { const char* name; Setter settings; bool opaque; } cases[] = {
        {"LXDimmedBWFilter", with({}), true}, {"LXKeepColorFilter", with({}), true},
        {"LXReplaceColorFilter", with({}), true}, {"LXRotateColorFilter", with({}), true},
        {"LXSRGBConversionFilter", with({}), true}, {"LXColorMultiplyFilter", with({}), true},
        {"LXColorMultiplyFilter", with({{"inputColor", color(1, 0.2, 0.5, 0.6)}}), false},
        {"CIColorInvert", with({}), true},
        {"LXGradientMapFilter", with({}), true}, {"LXGradientMultiplyFilter", with({}), true},
        {"LXGradientMultiplyFilter", with({{"inputGradient", "0 1 0 0 0.5 1 0 0 1 1"}}), false},
    };
    for (const auto& c : cases)
        for (const CIImage& photo : {opaque, translucent}) {
            SCOPED_TRACE(c.name);
            const auto filter = std::string(c.name).starts_with("CI") ? CIFilter::filterWithName(c.name) : byName(c.name);
            ASSERT_TRUE(filter);
            filter->setDefaults();
            filter->setValue(boxed(photo), kCIInputImageKey);
            c.settings(*filter);
            const CIImage out = filter->outputImage();
            const bool known = photo == opaque && c.opaque;
            EXPECT_EQ(out.isOpaque(), known);
            const std::vector<float> pixels = CIContext().renderToFloats(out, QRectF(0, 0, 64, 48));
            ASSERT_FALSE(pixels.empty());
            for (size_t i = 3; known && i < pixels.size(); i += 4)
                ASSERT_EQ(pixels[i], 1.0f) << i / 4;
        }
}
