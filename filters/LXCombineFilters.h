#pragma once
// The kit's compositing filters; each result has the background's extent
// (null without a background image).
//
// LXCombineFilter joins two layers into one, in one of the combinable blend
// modes ("sourceOver", "multiply", "negativeMultiply"), each layer weighed
// by its intensity, such that blending the joined layer onto a picture in
// that mode equals blending the lower layer, then the upper one.
// LXCombineMaskFilter shows the image over the background through a rounded
// rectangle: the image's extent scaled about its centre.
// LXImageOverlayFilter lays a pattern, repeated without end and turned by
// inputRotation degrees about the origin, over the background.
// Main thread.

#include "filters/LXFilter.h"

class LXCombineFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputBackgroundImage MEMBER inputBackgroundImage)
    Q_PROPERTY(QVariant inputIntensity MEMBER inputIntensity)
    Q_PROPERTY(QVariant inputBackgroundIntensity MEMBER inputBackgroundIntensity)
    Q_PROPERTY(QVariant blendMode MEMBER blendMode)
public:
    Q_INVOKABLE explicit LXCombineFilter(QObject* parent = nullptr);

    QVariant inputImage;               // CIImage: the upper layer
    QVariant inputBackgroundImage;     // CIImage: the lower layer; gives the extent
    QVariant inputIntensity;           // 1
    QVariant inputBackgroundIntensity; // 1
    QVariant blendMode;                // "sourceOver"

    // "sourceOver", "multiply", "negativeMultiply", in this order.
    static const QStringList& combinableBlendModes();
    static bool isCombinableBlendMode(const QString& mode);

    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};

class LXCombineMaskFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputBackgroundImage MEMBER inputBackgroundImage)
    Q_PROPERTY(QVariant inputCornerRadius MEMBER inputCornerRadius)
    Q_PROPERTY(QVariant inputScale MEMBER inputScale)
public:
    Q_INVOKABLE explicit LXCombineMaskFilter(QObject* parent = nullptr);

    QVariant inputImage;
    QVariant inputBackgroundImage;
    QVariant inputCornerRadius; // 0
    QVariant inputScale;        // 1

    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};

class LXImageOverlayFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputBackgroundImage MEMBER inputBackgroundImage)
    Q_PROPERTY(QVariant inputRotation MEMBER inputRotation)
public:
    Q_INVOKABLE explicit LXImageOverlayFilter(QObject* parent = nullptr);

    QVariant inputImage;           // CIImage: the pattern
    QVariant inputBackgroundImage; // CIImage
    QVariant inputRotation;        // degrees, 0

    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};
