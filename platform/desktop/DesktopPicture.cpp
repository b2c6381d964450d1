#include "platform/desktop/DesktopPicture.h"
#include "platform/desktop/DesktopSession.h"

#include "platform/foundation/Log.h"

#include <QFileInfo>

namespace {

Result<> fail(const QString& text)
{
    Log::line(lcDesktop, QStringLiteral("Error: could not set the desktop picture: %1").arg(text));
    return Result<>::failure(text);
}

} // namespace

Result<> setDesktopImage(const QString& filePath, const QString& screenName)
{
    const QFileInfo file(filePath);
    // A desktop given a missing file shows black.
    if (filePath.isEmpty() || !file.isFile())
        return fail(QStringLiteral("the picture file %1 does not exist").arg(filePath));

    const DesktopKind kind = detectDesktop(QProcessEnvironment::systemEnvironment());
    const std::unique_ptr<DesktopBackend> backend = makeDesktopBackend(kind, QDBusConnection::sessionBus(), currentScreenNames());
    if (!backend)
        return fail(QStringLiteral("no desktop session was found"));
    return backend->setImage(file.absoluteFilePath(), screenName);
}
