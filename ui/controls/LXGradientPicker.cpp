#include "ui/controls/LXGradientPicker.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "resources/BundleResources.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {
enum { Stop, Selected, Delete };
constexpr double kDeleteY = 14;

void warn(const QString& text) { Log::line(lcControls, QStringLiteral("Warning: ") + text); }

// Outlines over a colour: black on light colours, white on dark ones.
QColor outlineOver(const QColor& color)
{
    return color.valueF() >= 0.5 ? QColor(0, 0, 0, 110) : QColor(255, 255, 255, 150);
}
} // namespace

LXGradientPicker::LXGradientPicker(QWidget* parent) : LXColorWell(parent)
{
    const char* names[] = {"ColorStop", "ColorStopSelected", "ColorStopDelete"};
    for (int i = 0; i < 3; ++i) {
        m_images[i] = imageNamedPrefer2X(Bundle::mainBundle(), QString::fromLatin1(names[i]), false);
        m_images[i + 3] = imageNamedPrefer2X(Bundle::mainBundle(), QString::fromLatin1(names[i]), true);
    }
    if (!m_images[Stop].isNull())
        m_marker = m_images[Stop].size();
    setSupportsAlpha(true);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setGradient(Gradient(Qt::white, Qt::black));
}

const Picture& LXGradientPicker::image(int which) const
{
    const Picture& sharp = m_images[which + 3];
    return devicePixelRatioF() >= 1.5 && !sharp.isNull() ? sharp : m_images[which];
}

QSize LXGradientPicker::sizeHint() const
{
    const QSizeF icon = m_images[Delete].isNull() ? QSizeF(10, 10) : m_images[Delete].size();
    return {240, int(std::ceil(std::max(kDeleteY + icon.height(), 7.0 + 13.0))) + 2};
}

QRectF LXGradientPicker::gradientRect() const
{
    return {m_marker.width(), 7, width() - 2 * (m_marker.width() + 1), 13};
}

double LXGradientPicker::stopX(int index) const
{
    const QRectF g = gradientRect();
    return m_locations[index] * g.width() + g.x();
}

Gradient LXGradientPicker::gradient() const
{
    QVector<GradientStop> stops;
    for (int i = 0; i < count(); ++i)
        stops.append(GradientStop::at(m_locations[i], m_colors[i]));
    return Gradient(stops);
}

void LXGradientPicker::setGradient(const Gradient& gradient)
{
    QVector<GradientStop> stops = gradient.stops().mid(0, kMaxStops);
    std::stable_sort(stops.begin(), stops.end(),
                     [](const GradientStop& a, const GradientStop& b) { return a.location < b.location; });
    // Locations must increase strictly; a repeated one cannot be told apart.
    stops.erase(std::unique(stops.begin(), stops.end(),
                            [](const GradientStop& a, const GradientStop& b) { return a.location == b.location; }),
                stops.end());
    if (stops.isEmpty())
        stops = Gradient(Qt::white, Qt::black).stops();
    else if (stops.size() == 1)
        stops = Gradient(stops[0].color(), stops[0].color()).stops();
    m_colors.clear();
    for (int i = 0; i < stops.size(); ++i) {
        m_colors.append(stops[i].color().toRgb());
        m_locations[i] = stops[i].location;
    }
    m_selected = -1; // an old index may lie past the new end
    m_mouseDown = -1;
    update();
}

int LXGradientPicker::addColorAt(double location)
{
    if (count() >= kMaxStops) {
        warn(QStringLiteral("Trying to add more than a hundred colors to an array"));
        return 0;
    }
    const auto begin = m_locations.begin(), end = begin + count();
    if (!(location > 0 && location < 1) || std::find(begin, end, location) != end) {
        warn(QString::asprintf("Cannot add color at location %f", location));
        return 0;
    }
    const QColor color = gradient().colorAt(location).toRgb();
    // Past the last stop (one below 1.0) the index is the end of the list.
    const int index = int(std::lower_bound(begin, end, location) - begin);
    std::copy_backward(begin + index, end, end + 1);
    m_locations[index] = location;
    m_colors.insert(index, color);
    if (m_selected >= index)
        ++m_selected;
    update();
    return index;
}

