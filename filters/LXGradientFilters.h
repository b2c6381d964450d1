#pragma once
// The two gradient filters. Each turns its gradient (a Gradient, or its text
// form) into a strip of exactly 1024 x 1 pixels when the gradient is set
// (unset: the declared default's strip, made on first use).
//
// LXGradientMapFilter maps each pixel's tone through the gradient: the
// brightness of inputColor bends the tone curve, its hue and saturation tint
// the result. LXGradientMultiplyFilter lays the gradient across the image at
// inputAngle (0: black at the left edge, white at the right) and multiplies
// the image by it.
// Both keep the input's extent; null without an input image. Main thread.

#include "filters/LXFilter.h"
#include "platform/ui/Gradient.h"

class LXGradientMapFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputColor MEMBER inputColor)
    Q_PROPERTY(QVariant inputGradient READ inputGradient WRITE setInputGradient)
public:
    Q_INVOKABLE explicit LXGradientMapFilter(QObject* parent = nullptr);

    QVariant inputImage;
    QVariant inputColor; // CIColor (0.5, 0.5, 0.5, 1): mid grey leaves the tones as they are

    QVariant inputGradient() const { return m_gradient; }
    void setInputGradient(const QVariant& gradient);

    // The tone-curve strength of a colour: (0.67 (1 - l) + 0.165) * -4 + 2,
    // l its HSL lightness: 0 for mid grey, -1.34 black, 1.34 white.
    static double curveOf(const CIColor& color);

    QVariantMap customAttributes() const override;
    CIImage outputImage() override;

private:
    QVariant m_gradient;
    CIImage m_gradientImage;
};

class LXGradientMultiplyFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputGradient READ inputGradient WRITE setInputGradient)
    Q_PROPERTY(QVariant inputAngle MEMBER inputAngle)
public:
    Q_INVOKABLE explicit LXGradientMultiplyFilter(QObject* parent = nullptr);
    ~LXGradientMultiplyFilter() override;

    QVariant inputImage;
    QVariant inputAngle; // degrees, 0

    QVariant inputGradient() const { return m_gradient; }
    void setInputGradient(const QVariant& gradient);

    // Where the strip goes for an image of extent `extent` at `angle`
    // degrees: its centre on the image's centre, turned by -angle, as long
    // as the image measured along the gradient.
    static QTransform placement(const QRectF& extent, double angle);

    QVariantMap customAttributes() const override;
    CIImage outputImage() override;

private:
    QVariant m_gradient;
    std::shared_ptr<CIFilter> m_clampFilter; // CIAffineClamp over the strip
};

// The strip of a gradient value (Gradient or text); null for anything else.
CIImage gradientStrip(const QVariant& gradient);
