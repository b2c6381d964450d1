#include "platform/ui/TargetAction.h"

#include <QMetaMethod>

namespace {

int methodIndex(const QObject* target, const QByteArray& action, bool* withSender)
{
    if (!target || action.isEmpty())
        return -1;
    const QMetaObject* meta = target->metaObject();
    int index = meta->indexOfMethod(action + "(QObject*)");
    *withSender = index >= 0;
    if (index < 0)
        index = meta->indexOfMethod(action + "()");
    return index;
}

} // namespace

bool TargetAction::responds(const QObject* target, const QByteArray& action)
{
    bool withSender = false;
    return methodIndex(target, action, &withSender) >= 0;
}

bool TargetAction::respondsToAction() const
{
    return responds(m_target, m_action);
}

bool TargetAction::send(QObject* target, const QByteArray& action, QObject* sender)
{
    bool withSender = false;
    const int index = methodIndex(target, action, &withSender);
    if (index < 0)
        return false;
    const QMetaMethod method = target->metaObject()->method(index);
    return withSender ? method.invoke(target, Qt::DirectConnection, Q_ARG(QObject*, sender))
                      : method.invoke(target, Qt::DirectConnection);
}

bool TargetAction::send(QObject* sender) const
{
    return send(m_target, m_action, sender);
}
