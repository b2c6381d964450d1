#include "filters/LXAffineTransformFilter.h"

#include "platform/foundation/Log.h"
#include "platform/image/CIGeometry.h"
#include "platform/image/CISampler.h"

#include <cmath>

namespace {

// cos and sin of a turn in degrees, exact at quarter turns so that a
// 90-degree turn keeps pixel centres on pixel centres.
std::pair<double, double> cosSin(double degrees)
{
    const double a = std::fmod(degrees, 360.0);
    if (a == 0)
        return {1, 0};
    if (a == 90 || a == -270)
        return {0, 1};
    if (a == 180 || a == -180)
        return {-1, 0};
    if (a == 270 || a == -90)
        return {0, -1};
    const double r = a * M_PI / 180.0;
    return {std::cos(r), std::sin(r)};
}

// The rectangle an input holds, if any (a boxed rectangle or four numbers).
bool rectIn(const QVariant& value, QRectF& rect)
{
    if (value.metaType() == QMetaType::fromType<QRectF>() || value.metaType() == QMetaType::fromType<QRect>()) {
        rect = value.toRectF();
        return true;
    }
    if (value.metaType() == QMetaType::fromType<CIVector>() && value.value<CIVector>().count() == 4) {
        rect = value.value<CIVector>().CGRectValue();
        return true;
    }
    return false;
}

// A rectangle the kernel's floats can hold: an infinite one becomes a huge
// finite one, so that edge tests need no infinities.
CIVector kernelVector(const QRectF& rect)
{
    if (CIGeometry::isInfinite(rect))
        return CIVector(-1e30, -1e30, 2e30, 2e30);
    return LXFilter::vectorForRect(rect);
}

} // namespace

LXAffineTransformFilter::LXAffineTransformFilter(QObject* parent) : LXFilter(parent)
{
    static const bool registered = (registerInputKeys(staticMetaObject, {"inputImage", "inputTransform", "inputScale",
                                                                         "inputAngle", "inputTranslation",
                                                                         "inputCropRect"}),
                                    true);
    Q_UNUSED(registered);
}

QVariantMap LXAffineTransformFilter::customAttributes() const
{
    return {
        {"inputAngle", QVariantMap{{kCIAttributeDefault, 0.0}}}, // degrees, not the radians of the angle type
        {"inputScale", QVariantMap{{kCIAttributeDefault, QVariant::fromValue(CIVector(1, 1))}}},
        {"inputTranslation", QVariantMap{{kCIAttributeDefault, QVariant::fromValue(CIVector(0, 0))}}},
        {"inputKeepExtent", QVariantMap{{kCIAttributeDefault, false}, {kCIAttributeType, kCIAttributeTypeBoolean}}},
        {"inputPreCropRect", QVariantMap{{kCIAttributeDefault, false}}},
        {"inputCropRect", QVariantMap{{kCIAttributeDefault, false}}},
    };
}

QVariant LXAffineTransformFilter::inputTransform() const
{
    return QVariant::fromValue(transform());
}

QVariant LXAffineTransformFilter::inputScale() const
{
    const CIVector scale = vectorValue(m_scale);
    return QVariant::fromValue(scale.count() >= 2 ? scale : CIVector(1, 1));
}

QPointF LXAffineTransformFilter::inputImageCenter() const
{
    const CIImage image = imageValue(inputImage);
    if (image.isNull())
        return {};
    const QRectF e = image.extent();
    if (CIGeometry::isInfinite(e)) {
        Log::line(lcFilters, QStringLiteral("Warning: inputImage extent is infinite when center Point is requested "));
        return {};
    }
    return {e.x() + e.width() * 0.5, e.y() + e.height() * 0.5};
}

QTransform LXAffineTransformFilter::transform() const
{
    if (m_transform.metaType() == QMetaType::fromType<QTransform>())
        return m_transform.value<QTransform>();
    const CIVector scale = inputScale().value<CIVector>();
    const CIVector shift = vectorValue(inputTranslation);
    const double tx = shift.X(), ty = shift.Y(); // null reads (0, 0)
    const auto [c, s] = cosSin(numberValue(inputAngle, 0.0));
    const double sx = scale.X(), sy = scale.Y();
    const QPointF centre = inputImageCenter();
    // Turn, then scale, about the centre; then shift.
    const QTransform turnAndScale(c * sx, s * sy, -s * sx, c * sy, 0, 0);
    return QTransform::fromTranslate(-centre.x(), -centre.y()) * turnAndScale
         * QTransform::fromTranslate(tx + centre.x(), ty + centre.y());
}

QTransform LXAffineTransformFilter::cgaffineTransformFromStruct(const AffineStruct& s)
{
    return QTransform(s.m11, s.m12, s.m21, s.m22, s.tX, s.tY);
}

QVariantList LXAffineTransformFilter::arrayFromCGAffineTransform(const QTransform& t)
{
    return {float(t.m11()), float(t.m12()), float(t.m21()), float(t.m22()), float(t.dx()), float(t.dy())};
}

QRectF LXAffineTransformFilter::regionOf(int, const QRectF& destRect, const QVariant&) const
{
    const QTransform t = transform();
    if (!t.isInvertible())
        return {};
    return CIGeometry::transformed(destRect, t.inverted());
}

CIImage LXAffineTransformFilter::outputImage()
{
    const CIImage image = imageValue(inputImage);
    if (image.isNull())
        return {};
    const QTransform given = transform();
    QTransform t = given;
    // A singular transform shows nothing; the engine could not invert it.
    if (!t.isInvertible())
        return CIImage::emptyImage();
    const QRectF e = image.extent();
    QRectF pre = e;
    rectIn(inputPreCropRect, pre);
    QRectF r;
    if (!rectIn(inputCropRect, r))
        r = CIGeometry::transformed(pre, t);
    // An infinite rectangle has no corner to move.
    if (!boolValue(inputKeepExtent, false) && !CIGeometry::isInfinite(r)) {
        t = t * QTransform::fromTranslate(-r.x(), -r.y());
        r = QRectF(0, 0, r.width(), r.height());
    }
    const CIKernelPtr routine = kernel();
    if (!routine)
        return {};
    // The sampler reads the transformed image, so the default region (the
    // destination itself) is exactly what each pixel needs.
    routine->setROICallback({});
    return apply(routine,
                 {QVariant::fromValue(CISampler(image.imageByApplyingTransform(t))),
                  QVariant::fromValue(kernelVector(r))},
                 {{kCIApplyOptionDefinition, QVariant::fromValue(CIFilterShape::shapeWithRect(r))},
                  {kCIApplyOptionExtent, arrayForRect(r)},
                  {kCIApplyOptionUserInfo, QVariant::fromValue(given)}});
}

std::shared_ptr<CIFilter> LXAffineTransformFilter::copy() const
{
    std::shared_ptr<CIFilter> twin = LXFilter::copy();
    if (auto* f = qobject_cast<LXAffineTransformFilter*>(twin.get())) {
        f->m_transform = m_transform;
        f->m_scale = m_scale;
        f->inputKeepExtent = inputKeepExtent;
        f->inputPreCropRect = inputPreCropRect;
    }
    return twin;
}
