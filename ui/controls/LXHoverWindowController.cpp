#include "ui/controls/LXHoverWindowController.h"

#include "platform/foundation/Bundle.h"
#include "ui/windows/LXChildSupportWindow.h"
#include "util/AttributedStringExtension.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>

#include <cmath>

LXHoverWindowController::LXHoverWindowController(QObject* parent) : LXWindowController(parent)
{
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive)
            closePanel();
    });
}

LXHoverWindowController::~LXHoverWindowController()
{
    // Attached, the window would keep an orphan panel.
    delete m_panel;
}

void LXHoverWindowController::windowDidLoad()
{
    QWidget* content = loadedWindow();
    m_width = content->width();
    auto* panel = new LXChildSupportWindow;
    panel->setObjectName(QStringLiteral("hoverPanel"));
    panel->setAttribute(Qt::WA_TranslucentBackground);
    panel->setFocusPolicy(Qt::NoFocus);
    panel->setContent(content);
    panel->setPositioner([this](const QSizeF& area, const QSizeF& size) {
        // Y down to y up: the top-left stays where the view is.
        return QRectF(QPointF(m_topLeft.x(), area.height() - m_topLeft.y() - size.height()), size);
    });
    m_panel = panel;
    if (m_descriptionTF) {
        m_descriptionTF->setWordWrap(true);
        m_descriptionTF->setFixedWidth(int(kDescriptionWidth));
    }
    if (m_trackView) {
        m_trackView->setAttribute(Qt::WA_Hover);
        m_trackView->installEventFilter(this);
    }
}

void LXHoverWindowController::setTexts(const QString& title, const QString& description)
{
    m_title = title;
    m_description = description;
    if (m_titleTF)
        m_titleTF->setText(title);
    if (m_descriptionTF)
        m_descriptionTF->setText(description);
}

bool LXHoverWindowController::isShown() const { return m_panel && m_panel->isVisible(); }

void LXHoverWindowController::capture(QWidget* view)
{
    if (!m_imageView)
        return;
    // The window's own pixels at the view, background included; a shown
    // panel steps aside so it does not take its own picture.
    QWidget* top = view->window();
    const QPoint at = view->mapTo(top, QPoint(0, 0));
    const bool shown = isShown() && m_panel->parentWidget() == top;
    const QPoint panelAt = shown ? m_panel->pos() : QPoint();
    if (shown)
        m_panel->move(top->width() + 10, panelAt.y());
    m_imageView->setImage(Picture(top->grab(QRect(at, view->size())).toImage()));
    if (shown)
        m_panel->move(panelAt);
    m_imageView->setFixedSize(view->size());
}

void LXHoverWindowController::layoutContent()
{
    // Top-anchored: everything keeps its top as the panel grows.
    if (!m_imageView)
        return;
    const QRect image(10, 10, m_imageView->width(), m_imageView->height());
    m_imageView->setGeometry(image);
    if (m_titleTF) {
        const int x = image.right() + 9;
        const int h = std::max(image.height(), m_titleTF->sizeHint().height());
        m_titleTF->setGeometry(x, image.top(), std::max(0, m_width - x - 10), h);
    }
    if (m_descriptionTF) {
        const double h = heightForWidth({{m_descriptionTF->text(), m_descriptionTF->font()}}, kDescriptionWidth);
        m_descriptionTF->setGeometry(std::max(10, (m_width - int(kDescriptionWidth)) / 2), image.bottom() + 11,
                                     int(kDescriptionWidth), int(std::ceil(h)));
    }
}

void LXHoverWindowController::shrinkToFit()
{
    if (!m_panel || !m_imageView)
        return;
    const double description =
        m_descriptionTF ? heightForWidth({{m_descriptionTF->text(), m_descriptionTF->font()}}, kDescriptionWidth) : 0;
    const QSize size(m_width, int(std::ceil(panelHeight(m_imageView->height(), description))));
    layoutContent();
    if (m_trackView)
        m_trackView->setGeometry(QRect(QPoint(0, 0), size));
    if (isShown()) {
        place(true, size);
    } else {
        m_panel->resize(size);
        if (QWidget* content = loadedWindow())
            content->resize(size);
    }
}

