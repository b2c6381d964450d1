#include "platform/image/CIColor.h"

#include <QStringList>

CIColor::CIColor(double red, double green, double blue, double alpha)
    : m_r(red), m_g(green), m_b(blue), m_a(alpha), m_null(false)
{
}

CIColor::CIColor(const QColor& color)
{
    if (!color.isValid())
        return;
    const QColor rgb = color.toRgb();
    *this = CIColor(rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF());
}

CIColor CIColor::colorWithString(const QString& text)
{
    const QStringList parts = text.simplified().split(u' ', Qt::SkipEmptyParts);
    if (parts.size() != 3 && parts.size() != 4)
        return CIColor();
    double v[4] = {0, 0, 0, 1};
    for (int i = 0; i < parts.size(); ++i) {
        bool ok = false;
        v[i] = parts[i].toDouble(&ok);
        if (!ok)
            return CIColor();
    }
    return CIColor(v[0], v[1], v[2], v[3]);
}

QString CIColor::stringRepresentation() const
{
    if (m_null)
        return QString();
    return QStringLiteral("%1 %2 %3 %4")
        .arg(QString::number(m_r, 'g', 17), QString::number(m_g, 'g', 17), QString::number(m_b, 'g', 17),
             QString::number(m_a, 'g', 17));
}

QColor CIColor::toQColor() const
{
    if (m_null)
        return QColor();
    return QColor::fromRgbF(float(m_r), float(m_g), float(m_b), float(m_a));
}

bool CIColor::operator==(const CIColor& other) const
{
    return m_null == other.m_null && m_r == other.m_r && m_g == other.m_g && m_b == other.m_b
        && m_a == other.m_a;
}
