#pragma once
// One D-Bus method call that waits for its reply in a local event loop (user
// input excluded), so that services in this process, and timers, still run.
// Thread: main thread.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>

namespace DBusCall {

// Sends `message` on `bus` and returns the reply, or an error message when
// the bus is not connected, the peer fails or `timeoutMs` passes.
QDBusMessage call(const QDBusConnection& bus, const QDBusMessage& message, int timeoutMs);

// True when the reply says the peer did not answer in time.
bool isTimeout(const QDBusMessage& reply);

// The words of an error reply, e.g. "The name org.kde.plasmashell was not
// provided by any .service files (org.freedesktop.DBus.Error.ServiceUnknown)".
QString errorText(const QDBusMessage& reply);

} // namespace DBusCall
