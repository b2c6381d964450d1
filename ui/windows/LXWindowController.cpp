#include "ui/windows/LXWindowController.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/MainQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/InterfaceFile.h"
#include "platform/ui/WindowEvents.h"

namespace {

std::shared_ptr<const Bundle> bundleAt(const QVariant& path)
{
    return path.toString().isEmpty() ? nullptr : std::make_shared<const Bundle>(path.toString());
}

QList<QObject*> objectsIn(const QVariant& list)
{
    QList<QObject*> objects;
    for (const QVariant& item : list.toList())
        if (auto* object = item.value<QObject*>())
            objects.append(object);
    return objects;
}

QVariantList variantsOf(const QList<QObject*>& objects)
{
    QVariantList list;
    for (QObject* object : objects)
        list.append(QVariant::fromValue(object));
    return list;
}

void dropObjects(QList<QObject*>& objects)
{
    for (QObject* object : std::exchange(objects, {}))
        delete object;
}

// Replaces `objects` by `next`, deleting only those that are not kept.
void replaceObjects(QList<QObject*>& objects, QList<QObject*> next)
{
    for (QObject* object : std::exchange(objects, std::move(next)))
        if (!objects.contains(object))
            delete object;
}

void release(QWidget* widget)
{
    if (widget && !widget->parentWidget())
        delete widget;
}

// Loads `name` with `owner`; the outlet of that name, else the root, is the
// result. Everything else the file's root held stays in `topLevel`.
QWidget* loadInto(QObject* owner, const char* outlet, const QString& name, const Bundle& bundle,
                  QList<QObject*>& topLevel)
{
    const InterfaceFile::Result loaded = InterfaceFile::load(name, bundle, owner);
    if (!loaded.root)
        return nullptr;
    QWidget* main = owner->property(outlet).value<QWidget*>();
    if (!main)
        owner->setProperty(outlet, QVariant::fromValue(loaded.root));
    main = owner->property(outlet).value<QWidget*>();
    topLevel.append(loaded.root);
    topLevel.removeAll(main);
    return main;
}

} // namespace

// Who owns an object is kept on the object, so that it goes with it; a
// controller that takes an object makes its earlier owner forget it, so that
// no object is deleted twice.
struct ControllerOwnership {
    static constexpr const char* kOwner = "LXOwningController";

    static void claim(QObject* object, QObject* owner)
    {
        if (!object)
            return;
        QObject* previous = object->property(kOwner).value<QPointer<QObject>>();
        if (previous && previous != owner) {
            if (auto* windowController = qobject_cast<LXWindowController*>(previous))
                windowController->forget(object);
            else if (auto* viewController = qobject_cast<LXViewController*>(previous))
                viewController->forget(object);
        }
        object->setProperty(kOwner, QVariant::fromValue(QPointer<QObject>(owner)));
    }

    static void claim(const QList<QObject*>& objects, QObject* owner)
    {
        for (QObject* object : objects)
            claim(object, owner);
    }
};

LXWindowController::LXWindowController(QObject* parent) : QObject(parent) {}

LXWindowController::LXWindowController(QWidget* window) : LXWindowController()
{
    setWindow(window);
}

LXWindowController::LXWindowController(const QString& nibName, std::shared_ptr<const Bundle> nibBundle)
    : LXWindowController()
{
    m_nibName = nibName;
    m_nibBundle = std::move(nibBundle);
}

LXWindowController::LXWindowController(const QVariantMap& coder) : LXWindowController()
{
    setWindow(coder.value(QStringLiteral("WCwindow")).value<QWidget*>());
    setNibName(coder.value(QStringLiteral("WCnibName")).toString());
    setNibBundle(bundleAt(coder.value(QStringLiteral("WCnibBundle"))));
    setTopLevelObjects(objectsIn(coder.value(QStringLiteral("WCtopLevelObjects"))));
}

QVariantMap LXWindowController::encodeWithCoder() const
{
    return {{QStringLiteral("WCwindow"), QVariant::fromValue<QWidget*>(m_window)},
            {QStringLiteral("WCnibName"), m_nibName},
            {QStringLiteral("WCnibBundle"), m_nibBundle ? m_nibBundle->bundlePath() : QString()},
            {QStringLiteral("WCtopLevelObjects"), variantsOf(m_topLevelObjects)}};
}

LXWindowController::~LXWindowController()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    dropObjects(m_topLevelObjects);
    release(m_window);
}

QWidget* LXWindowController::window()
{
    if (!m_window)
        loadWindow();
    return m_window;
}

void LXWindowController::setWindow(QWidget* window)
{
    if (m_window)
        NotificationCenter::defaultCenter().removeObserver(this, kWindowWillCloseNotification, m_window);
    dropObjects(m_topLevelObjects);
    m_window = window;
    ControllerOwnership::claim(window, this);
    if (window) {
        watchWindow(window);
        NotificationCenter::defaultCenter().addObserver(this, kWindowWillCloseNotification, window,
                                                        [this](const Notification& n) { windowWillClose(n); });
    }
}

