#pragma once
// A gradient editor: a strip painting the gradient with a marker under each
// colour stop. Clicking the strip adds a stop (selected, colour panel
// opened); interior stops are dragged or moved with the arrow keys (Shift
// x10, Alt x0.1 of one point); Delete removes the selected interior stop, as
// does clicking its delete icon; Tab / Shift+Tab select the next / previous
// stop; Escape gives up the focus, which clears the selection. The selected
// stop takes the shared colour panel's colour (LXColorWell).
//
// Stops: 2 to 100, locations strictly increasing; the first and the last are
// the ends and are neither moved nor removed. changed() is sent for removals,
// moves and colour changes (not for an added stop until its colour changes).
// Geometry follows y-up rules (gradientRect()), turned over for painting.
// null: no selection is -1. Thread: main thread.
#include "platform/ui/Gradient.h"
#include "platform/ui/Picture.h"
#include "ui/controls/LXColorWell.h"

#include <QVector>

#include <array>

class LXGradientPicker : public LXColorWell {
    Q_OBJECT
public:
    static constexpr int kMaxStops = 100;

    Q_INVOKABLE explicit LXGradientPicker(QWidget* parent = nullptr);

    // y-up, in points: x = marker width, y = 7, the width less two marker widths and 2, height 13.
    QRectF gradientRect() const;
    Gradient gradient() const;
    // Sorts the stops, keeps the first 100 given, drops repeated locations,
    // makes at least two (white and black when none), clears the selection.
    void setGradient(const Gradient& gradient);

    int count() const { return int(m_colors.size()); }
    QColor colorAt(int index) const { return m_colors.value(index); }
    double locationAt(int index) const { return index >= 0 && index < count() ? m_locations[index] : -1; }

    // The new stop's index; 0 (with a "Warning: " line) when refused.
    int addColorAt(double location);
    void removeColorAtIndex(int index);
    bool changeLocation(double location, int index);
    void changeColor(const QColor& color, int index);

    QColor color() const override;
    void setColor(const QColor& color) override;
    int selectedIndex() const { return m_selected; }
    // Selects, takes the focus and opens the colour panel; -1 clears.
    void setSelectedIndex(int index);
    void deactivate() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {60, sizeHint().height()}; }

protected:
    void takeColorFromPanel(const QColor& color) override;
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPointF yUp(QPointF point) const { return {point.x(), height() - point.y()}; }
    double stopX(int index) const;
    QRectF deleteIconRect(int index) const; // y-up; empty for no stop
    bool isInterior(int index) const { return index > 0 && index < count() - 1; }
    void moveSelected(double by);
    const Picture& image(int which) const;

    QVector<QColor> m_colors;
    std::array<double, kMaxStops> m_locations{};
    int m_selected = -1;
    int m_mouseDown = -1;
    bool m_pressedOnIcon = false;
    bool m_doubleClick = false;
    bool m_hovered = false;
    double m_minimumChange = 0.01;
    QSizeF m_marker{11, 12};
    // "ColorStop", "ColorStopSelected", "ColorStopDelete", at 1x and 2x.
    std::array<Picture, 6> m_images;
};
