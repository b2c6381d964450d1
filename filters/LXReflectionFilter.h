#pragma once
// A fading mirror image below a picture: the picture above its bottom edge
// y0, then a transparent gap of inputDistance x inputProportion points, then
// the picture mirrored, inputHeight x its height tall, starting at
// inputIntensity and fading out downwards.
// Unset inputs read as their attribute defaults (0.5, 0.4, 0, 1). Main thread.

#include "filters/LXFilter.h"

class LXReflectionFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputHeight MEMBER inputHeight)
    Q_PROPERTY(QVariant inputIntensity MEMBER inputIntensity)
    Q_PROPERTY(QVariant inputDistance MEMBER inputDistance)
    Q_PROPERTY(QVariant inputProportion MEMBER inputProportion)
public:
    Q_INVOKABLE explicit LXReflectionFilter(QObject* parent = nullptr);

    QVariant inputImage;      // CIImage
    QVariant inputHeight;     // fraction of the picture's height, default 0.5
    QVariant inputIntensity;  // 0..1, default 0.4
    QVariant inputDistance;   // gap in units of inputProportion, default 0
    QVariant inputProportion; // points per unit of inputDistance, default 1

    // The rectangle of the picture that destination rectangle `destRect`
    // needs, for a picture whose bottom edge is y0 and a gap of `gap`.
    static QRectF reflectionROI(int samplerIndex, const QRectF& destRect, double y0, double gap);

    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};