void LXWindowController::setTopLevelObjects(QList<QObject*> objects)
{
    ControllerOwnership::claim(objects, this);
    replaceObjects(m_topLevelObjects, std::move(objects));
}

void LXWindowController::forget(QObject* object)
{
    if (object == m_window) {
        NotificationCenter::defaultCenter().removeObserver(this, kWindowWillCloseNotification, m_window);
        m_window = nullptr;
    }
    m_topLevelObjects.removeAll(object);
}

void LXWindowController::loadWindow()
{
    windowWillLoad();
    QList<QObject*> topLevel;
    QWidget* window = loadInto(this, "window", nibName(), nibBundle(), topLevel);
    if (!window) {
        dropObjects(topLevel);
        Log::line(lcWindows, QStringLiteral("Warning: %1 could not load window from %2 in %3.nib")
                                 .arg(QString::fromLatin1(metaObject()->className()), nibBundle().bundlePath(),
                                      nibName()));
        return;
    }
    setTopLevelObjects(topLevel);
    const QString title = window->windowTitle();
    window->setWindowTitle(Bundle::mainBundle().localizedString(title, title, QStringLiteral("Controls")));
    windowDidLoad();
}

bool LXWindowController::isVisible() const
{
    return m_window && m_window->isVisible();
}

QString LXWindowController::nibName() const
{
    if (!m_nibName.isNull())
        return m_nibName;
    // The nearest class up to this one that has a file of its name.
    const QMetaObject* meta = metaObject();
    for (; meta && meta != &LXWindowController::staticMetaObject; meta = meta->superClass()) {
        const QString name = QString::fromLatin1(meta->className());
        if (!nibBundle().pathForResource(name, QStringLiteral("ui")).isNull())
            return name;
    }
    return QString::fromLatin1(LXWindowController::staticMetaObject.className());
}

const Bundle& LXWindowController::nibBundle() const
{
    return m_nibBundle ? *m_nibBundle : Bundle::mainBundle();
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
    if (m_window)
        m_window->close();
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
    m_nibName = nibName;
    m_nibBundle = std::move(nibBundle);
}

LXViewController::LXViewController(const QVariantMap& coder) : LXViewController()
{
    setView(coder.value(QStringLiteral("VCview")).value<QWidget*>());
    setNibName(coder.value(QStringLiteral("VCnibName")).toString());
    setNibBundle(bundleAt(coder.value(QStringLiteral("VCnibBundle"))));
    setTopLevelObjects(objectsIn(coder.value(QStringLiteral("VCtopLevelObjects"))));
}

QVariantMap LXViewController::encodeWithCoder() const
{
    return {{QStringLiteral("VCview"), QVariant::fromValue<QWidget*>(m_view)},
            {QStringLiteral("VCnibName"), m_nibName},
            {QStringLiteral("VCnibBundle"), m_nibBundle ? m_nibBundle->bundlePath() : QString()},
            {QStringLiteral("VCtopLevelObjects"), variantsOf(m_topLevelObjects)}};
}

LXViewController::~LXViewController()
{
    dropObjects(m_topLevelObjects);
    release(m_view);
}

QWidget* LXViewController::view()
{
    if (!m_view)
        loadView();
    return m_view;
}

void LXViewController::setView(QWidget* view)
{
    m_view = view;
    ControllerOwnership::claim(view, this);
    if (!view)
        dropObjects(m_topLevelObjects);
}

void LXViewController::setTopLevelObjects(QList<QObject*> objects)
{
    ControllerOwnership::claim(objects, this);
    replaceObjects(m_topLevelObjects, std::move(objects));
}

void LXViewController::forget(QObject* object)
{
    if (object == m_view)
        m_view = nullptr;
    m_topLevelObjects.removeAll(object);
}

void LXViewController::loadView()
{
    QList<QObject*> topLevel;
    QWidget* view = loadInto(this, "view", nibName(), nibBundle(), topLevel);
    if (!view) {
        dropObjects(topLevel);
        Log::line(lcWindows, QStringLiteral("Warning: %1 could not load view from %2 in %3")
                                 .arg(QString::fromLatin1(metaObject()->className()), nibBundle().bundlePath(),
                                      nibName()));
        return;
    }
    setTopLevelObjects(topLevel);
}

QString LXViewController::nibName() const
{
    return m_nibName.isNull() ? QString::fromLatin1(metaObject()->className()) : m_nibName;
}

const Bundle& LXViewController::nibBundle() const
{
    return m_nibBundle ? *m_nibBundle : Bundle::mainBundle();
}
