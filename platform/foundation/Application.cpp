#include "platform/foundation/Application.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace Application {

QString willTerminateNotification()
{
    return QStringLiteral("ApplicationWillTerminate");
}

void installTerminationNotice()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] { postWillTerminate(); });
}

void postWillTerminate()
{
    static bool posted = false;
    if (posted)
        return;
    posted = true;
    NotificationCenter::defaultCenter().post(willTerminateNotification());
}

QString temporaryDirectory()
{
    const QString path = QDir::tempPath() + QStringLiteral("/sunnyside-%1").arg(::getuid());
    const QFileInfo info(path);
    if (info.isDir() && info.ownerId() == ::getuid())
        return path;
    if (!info.exists() && QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return path;
    Log::line(lcFoundation, QStringLiteral("Warning: cannot use the temporary folder %1; using %2")
                                .arg(path, QDir::tempPath()));
    return QDir::tempPath();
}

} // namespace Application
