#pragma once
// What a window or view controller owns from its interface file: the main
// widget (the window or the view), the file's name and bundle, and the file's
// other top-level objects; with their coder keys, all under one key prefix.
//
// The main widget is the controller's `outlet` property ("window", "view"),
// so loading goes through the controller's setter. Replacing the main widget,
// with another one or with nullptr, drops the top-level objects: they came
// from the same file and live only as long as the controller keeps its widget
// (the incoming widget itself is spared, since the field now holds it).
//
// null: no main widget (not loaded, or the file failed); an unset name (a
// null QString) means the controller works the name out; a null bundle means
// the main bundle.
// Ownership: owns the top-level objects, and the main widget unless that has
// a parent widget when the owner goes. Taking an object (setter or coder)
// makes the living controller that held it forget it (ControllerOwnership).
// Thread: main thread.

#include "platform/foundation/Bundle.h"

#include <QList>
#include <QPointer>
#include <QVariantMap>
#include <QWidget>

#include <functional>
#include <memory>

class NibOwner {
public:
    // `controller` outlives this value (it is the controller's member).
    NibOwner(QObject* controller, const char* keyPrefix, const char* outlet);
    ~NibOwner();
    NibOwner(const NibOwner&) = delete;
    NibOwner& operator=(const NibOwner&) = delete;

    QWidget* main() const { return m_main; }
    void setMain(QWidget* widget);

    const QString& storedName() const { return m_name; }
    void setName(const QString& name) { m_name = name; }
    const Bundle& bundle() const;
    void setBundle(std::shared_ptr<const Bundle> bundle) { m_bundle = std::move(bundle); }
    const QList<QObject*>& topLevelObjects() const { return m_topLevelObjects; }
    void setTopLevelObjects(QList<QObject*> objects);

    // The object left the controller's hands: no longer held, not deleted.
    void forget(QObject* object);

    // Keys <prefix><outlet> (QWidget*), <prefix>nibName, <prefix>nibBundle (the
    // bundle's path), <prefix>topLevelObjects (QVariantList of QObject*).
    QVariantMap encode() const;
    // Decodes in the key order above; the main widget through `setMain`, the
    // controller's own setter. The objects named must be alive.
    void decode(const QVariantMap& coder, const std::function<void(QWidget*)>& setMain);

    // Loads file `name` with the controller as its owner; the outlet, else the
    // file's root, becomes the main widget and the rest the top-level objects.
    // On failure: nullptr, the file's objects deleted, one warning
    // "could not load <outlet> from <bundle> in <name><shownSuffix>".
    QWidget* load(const QString& name, const QString& shownSuffix);

private:
    QString key(const char* name) const;

    QObject* m_controller;
    const char* m_keyPrefix;
    const char* m_outlet;
    QPointer<QWidget> m_main;
    QString m_name;
    std::shared_ptr<const Bundle> m_bundle;
    QList<QObject*> m_topLevelObjects;
};

// Who owns an object is kept on the object, so that it goes with it; a
// controller that takes an object makes its earlier owner forget it, so that
// no object is deleted twice.
struct ControllerOwnership {
    static void claim(QObject* object, QObject* owner);
    static void claim(const QList<QObject*>& objects, QObject* owner);
};
