#include "frames/ShownPicture.h"

#include "platform/image/CIContext.h"
#include "platform/image/CIGeometry.h"

const CIImage& ShownPicture::of(const CIImage& picture, const QTransform& transform)
{
    if (picture == m_picture && transform == m_transform)
        return m_shown;
    m_picture = picture;
    m_transform = transform;
    m_shown = {};
    if (picture.isNull())
        return m_shown;
    const CIImage placed = picture.imageByApplyingTransform(transform);
    const QRectF extent = placed.extent();
    if (CIGeometry::isInfinite(extent) || CIGeometry::isEmpty(extent))
        return m_shown;
    // Whole pixels, so that the bitmap is read where it was drawn, never between its texels.
    const QRect pixels = CIGeometry::integral(extent);
    const QImage bitmap = CIContext().createCGImage(placed, QRectF(pixels));
    if (bitmap.isNull())
        return m_shown;
    m_shown = CIImage::imageWithQImage(bitmap)
                  .imageByApplyingTransform(QTransform::fromTranslate(pixels.x(), pixels.y()));
    return m_shown;
}
