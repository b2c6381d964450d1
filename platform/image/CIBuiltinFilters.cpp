#include "platform/image/CIBuiltinFilters.h"

#include "platform/image/EngineNodes.h"
#include "platform/foundation/Log.h"

#include <cmath>

namespace {

QVariantMap entry(const QVariant& defaultValue, const QString& type, const QVariant& min = {},
                  const QVariant& sliderMax = {})
{
    QVariantMap m;
    if (defaultValue.isValid())
        m.insert(kCIAttributeDefault, defaultValue);
    if (!type.isEmpty())
        m.insert(kCIAttributeType, type);
    if (min.isValid()) {
        m.insert(kCIAttributeMin, min);
        m.insert(kCIAttributeSliderMin, min);
    }
    if (sliderMax.isValid())
        m.insert(kCIAttributeSliderMax, sliderMax);
    return m;
}

QVariantMap imageEntry()
{
    return {{kCIAttributeClass, QStringLiteral("CIImage")}, {kCIAttributeType, kCIAttributeTypeImage}};
}

QVariantMap transformEntry()
{
    return {{kCIAttributeClass, QStringLiteral("NSAffineTransform")},
            {kCIAttributeType, kCIAttributeTypeTransform},
            {kCIAttributeDefault, QVariant::fromValue(QTransform())},
            {kCIAttributeIdentity, QVariant::fromValue(QTransform())}};
}

// Kernels of the built-ins, compiled on first use.
CIKernelPtr builtinKernel(const QString& name)
{
    static QHash<QString, CIKernelPtr>* kernels = nullptr;
    if (!kernels) {
        auto list = CIKernel::kernelsWithString(QStringLiteral(R"(
kernel vec4 colorInvert(sampler image) {
    vec4 c = sample(image, samplerCoord(image));
    return vec4(c.a - c.rgb, c.a);
}
kernel vec4 blendWithMask(sampler image, sampler background, sampler mask) {
    vec4 f = sample(image, samplerCoord(image));
    vec4 b = sample(background, samplerCoord(background));
    vec4 m = sample(mask, samplerCoord(mask));
    float t = dot(m.rgb, vec3(0.2126, 0.7152, 0.0722));
    return mix(b, f, t);
}
kernel vec4 displacement(sampler image, sampler displacement, float scale) {
    vec4 d = unpremultiply(sample(displacement, samplerCoord(displacement)));
    vec2 offset = scale * (d.rg - vec2(0.5));
    return sample(image, samplerTransform(image, destCoord() + offset));
}
float randomOf(vec2 p, float seed) {
    // Integer hash of the pixel: the same pixel gives the same numbers.
    uvec3 v = uvec3(ivec3(ivec2(floor(p)), int(seed)));
    v = v * 1664525u + 1013904223u;
    v.x += v.y * v.z; v.y += v.z * v.x; v.z += v.x * v.y;
    v ^= v >> 16u;
    v.x += v.y * v.z; v.y += v.z * v.x; v.z += v.x * v.y;
    return float(v.x & 0xFFFFFFu) / 16777216.0;
}
kernel vec4 random() {
    vec2 p = destCoord();
    return vec4(randomOf(p, 1.0), randomOf(p, 2.0), randomOf(p, 3.0), randomOf(p, 4.0));
}
)"));
        kernels = new QHash<QString, CIKernelPtr>();
        for (const CIKernelPtr& k : list)
            kernels->insert(k->name(), k);
    }
    return kernels->value(name);
}

template <class T>
CIFilter::Constructor make()
{
    return [](const QString&) { return std::shared_ptr<CIFilter>(new T()); };
}

} // namespace

void CIBuiltinFilters::registerAll(const Registrar& add)
{
    auto attrs = [](const char* category) {
        return QVariantMap{{kCIAttributeFilterCategories, QStringList{QString::fromLatin1(category)}}};
    };
    add(QStringLiteral("CIAffineClamp"), make<CIAffineClamp>(), attrs("CICategoryTileEffect"));
    add(QStringLiteral("CIAffineTile"), make<CIAffineTile>(), attrs("CICategoryTileEffect"));
    add(QStringLiteral("CIAffineTransform"), make<CIAffineTransform>(), attrs("CICategoryGeometryAdjustment"));
    add(QStringLiteral("CICrop"), make<CICrop>(), attrs("CICategoryGeometryAdjustment"));
    add(QStringLiteral("CIGaussianBlur"), make<CIGaussianBlur>(), attrs("CICategoryBlur"));
    add(QStringLiteral("CIMotionBlur"), make<CIMotionBlur>(), attrs("CICategoryBlur"));
    add(QStringLiteral("CIDiscBlur"), make<CIDiscBlur>(), attrs("CICategoryBlur"));
    add(QStringLiteral("CISourceOverCompositing"), make<CISourceOverCompositing>(), attrs("CICategoryCompositeOperation"));
    add(QStringLiteral("CIBlendWithMask"), make<CIBlendWithMask>(), attrs("CICategoryStylize"));
    add(QStringLiteral("CIConstantColorGenerator"), make<CIConstantColorGenerator>(), attrs("CICategoryGenerator"));
    add(QStringLiteral("CIColorInvert"), make<CIColorInvert>(), attrs("CICategoryColorEffect"));
    add(QStringLiteral("CIAreaAverage"), make<CIAreaAverage>(), attrs("CICategoryReduction"));
    add(QStringLiteral("CIRandomGenerator"), make<CIRandomGenerator>(), attrs("CICategoryGenerator"));
    add(QStringLiteral("CIDisplacementDistortion"), make<CIDisplacementDistortion>(), attrs("CICategoryDistortionEffect"));
}

// --- Geometry --------------------------------------------------------------------

QVariantMap CIAffineClamp::customAttributes() const
{
    return {{kCIInputImageKey, imageEntry()}, {kCIInputTransformKey, transformEntry()}};
}

CIImage CIAffineClamp::outputImage()
{
    // The edges are extended first and then mapped: a turned or shrunk
    // strip still covers the plane.
    return imageValue(inputImage).imageByClampingToExtent().imageByApplyingTransform(transformValue(inputTransform));
}

QVariantMap CIAffineTile::customAttributes() const
{
    return {{kCIInputImageKey, imageEntry()}, {kCIInputTransformKey, transformEntry()}};
}

CIImage CIAffineTile::outputImage()
{
    const CIImage image = imageValue(inputImage);
    if (image.isNull())
        return {};
    return CIImage(std::make_shared<Engine::TileNode>(image, transformValue(inputTransform)));
}

QVariantMap CIAffineTransform::customAttributes() const
{
    return {{kCIInputImageKey, imageEntry()}, {kCIInputTransformKey, transformEntry()}};
}

CIImage CIAffineTransform::outputImage()
{
    return imageValue(inputImage).imageByApplyingTransform(transformValue(inputTransform));
}

QVariantMap CICrop::customAttributes() const
{
    return {{kCIInputImageKey, imageEntry()},
            {QStringLiteral("inputRectangle"),
             QVariantMap{{kCIAttributeType, kCIAttributeTypeRectangle},
                         {kCIAttributeDefault, QVariant::fromValue(CIVector(-8.98847e307, -8.98847e307, 1.79769e308, 1.79769e308))}}}};
}

CIImage CICrop::outputImage()
{
    const CIVector r = vectorValue(inputRectangle);
    const CIImage image = imageValue(inputImage);
    return r.isNull() ? image : image.imageByCroppingToRect(r.CGRectValue());
}

// --- Blurs -----------------------------------------------------------------------

QVariantMap CIGaussianBlur::customAttributes() const
{
    return {{kCIInputImageKey, imageEntry()},
            {kCIInputRadiusKey, entry(10.0, kCIAttributeTypeDistance, 0.0, 100.0)}};
}

CIImage CIGaussianBlur::outputImage()
{
    const CIImage image = imageValue(inputImage);
    const double radius = numberValue(inputRadius, 10.0);
    if (image.isNull() || radius <= 0.0)
        return image;
    return CIImage(std::make_shared<Engine::GaussianBlurNode>(image, radius));
}

QVariantMap CIMotionBlur::customAttributes() const
{
    return {{kCIInputImageKey, imageEntry()},
            {kCIInputRadiusKey, entry(20.0, kCIAttributeTypeDistance, 0.0, 100.0)},
            {kCIInputAngleKey, entry(0.0, kCIAttributeTypeAngle, -M_PI, M_PI)}};
}

CIImage CIMotionBlur::outputImage()
{
    const CIImage image = imageValue(inputImage);
    const double radius = numberValue(inputRadius, 20.0);
    if (image.isNull() || radius <= 0.0)
        return image;
    return CIImage(std::make_shared<Engine::MotionBlurNode>(image, radius, numberValue(inputAngle, 0.0)));
}

QVariantMap CIDiscBlur::customAttributes() const
{
    return {{kCIInputImageKey, imageEntry()}, {kCIInputRadiusKey, entry(8.0, kCIAttributeTypeDistance, 0.0, 100.0)}};
}

CIImage CIDiscBlur::outputImage()
{
    const CIImage image = imageValue(inputImage);
    const double radius = numberValue(inputRadius, 8.0);
    if (image.isNull() || radius <= 0.0)
        return image;
    return CIImage(std::make_shared<Engine::DiscBlurNode>(image, radius));
}

// --- Compositing and colour ------------------------------------------------------

QVariantMap CISourceOverCompositing::customAttributes() const
{
    return {{kCIInputImageKey, imageEntry()}, {kCIInputBackgroundImageKey, imageEntry()}};
}

CIImage CISourceOverCompositing::outputImage()
{
    const CIImage image = imageValue(inputImage);
    if (image.isNull())
        return {};
    return image.imageByCompositingOverImage(imageValue(inputBackgroundImage));
}

QVariantMap CIBlendWithMask::customAttributes() const
{
    return {{kCIInputImageKey, imageEntry()},
            {kCIInputBackgroundImageKey, imageEntry()},
            {QStringLiteral("inputMaskImage"), imageEntry()}};
}

CIImage CIBlendWithMask::outputImage()
{
    const CIImage image = imageValue(inputImage);
    const CIImage mask = imageValue(inputMaskImage);
    if (image.isNull() || mask.isNull())
        return {};
    const CIImage background = imageValue(inputBackgroundImage);
    const QRectF extent = CIGeometry::unite(CIGeometry::intersect(image.extent(), mask.extent()), background.extent());
    return apply(builtinKernel(QStringLiteral("blendWithMask")),
                 {QVariant::fromValue(image), QVariant::fromValue(background), QVariant::fromValue(mask)},
                 {{kCIApplyOptionExtent, QVariant::fromValue(extent)},
                  {kCIApplyOptionDefinition, QVariant::fromValue(CIFilterShape::shapeWithRect(extent))}});
}

QVariantMap CIConstantColorGenerator::customAttributes() const
{
    return {{kCIInputColorKey, QVariantMap{{kCIAttributeType, kCIAttributeTypeColor},
                                           {kCIAttributeDefault, QVariant::fromValue(CIColor(0, 0, 0, 1))}}}};
}

CIImage CIConstantColorGenerator::outputImage()
{
    return CIImage::imageWithColor(colorValue(inputColor));
}

QVariantMap CIColorInvert::customAttributes() const
{
    return {{kCIInputImageKey, imageEntry()}};
}

CIImage CIColorInvert::outputImage()
{
    const CIImage image = imageValue(inputImage);
    if (image.isNull())
        return {};
    return apply(builtinKernel(QStringLiteral("colorInvert")), {QVariant::fromValue(image)},
                 {{kCIApplyOptionDefinition, QVariant::fromValue(image.definition())}, {kCIApplyOptionAlphaOf, 0}});
}

QVariantMap CIAreaAverage::customAttributes() const
{
    return {{kCIInputImageKey, imageEntry()},
            {kCIInputExtentKey, QVariantMap{{kCIAttributeType, kCIAttributeTypeRectangle},
                                            {kCIAttributeDefault, QVariant::fromValue(CIVector(0, 0, 640, 80))}}}};
}

CIImage CIAreaAverage::outputImage()
{
    const CIImage image = imageValue(inputImage);
    if (image.isNull())
        return {};
    const CIVector v = vectorValue(inputExtent);
    const QRectF rect = v.isNull() ? QRectF(0, 0, 640, 80) : v.CGRectValue();
    return CIImage(std::make_shared<Engine::AreaAverageNode>(image, rect));
}

CIImage CIRandomGenerator::outputImage()
{
    return apply(builtinKernel(QStringLiteral("random")), {},
                 {{kCIApplyOptionExtent, QVariant::fromValue(CIGeometry::infiniteRect())}});
}

QVariantMap CIDisplacementDistortion::customAttributes() const
{
    return {{kCIInputImageKey, imageEntry()},
            {QStringLiteral("inputDisplacementImage"), imageEntry()},
            {kCIInputScaleKey, entry(50.0, kCIAttributeTypeDistance, 0.0, 200.0)}};
}

CIImage CIDisplacementDistortion::outputImage()
{
    const CIImage image = imageValue(inputImage);
    if (image.isNull())
        return {};
    const CIImage displacement = imageValue(inputDisplacementImage);
    if (displacement.isNull())
        return image;
    const double scale = numberValue(inputScale, 50.0);
    const QRectF extent = image.extent();
    // The image is read up to half the scale away from each pixel.
    const double reach = std::abs(scale) * 0.5 + 1;
    return apply(builtinKernel(QStringLiteral("displacement")), extent,
                 [reach](int index, const QRectF& dest, const QVariant&) {
                     return index == 0 ? CIGeometry::outset(dest, reach, reach) : dest;
                 },
                 {QVariant::fromValue(image), QVariant::fromValue(displacement), scale},
                 {{kCIApplyOptionDefinition, QVariant::fromValue(CIFilterShape::shapeWithRect(extent))}});
}
