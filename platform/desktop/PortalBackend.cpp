#include "platform/desktop/DBusBackends.h"
#include "platform/desktop/DBusCall.h"

#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QEventLoop>
#include <QFile>
#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

// Receives the request's Response signal, which may come before or after the
// method's reply.
class ResponseWaiter : public QObject {
    Q_OBJECT
public:
    ResponseWaiter(QDBusConnection bus) : m_bus(std::move(bus)) {}
    ~ResponseWaiter() override { unwatch(); }

    bool watch(const QString& path)
    {
        unwatch();
        // Any sender: the path holds our own unique name and a random token.
        if (!m_bus.connect(QString(), path, requestInterface, QStringLiteral("Response"), this,
                           SLOT(onResponse(QDBusMessage))))
            return false;
        m_path = path;
        return true;
    }

    bool answered() const { return m_answered; }
    uint response() const { return m_response; }

    // Waits until the answer comes or `timeoutMs` passes; true when it came.
    bool wait(int timeoutMs)
    {
        if (m_answered)
            return true;
        QEventLoop loop;
        m_loop = &loop;
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        m_loop = nullptr;
        return m_answered;
    }

private slots:
    void onResponse(const QDBusMessage& message)
    {
        const QList<QVariant> arguments = message.arguments();
        m_response = arguments.isEmpty() ? 2 : arguments.first().toUInt();
        m_answered = true;
        if (m_loop)
            m_loop->quit();
    }

private:
    void unwatch()
    {
        if (!m_path.isEmpty())
            m_bus.disconnect(QString(), m_path, requestInterface, QStringLiteral("Response"), this,
                             SLOT(onResponse(QDBusMessage)));
        m_path.clear();
    }

    QDBusConnection m_bus;
    QString m_path;
    QEventLoop* m_loop = nullptr;
    bool m_answered = false;
    uint m_response = 2;
};

} // namespace

Result<> PortalBackend::apply(const QString& filePath, const QString& screenName)
{
    Q_UNUSED(screenName) // the portal sets the picture of the whole desktop
    if (!m_bus.isConnected())
        return Result<>::failure(QStringLiteral("there is no D-Bus session bus for the desktop portal"));
    if (!(m_bus.connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing))
        return Result<>::failure(QStringLiteral("the D-Bus session bus cannot pass files to the desktop portal"));

    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return Result<>::failure(QStringLiteral("%1 could not be opened: %2").arg(filePath, file.errorString()));

    // The portal names the request object after our unique name and this token;
    // listening before the call means no answer can be missed.
    const QString token = QStringLiteral("sunnyside%1").arg(QRandomGenerator::global()->generate());
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString expectedPath = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);

    ResponseWaiter waiter(m_bus);
    if (!waiter.watch(expectedPath))
        return Result<>::failure(QStringLiteral("could not listen for the desktop portal's answer: %1")
                                          .arg(m_bus.lastError().message()));

    QDBusMessage message = QDBusMessage::createMethodCall(portalService, QStringLiteral("/org/freedesktop/portal/desktop"),
                                                          QStringLiteral("org.freedesktop.portal.Wallpaper"),
                                                          QStringLiteral("SetWallpaperFile"));
    const QVariantMap options{{QStringLiteral("handle_token"), token},
                              {QStringLiteral("set-on"), QStringLiteral("background")},
                              {QStringLiteral("show-preview"), false}};
    message << QString() << QVariant::fromValue(QDBusUnixFileDescriptor(file.handle())) << options;

    const QDBusMessage reply = DBusCall::call(m_bus, message, callTimeoutMs);
    file.close();
    if (DBusCall::isTimeout(reply))
        return Result<>::failure(QStringLiteral("the desktop portal did not answer within %1 seconds").arg(callTimeoutMs / 1000));
    if (reply.type() == QDBusMessage::ErrorMessage)
        return Result<>::failure(QStringLiteral("the desktop portal refused the picture: %1").arg(DBusCall::errorText(reply)));

    // Portals older than the handle token choose the path themselves.
    const QList<QVariant> results = reply.arguments();
    const QString handle = results.isEmpty() ? QString() : results.first().value<QDBusObjectPath>().path();
    if (!waiter.answered() && !handle.isEmpty() && handle != expectedPath)
        waiter.watch(handle);

    if (!waiter.wait(m_responseTimeoutMs))
        return Result<>::failure(QStringLiteral("the desktop portal did not answer within %1 seconds")
                                          .arg(m_responseTimeoutMs / 1000.0, 0, 'g', 3));
    switch (waiter.response()) {
    case 0: return Result<>::success();
    case 1: return Result<>::failure(QStringLiteral("the change was cancelled in the desktop portal"));
    default: return Result<>::failure(QStringLiteral("the desktop portal could not set the picture"));
    }
}

#include "PortalBackend.moc"
