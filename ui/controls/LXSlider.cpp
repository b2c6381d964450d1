#include "ui/controls/LXSlider.h"

#include "ui/controls/SliderCurves.h"

#include <cmath>

LXSlider::LXSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setRange(0, kTrackSteps);
    setSingleStep(kTrackSteps / 100);
    setPageStep(kTrackSteps / 10);
    connect(this, &QSlider::valueChanged, this, [this] { emit doubleValueChanged(doubleValue()); });
}

double LXSlider::doubleValue() const
{
    const double t = double(value() - minimum()) / std::max(1, maximum() - minimum());
    return m_min + (m_max - m_min) * SliderCurves::valueAt(m_curve, t, m_expFactor);
}

void LXSlider::setDoubleValue(double value)
{
    const double span = m_max - m_min;
    // Out of range, NaN or an empty range: the knob goes to the nearest end.
    const double v = span != 0 && std::isfinite(span) ? (value - m_min) / span : 0.0;
    const double t = SliderCurves::positionFor(m_curve, v, m_expFactor);
    setValue(minimum() + int(std::lround(t * (maximum() - minimum()))));
}

void LXSlider::setExpFactor(double factor)
{
    const double value = doubleValue();
    m_expFactor = factor;
    setDoubleValue(value);
}
