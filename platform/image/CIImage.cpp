#include "platform/image/CIImage.h"

#include "platform/image/EngineNodes.h"
#include "platform/image/EngineSources.h"
#include "platform/image/SRGB.h"
#include "platform/image/CIKernel.h"
#include "platform/foundation/Log.h"

CIImage::CIImage(std::shared_ptr<const Engine::ImageNode> node) : m_node(std::move(node)) {}

CIImage CIImage::imageWithContentsOfURL(const QUrl& url)
{
    if (!url.isLocalFile()) {
        Log::line(lcImage, QStringLiteral("Error: cannot read image at '%1': not a local file").arg(url.toString()));
        return {};
    }
    return imageWithContentsOfFile(url.toLocalFile());
}

CIImage CIImage::imageWithContentsOfFile(const QString& path)
{
    auto node = Engine::SourceNode::fromFile(path);
    return node ? CIImage(node) : CIImage();
}

CIImage CIImage::imageWithQImage(const QImage& image)
{
    if (image.isNull())
        return {};
    return CIImage(Engine::SourceNode::fromImage(image));
}

CIImage CIImage::imageWithColor(const CIColor& color)
{
    if (color.isNull())
        return {};
    return CIImage(std::make_shared<Engine::ColorNode>(
        Engine::premultipliedLinear(color.red(), color.green(), color.blue(), color.alpha())));
}

CIImage CIImage::emptyImage()
{
    return imageWithColor(CIColor(0, 0, 0, 0)).imageByCroppingToRect(QRectF());
}

QRectF CIImage::extent() const
{
    return m_node ? m_node->extent() : QRectF();
}

QImage CIImage::sourceBitmap() const
{
    const auto* source = dynamic_cast<const Engine::SourceNode*>(m_node.get());
    return source ? source->bitmap() : QImage();
}

bool CIImage::isOpaque() const
{
    const QRectF e = extent();
    if (!m_node || CIGeometry::isEmpty(e) || CIGeometry::isInfinite(e))
        return false;
    const QRectF known = m_node->opaqueArea();
    return !known.isEmpty() && known.contains(e);
}

CIFilterShape CIImage::definition() const
{
    return m_node ? m_node->definition() : CIFilterShape();
}

CIImage CIImage::imageByApplyingTransform(const QTransform& transform) const
{
    if (!m_node || transform.isIdentity())
        return *this;
    if (transform.type() > QTransform::TxShear) {
        Log::line(lcImage, QStringLiteral("Error: image transforms must be affine"));
        return {};
    }
    // Two transforms in a row are one resampling, not two.
    if (auto inner = std::dynamic_pointer_cast<const Engine::TransformNode>(m_node))
        return inner->input.imageByApplyingTransform(inner->transform * transform);
    return CIImage(std::make_shared<Engine::TransformNode>(*this, transform));
}

CIImage CIImage::imageByCroppingToRect(const QRectF& rect) const
{
    if (!m_node)
        return *this;
    const QRectF e = extent();
    if (!CIGeometry::isInfinite(rect) && !CIGeometry::isEmpty(e) && !CIGeometry::isInfinite(e)
        && QRectF(CIGeometry::integral(rect)).contains(e))
        return *this;
    if (CIGeometry::isInfinite(rect))
        return *this;
    if (auto inner = std::dynamic_pointer_cast<const Engine::CropNode>(m_node))
        return CIImage(std::make_shared<Engine::CropNode>(
            inner->input, CIGeometry::intersect(QRectF(inner->rect), QRectF(CIGeometry::integral(rect)))));
    return CIImage(std::make_shared<Engine::CropNode>(*this, rect));
}

CIImage CIImage::imageByClampingToExtent() const
{
    if (!m_node || CIGeometry::isInfinite(extent()))
        return *this;
    return CIImage(std::make_shared<Engine::ClampNode>(*this));
}

CIImage CIImage::imageByKeepingFullFloats() const
{
    if (!m_node || dynamic_cast<const Engine::FullFloatNode*>(m_node.get()))
        return *this;
    return CIImage(std::make_shared<Engine::FullFloatNode>(*this));
}

CIImage CIImage::imageBySamplingCoarsely(double pixelsPerTexel) const
{
    if (!m_node || !(pixelsPerTexel >= 2) || CIGeometry::isInfinite(extent()) || CIGeometry::isEmpty(extent()))
        return *this;
    return CIImage(std::make_shared<Engine::CoarseGridNode>(*this, pixelsPerTexel));
}

CIImage CIImage::imageByCompositingOverImage(const CIImage& background) const
{
    if (!m_node)
        return background;
    if (!background.m_node)
        return *this;
    return CIImage(std::make_shared<Engine::SourceOverNode>(*this, background));
}
