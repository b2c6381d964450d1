#include "filters/LXAdjustableBlendFilter.h"

#include "platform/foundation/Log.h"
#include "platform/image/CISampler.h"

#include <QSet>

namespace {

struct ClassData {
    bool initialized = false;
    QSet<QString> validNames;
    QStringList modeNames;
};

ClassData& classData()
{
    static auto* data = new ClassData;
    return *data;
}

const QStringList& allModeNames()
{
    static const QStringList names{
        "sourceOver", "colorBlend",  "luminosityBlend", "multiply", "colorBurn",
        "linearBurn", "negativeMultiply", "colorDodge", "linearDodge", "overlay",
        "softLight",  "hardLight",   "vividLight",      "linearLight", "hardMix",
    };
    return names;
}

// Scales `image` about the origin so that it takes `size`.
CIImage stretched(const CIImage& image, QSizeF size)
{
    const QRectF extent = image.extent();
    if (image.isNull() || extent.isEmpty() || size.isEmpty())
        return image;
    return image.imageByApplyingTransform(
        QTransform::fromScale(size.width() / extent.width(), size.height() / extent.height()));
}

} // namespace

void LXAdjustableBlendFilter::initializeClass()
{
    ClassData& data = classData();
    if (data.initialized)
        return;
    data.initialized = true;
    registerInputKeys(staticMetaObject, {"inputImage", "inputBackgroundImage", "inputIntensity", "inputBlendName",
                                         "inputSwitchImages", "inputStretchToFit"});
    const QHash<QString, CIKernelPtr> routines = kernelsOfClass(QString::fromLatin1(staticMetaObject.className()));
    if (routines.size() >= 2) {
        for (auto it = routines.cbegin(); it != routines.cend(); ++it)
            data.validNames.insert(it.key());
        data.modeNames = allModeNames();
    }
}

LXAdjustableBlendFilter::LXAdjustableBlendFilter(QObject* parent) : LXFilter(parent)
{
    initializeClass();
}

QStringList LXAdjustableBlendFilter::blendModeNames()
{
    initializeClass();
    return classData().modeNames;
}

QString LXAdjustableBlendFilter::verifiedBlendMode(const QString& name)
{
    initializeClass();
    return classData().validNames.contains(name) ? name : QStringLiteral("sourceOver");
}

QVariantMap LXAdjustableBlendFilter::customAttributes() const
{
    return {
        {"inputIntensity", QVariantMap{{kCIAttributeDefault, 1.0},
                                       {kCIAttributeMin, 0.0},
                                       {kCIAttributeSliderMin, 0.0},
                                       {kCIAttributeSliderMax, 1.0},
                                       {kCIAttributeType, kCIAttributeTypeDistance}}},
        {"inputBlendName", QVariantMap{{kCIAttributeDefault, QStringLiteral("sourceOver")},
                                       {kLXAttributeChoices, classData().modeNames}}},
        {"inputSwitchImages", QVariantMap{{kCIAttributeDefault, false}, {kCIAttributeType, kCIAttributeTypeBoolean}}},
        {"inputStretchToFit", QVariantMap{{kCIAttributeDefault, false}, {kCIAttributeType, kCIAttributeTypeBoolean}}},
        {"inputUseBGExtent", QVariantMap{{kCIAttributeDefault, false}, {kCIAttributeType, kCIAttributeTypeBoolean}}},
    };
}

CIImage LXAdjustableBlendFilter::outputImage()
{
    CIImage foreground = imageValue(inputImage);
    CIImage background = imageValue(inputBackgroundImage);
    QRectF extent;
    if (boolValue(inputUseBGExtent)) {
        extent = background.isNull() ? QRectF() : background.extent();
        if (boolValue(inputStretchToFit))
            foreground = stretched(foreground, extent.size());
    } else {
        extent = foreground.isNull() ? QRectF() : foreground.extent();
        if (boolValue(inputStretchToFit))
            background = stretched(background, extent.size());
    }

    const QString blendName = inputBlendName.toString();
    // Modes that divide are steep near one end (a burn's slope over
    // near-black is about 1000): their inputs are kept in 32-bit floats,
    // or the steps of half floats near white show as hard edges.
    if (blendName == QLatin1String("colorBurn") || blendName == QLatin1String("colorDodge")
        || blendName == QLatin1String("vividLight")) {
        foreground = foreground.imageByKeepingFullFloats();
        background = background.imageByKeepingFullFloats();
    }
    CISampler first(foreground), second(background);
    if (boolValue(inputSwitchImages))
        std::swap(first, second);

    if (!inputIntensity.isValid())
        inputIntensity = 1.0; // kept, as callers read it back
    CIKernelPtr routine = classData().validNames.contains(blendName) ? kernelWithName(blendName) : nullptr;
    if (!routine) {
        Log::line(lcFilters, QStringLiteral("Warning: Adjustable Blend could not find blend '%1'").arg(blendName));
        routine = kernelWithName(QStringLiteral("blend"));
    }
    return apply(routine,
                 {QVariant::fromValue(first), QVariant::fromValue(second), numberValue(inputIntensity, 1.0)},
                 {{kCIApplyOptionExtent, arrayForRect(extent)}});
}
