#include "filters/LXColorFilters.h"

#include "graphics/ImageExtension.h"
#include "platform/image/CISampler.h"

#include <algorithm>

namespace {

QVariantMap slider(double value, double min = 0.0, double max = 1.0, bool distance = false)
{
    QVariantMap attributes{{kCIAttributeDefault, value}, {kCIAttributeSliderMin, min}, {kCIAttributeSliderMax, max}};
    if (distance)
        attributes.insert(kCIAttributeType, kCIAttributeTypeDistance);
    return attributes;
}

QVariantMap colorAttribute(const CIColor& color, bool distance = false)
{
    QVariantMap attributes{{kCIAttributeDefault, QVariant::fromValue(color)}};
    if (distance)
        attributes.insert(kCIAttributeType, kCIAttributeTypeDistance);
    return attributes;
}

// The HSV hue of a colour; 0 without one.
double hueOf(const CIColor& color)
{
    return color.isNull() ? 0.0 : hsv(color).hue;
}

} // namespace

// --- Dimmed black and white -------------------------------------------------

LXDimmedBWFilter::LXDimmedBWFilter(QObject* parent) : LXFilter(parent)
{
    static const bool registered = (registerInputKeys(staticMetaObject, {"inputImage", "inputBrightness"}), true);
    Q_UNUSED(registered)
}

LXDimmedBWFilter& LXDimmedBWFilter::sharedDimmedBWFilter()
{
    static auto* shared = [] {
        auto* filter = new LXDimmedBWFilter;
        filter->setDefaults();
        return filter;
    }();
    return *shared;
}

QVariantMap LXDimmedBWFilter::customAttributes() const
{
    return {{"inputBrightness", slider(0.6)}};
}

CIImage LXDimmedBWFilter::outputImage()
{
    const CIImage image = imageValue(inputImage);
    return applyOverImage(kernel(), image, {sampler(image), numberInput(inputBrightness, "inputBrightness")}, true);
}

// --- Keep colour ---------------------------------------------------------------

LXKeepColorFilter::LXKeepColorFilter(QObject* parent) : LXFilter(parent)
{
    static const bool registered =
        (registerInputKeys(staticMetaObject, {"inputImage", "inputColor", "inputIntensity"}), true);
    Q_UNUSED(registered)
}

QVariantMap LXKeepColorFilter::customAttributes() const
{
    return {{"inputColor", colorAttribute(CIColor(1, 0, 0, 1), true)}, {"inputIntensity", slider(0.4, 0, 1, true)}};
}

CIImage LXKeepColorFilter::outputImage()
{
    const CIImage image = imageValue(inputImage);
    return applyOverImage(kernel(), image,
                          {sampler(image), hueOf(colorInput(inputColor, "inputColor")),
                           numberInput(inputIntensity, "inputIntensity")},
                          true);
}

// --- Replace colour ------------------------------------------------------------

LXReplaceColorFilter::LXReplaceColorFilter(QObject* parent) : LXFilter(parent)
{
    static const bool registered = (registerInputKeys(staticMetaObject, {"inputImage", "inputColor",
                                                                         "inputTargetColor", "inputIntensity"}),
                                    true);
    Q_UNUSED(registered)
}

QVariantMap LXReplaceColorFilter::customAttributes() const
{
    return {{"inputColor", colorAttribute(CIColor(1, 0, 0, 1), true)},
            {"inputTargetColor", colorAttribute(CIColor(0, 1, 0, 1))},
            {"inputIntensity", slider(0.4, 0, 1, true)}};
}

CIImage LXReplaceColorFilter::outputImage()
{
    const CIImage image = imageValue(inputImage);
    const CIColor source = colorInput(inputColor, "inputColor");
    const CIColor target = colorInput(inputTargetColor, "inputTargetColor");
    const HSVTriple from = source.isNull() ? HSVTriple{} : hsv(source);
    const HSVTriple to = target.isNull() ? HSVTriple{} : hsv(target);
    // A grey source has no saturation to scale by: 0.01 stands in for it.
    const CIVector ratio(to.saturation / std::max(0.01, from.saturation), to.value / std::max(0.01, from.value));
    return applyOverImage(kernel(), image,
                          {sampler(image), from.hue, to.hue, target.isNull() ? 0.0 : target.alpha(),
                           QVariant::fromValue(ratio), numberInput(inputIntensity, "inputIntensity")},
                          true);
}

// --- Rotate colour -------------------------------------------------------------

LXRotateColorFilter::LXRotateColorFilter(QObject* parent) : LXFilter(parent)
{
    static const bool registered = (registerInputKeys(staticMetaObject, {"inputImage", "inputAngle"}), true);
    Q_UNUSED(registered)
}

QVariantMap LXRotateColorFilter::customAttributes() const
{
    return {{"inputAngle", slider(0.5, 0, 1, true)}};
}

CIImage LXRotateColorFilter::outputImage()
{
    const CIImage image = imageValue(inputImage);
    return applyOverImage(kernel(), image, {sampler(image), numberInput(inputAngle, "inputAngle")}, true);
}

// --- sRGB conversion -----------------------------------------------------------

LXSRGBConversionFilter::LXSRGBConversionFilter(QObject* parent) : LXFilter(parent)
{
    static const bool registered =
        (registerInputKeys(staticMetaObject, {"inputImage"}), registerForCopying(staticMetaObject, {"toRGB"}), true);
    Q_UNUSED(registered)
}

CIImage LXSRGBConversionFilter::outputImage()
{
    const CIImage image = imageValue(inputImage);
    const QString routine = boolValue(toRGB) ? QStringLiteral("sRGB2RGB") : QStringLiteral("RGB2sRGB");
    return applyOverImage(kernelWithName(routine), image, {sampler(image)}, true);
}

// --- Colour multiply -----------------------------------------------------------

LXColorMultiplyFilter::LXColorMultiplyFilter(QObject* parent) : LXFilter(parent)
{
    static const bool registered = (registerInputKeys(staticMetaObject, {"inputImage", "inputColor"}), true);
    Q_UNUSED(registered)
}

QVariantMap LXColorMultiplyFilter::customAttributes() const
{
    return {{"inputColor", colorAttribute(CIColor(0.55, 0.7, 1.0, 1.0), true)}};
}

CIImage LXColorMultiplyFilter::outputImage()
{
    const CIImage image = imageValue(inputImage);
    const CIColor color = colorInput(inputColor, "inputColor");
    const CIVector components = color.isNull() ? CIVector(1, 1, 1, 1)
                                               : CIVector(color.red(), color.green(), color.blue(), color.alpha());
    // Its alpha kept where the colour is opaque (the kernel multiplies by the colour's).
    return applyOverImage(kernel(), image, {sampler(image), QVariant::fromValue(components)}, components.W() >= 1);
}
