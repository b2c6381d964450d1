#pragma once
// The kit's per-pixel colour filters: a dimmed black and white, keeping one
// hue, replacing one hue by another, turning every hue, the sRGB transfer
// curves, and multiplying by a colour. Each runs its one routine (the sRGB
// conversion one of two) from assets/<ClassName>.cikernel over the input
// image with its definition and extent, so the result keeps the input's
// extent. The routines work as the numbers of their inputs are meant: on
// unpremultiplied, sRGB-encoded colour (and its HSV), not on linear light.
// An unset input reads as its declared default. null without an input image.
// Main thread.

#include "filters/LXFilter.h"

class LXDimmedBWFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputBrightness MEMBER inputBrightness)
public:
    Q_INVOKABLE explicit LXDimmedBWFilter(QObject* parent = nullptr);
    // One instance for the process, made on first use with its defaults.
    static LXDimmedBWFilter& sharedDimmedBWFilter();

    QVariant inputImage;
    QVariant inputBrightness; // 0.6: the grey's strength

    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};

class LXKeepColorFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputColor MEMBER inputColor)
    Q_PROPERTY(QVariant inputIntensity MEMBER inputIntensity)
public:
    Q_INVOKABLE explicit LXKeepColorFilter(QObject* parent = nullptr);

    QVariant inputImage;
    QVariant inputColor;     // CIColor whose hue is kept (red)
    QVariant inputIntensity; // 0.4: how wide a band of hues is kept

    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};

class LXReplaceColorFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputColor MEMBER inputColor)
    Q_PROPERTY(QVariant inputTargetColor MEMBER inputTargetColor)
    Q_PROPERTY(QVariant inputIntensity MEMBER inputIntensity)
public:
    Q_INVOKABLE explicit LXReplaceColorFilter(QObject* parent = nullptr);

    QVariant inputImage;
    QVariant inputColor;       // CIColor to replace (red)
    QVariant inputTargetColor; // CIColor that replaces it (green)
    QVariant inputIntensity;   // 0.4: how wide a band of hues is replaced

    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};

class LXRotateColorFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputAngle MEMBER inputAngle)
public:
    Q_INVOKABLE explicit LXRotateColorFilter(QObject* parent = nullptr);

    QVariant inputImage;
    QVariant inputAngle; // 0.5: the hues' turn, as a fraction of a full turn

    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};

// "RGB2sRGB" encodes linear values with the sRGB curve; with toRGB set,
// "sRGB2RGB" decodes. A copy carries toRGB.
class LXSRGBConversionFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant toRGB MEMBER toRGB)
public:
    Q_INVOKABLE explicit LXSRGBConversionFilter(QObject* parent = nullptr);

    QVariant inputImage;
    QVariant toRGB; // bool; unset reads as false

    CIImage outputImage() override;
};

class LXColorMultiplyFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputColor MEMBER inputColor)
public:
    Q_INVOKABLE explicit LXColorMultiplyFilter(QObject* parent = nullptr);

    QVariant inputImage;
    QVariant inputColor; // CIColor (0.55, 0.7, 1, 1)

    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};
