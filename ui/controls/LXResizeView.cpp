#include "ui/controls/LXResizeView.h"

#include "platform/ui/YUp.h"
#include "ui/controls/TurnedCursor.h"
#include "ui/windows/LXToolTipController.h"
#include "util/LXCursorStack.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>

#include <cmath>

using namespace ResizeGeometry;

namespace {

constexpr double kTabPadding = 4;

// A tab riding above or below the frame: a rounded plate under its content.
class ResizeTab : public QWidget {
public:
    ResizeTab(QWidget* parent, bool top) : QWidget(parent), m_top(top) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(0.5, m_top ? 0.5 : -6, -0.5, m_top ? 6 : -0.5);
        QPainterPath plate;
        plate.addRoundedRect(r, 6, 6);
        painter.setClipRect(rect());
        painter.setPen(QPen(palette().color(QPalette::Mid), 1));
        painter.setBrush(palette().color(QPalette::Window));
        painter.drawPath(plate);
    }

private:
    bool m_top;
};

TurnedCursor& doubleArrow()
{
    static TurnedCursor* cursor = new TurnedCursor(TurnedCursor::doubleArrowShape());
    return *cursor;
}

} // namespace

LXResizeView::LXResizeView(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
    updateMask();
}

LXResizeView::~LXResizeView()
{
    endDrag();
    showCursorFor(std::nullopt);
    delete m_topTab;
    delete m_bottomTab;
}

void LXResizeView::setAllowedSides(int sides)
{
    m_allowedSides = sides & kAllSides;
    updateMask();
    update();
}

void LXResizeView::setTabWidth(double width)
{
    m_tabWidth = width;
    placeTabs();
}

void LXResizeView::setBottomTabWidth(double width)
{
    m_bottomTabWidth = width;
    placeTabs();
}

void LXResizeView::setTopTabContent(QWidget* content)
{
    m_topContent = content;
    if (!content && m_topTab)
        m_topTab->hide();
    else if (content)
        ensureTab(m_topTab, content);
    placeTabs();
}

void LXResizeView::setBottomTabContent(QWidget* content)
{
    m_bottomContent = content;
    if (!content && m_bottomTab)
        m_bottomTab->hide();
    else if (content)
        ensureTab(m_bottomTab, content);
    placeTabs();
}

void LXResizeView::ensureTab(QPointer<QWidget>& tab, QWidget* content)
{
    if (!tab)
        tab = new ResizeTab(parentWidget(), &tab == &m_topTab);
    content->setParent(tab);
    content->move(content->x(), qRound(kTabPadding));
    content->show();
}

void LXResizeView::setHighlighted(bool on)
{
    m_highlighted = on;
    update();
}

void LXResizeView::setIsRemoteControlled(bool on)
{
    m_isRemoteControlled = on;
    if (on && !m_dragging)
        showCursorFor(std::nullopt);
}

void LXResizeView::trackCursorAt(QPointF p)
{
    showCursorFor(hitsBand(p, size(), m_allowedSides) ? ResizeGeometry::cursorAngle(p, size(), m_allowedSides)
                                                      : std::optional<double>());
}

QPointF LXResizeView::yUp(QPointF qtPoint) const
{
    return flippedPoint(qtPoint, height());
}

void LXResizeView::updateMask()
{
    const QRectF inner = innerRect(size(), m_allowedSides);
    const bool anySide = (m_allowedSides & (kTop | kBottom | kLeft | kRight)) != 0;
    // An empty mask would mean no mask at all: without a band the frame lets everything through.
    setAttribute(Qt::WA_TransparentForMouseEvents, !anySide || width() <= 0 || height() <= 0);
    QRegion region(rect());
    if (!inner.isEmpty())
        region -= QRegion(flippedRect(inner, height()).toAlignedRect());
    if (region.isEmpty())
        clearMask();
    else
        setMask(region);
}

void LXResizeView::placeTabs()
{
    const QRect frame = geometry();
    struct Tab {
        QPointer<QWidget>& tab;
        QPointer<QWidget>& content;
        double width;
        bool top;
    };
    for (const Tab& t : {Tab{m_topTab, m_topContent, m_tabWidth, true},
                         Tab{m_bottomTab, m_bottomContent, m_bottomTabWidth, false}}) {
        if (!t.tab)
            continue;
        if (t.tab->parentWidget() != parentWidget())
            t.tab->setParent(parentWidget());
        if (!t.content || t.content->parentWidget() != t.tab) {
            t.tab->hide();
            continue;
        }
        const int w = t.width > 0 ? qRound(t.width) : t.content->width() + qRound(4 * kTabPadding);
        const int h = t.content->height() + qRound(2 * kTabPadding);
        const int x = frame.x() + qRound(frame.width() / 2.0 - w / 2.0);
        t.tab->setGeometry(x, t.top ? frame.y() - h : frame.bottom() + 1, w, h);
        t.content->move(qRound(w / 2.0 - t.content->width() / 2.0), t.content->y());
        // Without a parent a tab would be a window of its own.
        t.tab->setVisible(isVisible() && parentWidget());
        if (t.tab->isVisible())
            t.tab->raise();
    }
}