void LXGradientPicker::removeColorAtIndex(int index)
{
    if (!isInterior(index))
        return;
    std::copy(m_locations.begin() + index + 1, m_locations.begin() + count(), m_locations.begin() + index);
    m_colors.remove(index);
    if (m_selected == index)
        m_selected = -1;
    else if (m_selected > index)
        --m_selected;
    update();
    emit changed();
}

bool LXGradientPicker::changeLocation(double location, int index)
{
    if (!isInterior(index) || !(location > m_locations[index - 1] && location < m_locations[index + 1]))
        return false;
    m_locations[index] = location;
    update();
    emit changed();
    return true;
}

void LXGradientPicker::changeColor(const QColor& color, int index)
{
    if (isOpening() || index < 0 || index >= count())
        return;
    m_colors[index] = color.toRgb();
    update();
    emit changed();
}

QColor LXGradientPicker::color() const
{
    return m_selected >= 0 && m_selected < count() ? m_colors[m_selected] : m_colors.value(0);
}

void LXGradientPicker::setColor(const QColor& color)
{
    if (isOpening())
        return;
    LXColorWell::setColor(color);
    if (m_selected >= 0 && m_selected < count()) {
        m_colors[m_selected] = color.toRgb();
        update();
        emit changed();
    }
}

void LXGradientPicker::takeColorFromPanel(const QColor& color) { changeColor(color, m_selected); }

void LXGradientPicker::setSelectedIndex(int index)
{
    m_selected = index >= 0 && index < count() ? index : -1;
    update();
    if (m_selected < 0)
        return;
    setFocusPolicy(Qt::StrongFocus);
    setFocus(Qt::OtherFocusReason);
    activate(); // hands the panel the selected stop's colour
}

void LXGradientPicker::deactivate()
{
    LXColorWell::deactivate();
    m_selected = -1;
    setFocusPolicy(Qt::NoFocus);
    update();
}

void LXGradientPicker::resizeEvent(QResizeEvent* event)
{
    LXColorWell::resizeEvent(event);
    const double width = gradientRect().width();
    m_minimumChange = width > 0 ? 1.0 / width : 0.0;
}

QRectF LXGradientPicker::deleteIconRect(int index) const
{
    if (index < 0 || index >= count())
        return QRectF(-1000, 0, 0, 0); // left of the view: never hit
    const QSizeF icon = m_images[Delete].isNull() ? QSizeF(10, 10) : m_images[Delete].size();
    return {std::round(stopX(index) - icon.width() / 2), kDeleteY, icon.width(), icon.height()};
}

void LXGradientPicker::mousePressEvent(QMouseEvent* event)
{
    const QPointF p = yUp(event->position());
    m_doubleClick = false;
    m_mouseDown = -1;
    m_pressedOnIcon = isInterior(m_selected) && deleteIconRect(m_selected).contains(p);
    if (p.y() <= m_marker.height())
        for (int i = 0; i < count(); ++i)
            if (p.x() >= stopX(i) - m_marker.width() / 2 + 1 && p.x() <= stopX(i) + m_marker.width() / 2 + 1)
                m_mouseDown = i; // the last one wins
}

void LXGradientPicker::mouseMoveEvent(QMouseEvent* event)
{
    const bool hovered = rect().contains(event->position().toPoint());
    if (hovered != m_hovered) {
        m_hovered = hovered;
        update();
    }
    if (!(event->buttons() & Qt::LeftButton) || !isInterior(m_mouseDown))
        return;
    const QRectF g = gradientRect();
    if (g.width() > 0)
        changeLocation((yUp(event->position()).x() - g.x()) / g.width(), m_mouseDown);
}

void LXGradientPicker::mouseDoubleClickEvent(QMouseEvent*) { m_doubleClick = true; }

