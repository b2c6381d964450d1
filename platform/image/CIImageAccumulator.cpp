#include "platform/image/CIImageAccumulator.h"

#include "platform/foundation/Log.h"
#include "platform/image/CIContext.h"
#include "platform/image/EngineNodes.h"
#include "platform/image/EngineOptimiser.h"

#include <cmath>

namespace {

const QString kEndless = QStringLiteral(
    "Warning: an image of infinite extent cannot be kept by an image accumulator; it is passed on unrendered");

} // namespace

CIImageAccumulator::CIImageAccumulator(const QRectF& extent, const QString& format)
    : m_extent(CIGeometry::isInfinite(extent) ? extent : QRectF(CIGeometry::integral(extent))), m_format(format)
{
    clear();
}

void CIImageAccumulator::clear()
{
    m_drawn = QRectF();
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
    const bool whole = dirtyRect.contains(m_extent);
    QRectF area = m_extent;
    if (CIGeometry::isInfinite(m_extent)) {
        // Only the finite part of what is drawn, and what was kept, is rendered.
        QRectF drawn = CIGeometry::intersect(image.extent(), dirtyRect);
        if (!whole)
            drawn = CIGeometry::unite(m_drawn, drawn);
        if (CIGeometry::isInfinite(drawn)) {
            Log::line(lcImage, kEndless);
            m_image = whole ? image : image.imageByCroppingToRect(dirtyRect).imageByCompositingOverImage(m_image);
            m_drawn = CIGeometry::infiniteRect();
            return;
        }
        area = QRectF(CIGeometry::integral(drawn));
    }
    const QRect rect = CIGeometry::integral(area);
    if (!gl || rect.isEmpty())
        return;
    // Outside the dirty rectangle the kept pixels stay.
    const CIImage fresh = image.imageByCroppingToRect(dirtyRect);
    const CIImage kept = m_image;
    const CIImage combined = whole ? image : fresh.imageByCompositingOverImage(kept);
    Engine::Rendered r = Engine::renderImage(*gl, combined, rect, 1.0);
    if (r.isEmpty()) {
        clear();
        return;
    }
    // A float texture covering exactly the rectangle is kept as it is: a
    // copy would cost a pass over the whole picture.
    const bool exact = r.area == QRectF(rect) && r.texture->width == rect.width() && r.texture->height == rect.height()
                    && r.texture->format == gl->floatFormat();
    if (!exact)
        r = Engine::copyToArea(*gl, r, rect);
    // What was known opaque stays known: a last pass then draws nothing under it.
    const QRectF opaque = combined.node() ? CIGeometry::intersect(combined.node()->opaqueArea(), area) : QRectF();
    m_image = CIImage(std::make_shared<Engine::TextureNode>(r, area, opaque));
    if (CIGeometry::isInfinite(m_extent))
        m_drawn = area;
}

CIImage CIImageAccumulator::flatten(const CIImage& image, const QRectF& bounds)
{
    if (image.isNull())
        return {};
    QRectF extent = image.extent();
    if (CIGeometry::isInfinite(extent) && !CIGeometry::isInfinite(bounds))
        extent = CIGeometry::intersect(extent, bounds);
    if (CIGeometry::isInfinite(extent)) {
        Log::line(lcImage, kEndless);
        return image;
    }
    const CIImage inside = image.imageByCroppingToRect(extent);
    if (const CIImage kept = keptAsBytes(inside); !kept.isNull())
        return kept;
    CIImageAccumulator accumulator(extent, kCIFormatRGBAf);
    accumulator.setImage(inside);
    return accumulator.image();
}

CIImage CIImageAccumulator::flattenReduced(const CIImage& image, double detail)
{
    const QRectF extent = image.isNull() ? QRectF() : image.extent();
    Engine::GL* gl = Engine::GL::instance();
    if (!gl || CIGeometry::isInfinite(extent) || CIGeometry::isEmpty(extent))
        return {};
    const QRect rect = CIGeometry::integral(extent);
    const Engine::Rendered r = Engine::renderImage(*gl, image, rect, detail);
    if (r.isEmpty())
        return {};
    const double margin = std::ceil(1 / detail) + 1;
    const QRectF opaque = CIGeometry::intersect(image.node()->opaqueArea(), extent).adjusted(margin, margin, -margin, -margin);
    return CIImage(std::make_shared<Engine::TextureNode>(r, extent, opaque.isEmpty() ? QRectF() : opaque));
}

CIImage CIImageAccumulator::keptAsBytes(const CIImage& image)
{
    // Only where it is partly opaque: elsewhere floats keep faint pixels
    // better. And only with even sides (its whole pixels, as the float
    // copy keeps them): centred on a screen (whose sides are even) it then
    // lies on whole pixels, where the last pass copies; one of odd sides
    // lies between pixels, is encoded by the last pass anyway, and storing
    // it in 8 bits would only add a second encoding.
    const QRectF opaque = image.node()->opaqueArea();
    Engine::GL* gl = Engine::GL::instance();
    const QRect rect = CIGeometry::integral(image.extent());
    if (!gl || opaque.isEmpty() || rect.width() % 2 != 0 || rect.height() % 2 != 0)
        return {};
    const Engine::RenderScope scope(image);
    std::vector<Engine::CopiedPart> copied;
    const Engine::Rendered r = Engine::renderFused(*gl, *image.node(), rect, false, nullptr, true, &copied);
    if (r.isEmpty() || r.area != QRectF(rect) || r.texture->width != rect.width() || r.texture->height != rect.height())
        return {};
    // The largest part copied from a photo halved on its worker: read at
    // half detail (the extension's backdrop), it is that half.
    Engine::CopiedPart largest;
    for (const Engine::CopiedPart& part : copied)
        if (Engine::TextureNode::halfKept(part)
            && qint64(part.rect.width()) * part.rect.height() > qint64(largest.rect.width()) * largest.rect.height())
            largest = part;
    return CIImage(std::make_shared<Engine::TextureNode>(r, QRectF(rect), CIGeometry::intersect(opaque, QRectF(rect)), largest));
}
