#include "platform/image/CIImageAccumulator.h"

#include "platform/image/EngineNodes.h"

CIImageAccumulator::CIImageAccumulator(const QRectF& extent, const QString& format)
    : m_extent(CIGeometry::integral(extent)), m_format(format)
{
    clear();
}

void CIImageAccumulator::clear()
{
    m_image = CIImage::imageWithColor(CIColor(0, 0, 0, 0)).imageByCroppingToRect(m_extent);
}

void CIImageAccumulator::setImage(const CIImage& image)
{
    setImage(image, m_extent);
}

void CIImageAccumulator::setImage(const CIImage& image, const QRectF& dirtyRect)
{
    if (image.isNull()) {
        clear();
        return;
    }
    Engine::GL* gl = Engine::GL::instance();
    const QRect rect = CIGeometry::integral(m_extent);
    if (!gl || rect.isEmpty())
        return;
    // Outside the dirty rectangle the kept pixels stay.
    const CIImage fresh = image.imageByCroppingToRect(dirtyRect);
    const CIImage kept = m_image;
    const CIImage combined = (dirtyRect.contains(m_extent)) ? image : fresh.imageByCompositingOverImage(kept);
    Engine::Rendered r = Engine::renderImage(*gl, combined, rect, 1.0);
    if (r.isEmpty()) {
        clear();
        return;
    }
    r = Engine::copyToArea(*gl, r, rect);
    m_image = CIImage(std::make_shared<Engine::TextureNode>(r, m_extent));
}
