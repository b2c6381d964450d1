#include "ui/windows/LXToolTipController.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/WindowEvents.h"
#include "platform/ui/YUp.h"
#include "resources/StringResources.h"

#include <QLayout>
#include <QScreen>

namespace {

constexpr Qt::WindowFlags kToolTipFlags = Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput
                                          | Qt::WindowDoesNotAcceptFocus;

// Global coordinates are turned over against the virtual desktop's height.
double screenHeight(QWidget* window)
{
    QScreen* screen = window->screen();
    return screen ? screen->virtualGeometry().height() : 0;
}

QString html(const AttributedString& runs)
{
    QString out;
    for (const TextRun& run : runs) {
        const QString text = run.text.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
        out += run.font.bold() ? QStringLiteral("<b>%1</b>").arg(text) : text;
    }
    return out;
}

} // namespace

LXToolTipController::LXToolTipController(QObject* parent) : LXWindowController(parent) {}

LXToolTipController::~LXToolTipController()
{
    stopObserving();
    if (m_autoHideTimer)
        m_autoHideTimer->invalidate();
}

LXToolTipController* LXToolTipController::sharedController()
{
    static auto* shared = new LXToolTipController;
    return shared;
}

void LXToolTipController::windowDidLoad()
{
    QWidget* w = loadedWindow();
    w->setWindowFlags(kToolTipFlags);
    w->setAttribute(Qt::WA_ShowWithoutActivating);
    w->setAttribute(Qt::WA_TranslucentBackground);
    w->setFocusPolicy(Qt::NoFocus);
    // The frame is set from the text's size; the layout must not hold on to an older minimum.
    if (w->layout())
        w->layout()->setSizeConstraint(QLayout::SetNoConstraint);
    if (m_toolTipLabel) {
        m_toolTipLabel->setTextFormat(Qt::RichText);
        m_toolTipLabel->setFont(defaultAttributes());
        // From the layout's hints: sizes are not laid out before the window first shows.
        m_extraSize = w->sizeHint() - m_toolTipLabel->sizeHint();
    }
}

QRectF LXToolTipController::toolTipFrame(const QRectF& windowFrame, QPointF point, QSizeF size)
{
    const QRectF& W = windowFrame;
    const double x = std::max(W.x(), std::min(W.x() + W.width() - size.width(), point.x()));
    double y = point.y() - size.height();
    // Moved up over the point it would cover the pointer, and the pointer would leave the control.
    if (y < W.y())
        y = point.y() + kPointerClearance;
    y = std::max(W.y(), std::min(W.y() + W.height() - size.height(), y));
    return {QPointF(x, y), size};
}

void LXToolTipController::showTooltip(const QString& text, QPoint point, QWidget* view)
{
    if (loadedWindow() && loadedWindow()->parentWidget())
        hide();
    QWidget* tip = window();
    if (!tip || !m_toolTipLabel || text.isEmpty() || !view || !view->window()->isVisible())
        return;
    m_focusPoint = point;
    if (m_autoHideTimer)
        m_autoHideTimer->invalidate();
    m_autoHideTimer = Timer::scheduled(30.0, false, [this](Timer&) { hide(); });
    m_focusView = view;
    m_toolTipLabel->setText(html(atrributedStringWithAtributes(text)));
    updateWindowFrame();
    QWidget* host = view->window();
    m_observedWindow = host;
    watchWindow(host);
    NotificationCenter::defaultCenter().addObserver(this, kWindowWillCloseNotification, host,
                                                    [this](const Notification&) { hide(); });
    // Going without a close: a widget's QPointers still hold it while it announces its end.
    m_focusGone = connect(view, &QObject::destroyed, this, [this] { hide(); });
    m_hostGone = connect(host, &QObject::destroyed, this, [this] { hide(); });
}

