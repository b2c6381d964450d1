#include "frames/FrameCache.h"

#include "platform/image/CIFilter.h"

#include <algorithm>
#include <cmath>

bool FrameCache::sameNumber(const QVariant& a, const QVariant& b)
{
    if (!a.isValid() || !b.isValid())
        return a.isValid() == b.isValid();
    // NaN for what is no number: unequal to everything, so it is stored.
    return CIFilter::numberValue(a, NAN) == CIFilter::numberValue(b, NAN);
}

void FrameCache::setWidth(const QVariant& value)
{
    width = std::max(kMinimumWidth, CIFilter::numberValue(value, 0.0));
    dropAll();
}

void FrameCache::setTextureScale(const QVariant& value)
{
    if (sameNumber(value, textureScale))
        return;
    textureScale = value;
    frame = {};
}

void FrameCache::setShadowWidth(const QVariant& value)
{
    if (sameNumber(value, shadowWidth))
        return;
    shadowWidth = value;
    shadow = {};
}

void FrameCache::setCanvasProportion(const QVariant& value)
{
    setBorderInput(canvasProportion, value);
}

void FrameCache::setBorderInput(QVariant& input, const QVariant& value)
{
    if (sameNumber(value, input))
        return;
    input = value;
    dropAll();
}

void FrameCache::storeMask(const CIImage& newMask, const QRectF& extent)
{
    if (newMask == mask && !newMask.isNull())
        return;
    mask = newMask;
    frame = shadow = {};
    if (!newMask.isNull())
        lastExtent = extent;
}

double FrameCache::borderLengthFor(double proportion) const
{
    return proportion * std::max(kMinimumWidth, CIFilter::numberValue(width, 0.0));
}
