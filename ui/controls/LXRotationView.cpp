#include "ui/controls/LXRotationView.h"

#include "graphics/LXColor.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "resources/BundleResources.h"
#include "ui/windows/LXToolTipController.h"
#include "util/LXCursorStack.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kRingWidth = 6, kHandleRadius = 4.5;

const QPainterPath& turningShape()
{
    static const QPainterPath shape = TurnedCursor::turningArrowShape();
    return shape;
}

const QPainterPath& scalingShape()
{
    static const QPainterPath shape = TurnedCursor::scalingArrowShape();
    return shape;
}

// The pixels whose points lie in the band, row by row: exactly the points
// the ring takes, so a press just off the band reaches the widget below.
QRegion bandRegion(QSize size, double radius)
{
    QRegion region;
    const double cx = size.width() / 2.0, cy = size.height() / 2.0;
    const double outer = radius + RingGeometry::kBand, inner = radius - RingGeometry::kBand;
    const auto span = [&](double from, double to, int y) {
        const int left = std::max(0, int(std::ceil(from))), right = std::min(size.width() - 1, int(std::floor(to)));
        if (left <= right)
            region += QRect(left, y, right - left + 1, 1);
    };
    for (int y = 0; y < size.height(); ++y) {
        const double dy = y - cy;
        if (outer * outer < dy * dy)
            continue;
        const double xo = std::sqrt(outer * outer - dy * dy);
        if (inner <= 0 || inner * inner < dy * dy) {
            span(cx - xo, cx + xo, y);
            continue;
        }
        const double xi = std::sqrt(inner * inner - dy * dy);
        span(cx - xo, cx - xi, y);
        span(cx + xi, cx + xo, y);
    }
    return region;
}

// Paints the disc inside the band; lets every event through to what lies below.
class CenterArea : public QWidget {
public:
    CenterArea(QWidget* parent, LXRotationView* ring) : QWidget(parent), m_ring(ring)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!m_ring)
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor colour = m_ring->fillColor().isValid() ? m_ring->fillColor() : palette().color(QPalette::Highlight);
        colour.setAlphaF(colour.alphaF() * 0.18);
        const double inner = m_ring->radius() - kRingWidth / 2;
        if (inner > 0) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(colour);
            painter.drawEllipse(QRectF(rect()).center(), inner, inner);
        }
    }

private:
    QPointer<LXRotationView> m_ring;
};

} // namespace

LXRotationView::LXRotationView(QWidget* parent)
    : QWidget(parent), m_turning(turningShape()), m_scaling(scalingShape())
{
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
    reshape();
}

LXRotationView::~LXRotationView()
{
    if (m_dragging)
        finishDrag();
    removeCursor();
    delete m_centerArea;
}

void LXRotationView::setFillColor(const QColor& color)
{
    m_fillColor = color;
    update();
    if (m_centerArea)
        m_centerArea->update();
}

void LXRotationView::setFillColorName(const QString& description)
{
    m_fillColorName = description;
    const QBrush brush = LXColor::colorFromDescription(description);
    if (brush.textureImage().isNull()) {
        setFillColor(brush.color());
    } else {
        m_pattern = brush;
        update();
    }
}

void LXRotationView::setPatternName(const QString& name)
{
    m_patternName = name;
    m_pattern = QBrush();
    if (!name.isEmpty()) {
        const Picture picture = imageNamed(Bundle::mainBundle(), name);
        if (picture.isNull())
            Log::line(lcControls, QStringLiteral("Warning: no pattern picture named %1").arg(name));
        else
            m_pattern = QBrush(picture.toImage());
    }
    update();
}

void LXRotationView::setDashed(bool on)
{
    m_dashed = on;
    m_band = {};
    update();
}

void LXRotationView::setShowCenterArea(bool on)
{
    m_showCenterArea = on;
    placeCenterArea();
}

void LXRotationView::setHighlighted(bool on)
{
    m_highlighted = on;
    update();
}

void LXRotationView::setRadiusReduction(double percent)
{
    m_radiusReduction = RingGeometry::usableReduction(percent);
    reshape();
}

void LXRotationView::setIsRemoteControlled(bool on)
{
    m_isRemoteControlled = on;
    if (on && !m_dragging)
        removeCursor();
}