void LXToolTipController::updateWindowFrame()
{
    QWidget* tip = loadedWindow();
    QWidget* host = m_focusView->window();
    const QSize size = m_toolTipLabel->sizeHint() + m_extraSize;
    const double H = screenHeight(host);
    const QRectF frame = toolTipFrame(flippedRect(host->frameGeometry(), H),
                                      flippedPoint(host->mapToGlobal(QPointF(m_focusPoint)), H), size);
    if (tip->parentWidget() != host) {
        tip->setParent(host, kToolTipFlags);
        tip->setAttribute(Qt::WA_ShowWithoutActivating);
    }
    tip->setGeometry(flippedRect(frame, H).toRect());
    tip->show();
    tip->raise();
}

void LXToolTipController::stopObserving()
{
    if (m_observedWindow)
        NotificationCenter::defaultCenter().removeObserver(this, kWindowWillCloseNotification, m_observedWindow);
    m_observedWindow = nullptr;
    disconnect(m_focusGone);
    disconnect(m_hostGone);
}

void LXToolTipController::hideForView(QWidget* view)
{
    if (view == m_focusView)
        hide();
}

void LXToolTipController::hide()
{
    if (m_autoHideTimer)
        m_autoHideTimer->invalidate();
    m_autoHideTimer.reset();
    if (QWidget* tip = loadedWindow()) {
        tip->hide();
        tip->setParent(nullptr, kToolTipFlags);
    }
    stopObserving();
    m_focusView = nullptr;
}

// Hints.

namespace {

struct HintEntry {
    QWidget* window; // identity only: purged when the window goes
    LXHintController* controller;
};

QList<HintEntry>& hintRegistry()
{
    static auto* entries = new QList<HintEntry>;
    return *entries;
}

qsizetype hintIndex(QWidget* window)
{
    for (qsizetype i = 0; i < hintRegistry().size(); ++i)
        if (hintRegistry()[i].window == window)
            return i;
    return -1;
}

} // namespace

LXHintController::LXHintController(QWidget* hintTF) : m_hintTF(hintTF) {}

void LXHintController::show(const QString& text)
{
    if (m_hintTF)
        m_hintTF->setProperty("text", text);
}

void LXHintController::sendHint(const QString& hint, const QVariant& key)
{
    if (const qsizetype i = m_keys.indexOf(key); i >= 0) {
        m_keys.removeAt(i);
        m_hints.removeAt(i);
    }
    const QString text = Bundle::mainBundle().localizedString(hint);
    m_keys.append(key);
    m_hints.append(text);
    show(text);
}

void LXHintController::removeHintForKey(const QVariant& key)
{
    const qsizetype i = m_keys.indexOf(key);
    if (i < 0)
        return;
    const bool wasLast = i == m_keys.size() - 1;
    m_keys.removeAt(i);
    m_hints.removeAt(i);
    if (m_hints.isEmpty())
        show(QString());
    else if (wasLast)
        show(m_hints.last());
}

void LXHintController::addHintConrollerForWindow(QWidget* window, QWidget* textField)
{
    if (!window)
        return;
    removeControllerForWindow(window);
    auto* controller = new LXHintController(textField);
    hintRegistry().append({window, controller});
    connect(window, &QObject::destroyed, controller, [window] { removeControllerForWindow(window); });
}

LXHintController* LXHintController::controllerForWindow(QWidget* window)
{
    for (QWidget* w = window; w; w = w->parentWidget() ? w->parentWidget()->window() : nullptr) {
        if (const qsizetype i = hintIndex(w); i >= 0)
            return hintRegistry()[i].controller;
    }
    return nullptr;
}

void LXHintController::sendHint(const QString& hint, const QVariant& key, QWidget* window)
{
    if (LXHintController* controller = controllerForWindow(window))
        controller->sendHint(hint, key);
}

void LXHintController::removeHintForKey(const QVariant& key, QWidget* window)
{
    if (LXHintController* controller = controllerForWindow(window))
        controller->removeHintForKey(key);
}

void LXHintController::removeControllerForWindow(QWidget* window)
{
    if (const qsizetype i = hintIndex(window); i >= 0)
        delete hintRegistry().takeAt(i).controller;
}
