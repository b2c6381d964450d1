#pragma once
// Interface files: Qt Designer ".ui" files of a bundle, found by
// `bundle.pathForResource(name, "ui")` (top level, then the preferred
// languages' lproj folders) and loaded by one loader on QUiLoader.
//
//  - Classes: Qt's own widgets, plus the framework's classes registered by
//    name with registerClass() (each folder has one registration function;
//    static libraries would drop self-registering statics). A class that is
//    neither gives one "Warning: " line and a plain QWidget stands in.
//    A registered class that is not a widget (a controller object) is made
//    with a hidden placeholder in the file's tree; the placeholder's dynamic
//    properties are copied onto the object, which then takes its place.
//  - Outlets: every QObject-pointer property of the owner is set to the
//    loaded object of the same object name (when the classes agree). Any
//    other object's outlet is the dynamic property "outlet.<property>" whose
//    string value names the object.
//  - Actions: a button or QAction with the dynamic string property "action"
//    calls that method of the owner (TargetAction) with itself as sender.
//  - Awake: after all the above, `awakeFromNib()` (a slot or Q_INVOKABLE) is
//    called on every loaded object that has it, in tree order, then on the owner.
//
// Ownership: the caller owns `root` (parented to `parent` when one is given).
// A missing file gives an empty result without a line (the caller says what
// it wanted); an unreadable one gives an empty result and a "Warning: " line.
// Thread: main thread.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class Bundle;
class QWidget;

class InterfaceFile {
public:
    // Makes one object of a registered class; `parent` is its widget parent.
    using Factory = std::function<QObject*(QWidget* parent)>;

    // Registers (or replaces) the class of that name.
    static void registerClass(const QString& className, Factory factory);
    template <typename T>
    static void registerClass(const QString& className)
    {
        registerClass(className, [](QWidget* parent) -> QObject* { return new T(parent); });
    }
    static bool isRegistered(const QString& className);

    struct Result {
        QWidget* root = nullptr;          // the file's top-level widget; nullptr on failure
        QList<QPointer<QObject>> objects; // every loaded object, root first, tree order
    };

    static Result load(const QString& name, const Bundle& bundle, QObject* owner, QWidget* parent = nullptr);
    static Result loadFile(const QString& path, QObject* owner, QWidget* parent = nullptr);
};
