#pragma once
// The engine's built-in filters, made by name through CIFilter::filterWithName
// ("CIGaussianBlur" ...). Their inputs, defaults and extents follow the
// platform's documented behaviour; attributes() lists them. A null required
// input gives a null outputImage without a message. Main thread only.

#include "platform/image/CIFilter.h"

namespace CIBuiltinFilters {
using Registrar = std::function<void(const QString&, CIFilter::Constructor, const QVariantMap&)>;
void registerAll(const Registrar& add);
} // namespace CIBuiltinFilters


// inputImage extended without end by its edge pixels, then transformed by
// inputTransform (default identity). Extent: infinite.
class CIAffineClamp : public CIFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputTransform MEMBER inputTransform)
public:
    Q_INVOKABLE explicit CIAffineClamp(QObject* parent = nullptr) : CIFilter(parent) {}
    QVariant inputImage, inputTransform;
    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};

// inputImage's extent repeated without end, then transformed by
// inputTransform. Extent: infinite.
class CIAffineTile : public CIFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputTransform MEMBER inputTransform)
public:
    Q_INVOKABLE explicit CIAffineTile(QObject* parent = nullptr) : CIFilter(parent) {}
    QVariant inputImage, inputTransform;
    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};

// inputImage transformed by inputTransform. Extent: the transformed extent.
class CIAffineTransform : public CIFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputTransform MEMBER inputTransform)
public:
    Q_INVOKABLE explicit CIAffineTransform(QObject* parent = nullptr) : CIFilter(parent) {}
    QVariant inputImage, inputTransform;
    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};

// inputImage cropped to inputRectangle (a CIVector x y w h).
class CICrop : public CIFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputRectangle MEMBER inputRectangle)
public:
    Q_INVOKABLE explicit CICrop(QObject* parent = nullptr) : CIFilter(parent) {}
    QVariant inputImage, inputRectangle;
    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};

// Gaussian blur of standard deviation inputRadius (default 10). Extent: the
// input's grown by 3 x radius on every side. Radius 0: the input itself.
class CIGaussianBlur : public CIFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputRadius MEMBER inputRadius)
public:
    Q_INVOKABLE explicit CIGaussianBlur(QObject* parent = nullptr) : CIFilter(parent) {}
    QVariant inputImage, inputRadius;
    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};

// Average along a line of length 2 x inputRadius (default 20) at inputAngle
// (radians, default 0 = horizontal). Extent: grown by the radius along the line.
class CIMotionBlur : public CIFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputRadius MEMBER inputRadius)
    Q_PROPERTY(QVariant inputAngle MEMBER inputAngle)
public:
    Q_INVOKABLE explicit CIMotionBlur(QObject* parent = nullptr) : CIFilter(parent) {}
    QVariant inputImage, inputRadius, inputAngle;
    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};

// Average over a disc of inputRadius (default 8). Extent: grown by the radius.
class CIDiscBlur : public CIFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputRadius MEMBER inputRadius)
public:
    Q_INVOKABLE explicit CIDiscBlur(QObject* parent = nullptr) : CIFilter(parent) {}
    QVariant inputImage, inputRadius;
    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};

// inputImage over inputBackgroundImage. Extent: the union of both.
class CISourceOverCompositing : public CIFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputBackgroundImage MEMBER inputBackgroundImage)
public:
    Q_INVOKABLE explicit CISourceOverCompositing(QObject* parent = nullptr) : CIFilter(parent) {}
    QVariant inputImage, inputBackgroundImage;
    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};

// inputImage where inputMaskImage is white, inputBackgroundImage where it is
// black (the mask's luminance interpolates). Extent: background's extent
// united with the part of the image inside the mask's extent.
class CIBlendWithMask : public CIFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputBackgroundImage MEMBER inputBackgroundImage)
    Q_PROPERTY(QVariant inputMaskImage MEMBER inputMaskImage)
public:
    Q_INVOKABLE explicit CIBlendWithMask(QObject* parent = nullptr) : CIFilter(parent) {}
    QVariant inputImage, inputBackgroundImage, inputMaskImage;
    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};

// inputColor (default opaque black) everywhere. Extent: infinite.
class CIConstantColorGenerator : public CIFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputColor MEMBER inputColor)
public:
    Q_INVOKABLE explicit CIConstantColorGenerator(QObject* parent = nullptr) : CIFilter(parent) {}
    QVariant inputColor;
    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};

// The colours inverted, alpha kept. Extent: the input's.
class CIColorInvert : public CIFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
public:
    Q_INVOKABLE explicit CIColorInvert(QObject* parent = nullptr) : CIFilter(parent) {}
    QVariant inputImage;
    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};

// A 1 x 1 image at (0, 0): the premultiplied mean of inputImage over
// inputExtent (kCIInputExtentKey, a CIVector x y w h; default 0 0 640 80).
class CIAreaAverage : public CIFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputExtent MEMBER inputExtent)
public:
    Q_INVOKABLE explicit CIAreaAverage(QObject* parent = nullptr) : CIFilter(parent) {}
    QVariant inputImage, inputExtent;
    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};

// Four independent uniform random numbers in 0..1 per pixel, the same for a
// pixel every time. Extent: infinite.
class CIRandomGenerator : public CIFilter {
    Q_OBJECT
public:
    Q_INVOKABLE explicit CIRandomGenerator(QObject* parent = nullptr) : CIFilter(parent) {}
    CIImage outputImage() override;
};

// inputImage read at each pixel displaced by inputScale (default 50) x
// (red - 0.5, green - 0.5) of inputDisplacementImage. Extent: the input's.
class CIDisplacementDistortion : public CIFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputDisplacementImage MEMBER inputDisplacementImage)
    Q_PROPERTY(QVariant inputScale MEMBER inputScale)
public:
    Q_INVOKABLE explicit CIDisplacementDistortion(QObject* parent = nullptr) : CIFilter(parent) {}
    QVariant inputImage, inputDisplacementImage, inputScale;
    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
};
