#include "ui/windows/LXWindowController.h"

#include "platform/foundation/MainQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/WindowEvents.h"

LXWindowController::LXWindowController(QObject* parent) : QObject(parent) {}

LXWindowController::LXWindowController(QWidget* window) : LXWindowController()
{
    setWindow(window);
}

LXWindowController::LXWindowController(const QString& nibName, std::shared_ptr<const Bundle> nibBundle)
    : LXWindowController()
{
    setNibName(nibName);
    setNibBundle(std::move(nibBundle));
}

LXWindowController::LXWindowController(const QVariantMap& coder) : LXWindowController()
{
    m_nib.decode(coder, [this](QWidget* window) { setWindow(window); });
}

LXWindowController::~LXWindowController()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

QWidget* LXWindowController::window()
{
    if (!loadedWindow())
        loadWindow();
    return loadedWindow();
}

void LXWindowController::setWindow(QWidget* window)
{
    if (QWidget* old = loadedWindow())
        NotificationCenter::defaultCenter().removeObserver(this, kWindowWillCloseNotification, old);
    m_nib.setMain(window);
    if (window) {
        watchWindow(window);
        NotificationCenter::defaultCenter().addObserver(this, kWindowWillCloseNotification, window,
                                                        [this](const Notification& n) { windowWillClose(n); });
    }
}

void LXWindowController::forget(QObject* object)
{
    if (object == loadedWindow())
        NotificationCenter::defaultCenter().removeObserver(this, kWindowWillCloseNotification, object);
    m_nib.forget(object);
}

void LXWindowController::loadWindow()
{
    windowWillLoad();
    QWidget* window = m_nib.load(nibName(), QStringLiteral(".nib"));
    if (!window)
        return;
    const QString title = window->windowTitle();
    window->setWindowTitle(Bundle::mainBundle().localizedString(title, title, QStringLiteral("Controls")));
    windowDidLoad();
}

bool LXWindowController::isVisible() const
{
    return loadedWindow() && loadedWindow()->isVisible();
}

QString LXWindowController::nibName() const
{
    if (!m_nib.storedName().isNull())
        return m_nib.storedName();
    // The nearest class up to this one that has a file of its name.
    const QMetaObject* meta = metaObject();
    for (; meta && meta != &LXWindowController::staticMetaObject; meta = meta->superClass()) {
        const QString name = QString::fromLatin1(meta->className());
        if (!nibBundle().pathForResource(name, QStringLiteral("ui")).isNull())
            return name;
    }
    return QString::fromLatin1(LXWindowController::staticMetaObject.className());
}

void LXWindowController::showWindow(QObject*)
{
    if (QWidget* w = window()) {
        w->show();
        w->raise();
        w->activateWindow();
    }
}

void LXWindowController::close(QObject*)
{
    if (QWidget* w = loadedWindow())
        w->close();
}

void LXWindowController::forceCloseWindow(QObject*)
{
    if (QWidget* w = window())
        ::forceCloseWindow(w);
}

void LXWindowController::windowWillClose(const Notification&)
{
    MainQueue::async([self = QPointer<LXWindowController>(this)] {
        if (self)
            self->windowDidClose();
    });
}

// The view controller: the same without the title, the close and the name walk.

LXViewController::LXViewController(QObject* parent) : QObject(parent) {}

LXViewController::LXViewController(const QString& nibName, std::shared_ptr<const Bundle> nibBundle)
    : LXViewController()
{
    setNibName(nibName);
    setNibBundle(std::move(nibBundle));
}

LXViewController::LXViewController(const QVariantMap& coder) : LXViewController()
{
    m_nib.decode(coder, [this](QWidget* view) { setView(view); });
}

QWidget* LXViewController::view()
{
    if (!loadedView())
        loadView();
    return loadedView();
}

void LXViewController::setView(QWidget* view)
{
    m_nib.setMain(view);
}

void LXViewController::loadView()
{
    m_nib.load(nibName(), QString());
}

QString LXViewController::nibName() const
{
    return m_nib.storedName().isNull() ? QString::fromLatin1(metaObject()->className()) : m_nib.storedName();
}
