#pragma once
// The numeric inputs the textured frame and shaped border filters share, and
// the three layers each keeps between renders, with the rules that drop them:
// - the mask is what the frame and the inner shadow are drawn from, so
//   storing a mask drops both, a null one too, also when the mask was
//   already cleared (a frame drawn from it may still be held); storing the
//   same non-null mask keeps them;
// - width and canvas proportion move the border: every layer goes;
// - texture scale drops the frame, shadow width the shadow.
// A setter given a number that reads the same as the one held changes
// nothing (see sameNumber). Value type; main thread.

#include "platform/image/CIFilter.h"
#include "platform/image/CIImage.h"

#include <QRectF>
#include <QVariant>

struct FrameCache {
    // The smallest inputWidth, a fraction of canvasProportion.
    static constexpr double kMinimumWidth = 0.0001;

    QVariant width, textureScale, shadowWidth;
    QVariant canvasProportion = 1.0;
    CIImage mask, frame, shadow;
    // The picture's extent when the last non-null mask was stored.
    QRectF lastExtent;

    // Whether two inputs read as the same number: both unset, or both set
    // and equal as numbers ("1.5", "1.50" and 1.5 alike). A set value that is no
    // number equals nothing.
    static bool sameNumber(const QVariant& a, const QVariant& b);

    // Stored at least kMinimumWidth; every layer goes, whatever the value.
    void setWidth(const QVariant& value);
    void setTextureScale(const QVariant& value);
    void setShadowWidth(const QVariant& value);
    void setCanvasProportion(const QVariant& value);
    // Any other input that moves the border: every layer goes.
    void setBorderInput(QVariant& input, const QVariant& value);

    void storeMask(const CIImage& newMask, const QRectF& extent);
    void dropAll() { mask = frame = shadow = {}; }

    // canvasProportion x width in pixels, unrounded and unclamped.
    double borderLength() const { return borderLengthFor(CIFilter::numberValue(canvasProportion, 1.0)); }
    // The same for another canvas proportion.
    double borderLengthFor(double proportion) const;
};
