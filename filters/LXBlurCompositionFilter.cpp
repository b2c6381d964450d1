#include "filters/LXBlurCompositionFilter.h"

#include "platform/image/CIGeometry.h"
#include "platform/image/CISampler.h"

namespace {
constexpr double kRadius = 10.0;
}

LXBlurCompositionFilter::LXBlurCompositionFilter(QObject* parent) : LXFilter(parent)
{
    static const bool registered =
        (registerInputKeys(staticMetaObject,
                           {"inputImage", "inputBackgroundImage", "inputRadius", "inputMargin", "inputLayer"}),
         registerForCopying(staticMetaObject, {"useDistortion"}), true);
    Q_UNUSED(registered);
}

QVariantMap LXBlurCompositionFilter::customAttributes() const
{
    return {
        {"inputMargin", QVariantMap{{kCIAttributeDefault, QVariant::fromValue(CIVector(0, 0, 0, 0))}}},
        {"inputRadius", QVariantMap{{kCIAttributeDefault, kRadius},
                                    {kCIAttributeSliderMin, 0.0},
                                    {kCIAttributeSliderMax, 50.0},
                                    {kCIAttributeType, kCIAttributeTypeDistance}}},
        {"useDistortion", QVariantMap{{kCIAttributeDefault, false}, {kCIAttributeType, kCIAttributeTypeBoolean}}},
    };
}

QVariant LXBlurCompositionFilter::inputLayer() const
{
    return m_hasLayer ? QVariant::fromValue(m_layer) : QVariant();
}

void LXBlurCompositionFilter::setInputLayer(const QVariant& layer)
{
    m_hasLayer = true;
    if (layer.metaType() == QMetaType::fromType<std::shared_ptr<Layer>>())
        m_layer = layer.value<std::shared_ptr<Layer>>();
    else if (layer.metaType() == QMetaType::fromType<std::weak_ptr<Layer>>())
        m_layer = layer.value<std::weak_ptr<Layer>>();
    else {
        m_layer.reset();
        m_hasLayer = false;
    }
}

QRectF LXBlurCompositionFilter::windowRect() const
{
    QRectF w;
    if (const std::shared_ptr<Layer> layer = m_layer.lock())
        w = layer->frame();
    else if (const CIImage foreground = imageValue(inputImage); !foreground.isNull())
        w = foreground.extent();
    const CIVector m = vectorValue(inputMargin); // null: no insets
    return QRectF(w.x() + m.X(), w.y() + m.Y(), w.width() - (m.Z() + m.X()), w.height() - (m.W() + m.Y()));
}

CIImage LXBlurCompositionFilter::outputImage()
{
    const CIImage background = imageValue(inputBackgroundImage);
    if (background.isNull())
        return {};
    const double radius = numberValue(inputRadius, kRadius);
    std::shared_ptr<CIFilter> soften;
    if (boolValue(useDistortion, false)) {
        soften = CIFilter::filterWithName(QStringLiteral("CIDisplacementDistortion"));
        const auto noise = CIFilter::filterWithName(QStringLiteral("CIRandomGenerator"));
        if (!soften || !noise)
            return {};
        soften->setDefaults();
        soften->setValue(radius, kCIInputScaleKey);
        soften->setValue(QVariant::fromValue(noise->outputImage()), QStringLiteral("inputDisplacementImage"));
    } else {
        soften = CIFilter::filterWithName(QStringLiteral("CIGaussianBlur"));
        if (!soften)
            return {};
        soften->setDefaults();
        soften->setValue(radius, kCIInputRadiusKey);
    }
    soften->setValue(QVariant::fromValue(background), kCIInputImageKey);
    const CIImage blurred = soften->outputImage();
    const CIKernelPtr routine = kernel();
    if (!routine)
        return {};
    // The blurred background is read inside the window only: blur no more.
    const QRectF window = windowRect();
    routine->setROICallback([window](int index, const QRectF& dest, const QVariant&) {
        return index == 2 ? CIGeometry::intersect(dest, window) : dest;
    });
    return apply(routine,
                 {QVariant::fromValue(CISampler(imageValue(inputImage))), QVariant::fromValue(CISampler(background)),
                  QVariant::fromValue(CISampler(blurred)), QVariant::fromValue(vectorForRect(window))},
                 {{kCIApplyOptionDefinition, QVariant::fromValue(background.definition())},
                  {kCIApplyOptionExtent, arrayForRect(background.extent())}});
}
