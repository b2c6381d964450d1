#include "platform/desktop/DesktopBackend.h"

#include "platform/foundation/Log.h"

#include <QGuiApplication>
#include <QScreen>

Result<> DesktopBackend::setImage(const QString& filePath, const QString& screenName)
{
    const Result<> result = apply(filePath, screenName);
    if (!result.ok())
        Log::line(lcDesktop, QStringLiteral("Error: could not set the desktop picture through %1: %2")
                                 .arg(name(), result.reason()));
    return result;
}

QStringList currentScreenNames()
{
    QStringList names;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return names;
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (const QScreen* screen : screens)
        names << screen->name();
    return names;
}