void LXHoverWindowController::place(bool animated, QSize size)
{
    QWidget* top = m_panel->parentWindow();
    if (!top)
        return;
    if (!animated) {
        m_panel->resize(size);
        m_panel->reposition();
        return;
    }
    // Where reposition() would put it at the new size, reached in 150 ms.
    const QSizeF area = top->size();
    const QRectF wanted(QPointF(m_topLeft.x(), area.height() - m_topLeft.y() - size.height()), QSizeF(size));
    const QRectF upright = LXChildSupportWindow::clampedFrame(wanted, area);
    const QRect target(qRound(upright.x()), qRound(area.height() - upright.y() - upright.height()), size.width(),
                       size.height());
    if (m_animation)
        m_animation->stop();
    auto* animation = new QPropertyAnimation(m_panel, "geometry", m_panel);
    animation->setDuration(int(kAnimationSeconds * 1000));
    animation->setEndValue(target);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    m_animation = animation;
}

bool LXHoverWindowController::pointerInside() const
{
    QWidget* tracked = m_trackView ? m_trackView.data() : m_panel.data();
    return tracked && tracked->rect().contains(tracked->mapFromGlobal(QCursor::pos()));
}

void LXHoverWindowController::showWindow(QObject*, QWidget* view)
{
    if (!view || !window() || !m_panel)
        return;
    const bool wasShown = isShown() && m_panel->parentWindow() == view->window();
    setTexts(m_title, m_description);
    capture(view);
    QWidget* top = view->window();
    const QPoint imageAt = m_imageView ? QPoint(10, 10) : QPoint();
    m_topLeft = panelOrigin(QPointF(view->mapTo(top, QPoint(0, 0))), QPointF(imageAt));
    if (!wasShown)
        m_panel->attachToWindow(top);
    shrinkToFit();
    if (!wasShown) {
        place(false, m_panel->size());
        m_panel->show();
        m_panel->raise();
        qApp->installEventFilter(this);
    }
    // No leave comes for a pointer that was never inside.
    if (!pointerInside())
        closePanel();
}

void LXHoverWindowController::closePanel()
{
    if (m_animation)
        m_animation->stop();
    if (m_panel)
        m_panel->detach();
    qApp->removeEventFilter(this);
}

bool LXHoverWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_trackView && event->type() == QEvent::Leave)
        closePanel();
    // A pointer that jumps out right after showing brings no leave: Qt never saw it enter.
    else if (event->type() == QEvent::MouseMove && watched->isWindowType() && isShown() && !pointerInside())
        closePanel();
    return LXWindowController::eventFilter(watched, event);
}

// ---- LXInfoHoverButton

LXInfoHoverButton::LXInfoHoverButton(QWidget* parent) : LXButton(parent) {}

void LXInfoHoverButton::setInfoTitle(const QString& title)
{
    m_infoTitle = Bundle::mainBundle().localizedString(title, title, QStringLiteral("Controls"));
    if (m_hoverController)
        m_hoverController->setTexts(m_infoTitle, m_infoDescription);
}

void LXInfoHoverButton::setInfoDescription(const QString& description)
{
    m_infoDescription = Bundle::mainBundle().localizedString(description, description, QStringLiteral("Controls"));
    if (m_hoverController) {
        m_hoverController->setTexts(m_infoTitle, m_infoDescription);
        m_hoverController->shrinkToFit();
    }
}

void LXInfoHoverButton::setButtonState(int state)
{
    LXButton::setButtonState(state);
    if (state != kHover || buttonState() != kHover || !isVisible())
        return;
    if (!m_hoverController)
        m_hoverController = new LXHoverWindowController(this);
    m_hoverController->setTexts(m_infoTitle, m_infoDescription);
    m_hoverController->showWindow(this, this);
}
