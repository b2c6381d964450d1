#include "platform/desktop/DesktopBackend.h"

#include "platform/foundation/Log.h"

#include <QGuiApplication>
#include <QScreen>

DesktopResult DesktopBackend::setImage(const QString& filePath, const QString& screenName)
{
    DesktopResult result = apply(filePath, screenName);
    if (!result.ok) {
        if (result.errorText.isEmpty())
            result.errorText = QStringLiteral("%1 gave no reason").arg(name());
        Log::line(lcDesktop, QStringLiteral("Error: could not set the desktop picture through %1: %2")
                                 .arg(name(), result.errorText));
    }
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