void LXRotationView::setDelegate(QObject* delegate)
{
    if (delegate && !dynamic_cast<RotationViewDelegate*>(delegate))
        Log::line(lcControls, QStringLiteral("Warning: %1 cannot be a rotation ring's delegate")
                                  .arg(QString::fromLatin1(delegate->metaObject()->className())));
    m_delegate = delegate;
}

double LXRotationView::radius() const
{
    return RingGeometry::radius(QSizeF(size()), m_radiusReduction);
}

RingGeometry::Polar LXRotationView::polarAt(QPointF point) const
{
    // y up: the offset's y is the centre's y less the point's.
    return RingGeometry::polar({point.x() - width() / 2.0, height() / 2.0 - point.y()});
}

bool LXRotationView::takesPoint(QPointF point) const
{
    return RingGeometry::inBand(polarAt(point).distance, radius());
}

std::optional<QCursor> LXRotationView::shownCursor() const
{
    return m_effectsWindow ? m_cursor : std::nullopt;
}

QBrush LXRotationView::fillBrush() const
{
    if (m_pattern.style() != Qt::NoBrush)
        return m_pattern;
    QColor colour = m_fillColor.isValid() ? m_fillColor : palette().color(QPalette::Highlight);
    return m_highlighted ? colour.lighter(130) : colour;
}

void LXRotationView::reshape()
{
    const QRegion band = bandRegion(size(), radius());
    // An empty mask would mean no mask at all: keep one pixel-free region off the view.
    setMask(band.isEmpty() ? QRegion(-1, -1, 1, 1) : band);
    m_band = {};
    update();
    placeCenterArea();
}

void LXRotationView::placeCenterArea()
{
    if (!m_showCenterArea || !parentWidget()) {
        delete m_centerArea;
        return;
    }
    if (!m_centerArea || m_centerArea->parentWidget() != parentWidget()) {
        delete m_centerArea;
        m_centerArea = new CenterArea(parentWidget(), this);
    }
    m_centerArea->setGeometry(geometry());
    m_centerArea->stackUnder(this);
    m_centerArea->setVisible(isVisible());
    m_centerArea->update();
}

void LXRotationView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(width() / 2.0, height() / 2.0);
    const double r = radius();
    if (r <= 0)
        return;
    // Stroked once per shape: hover and highlight repaint it often.
    if (m_band.isEmpty()) {
        QPainterPath circle;
        circle.addEllipse(centre, r, r);
        QPainterPathStroker stroker;
        stroker.setWidth(kRingWidth);
        if (m_dashed) {
            stroker.setCapStyle(Qt::FlatCap);
            stroker.setDashPattern({2.5, 1.5});
        }
        // Simplified: a dash's flattened pieces would otherwise show their seams.
        m_band = stroker.createStroke(circle).simplified();
    }
    // A dark edge keeps the ring readable over light and dark pictures alike.
    const QBrush fill = fillBrush();
    painter.setPen(QPen(QColor(0, 0, 0, 90), 1));
    painter.setBrush(fill);
    painter.drawPath(m_band);

    // Handles at the quarter points, where a drag also scales.
    const QColor edge = fill.color().darker(140);
    painter.setPen(QPen(edge, 1.5));
    painter.setBrush(Qt::white);
    for (const QPointF& offset : {QPointF(r, 0), QPointF(0, r), QPointF(-r, 0), QPointF(0, -r)})
        painter.drawEllipse(centre + offset, kHandleRadius, kHandleRadius);
}

void LXRotationView::mousePressEvent(QMouseEvent* event)
{
    const RingGeometry::Polar position = polarAt(event->position());
    if (event->button() != Qt::LeftButton || !RingGeometry::inBand(position.distance, radius())) {
        event->ignore();
        return;
    }
    if (m_dragging && !finishDrag())
        return;
    m_dragging = true;
    m_start = position;
    m_lastAngle = position.angle;
    m_rescaling = RingGeometry::nearQuarterPoint(position);
    m_angleChange = 0;
    m_scaleChange = 1;
    update();
    updateCursor(event->position());
}

void LXRotationView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging && !(event->buttons() & Qt::LeftButton)) {
        // The release went elsewhere (a popup, another window): the drag is over.
        if (!finishDrag())
            return;
    }
    if (!m_dragging) {
        if (!m_isRemoteControlled)
            updateCursor(event->position());
        return;
    }
    const RingGeometry::Polar position = polarAt(event->position());
    m_angleChange += RingGeometry::step(m_lastAngle, position.angle);
    m_lastAngle = position.angle;
    m_scaleChange = position.distance / m_start.distance;
    if (m_scaleChange > 10)
        Log::line(lcControls, QStringLiteral("Warning: big values: %1, %2")
                                  .arg(m_angleChange, 0, 'f', 6)
                                  .arg(m_scaleChange, 0, 'f', 6));
    QPointer<LXRotationView> self(this);
    if (!sendRotation(true) || !self)
        return;
    update();
    updateCursor(event->position());
}

