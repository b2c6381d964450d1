#include "platform/desktop/CommandBackends.h"
#include "platform/desktop/Command.h"
#include "platform/desktop/SafeImagePath.h"

namespace {

// hyprctl exits 0 even when hyprpaper refuses; hyprpaper answers "ok" on success.
Result<> hyprpaper(const QStringList& request)
{
    const Result<QString> result = Command::run(QStringLiteral("hyprctl"), QStringList{QStringLiteral("hyprpaper")} + request);
    if (!result.ok())
        return Result<>::failure(result.reason());
    const QString answer = result.value().trimmed();
    if (!answer.isEmpty() && answer.compare(QLatin1String("ok"), Qt::CaseInsensitive) != 0)
        return Result<>::failure(QStringLiteral("hyprpaper answered: %1").arg(answer));
    return Result<>::success();
}

} // namespace

Result<> HyprlandBackend::apply(const QString& filePath, const QString& screenName)
{
    // hyprctl joins its arguments with spaces; hyprpaper trims the path, expands
    // a leading "~" and splits "MONITOR,PATH" at a comma: a safe path survives all that.
    const Result<QString> picture = safeImagePath(filePath);
    if (!picture.ok())
        return Result<>::failure(picture.reason());
    Result<> result = hyprpaper({QStringLiteral("preload"), picture.value()});
    if (!result.ok())
        return result;
    // An empty monitor before the comma means every monitor.
    return hyprpaper({QStringLiteral("wallpaper"), screenName + QLatin1Char(',') + picture.value()});
}
