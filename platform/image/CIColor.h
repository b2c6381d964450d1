#pragma once
// An RGBA colour, components unpremultiplied in 0..1 (they are not clipped),
// in the sRGB encoding that QColor and the colour texts use. The engine turns
// it into linear-light premultiplied values where a kernel receives a __color.
// A default-constructed colour is null. Value type; any thread.

#include <QColor>
#include <QMetaType>
#include <QString>

class CIColor {
public:
    CIColor() = default;
    CIColor(double red, double green, double blue, double alpha = 1.0);
    explicit CIColor(const QColor& color); // null for an invalid QColor
    // "r g b a" or "r g b" (alpha 1); null for any other text.
    static CIColor colorWithString(const QString& text);

    bool isNull() const { return m_null; }
    double red() const { return m_r; }
    double green() const { return m_g; }
    double blue() const { return m_b; }
    double alpha() const { return m_a; }
    // "r g b a", each with the shortest exact decimal form ("1 0 0 1").
    QString stringRepresentation() const;
    QColor toQColor() const;

    bool operator==(const CIColor& other) const;
    bool operator!=(const CIColor& other) const { return !(*this == other); }

private:
    double m_r = 0, m_g = 0, m_b = 0, m_a = 0;
    bool m_null = true;
};

Q_DECLARE_METATYPE(CIColor)