void LXRotationView::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    QPointer<LXRotationView> self(this);
    if (!finishDrag() || !self)
        return;
    if (rect().contains(event->position().toPoint()) && !m_isRemoteControlled)
        updateCursor(event->position());
    else
        removeCursor();
}

bool LXRotationView::sendRotation(bool inProgress)
{
    QPointer<LXRotationView> self(this);
    const bool rescaling = m_rescaling;
    if (auto* rotate = dynamic_cast<RotationViewDelegate*>(m_delegate.data()))
        rotate->rotationViewDidRotateTo(this, m_angleChange, inProgress);
    if (!self)
        return false;
    if (rescaling) {
        if (auto* resize = dynamic_cast<RotationViewResizing*>(m_delegate.data()))
            resize->rotationViewDidResizeTo(this, m_scaleChange, inProgress);
    }
    return bool(self);
}

bool LXRotationView::finishDrag()
{
    if (!m_dragging)
        return true;
    m_dragging = false; // first: a delegate that hides the ring must not end it twice
    QPointer<LXRotationView> self(this);
    const bool alive = sendRotation(false);
    if (!self || !alive)
        return false;
    m_rescaling = false;
    update();
    return true;
}

void LXRotationView::updateCursor(QPointF point)
{
    const RingGeometry::Polar position = polarAt(point);
    if (!m_dragging && !RingGeometry::inBand(position.distance, radius())) {
        removeCursor();
        return;
    }
    const double rounded = std::round(m_globalLayerRotation + position.angle);
    const bool showRescaling = RingGeometry::nearQuarterPoint(position);
    if (!m_cursorAngle || *m_cursorAngle != rounded || m_cursorRescaling != showRescaling || !m_cursor) {
        const bool canResize = dynamic_cast<RotationViewResizing*>(m_delegate.data()) != nullptr;
        TurnedCursor& shape = (showRescaling || m_rescaling) && canResize ? m_scaling : m_turning;
        m_cursor = shape.cursor(rounded + 90, devicePixelRatioF());
        m_cursorAngle = rounded;
        m_cursorRescaling = showRescaling;
        ++m_cursorChanges;
        m_effectsWindow = nullptr; // pushed again below
    }
    if (m_effectsWindow == window())
        return;
    QWidget* target = window();
    if (!m_hint.isEmpty())
        LXHintController::sendHint(m_hint, key(), target);
    LXCursorStack::pushCursor(m_cursor, key(), target);
    m_effectsWindow = target;
}

void LXRotationView::removeCursor()
{
    QWidget* target = m_effectsWindow ? m_effectsWindow.data() : window();
    LXHintController::removeHintForKey(key(), target);
    LXCursorStack::popCursorForKey(key(), target);
    m_effectsWindow = nullptr;
}

void LXRotationView::leaveEvent(QEvent* event)
{
    const bool mouseTaken = QApplication::activePopupWidget() || QApplication::activeModalWidget()
                            || QGuiApplication::mouseButtons() == Qt::NoButton;
    if (m_dragging && mouseTaken && !finishDrag())
        return;
    if (!m_dragging)
        removeCursor();
    QWidget::leaveEvent(event);
}

void LXRotationView::hideEvent(QHideEvent* event)
{
    QPointer<LXRotationView> self(this);
    if (!finishDrag() || !self)
        return;
    removeCursor();
    if (m_centerArea)
        m_centerArea->hide();
    QWidget::hideEvent(event);
}

void LXRotationView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    placeCenterArea();
}

void LXRotationView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    reshape();
}

void LXRotationView::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    placeCenterArea();
}

bool LXRotationView::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowDeactivate:
    case QEvent::ParentAboutToChange: {
        QPointer<LXRotationView> self(this);
        if (!finishDrag() || !self)
            return true;
        removeCursor();
        break;
    }
    case QEvent::ParentChange: {
        const bool result = QWidget::event(event);
        placeCenterArea();
        return result;
    }
    default:
        break;
    }
    return QWidget::event(event);
}
