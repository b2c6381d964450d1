#include "platform/image/CIFilterShape.h"

CIFilterShape CIFilterShape::shapeWithRect(const QRectF& rect)
{
    CIFilterShape shape;
    shape.m_rect = CIGeometry::isEmpty(rect) ? QRectF() : rect;
    shape.m_null = false;
    return shape;
}

CIFilterShape CIFilterShape::transformBy(const QTransform& transform) const
{
    return m_null ? *this : shapeWithRect(CIGeometry::transformed(m_rect, transform));
}

CIFilterShape CIFilterShape::unionWith(const CIFilterShape& other) const
{
    if (m_null)
        return other;
    if (other.m_null)
        return *this;
    return shapeWithRect(CIGeometry::unite(m_rect, other.m_rect));
}

CIFilterShape CIFilterShape::intersectWith(const CIFilterShape& other) const
{
    if (m_null || other.m_null)
        return m_null ? other : *this;
    return shapeWithRect(CIGeometry::intersect(m_rect, other.m_rect));
}