void LXResizeView::send(QSizeF change, int state)
{
    if (auto* delegate = dynamic_cast<ResizeViewDelegate*>(m_delegate.data()))
        delegate->resizeView(this, m_grab.sides, change, state);
}

void LXResizeView::endDrag()
{
    if (!m_dragging)
        return;
    m_dragging = false;
    const int sides = m_grab.sides;
    m_grab = Grab();
    if (auto* delegate = dynamic_cast<ResizeViewDelegate*>(m_delegate.data()))
        delegate->resizeView(this, sides, QSizeF(0, 0), kEnd);
}

void LXResizeView::showCursorFor(std::optional<double> angle)
{
    QWidget* window = this->window();
    std::optional<int> rounded;
    if (angle && !m_isRemoteControlled && std::isfinite(*angle + m_globalLayerRotation)) {
        const double turn = std::fmod(std::round(*angle + m_globalLayerRotation), 360.0);
        rounded = int(turn < 0 ? turn + 360 : turn);
    }
    if (rounded == m_cursorAngle && (!rounded || m_cursorWindow == window))
        return;
    if (m_cursorAngle) {
        LXHintController::removeHintForKey(key(), m_cursorWindow);
        LXCursorStack::popCursorForKey(key(), m_cursorWindow);
    }
    m_cursorAngle = rounded;
    m_cursorWindow = rounded ? window : nullptr;
    if (!rounded)
        return;
    LXCursorStack::pushCursor(doubleArrow().cursor(*rounded, devicePixelRatioF()), key(), window);
    if (!m_hint.isEmpty())
        LXHintController::sendHint(m_hint, key(), window);
}

void LXResizeView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A light line with a dark rim reads on light and dark pictures alike.
    const QColor line = m_highlighted ? palette().color(QPalette::Highlight) : QColor(Qt::white);
    const QColor rim(0, 0, 0, 120);
    const QRectF frame = QRectF(rect()).adjusted(kBandWidth / 2, kBandWidth / 2, -kBandWidth / 2, -kBandWidth / 2);
    painter.setPen(QPen(rim, 3.5));
    painter.drawRect(frame);
    painter.setPen(QPen(line, 1.5));
    painter.drawRect(frame);
    // Handles where a press grabs: corners and the middles of allowed sides.
    const double hx[] = {frame.left(), frame.center().x(), frame.right()};
    const double hy[] = {frame.top(), frame.center().y(), frame.bottom()};
    const int sideX[] = {kLeft, 0, kRight}, sideY[] = {kTop, 0, kBottom};
    painter.setPen(QPen(rim, 1));
    painter.setBrush(line);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const int sides = sideX[i] | sideY[j];
            if (sides == 0 || (sides & m_allowedSides) != sides)
                continue;
            painter.drawEllipse(QPointF(hx[i], hy[j]), 4, 4);
        }
    }
}

void LXResizeView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateMask();
    placeTabs();
}

void LXResizeView::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    placeTabs();
}

void LXResizeView::mousePressEvent(QMouseEvent* event)
{
    const QPointF p = yUp(event->position());
    if (event->button() != Qt::LeftButton || !hitsBand(p, size(), m_allowedSides)) {
        event->ignore();
        return;
    }
    endDrag();
    m_grab = grabAt(p, size(), m_allowedSides);
    m_dragging = true;
    showCursorFor(ResizeGeometry::cursorAngle(p, size(), m_allowedSides));
    send(QSizeF(0, 0), kBegin);
}

void LXResizeView::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF p = yUp(event->position());
    if (m_dragging && !(event->buttons() & Qt::LeftButton))
        endDrag(); // the release went elsewhere
    if (m_dragging) {
        send(changeFor(m_grab, p, size()), kChange);
        return;
    }
    trackCursorAt(p);
}

void LXResizeView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    QPointer<LXResizeView> self(this);
    endDrag();
    if (!self)
        return;
    trackCursorAt(yUp(event->position()));
}

void LXResizeView::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (m_dragging && !QApplication::activePopupWidget())
        return; // a drag goes on outside the frame
    QPointer<LXResizeView> self(this);
    endDrag();
    if (self)
        showCursorFor(std::nullopt);
}

void LXResizeView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    placeTabs();
}

void LXResizeView::hideEvent(QHideEvent* event)
{
    QPointer<LXResizeView> self(this);
    endDrag();
    if (!self)
        return;
    showCursorFor(std::nullopt);
    for (QWidget* tab : {m_topTab.data(), m_bottomTab.data()})
        if (tab)
            tab->hide();
    QWidget::hideEvent(event);
}

bool LXResizeView::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowDeactivate:
    case QEvent::ParentAboutToChange: {
        QPointer<LXResizeView> self(this);
        endDrag();
        if (!self)
            return true;
        showCursorFor(std::nullopt);
        break;
    }
    case QEvent::ParentChange:
        placeTabs();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}
