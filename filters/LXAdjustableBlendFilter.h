#pragma once
// Blends a foreground over a background in one of the named blend modes,
// with an intensity 0..1. Either image can be stretched to the other's size,
// their roles swapped, and the result can take either image's extent.
// The routines live in assets/LXAdjustableBlendFilter.cikernel, one per mode
// plus the fallback "blend". Main thread.

#include "filters/LXFilter.h"

class LXAdjustableBlendFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputBackgroundImage MEMBER inputBackgroundImage)
    Q_PROPERTY(QVariant inputIntensity MEMBER inputIntensity)
    Q_PROPERTY(QVariant inputBlendName MEMBER inputBlendName)
    Q_PROPERTY(QVariant inputSwitchImages MEMBER inputSwitchImages)
    Q_PROPERTY(QVariant inputStretchToFit MEMBER inputStretchToFit)
    Q_PROPERTY(QVariant inputUseBGExtent MEMBER inputUseBGExtent)
public:
    Q_INVOKABLE explicit LXAdjustableBlendFilter(QObject* parent = nullptr);

    QVariant inputImage;            // CIImage: the foreground
    QVariant inputBackgroundImage;  // CIImage
    QVariant inputIntensity;        // number, default 1
    QVariant inputBlendName;        // string, default "sourceOver"
    QVariant inputSwitchImages;     // bool: hand the images over in reverse order
    QVariant inputStretchToFit;     // bool: scale one image to the other's size
    QVariant inputUseBGExtent;      // bool: the result takes the background's extent

    // The 15 mode names in the order pickers show them; empty without the
    // kernel text.
    static QStringList blendModeNames();
    // `name` when the kernel text has a routine of that name, else "sourceOver".
    static QString verifiedBlendMode(const QString& name);

    QVariantMap customAttributes() const override;
    CIImage outputImage() override;

private:
    static void initializeClass();
};
