#include "ui/windows/NibOwner.h"

#include "platform/foundation/Log.h"
#include "platform/ui/InterfaceFile.h"
#include "ui/windows/LXWindowController.h"

namespace {

void dropObjects(QList<QObject*>& objects)
{
    for (QObject* object : std::exchange(objects, {}))
        delete object;
}

} // namespace

void ControllerOwnership::claim(QObject* object, QObject* owner)
{
    static constexpr const char* kOwner = "LXOwningController";
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

void ControllerOwnership::claim(const QList<QObject*>& objects, QObject* owner)
{
    for (QObject* object : objects)
        claim(object, owner);
}

NibOwner::NibOwner(QObject* controller, const char* keyPrefix, const char* outlet)
    : m_controller(controller), m_keyPrefix(keyPrefix), m_outlet(outlet)
{
}

NibOwner::~NibOwner()
{
    dropObjects(m_topLevelObjects);
    if (m_main && !m_main->parentWidget())
        delete m_main;
}

void NibOwner::setMain(QWidget* widget)
{
    m_topLevelObjects.removeAll(widget);
    dropObjects(m_topLevelObjects);
    m_main = widget;
    ControllerOwnership::claim(widget, m_controller);
}

const Bundle& NibOwner::bundle() const
{
    return m_bundle ? *m_bundle : Bundle::mainBundle();
}

void NibOwner::setTopLevelObjects(QList<QObject*> objects)
{
    ControllerOwnership::claim(objects, m_controller);
    // Those in both lists are kept, the others deleted.
    for (QObject* object : std::exchange(m_topLevelObjects, std::move(objects)))
        if (!m_topLevelObjects.contains(object))
            delete object;
}

void NibOwner::forget(QObject* object)
{
    if (object == m_main)
        m_main = nullptr;
    m_topLevelObjects.removeAll(object);
}

QString NibOwner::key(const char* name) const
{
    return QString::fromLatin1(m_keyPrefix) + QString::fromLatin1(name);
}

QVariantMap NibOwner::encode() const
{
    QVariantList objects;
    for (QObject* object : m_topLevelObjects)
        objects.append(QVariant::fromValue(object));
    return {{key(m_outlet), QVariant::fromValue<QWidget*>(m_main)},
            {key("nibName"), m_name},
            {key("nibBundle"), m_bundle ? m_bundle->bundlePath() : QString()},
            {key("topLevelObjects"), objects}};
}

void NibOwner::decode(const QVariantMap& coder, const std::function<void(QWidget*)>& setMain)
{
    setMain(coder.value(key(m_outlet)).value<QWidget*>());
    setName(coder.value(key("nibName")).toString());
    const QString bundlePath = coder.value(key("nibBundle")).toString();
    setBundle(bundlePath.isEmpty() ? nullptr : std::make_shared<const Bundle>(bundlePath));
    QList<QObject*> objects;
    for (const QVariant& item : coder.value(key("topLevelObjects")).toList())
        if (auto* object = item.value<QObject*>())
            objects.append(object);
    setTopLevelObjects(objects);
}

QWidget* NibOwner::load(const QString& name, const QString& shownSuffix)
{
    const InterfaceFile::Result loaded = InterfaceFile::load(name, bundle(), m_controller);
    QWidget* main = nullptr;
    if (loaded.root) {
        if (!m_controller->property(m_outlet).value<QWidget*>())
            m_controller->setProperty(m_outlet, QVariant::fromValue(loaded.root));
        main = m_controller->property(m_outlet).value<QWidget*>();
    }
    if (!main) {
        delete loaded.root;
        Log::line(lcWindows, QStringLiteral("Warning: %1 could not load %2 from %3 in %4%5")
                                 .arg(QString::fromLatin1(m_controller->metaObject()->className()),
                                      QString::fromLatin1(m_outlet), bundle().bundlePath(), name, shownSuffix));
        return nullptr;
    }
    QList<QObject*> topLevel{loaded.root};
    topLevel.removeAll(main);
    setTopLevelObjects(topLevel);
    return main;
}
