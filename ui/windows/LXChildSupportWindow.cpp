#include "ui/windows/LXChildSupportWindow.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/InterfaceFile.h"
#include "platform/ui/WindowEvents.h"
#include "platform/ui/YUp.h"

#include <QApplication>
#include <QGraphicsEffect>
#include <QKeyEvent>
#include <QLayout>
#include <QMainWindow>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

LXChildSupportWindow::LXChildSupportWindow(QWidget* parent) : QWidget(parent)
{
    setWindowFlags(Qt::Widget);
    // A click on the panel's labels keeps the focus inside it.
    setFocusPolicy(Qt::ClickFocus);
    connect(qApp, &QApplication::focusChanged, this, &LXChildSupportWindow::focusChanged);
    if (parent)
        attachToWindow(parent);
}

LXChildSupportWindow::~LXChildSupportWindow()
{
    // QWidget's destructor moves the focus on; this part is gone by then.
    if (qApp) {
        disconnect(qApp, nullptr, this, nullptr);
        qApp->removeEventFilter(this);
    }
    NotificationCenter::defaultCenter().removeObserver(this);
}

void LXChildSupportWindow::setContent(QWidget* content)
{
    if (content == m_content)
        return;
    delete m_content;
    m_content = content;
    delete layout();
    if (!content)
        return;
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(content);
    content->show();
    if (size().isEmpty() || !testAttribute(Qt::WA_Resized))
        resize(content->sizeHint().expandedTo(content->minimumSize()));
}

void LXChildSupportWindow::attachToWindow(QWidget* window)
{
    QWidget* top = window ? window->window() : nullptr;
    if (top == this)
        top = nullptr;
    if (top != m_parentWindow)
        detach();
    if (!top)
        return;
    m_parentWindow = top;
    setParent(top, Qt::Widget);
    top->installEventFilter(this);
    watchWindow(top);
    NotificationCenter::defaultCenter().addObserver(this, kWindowWillCloseNotification, top,
                                                    [this](const Notification&) { emit parentWillClose(); });
    reposition();
}

void LXChildSupportWindow::detach()
{
    hide();
    if (QWidget* top = m_parentWindow) {
        top->removeEventFilter(this);
        NotificationCenter::defaultCenter().removeObserver(this, kWindowWillCloseNotification, top);
        setParent(nullptr, Qt::Widget);
    }
    m_parentWindow = nullptr;
}

void LXChildSupportWindow::setPositioner(Positioner positioner)
{
    m_positioner = std::move(positioner);
    reposition();
}

QRectF LXChildSupportWindow::clampedFrame(const QRectF& frame, const QSizeF& area)
{
    QRectF clamped = frame;
    clamped.moveLeft(std::max(std::min(frame.x(), area.width() - frame.width()), 0.0));
    clamped.moveTop(std::min(std::max(frame.y(), 0.0), area.height() - frame.height()));
    return clamped;
}

QRect LXChildSupportWindow::windowArea(const QWidget* window)
{
    QRect area = window->rect();
    // A main window's menu bar stays reachable: the area starts below it.
    if (const auto* main = qobject_cast<const QMainWindow*>(window))
        if (const QWidget* menu = main->menuWidget(); menu && menu->isVisibleTo(main))
            area.setTop(menu->geometry().bottom() + 1);
    return area;
}

void LXChildSupportWindow::reposition()
{
    QWidget* top = m_parentWindow;
    if (!top)
        return;
    const QRect box = windowArea(top);
    const QSizeF area = box.size();
    const QSizeF own = size();
    const QRectF wanted = m_positioner ? m_positioner(area, own)
                                       : QRectF(QPointF((area.width() - own.width()) / 2,
                                                        (area.height() - own.height()) / 2), own);
    const QRectF placed = flippedRect(clampedFrame(wanted, area), area.height());
    move(box.x() + qRound(placed.x()), box.y() + qRound(placed.y()));
    updateMask();
    raise();
}

void LXChildSupportWindow::updateMask()
{
    if (layout())
        layout()->activate();
    // Only the parts take input; transparent margins leave the window's own controls usable.
    QRegion parts;
    for (const QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isVisibleTo(this)) {
            const QGraphicsEffect* effect = child->graphicsEffect();
            const QRectF bounds = effect ? effect->boundingRectFor(QRectF(child->rect())) : QRectF(child->rect());
            parts += bounds.toAlignedRect().translated(child->pos());
        }
    if (parts.isEmpty())
        clearMask();
    else
        setMask(parts);
}

void LXChildSupportWindow::showAsKey()
{
    if (!m_parentWindow)
        return;
    m_showing = true;
    reposition();
    show();
    raise();
    m_key = true;
    qApp->installEventFilter(this);
    QWidget* target = defaultButton();
    if (!target || target->focusPolicy() == Qt::NoFocus || !target->isEnabled()) {
        target = this;
        for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain())
            if (contains(w) && w->isVisibleTo(this) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
                target = w;
                break;
            }
    }
    target->setFocus(Qt::OtherFocusReason);
    m_showing = false;
}

void LXChildSupportWindow::resignKey()
{
    if (!m_key)
        return;
    m_key = false;
    qApp->removeEventFilter(this);
    emit resignedKey();
}

void LXChildSupportWindow::focusChanged(QWidget* old, QWidget* now)
{
    if (m_key && !m_showing && contains(old) && !contains(now))
        resignKey();
}

bool LXChildSupportWindow::contains(const QObject* object) const
{
    for (; object; object = object->parent())
        if (object == this)
            return true;
    return false;
}

QWidget* LXChildSupportWindow::defaultButton() const
{
    for (QPushButton* button : findChildren<QPushButton*>())
        if (button->isDefault() && button->isVisibleTo(this))
            return button;
    return nullptr;
}

bool LXChildSupportWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_parentWindow) {
        if (event->type() == QEvent::Resize)
            reposition();
        else if (event->type() == QEvent::WindowDeactivate && !m_showing)
            resignKey();
    }
    if (m_key && !m_showing && event->type() == QEvent::MouseButtonPress && watched->isWidgetType()
        && !contains(watched))
        resignKey();
    return QWidget::eventFilter(watched, event);
}

void LXChildSupportWindow::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        emit cancelled();
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(defaultButton()); button && button->isEnabled()) {
            button->click();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void LXChildSupportWindow::setVisible(bool visible)
{
    if (visible && !m_parentWindow)
        return;
    QWidget::setVisible(visible);
}

void LXChildSupportWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (m_key) {
        m_key = false;
        qApp->removeEventFilter(this);
    }
}

void registerWindowsClasses()
{
    if (!InterfaceFile::isRegistered(QStringLiteral("LXChildSupportWindow")))
        InterfaceFile::registerClass<LXChildSupportWindow>(QStringLiteral("LXChildSupportWindow"));
}
