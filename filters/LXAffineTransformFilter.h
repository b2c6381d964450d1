#pragma once
// Transforms an image by an affine transform (given whole, or built from a
// scale, a turn about the image's centre and a translation), cuts the result
// to a crop rectangle with hard edges and, unless inputKeepExtent is set,
// moves the crop rectangle's corner to the origin.
// Unset inputs read as their attribute defaults. Main thread.

#include "filters/LXFilter.h"

#include <QPointF>
#include <QTransform>

class LXAffineTransformFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputTransform READ inputTransform WRITE setInputTransform)
    Q_PROPERTY(QVariant inputScale READ inputScale WRITE setInputScale)
    Q_PROPERTY(QVariant inputAngle MEMBER inputAngle)
    Q_PROPERTY(QVariant inputTranslation MEMBER inputTranslation)
    Q_PROPERTY(QVariant inputKeepExtent MEMBER inputKeepExtent)
    Q_PROPERTY(QVariant inputPreCropRect MEMBER inputPreCropRect)
    Q_PROPERTY(QVariant inputCropRect MEMBER inputCropRect)
public:
    Q_INVOKABLE explicit LXAffineTransformFilter(QObject* parent = nullptr);

    QVariant inputImage;       // CIImage
    QVariant inputAngle;       // degrees, counter-clockwise about the image's centre; default 0
    QVariant inputTranslation; // CIVector (tx, ty) applied last; default (0, 0)
    QVariant inputKeepExtent;  // bool: keep the crop rectangle in place (default NO: move it to the origin)
    QVariant inputPreCropRect; // QRectF or CIVector x y w h of the untransformed image; else its extent
    QVariant inputCropRect;    // QRectF or CIVector x y w h in output coordinates; wins over the pre-crop

    // The stored transform (a QTransform), or the one built from scale,
    // angle and translation when none is stored.
    QVariant inputTransform() const;
    void setInputTransform(const QVariant& transform) { m_transform = transform; }
    // A CIVector; (1, 1) when none is stored.
    QVariant inputScale() const;
    void setInputScale(const QVariant& scale) { m_scale = scale; }

    // The centre of the input's extent; (0, 0) without an image, and (0, 0)
    // with a warning when the extent is infinite.
    QPointF inputImageCenter() const;
    // The transform that inputTransform stands for, as a QTransform.
    QTransform transform() const;

    // The six numbers of an affine matrix (row-vector convention:
    // x' = m11 x + m21 y + tX, y' = m12 x + m22 y + tY).
    struct AffineStruct {
        double m11, m12, m21, m22, tX, tY;
    };
    static QTransform cgaffineTransformFromStruct(const AffineStruct& s);
    // a, b, c, d, tx, ty as single-precision numbers.
    static QVariantList arrayFromCGAffineTransform(const QTransform& t);

    // The bounding box of `destRect` (in the coordinates of the transformed,
    // unmoved image) mapped back by the inverse of inputTransform: the region
    // of the untransformed image that the rectangle shows. Empty when the
    // transform is singular; userInfo is not read.
    QRectF regionOf(int samplerIndex, const QRectF& destRect, const QVariant& userInfo) const;

    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
    // Carries the raw inputs, so a copy of a filter without a stored
    // transform still builds its own.
    std::shared_ptr<CIFilter> copy() const override;

private:
    QVariant m_transform; // QTransform or null
    QVariant m_scale;     // CIVector or null
};
