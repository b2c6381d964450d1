#include "platform/image/CISampler.h"

CISampler CISampler::samplerWithImage(const CIImage& image, const QVariantMap& options)
{
    CISampler sampler(image);
    if (options.value(kCISamplerWrapMode).toString() == kCISamplerWrapClamp)
        sampler.m_wrap = Wrap::Clamp;
    if (options.value(kCISamplerFilterMode).toString() == kCISamplerFilterNearest)
        sampler.m_filter = Filter::Nearest;
    return sampler;
}

QRectF CISampler::extent() const
{
    if (m_image.isNull())
        return QRectF();
    return m_wrap == Wrap::Clamp ? CIGeometry::infiniteRect() : m_image.extent();
}

CIFilterShape CISampler::definition() const
{
    if (m_image.isNull())
        return CIFilterShape();
    return m_wrap == Wrap::Clamp ? CIFilterShape::shapeWithRect(CIGeometry::infiniteRect()) : m_image.definition();
}
