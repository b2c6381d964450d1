#include "platform/image/CIVector.h"

#include <QStringList>

CIVector::CIVector(double x, double y) : m_v{x, y, 0, 0}, m_count(2) {}
CIVector::CIVector(double x, double y, double z) : m_v{x, y, z, 0}, m_count(3) {}
CIVector::CIVector(double x, double y, double z, double w) : m_v{x, y, z, w}, m_count(4) {}

CIVector CIVector::vectorWithCGRect(const QRectF& rect)
{
    return CIVector(rect.x(), rect.y(), rect.width(), rect.height());
}

CIVector CIVector::vectorWithCGPoint(const QPointF& point)
{
    return CIVector(point.x(), point.y());
}

CIVector CIVector::vectorWithString(const QString& text)
{
    QString t = text.trimmed();
    if (t.startsWith(u'[') && t.endsWith(u']'))
        t = t.mid(1, t.size() - 2);
    const QStringList parts = t.split(u' ', Qt::SkipEmptyParts);
    if (parts.size() < 2 || parts.size() > 4)
        return CIVector();
    double v[4] = {0, 0, 0, 0};
    for (int i = 0; i < parts.size(); ++i) {
        bool ok = false;
        v[i] = parts[i].toDouble(&ok);
        if (!ok)
            return CIVector();
    }
    CIVector result(v[0], v[1], v[2], v[3]);
    result.m_count = int(parts.size());
    return result;
}

double CIVector::valueAtIndex(int i) const
{
    return (i >= 0 && i < m_count) ? m_v[size_t(i)] : 0.0;
}

QString CIVector::stringRepresentation() const
{
    QStringList parts;
    for (int i = 0; i < m_count; ++i)
        parts << QString::number(m_v[size_t(i)], 'g', 17);
    return u'[' + parts.join(u' ') + u']';
}

bool CIVector::operator==(const CIVector& other) const
{
    if (m_count != other.m_count)
        return false;
    for (int i = 0; i < m_count; ++i)
        if (m_v[size_t(i)] != other.m_v[size_t(i)])
            return false;
    return true;
}
