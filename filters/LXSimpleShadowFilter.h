#pragma once
// A drop shadow: the image's silhouette in inputColor, blurred by
// inputRadius, moved inputDistance points in inputDirection (degrees: 0 up,
// 90 right, 180 down, 270 left), with the image composited over it.
// Unset inputs read as their attribute defaults (5, 2, 135, black at 0.75).
// Main thread.

#include "filters/LXFilter.h"

#include <QPointF>
#include <QRectF>

class LXSimpleShadowFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputRadius MEMBER inputRadius)
    Q_PROPERTY(QVariant inputDistance MEMBER inputDistance)
    Q_PROPERTY(QVariant inputDirection MEMBER inputDirection)
    Q_PROPERTY(QVariant inputColor MEMBER inputColor)
public:
    Q_INVOKABLE explicit LXSimpleShadowFilter(QObject* parent = nullptr);

    QVariant inputImage;     // CIImage
    QVariant inputRadius;    // blur radius, default 5
    QVariant inputDistance;  // points, default 2
    QVariant inputDirection; // degrees, default 135 (down and to the right)
    QVariant inputColor;     // CIColor, default (0, 0, 0, 0.75)

    // The shadow's move for a distance and a direction in degrees.
    static QPointF offset(double distance, double direction);
    // Where the output of a picture of extent `picture` lies: the picture
    // and its shadow, spread three radii and moved.
    static QRectF outputExtentFor(const QRectF& picture, double radius, double distance, double direction);

    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};
