#include "ui/controls/LXSingleButtonPanel.h"

#include "ui/windows/LXChildSupportWindow.h"
#include "util/AttributedStringExtension.h"

#include <QEvent>

#include <cmath>

LXSingleButtonPanel::LXSingleButtonPanel(QObject* parent) : LXViewController(parent) {}

LXSingleButtonPanel::~LXSingleButtonPanel()
{
    if (m_window && !m_window->parentWindow())
        delete m_window; // detached: ours
}

LXSingleButtonPanel* LXSingleButtonPanel::sharedPanel()
{
    static auto* shared = new LXSingleButtonPanel;
    return shared;
}

void LXSingleButtonPanel::loadView()
{
    LXViewController::loadView();
    QWidget* v = loadedView();
    if (!v)
        return;
    v->setAttribute(Qt::WA_TranslucentBackground);
    m_viewWidth = v->width();
    if (m_label)
        m_labelY = v->height() - (m_label->y() + m_label->height());
    if (m_button) {
        m_buttonY = v->height() - (m_button->y() + m_button->height());
        m_buttonRight = v->width() - (m_button->x() + m_button->width());
        m_buttonWidth = m_button->width();
        m_button->setDefault(true);
        connect(m_button, &QPushButton::clicked, this, [this] { buttonClicked(m_button); });
    }
    auto* window = new LXChildSupportWindow;
    window->setObjectName(QStringLiteral("singleButtonPanel"));
    window->setAttribute(Qt::WA_TranslucentBackground);
    window->setContent(v);
    window->setPositioner([this](const QSizeF&, const QSizeF& size) { return panelFrame(m_point, size); });
    connect(window, &LXChildSupportWindow::resignedKey, this, &LXSingleButtonPanel::resigned);
    connect(window, &LXChildSupportWindow::cancelled, this, &LXSingleButtonPanel::resigned);
    connect(window, &LXChildSupportWindow::parentWillClose, this, &LXSingleButtonPanel::resigned);
    m_window = window;
}

double LXSingleButtonPanel::panelHeight(double textHeight, double labelY, double buttonHeight)
{
    return textHeight > 0 ? textHeight + labelY + 2 + 10 : buttonHeight + 20;
}

QRectF LXSingleButtonPanel::panelFrame(QPointF point, QSizeF size)
{
    return {QPointF(point.x(), point.y() - size.height()), size};
}

bool LXSingleButtonPanel::isShown() const { return m_window && m_window->isVisible(); }

SingleButtonPanelDelegate* LXSingleButtonPanel::delegateInterface() const
{
    return dynamic_cast<SingleButtonPanelDelegate*>(m_delegate.data());
}

void LXSingleButtonPanel::tellHidden(QObject* formerDelegate)
{
    if (auto* d = dynamic_cast<SingleButtonPanelDelegate*>(formerDelegate))
        d->panelDidHide(this);
}

void LXSingleButtonPanel::showOver(QWidget* parent, QPointF point, QObject* delegate, const QString& message,
                                   const QString& buttonTitle)
{
    if (!parent || !view() || !m_window)
        return;
    if (m_button)
        m_button->setText(buttonTitle);
    QPointer<QObject> previous = m_delegate;
    m_delegate = delegate;
    if (previous && previous != delegate)
        tellHidden(previous);

    double textHeight = 0;
    if (m_label) {
        m_label->setText(message);
        if (!message.isEmpty())
            textHeight = heightForWidth({{message, m_label->font()}}, m_label->width() - 2);
    }
    const double height = panelHeight(textHeight, m_labelY, m_button ? m_button->height() : 0);
    m_point = point;
    m_window->resize(int(m_viewWidth), int(std::ceil(height)));
    layoutFor(std::ceil(height));
    m_window->attachToWindow(parent);
    m_window->reposition();
    m_window->showAsKey();

    if (m_trackedBackground != m_background) {
        if (m_trackedBackground)
            m_trackedBackground->removeEventFilter(this);
        m_trackedBackground = m_background.data();
        if (m_background) {
            m_background->setAttribute(Qt::WA_Hover);
            m_background->installEventFilter(this);
        }
    }
}

void LXSingleButtonPanel::layoutFor(double height)
{
    // By hand, y up: the button keeps its distance from the bottom, the label grows upward from its bottom.
    if (QWidget* v = loadedView())
        v->resize(int(m_viewWidth), int(height));
    if (m_background)
        m_background->setGeometry(0, 0, int(m_viewWidth), int(height));
    if (m_button) {
        // Right-aligned, as wide as its title needs.
        const int width = std::max(int(m_buttonWidth), m_button->sizeHint().width());
        m_button->setGeometry(int(m_viewWidth - m_buttonRight - width), int(height - m_buttonY - m_button->height()),
                              width, m_button->height());
    }
    if (m_label) {
        const int labelHeight = std::max(0, int(height - m_labelY - 10));
        m_label->setGeometry(m_label->x(), 10, m_label->width(), labelHeight);
        m_label->setVisible(!m_label->text().isEmpty());
    }
}

void LXSingleButtonPanel::close()
{
    if (m_trackedBackground)
        m_trackedBackground->removeEventFilter(this);
    m_trackedBackground = nullptr;
    m_delegate = nullptr;
    if (m_window)
        m_window->detach();
}

void LXSingleButtonPanel::hideForDelegate(QObject* delegate)
{
    if (delegate && delegate == m_delegate)
        close();
}

void LXSingleButtonPanel::resigned()
{
    // Closed even when its delegate has gone, or nothing would ever close it.
    QPointer<QObject> former = m_delegate;
    close();
    tellHidden(former);
}

void LXSingleButtonPanel::buttonClicked(QObject*)
{
    if (SingleButtonPanelDelegate* d = delegateInterface())
        d->panelWasClicked(this);
}

bool LXSingleButtonPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_trackedBackground && (event->type() == QEvent::Enter || event->type() == QEvent::Leave)) {
        if (SingleButtonPanelDelegate* d = delegateInterface())
            d->panelChangedHovered(this, event->type() == QEvent::Enter);
    }
    return LXViewController::eventFilter(watched, event);
}
