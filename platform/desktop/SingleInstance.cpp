#include "platform/desktop/SingleInstance.h"

#include "platform/desktop/DBusCall.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/MainQueue.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QPointer>

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

SingleInstance::HandOver SingleInstance::handOver(const QList<QUrl>& urls, int timeoutMs)
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
        return HandOver::Taken;
    // The owner quit between our claim and the call: the name is free again.
    const QDBusReply<bool> owned = QDBusConnection::sessionBus().interface()->isServiceRegistered(serviceName());
    if (owned.isValid() && !owned.value())
        return HandOver::OwnerGone;
    const QDBusReply<uint> pid = QDBusConnection::sessionBus().interface()->servicePid(serviceName());
    Log::line(lcDesktop, QStringLiteral("Error: Sunnyside is already running in this session%1 but did not answer "
                                        "(%2). Close its window, or end that process, and try again.")
                             .arg(pid.isValid() ? QStringLiteral(" (process %1)").arg(pid.value()) : QString(),
                                  DBusCall::errorText(reply)));
    return HandOver::NoAnswer;
}

void SingleInstance::Activate(const QVariantMap&)
{
    queueActivate();
}

void SingleInstance::queueActivate()
{
    // Returns first: the caller's reply never waits for our window.
    QPointer<SingleInstance> self(this);
    MainQueue::async([self] {
        if (self)
            emit self->activateRequested();
    });
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
    // Opening a photo renders, saves and may alert: it runs after the reply.
    QPointer<SingleInstance> self(this);
    if (!urls.isEmpty())
        MainQueue::async([self, urls] {
            if (self)
                emit self->openRequested(urls);
        });
    queueActivate();
}

void SingleInstance::ActivateAction(const QString&, const QVariantList&, const QVariantMap&)
{
    queueActivate();
}
