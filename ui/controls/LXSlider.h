#pragma once
// A slider whose knob position maps to its value along a curve
// (SliderCurves), so small values can get more of the track. The track is
// QSlider's integer range 0..kTrackSteps; the user value lies in
// minValue..maxValue (doubles).
//
// setDoubleValue() clamps into the range (settings may lie outside it), so
// the knob never receives NaN; with maxValue == minValue the knob sits at
// the start and doubleValue() is minValue. setExpFactor() keeps the value
// and moves the knob; setSliderCurve() keeps the knob, so the value changes.
// Thread: main thread.
#include <QSlider>

#include <cstdint>

class LXSlider : public QSlider {
    Q_OBJECT
    Q_PROPERTY(double doubleValue READ doubleValue WRITE setDoubleValue NOTIFY doubleValueChanged)
    Q_PROPERTY(double minValue READ minValue WRITE setMinValue)
    Q_PROPERTY(double maxValue READ maxValue WRITE setMaxValue)
    Q_PROPERTY(uint sliderCurve READ sliderCurve WRITE setSliderCurve)
    Q_PROPERTY(double expFactor READ expFactor WRITE setExpFactor)
public:
    static constexpr int kTrackSteps = 100000;

    Q_INVOKABLE explicit LXSlider(QWidget* parent = nullptr);

    double doubleValue() const;
    void setDoubleValue(double value);
    double minValue() const { return m_min; }
    double maxValue() const { return m_max; }
    // Keep the knob; the value read next follows the new range.
    void setMinValue(double value) { m_min = value; }
    void setMaxValue(double value) { m_max = value; }
    std::uint32_t sliderCurve() const { return m_curve; }
    void setSliderCurve(std::uint32_t curve) { m_curve = curve; }
    double expFactor() const { return m_expFactor; }
    void setExpFactor(double factor);

signals:
    void doubleValueChanged(double value);

private:
    double m_min = 0, m_max = 1;
    std::uint32_t m_curve = 0;
    double m_expFactor = 3.0;
};
