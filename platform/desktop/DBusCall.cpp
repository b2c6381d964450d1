#include "platform/desktop/DBusCall.h"

#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>

namespace DBusCall {

QDBusMessage call(const QDBusConnection& bus, const QDBusMessage& message, int timeoutMs)
{
    if (!bus.isConnected())
        return message.createErrorReply(QDBusError::Disconnected, QStringLiteral("there is no D-Bus session bus"));
    QDBusPendingCall pending = bus.asyncCall(message, timeoutMs);
    if (!pending.isFinished()) {
        QDBusPendingCallWatcher watcher(pending);
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        // The call's own timeout ends the wait with a NoReply error.
        if (!watcher.isFinished())
            loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return pending.reply();
}

bool isTimeout(const QDBusMessage& reply)
{
    const QDBusError::ErrorType type = QDBusError(reply).type();
    return reply.type() == QDBusMessage::ErrorMessage && (type == QDBusError::NoReply || type == QDBusError::Timeout || type == QDBusError::TimedOut);
}

QString errorText(const QDBusMessage& reply)
{
    QString text = reply.errorMessage().trimmed();
    if (text.isEmpty())
        return reply.errorName();
    if (!reply.errorName().isEmpty())
        text += QStringLiteral(" (%1)").arg(reply.errorName());
    return text;
}

} // namespace DBusCall
