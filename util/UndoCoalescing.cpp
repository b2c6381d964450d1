#include "util/UndoCoalescing.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/MainQueue.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPointer>
#include <QStringList>

#include <utility>
#include <vector>

namespace {

// Closes the gesture on the next left press or release anywhere in the app.
class MouseWatch : public QObject {
public:
    std::function<void()> onMouse;
    bool eventFilter(QObject*, QEvent* event) override
    {
        const auto type = event->type();
        if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease
             || type == QEvent::NonClientAreaMouseButtonPress || type == QEvent::NonClientAreaMouseButtonRelease)
            && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            onMouse();
        return false; // passed on unchanged
    }
};

struct Gesture {
    QPointer<QObject> target;
    bool hasTarget = false; // a target that is gone is still "the" target until closed
    QStringList keys;
    MouseWatch* watch = nullptr; // installed on the application while waiting
    QMetaObject::Connection inactive;
    std::function<bool()> leftDown;
    std::vector<std::function<void()>> whenClosed;
};

Gesture& gesture()
{
    static Gesture* g = new Gesture; // process-wide, never freed
    return *g;
}

void closeGesture()
{
    Gesture& g = gesture();
    if (g.watch) {
        if (QCoreApplication* app = QCoreApplication::instance())
            app->removeEventFilter(g.watch);
        QObject::disconnect(g.inactive);
        g.watch->deleteLater();
        g.watch = nullptr;
    }
    g.target = nullptr;
    g.hasTarget = false;
    g.keys.clear();
    // Queued: a gesture may close in the middle of registering a step.
    for (std::function<void()>& block : std::exchange(g.whenClosed, {}))
        MainQueue::async(std::move(block));
}

bool leftButtonDown()
{
    const Gesture& g = gesture();
    if (g.leftDown)
        return g.leftDown();
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
           && (QGuiApplication::mouseButtons() & Qt::LeftButton);
}

void waitForMouse()
{
    Gesture& g = gesture();
    QCoreApplication* app = QCoreApplication::instance();
    if (g.watch || !app)
        return;
    g.watch = new MouseWatch;
    g.watch->onMouse = [] { closeGesture(); };
    app->installEventFilter(g.watch);
    if (auto* gui = qobject_cast<QGuiApplication*>(app))
        g.inactive = QObject::connect(gui, &QGuiApplication::applicationStateChanged, g.watch,
                                      [](Qt::ApplicationState state) {
                                          if (state != Qt::ApplicationActive)
                                              closeGesture();
                                      });
}

QString nameForKey(const QString& key)
{
    return Bundle::mainBundle().localizedString(key, QStringLiteral(" ")).trimmed();
}

} // namespace

bool registerMouseAwareUndoWithTarget(UndoManager* manager, QObject* target, const QVariant& value,
                                      const QString& key, bool isGesture)
{
    if (!manager || !target)
        return false;
    Gesture& g = gesture();
    // A change made by undo or redo must leave its inverse step, never be folded away.
    const bool replaying = manager->isUndoing() || manager->isRedoing();
    if (replaying)
        closeGesture();
    bool registered = false;
    if (!(g.hasTarget && g.target == target && g.keys.contains(key))) {
        if (!g.hasTarget || g.target != target) {
            closeGesture();
            g.target = target;
            g.hasTarget = true;
        }
        g.keys.append(key);
        manager->registerUndo(target, [value, key](QObject* t) {
            LXUndoForwarder::sharedForwarder()->performKeyValueUndo(
                {{QStringLiteral("obj"), QVariant::fromValue(t)}, {QStringLiteral("val"), value},
                 {QStringLiteral("key"), key}});
        });
        const bool unnamed = manager->isUndoing() ? manager->redoActionName().isEmpty()
                                                  : manager->undoActionName().isEmpty();
        if (unnamed)
            manager->setActionName(nameForKey(key));
        registered = true;
    }
    if (replaying)
        closeGesture();
    else if (leftButtonDown())
        waitForMouse();
    else if (!isGesture)
        closeGesture();
    return registered;
}

void registerUndoWithTarget(UndoManager* manager, QObject* target, const QByteArray& method,
                            const QVariant& object)
{
    if (!manager || !target)
        return;
    manager->registerUndo(target, [method, object](QObject* t) {
        QMetaObject::invokeMethod(t, method.constData(), Q_ARG(QVariant, object));
    });
    manager->setActionName(nameForKey(QString::fromLatin1(method)));
}

void gestureEndedFor(QObject* target)
{
    if (gesture().hasTarget && gesture().target == target)
        closeGesture();
}

bool recordingInProgress() { return gesture().watch != nullptr; }

void whenGestureEnds(std::function<void()> block)
{
    if (recordingInProgress())
        gesture().whenClosed.push_back(std::move(block));
    else
        MainQueue::async(std::move(block));
}

void setLeftMouseButtonSource(std::function<bool()> isDown) { gesture().leftDown = std::move(isDown); }

LXUndoForwarder* LXUndoForwarder::sharedForwarder()
{
    static LXUndoForwarder* shared = new LXUndoForwarder;
    return shared;
}

void LXUndoForwarder::performKeyValueUndo(const QVariantMap& entries)
{
    QObject* object = entries.value(QStringLiteral("obj")).value<QObject*>();
    if (!object)
        return;
    const QVariant value = entries.value(QStringLiteral("val"));
    const QString key = entries.value(QStringLiteral("key")).toString();
    const QMetaObject* meta = object->metaObject();
    const int index = meta->indexOfMethod("setValue(QVariant,QString)");
    if (index >= 0)
        meta->method(index).invoke(object, Q_ARG(QVariant, value), Q_ARG(QString, key));
    else
        object->setProperty(key.toUtf8().constData(), value);
}
