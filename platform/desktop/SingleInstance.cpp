#include "platform/desktop/SingleInstance.h"

#include "platform/desktop/DBusCall.h"
#include "platform/foundation/Log.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>

SingleInstance::Role SingleInstance::claim(SingleInstance** instance)
{
    *instance = nullptr;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        Log::line(lcDesktop, QStringLiteral("Warning: no session bus (%1); this window runs on its own")
                                 .arg(bus.lastError().message()));
        return Role::Alone;
    }
    auto* object = new SingleInstance(QCoreApplication::instance());
    if (!bus.registerObject(objectPath(), object, QDBusConnection::ExportAllSlots)) {
        Log::line(lcDesktop, QStringLiteral("Warning: cannot export %1 on the session bus; this window runs on its own")
                                 .arg(objectPath()));
        delete object;
        return Role::Alone;
    }
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus.interface()->registerService(
        serviceName(), QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        *instance = object;
        return Role::Primary;
    }
    bus.unregisterObject(objectPath());
    delete object;
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceNotRegistered)
        return Role::Secondary;
    Log::line(lcDesktop, QStringLiteral("Warning: cannot own %1 on the session bus (%2); this window runs on its own")
                             .arg(serviceName(), reply.error().message()));
    return Role::Alone;
}

bool SingleInstance::handOver(const QList<QUrl>& urls, int timeoutMs)
{
    QStringList uris;
    for (const QUrl& url : urls)
        uris << url.toString(QUrl::FullyEncoded);
    QDBusMessage message = QDBusMessage::createMethodCall(
        serviceName(), objectPath(), QStringLiteral("org.freedesktop.Application"),
        uris.isEmpty() ? QStringLiteral("Activate") : QStringLiteral("Open"));
    if (uris.isEmpty())
        message << QVariantMap();
    else
        message << uris << QVariantMap();
    const QDBusMessage reply = DBusCall::call(QDBusConnection::sessionBus(), message, timeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    Log::line(lcDesktop, QStringLiteral("Warning: the running Sunnyside did not take the request: %1")
                             .arg(DBusCall::errorText(reply)));
    return false;
}

void SingleInstance::Activate(const QVariantMap&)
{
    emit activateRequested();
}

void SingleInstance::Open(const QStringList& uris, const QVariantMap&)
{
    QList<QUrl> urls;
    for (const QString& uri : uris) {
        const QUrl url(uri, QUrl::StrictMode);
        // Only local files: a peer on the bus is not trusted with more.
        if (url.isLocalFile())
            urls << url;
        else
            Log::line(lcDesktop, QStringLiteral("Warning: ignoring \"%1\" handed over by another launch; "
                                                "only local files open")
                                     .arg(uri));
    }
    if (!urls.isEmpty())
        emit openRequested(urls);
    emit activateRequested();
}

void SingleInstance::ActivateAction(const QString&, const QVariantList&, const QVariantMap&)
{
    emit activateRequested();
}
