#include "platform/desktop/PicturesFolder.h"

#include "platform/foundation/Log.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

Result<QString> fail(const QString& text)
{
    Log::line(lcDesktop, QStringLiteral("Error: no Pictures folder: %1").arg(text));
    return Result<QString>::failure(text);
}

} // namespace

Result<QString> picturesFolder()
{
    // Qt takes a missing HOME for "/", which would put Pictures at the root.
    if (!QDir::isAbsolutePath(qEnvironmentVariable("HOME")))
        return fail(QStringLiteral("the HOME variable does not name your home folder"));
    const QString path = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (path.isEmpty())
        return fail(QStringLiteral("the system names no Pictures folder"));

    const QFileInfo info(path);
    if (info.exists() && !info.isDir())
        return fail(QStringLiteral("%1 exists and is not a folder").arg(path));
    if (!info.exists() && !QDir().mkpath(path))
        return fail(QStringLiteral("the folder %1 could not be created").arg(path));
    return Result<QString>::success(QDir(path).absolutePath());
}
