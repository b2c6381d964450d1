#include "platform/desktop/Workspace.h"

#include "platform/desktop/DBusCall.h"
#include "platform/foundation/Log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>

namespace Workspace {

bool openURL(const QUrl& url)
{
    return url.isValid() && QDesktopServices::openUrl(url);
}

bool showInFolder(const QString& path)
{
    const QUrl file = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    message << QStringList{file.toString(QUrl::FullyEncoded)} << QString();
    const QDBusMessage reply = DBusCall::call(QDBusConnection::sessionBus(), message, 3000);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    if (openURL(QUrl::fromLocalFile(QFileInfo(path).absolutePath())))
        return true;
    Log::line(lcDesktop, QStringLiteral("Warning: could not show %1 in a file manager: %2")
                             .arg(path, DBusCall::errorText(reply)));
    return false;
}

} // namespace Workspace
