#pragma once
// A frosted window: inside a window rectangle (the foreground's extent or
// inputLayer's frame, inset by inputMargin) the background is shown blurred
// (or, with useDistortion, displaced by random noise), outside it sharp; the
// foreground is composited over both. The result has the background's
// extent; null without a background.
// Unset inputs read as their attribute defaults (margin 0, radius 10).
// Main thread.

#include "filters/LXFilter.h"
#include "platform/ui/Layer.h"

#include <memory>

class LXBlurCompositionFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputBackgroundImage MEMBER inputBackgroundImage)
    Q_PROPERTY(QVariant inputMargin MEMBER inputMargin)
    Q_PROPERTY(QVariant inputRadius MEMBER inputRadius)
    Q_PROPERTY(QVariant inputLayer READ inputLayer WRITE setInputLayer)
    Q_PROPERTY(QVariant useDistortion MEMBER useDistortion)
public:
    Q_INVOKABLE explicit LXBlurCompositionFilter(QObject* parent = nullptr);

    QVariant inputImage;           // CIImage: the foreground
    QVariant inputBackgroundImage; // CIImage: blurred in the window; gives the extent
    QVariant inputMargin;          // CIVector (left, bottom, right, top) insets, default 0
    QVariant inputRadius;          // blur radius or displacement scale, default 10
    QVariant useDistortion;        // bool, default NO

    // A weak reference: set a std::shared_ptr<Layer> or std::weak_ptr<Layer>;
    // reads back as std::weak_ptr<Layer> (null when none was set).
    QVariant inputLayer() const;
    void setInputLayer(const QVariant& layer);

    // The window rectangle of the current inputs.
    QRectF windowRect() const;

    QVariantMap customAttributes() const override;
    CIImage outputImage() override;

private:
    std::weak_ptr<Layer> m_layer;
    bool m_hasLayer = false;
};
