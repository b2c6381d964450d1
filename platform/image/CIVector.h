#pragma once
// A vector of 2 to 4 doubles (x, y, z, w), also used as a rectangle
// (x, y, width, height). A default-constructed vector has count 0 (null).
// Value type; any thread.

#include <QMetaType>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <array>

class CIVector {
public:
    CIVector() = default;
    CIVector(double x, double y);
    CIVector(double x, double y, double z);
    CIVector(double x, double y, double z, double w);
    static CIVector vectorWithCGRect(const QRectF& rect); // (x, y, width, height)
    static CIVector vectorWithCGPoint(const QPointF& point);
    // "[x y]" ... "[x y z w]" as stringRepresentation writes; null on bad text.
    static CIVector vectorWithString(const QString& text);

    bool isNull() const { return m_count == 0; }
    int count() const { return m_count; }
    // Component i, 0 beyond count.
    double valueAtIndex(int i) const;
    double X() const { return m_v[0]; }
    double Y() const { return m_v[1]; }
    double Z() const { return m_v[2]; }
    double W() const { return m_v[3]; }
    QPointF CGPointValue() const { return QPointF(m_v[0], m_v[1]); }
    QRectF CGRectValue() const { return QRectF(m_v[0], m_v[1], m_v[2], m_v[3]); }
    QString stringRepresentation() const;

    bool operator==(const CIVector& other) const;
    bool operator!=(const CIVector& other) const { return !(*this == other); }

private:
    std::array<double, 4> m_v{};
    int m_count = 0;
};

Q_DECLARE_METATYPE(CIVector)
