#include "filters/LXCombineFilters.h"

#include "platform/image/CISampler.h"

namespace {

QVariantMap number(double value, double min, double max)
{
    return {{kCIAttributeDefault, value}, {kCIAttributeSliderMin, min}, {kCIAttributeSliderMax, max}};
}

} // namespace

// --- Combine -------------------------------------------------------------------

LXCombineFilter::LXCombineFilter(QObject* parent) : LXFilter(parent)
{
    static const bool registered = (registerInputKeys(staticMetaObject, {"inputImage", "inputBackgroundImage",
                                                                         "inputBackgroundIntensity",
                                                                         "inputIntensity", "blendMode"}),
                                    true);
    Q_UNUSED(registered)
}

const QStringList& LXCombineFilter::combinableBlendModes()
{
    static const QStringList modes{QStringLiteral("sourceOver"), QStringLiteral("multiply"),
                                   QStringLiteral("negativeMultiply")};
    return modes;
}

bool LXCombineFilter::isCombinableBlendMode(const QString& mode)
{
    return combinableBlendModes().contains(mode);
}

QVariantMap LXCombineFilter::customAttributes() const
{
    return {{"inputIntensity", number(1.0, 0.0, 1.0)},
            {"inputBackgroundIntensity", number(1.0, 0.0, 1.0)},
            {"blendMode", QVariantMap{{kCIAttributeDefault, QStringLiteral("sourceOver")},
                                      {kLXAttributeChoices, combinableBlendModes()}}}};
}

CIImage LXCombineFilter::outputImage()
{
    const CIImage background = imageValue(inputBackgroundImage);
    if (background.isNull())
        return {};
    const QString mode = blendMode.isValid() ? blendMode.toString() : attributeDefault("blendMode").toString();
    return applyOverImage(kernelWithName(mode), background,
                          {sampler(background), sampler(imageValue(inputImage)),
                           numberInput(inputBackgroundIntensity, "inputBackgroundIntensity", 1.0),
                           numberInput(inputIntensity, "inputIntensity", 1.0)});
}

// --- Combine through a mask ----------------------------------------------------

LXCombineMaskFilter::LXCombineMaskFilter(QObject* parent) : LXFilter(parent)
{
    static const bool registered = (registerInputKeys(staticMetaObject, {"inputImage", "inputBackgroundImage",
                                                                         "inputCornerRadius", "inputScale"}),
                                    true);
    Q_UNUSED(registered)
}

QVariantMap LXCombineMaskFilter::customAttributes() const
{
    return {{"inputCornerRadius", number(0.0, 0.0, 100.0)}, {"inputScale", number(1.0, 0.0, 2.0)}};
}

CIImage LXCombineMaskFilter::outputImage()
{
    const CIImage background = imageValue(inputBackgroundImage);
    return applyOverImage(kernel(), background,
                          {sampler(background), sampler(imageValue(inputImage)),
                           numberInput(inputCornerRadius, "inputCornerRadius"), numberInput(inputScale, "inputScale", 1.0),
                           QVariant::fromValue(CIVector(1, 1))});
}

// --- Image overlay -------------------------------------------------------------

LXImageOverlayFilter::LXImageOverlayFilter(QObject* parent) : LXFilter(parent)
{
    static const bool registered =
        (registerInputKeys(staticMetaObject, {"inputImage", "inputBackgroundImage", "inputRotation"}), true);
    Q_UNUSED(registered)
}

QVariantMap LXImageOverlayFilter::customAttributes() const
{
    return {{"inputRotation", QVariantMap{{kCIAttributeDefault, 0.0},
                                          {kCIAttributeSliderMin, 0.0},
                                          {kCIAttributeSliderMax, 360.0},
                                          {kCIAttributeType, kCIAttributeTypeAngle}}}};
}

CIImage LXImageOverlayFilter::outputImage()
{
    const CIImage background = imageValue(inputBackgroundImage);
    const CIImage pattern = imageValue(inputImage);
    if (background.isNull())
        return {};
    CIImage tiled;
    if (!pattern.isNull()) {
        const auto tile = CIFilter::filterWithName(QStringLiteral("CIAffineTile"));
        if (!tile)
            return {};
        tile->setValue(QVariant::fromValue(pattern), kCIInputImageKey);
        tile->setValue(QVariant::fromValue(QTransform().rotate(numberInput(inputRotation, "inputRotation"))),
                       kCIInputTransformKey);
        tiled = tile->outputImage();
    }
    return applyOverImage(kernel(), background, {sampler(background), sampler(tiled)});
}
