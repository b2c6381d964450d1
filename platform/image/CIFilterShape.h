#pragma once
// A domain of definition: where an image may be other than transparent.
// Kept as a bounding rectangle (possibly infinite). A default-constructed
// shape is null (no domain). Value type; any thread.

#include "platform/image/CIGeometry.h"

#include <QMetaType>

class CIFilterShape {
public:
    CIFilterShape() = default;
    static CIFilterShape shapeWithRect(const QRectF& rect);

    bool isNull() const { return m_null; }
    QRectF extent() const { return m_rect; }
    CIFilterShape transformBy(const QTransform& transform) const;
    CIFilterShape unionWith(const CIFilterShape& other) const;
    CIFilterShape intersectWith(const CIFilterShape& other) const;

    bool operator==(const CIFilterShape& other) const { return m_null == other.m_null && m_rect == other.m_rect; }

private:
    QRectF m_rect;
    bool m_null = true;
};

Q_DECLARE_METATYPE(CIFilterShape)
