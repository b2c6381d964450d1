#pragma once
// A Gaussian blur (standard deviation inputRadius) that either keeps the
// picture's edges (forceInside: the edges are extended before blurring and
// the result is cut back to the picture's extent) or lets the blur spread,
// limited to three radii round an image without bounds.
// Attributes and defaults are the owned engine blur's (radius 10); an unset
// radius reads as that default everywhere. Main thread.

#include "filters/LXFilter.h"

#include <memory>

class LXGaussianBlurFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputRadius READ inputRadius WRITE setInputRadius)
    Q_PROPERTY(QVariant forceInside MEMBER forceInside)
public:
    Q_INVOKABLE explicit LXGaussianBlurFilter(QObject* parent = nullptr);
    ~LXGaussianBlurFilter() override;

    QVariant inputImage;  // CIImage
    QVariant forceInside; // bool, default NO

    // Kept in the owned blur.
    QVariant inputRadius() const;
    void setInputRadius(const QVariant& radius);
    // The radius in use: the input, else the blur's default.
    double radius() const;

    QVariantMap customAttributes() const override;
    void setDefaults() override;
    CIImage outputImage() override;
    std::shared_ptr<CIFilter> copy() const override;

private:
    std::shared_ptr<CIFilter> m_blur;  // CIGaussianBlur
    std::shared_ptr<CIFilter> m_clamp; // CIAffineClamp, identity
};
