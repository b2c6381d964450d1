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

void set(CIFilter& f, const char* key, const QVariant& value)
{
    f.setValue(value, QString::fromLatin1(key));
}

QVariant color(double r, double g, double b)
{
    return QVariant::fromValue(CIColor(r, g, b));
}

// The single image of a per-pixel filter.
Setter image()
{
    return [](CIFilter& f) { set(f, "inputImage", QVariant::fromValue(picture(64, 48))); };
}

// A small pattern, placed off the origin, over a picture.
Setter layers()
{
    return [](CIFilter& f) {
        set(f, "inputBackgroundImage", QVariant::fromValue(picture(64, 48)));
        set(f, "inputImage", QVariant::fromValue(picture(13, 9, 20, 15)));
    };
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
        {"LXAffineTransformFilter",
         [](CIFilter& f) { set(f, "inputImage", QVariant::fromValue(picture(64, 48, 3, 2))); },
         [](CIFilter& f) {
             set(f, "inputAngle", 30.0);
             set(f, "inputScale", QVariant::fromValue(CIVector(1.5, 0.75)));
             set(f, "inputTranslation", QVariant::fromValue(CIVector(7, -3)));
             set(f, "inputKeepExtent", true);
             set(f, "inputPreCropRect", QRectF(3, 2, 40, 30));
         },
         QRect(-20, -20, 110, 100)},
        {"LXGaussianBlurFilter",
         [](CIFilter& f) { set(f, "inputImage", QVariant::fromValue(picture(64, 48))); },
         [](CIFilter& f) {
             set(f, "inputRadius", 4.5);
             set(f, "forceInside", true);
         },
         QRect(-35, -35, 134, 118), 0.02},
        {"LXSimpleShadowFilter",
         [](CIFilter& f) { set(f, "inputImage", QVariant::fromValue(picture(64, 48))); },
         [](CIFilter& f) {
             set(f, "inputRadius", 3.0);
             set(f, "inputDistance", 7.5);
             set(f, "inputDirection", 200.0);
             set(f, "inputColor", QVariant::fromValue(CIColor(0.2, 0.1, 0.6, 0.9)));
         },
         QRect(-25, -30, 115, 100), 0.02},
        {"LXReflectionFilter",
         [](CIFilter& f) { set(f, "inputImage", QVariant::fromValue(picture(64, 48, 0, 10))); },
         [](CIFilter& f) {
             set(f, "inputHeight", 0.8);
             set(f, "inputIntensity", 0.7);
             set(f, "inputDistance", 0.35);
             set(f, "inputProportion", 10.0);
         },
         QRect(-2, -40, 68, 100)},
        {"LXBlurCompositionFilter",
         [](CIFilter& f) {
             set(f, "inputImage", QVariant::fromValue(CIImage::imageWithColor(CIColor(1, 1, 1, 0.3))
                                                         .imageByCroppingToRect(QRectF(8, 6, 40, 30))));
             set(f, "inputBackgroundImage", QVariant::fromValue(picture(64, 48)));
         },
         [](CIFilter& f) {
             set(f, "inputRadius", 6.0);
             set(f, "inputMargin", QVariant::fromValue(CIVector(2, 3, 4, 5)));
             set(f, "useDistortion", true);
         },
         QRect(-2, -2, 68, 52), 0.02},
        // The colour filters: one image, their own settings.
        {"LXDimmedBWFilter", image(), [](CIFilter& f) { set(f, "inputBrightness", 0.9); }},
        {"LXKeepColorFilter", image(), [](CIFilter& f) { set(f, "inputColor", color(0, 1, 0)); }},
        {"LXReplaceColorFilter", image(),
         [](CIFilter& f) {
             set(f, "inputColor", color(0, 0.4, 1));
             set(f, "inputTargetColor", color(1, 0.5, 0));
         }},
        {"LXRotateColorFilter", image(), [](CIFilter& f) { set(f, "inputAngle", 0.2); }},
        {"LXSRGBConversionFilter", image(), [](CIFilter& f) { set(f, "toRGB", true); }},
        {"LXColorMultiplyFilter", image(), [](CIFilter& f) { set(f, "inputColor", color(1, 0.2, 0.5)); }},
        {"LXGradientMapFilter", image(), [](CIFilter& f) { set(f, "inputColor", color(0.9, 0.8, 0.2)); }},
        {"LXGradientMultiplyFilter", image(),
         [](CIFilter& f) {
             set(f, "inputAngle", 200.0);
             set(f, "inputGradient", QStringLiteral("0 1 0 0 1 1 0 0 1 1")); // red to blue, as text
         }},
        // The compositing filters: a pattern over a picture.
        {"LXCombineFilter", layers(), [](CIFilter& f) { set(f, "blendMode", QStringLiteral("multiply")); }},
        {"LXCombineMaskFilter", layers(),
         [](CIFilter& f) {
             set(f, "inputCornerRadius", 6.0);
             set(f, "inputScale", 0.8);
         }},
        {"LXImageOverlayFilter", layers(), [](CIFilter& f) { set(f, "inputRotation", 30.0); }},
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
        ASSERT_FALSE(plain.isNull());
        ASSERT_FALSE(tunedImage.isNull());
        EXPECT_EQ(plain.extent(), defaulted->outputImage().extent());
        EXPECT_EQ(renderDifference(plain, defaulted->outputImage(), row.area), 0.0);
        EXPECT_EQ(renderDifference(tunedImage, twin->outputImage(), row.area), 0.0);
        EXPECT_GT(renderDifference(tunedImage, plain, row.area), 0.01); // the settings did something
        for (const CIImage& image : {plain, tunedImage}) {
            const double tiled = tiledDifference(image, row.area, 23, 17);
            EXPECT_GE(tiled, 0.0);
            EXPECT_LE(tiled, row.tileTolerance);
        }
    }
}
