#pragma once
// A target and the name of one of its methods: what a button, a menu item or
// a delegate call is sent to. The method is a slot or Q_INVOKABLE taking
// either one QObject* (the sender) or nothing, found by name on the target's
// class chain.
//
// A null target (destroyed, or never set) responds to nothing, and sending to
// it does nothing and returns false. The target is held weakly.
// Thread: main thread.

#include <QByteArray>
#include <QPointer>

class TargetAction {
public:
    TargetAction() = default;
    TargetAction(QObject* target, QByteArray action) : m_target(target), m_action(std::move(action)) {}

    QObject* target() const { return m_target; }
    const QByteArray& action() const { return m_action; }

    // Does the target have a method of that name (with a QObject* or no argument)?
    bool respondsToAction() const;
    static bool responds(const QObject* target, const QByteArray& action);

    // Calls the method with `sender` (or without it); false when it does not respond.
    bool send(QObject* sender = nullptr) const;
    static bool send(QObject* target, const QByteArray& action, QObject* sender);

private:
    QPointer<QObject> m_target;
    QByteArray m_action;
};