void LXGradientPicker::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_doubleClick)
        return;
    const QPointF p = yUp(event->position());
    const QRectF g = gradientRect();
    // The icon removes only the stop it belongs to, pressed there or on its marker.
    if (isInterior(m_selected) && deleteIconRect(m_selected).contains(p)
        && (m_mouseDown == m_selected || m_pressedOnIcon)) {
        removeColorAtIndex(m_selected);
        m_selected = -1;
    } else if (p.y() <= m_marker.height() && m_mouseDown >= 0 && m_mouseDown < count()) {
        setSelectedIndex(m_mouseDown); // a marker's tip reaches into the strip: select, not add
    } else if (g.contains(p) && g.width() > 0) {
        const int index = addColorAt(std::clamp((p.x() - g.x()) / g.width(), 0.002, 0.998));
        if (index > 0)
            setSelectedIndex(index);
    }
    m_pressedOnIcon = false;
    update();
}

void LXGradientPicker::moveSelected(double by)
{
    if (m_selected < 0 || !changeLocation(m_locations[m_selected] + by, m_selected))
        QApplication::beep();
}

bool LXGradientPicker::event(QEvent* event)
{
    // Tab walks the stops instead of the focus chain.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            if (m_selected < 0) {
                QApplication::beep();
            } else {
                const bool back = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
                setSelectedIndex((m_selected + (back ? count() - 1 : 1)) % count());
            }
            return true;
        }
    }
    return LXColorWell::event(event);
}

void LXGradientPicker::keyPressEvent(QKeyEvent* event)
{
    double factor = 1;
    if (event->modifiers() & Qt::ShiftModifier)
        factor = 10;
    else if (event->modifiers() & Qt::AltModifier)
        factor = 0.1;
    switch (event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        if (isInterior(m_selected)) {
            removeColorAtIndex(m_selected);
            m_selected = -1;
        }
        break;
    case Qt::Key_Left: moveSelected(-m_minimumChange * factor); break;
    case Qt::Key_Right: moveSelected(m_minimumChange * factor); break;
    case Qt::Key_Escape: clearFocus(); break;
    default: LXColorWell::keyPressEvent(event); return;
    }
    update();
}

void LXGradientPicker::focusOutEvent(QFocusEvent* event)
{
    LXColorWell::focusOutEvent(event);
    // The panel keeps its colour for whatever is selected next; only the selection goes.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason) {
        m_selected = -1;
        setFocusPolicy(Qt::NoFocus);
        update();
    }
}

void LXGradientPicker::enterEvent(QEnterEvent*)
{
    m_hovered = true;
    update();
}

void LXGradientPicker::leaveEvent(QEvent*)
{
    m_hovered = false;
    update();
}

void LXGradientPicker::paintEvent(QPaintEvent*)
{
    const QRectF g = gradientRect();
    if (g.width() <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double H = height();
    const auto flip = [H](const QRectF& r) { return QRectF(r.x(), H - r.y() - r.height(), r.width(), r.height()); };
    const QRectF strip = flip(g);
    painter.fillRect(strip, gradient().linear(strip.topLeft(), strip.topRight()));
    painter.setPen(QPen(QColor(0, 0, 0, 51), 1));
    painter.drawRect(strip.adjusted(-0.5, -0.5, 0.5, 0.5));

    const double mw = m_marker.width(), mh = m_marker.height();
    for (int i = 0; i < count(); ++i) {
        const QRectF marker = flip(QRectF(std::round(stopX(i)) - mw / 2, 0, mw, mh));
        const Picture& art = image(i == m_selected ? Selected : Stop);
        if (!art.isNull())
            art.draw(painter, marker);
        // The colour sits in the marker's body, below its tip.
        const QRectF swatch(marker.x() + 2.5, marker.y() + mh * 0.42, mw - 5, mh * 0.58 - 2.5);
        painter.fillRect(swatch, m_colors[i]);
        painter.setPen(QPen(outlineOver(m_colors[i]), 0.6));
        painter.drawRect(swatch);
    }
    if (m_hovered && isInterior(m_selected)) {
        const Picture& icon = image(Delete);
        if (!icon.isNull())
            icon.draw(painter, flip(deleteIconRect(m_selected)));
    }
}
