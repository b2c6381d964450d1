#include "platform/desktop/CommandBackends.h"
#include "platform/desktop/Command.h"
#include "platform/desktop/SafeImagePath.h"

namespace {

// hyprctl exits 0 even when hyprpaper refuses; hyprpaper answers "ok" on success.
DesktopResult hyprpaper(const QStringList& request)
{
    const CommandResult result = Command::run(QStringLiteral("hyprctl"), QStringList{QStringLiteral("hyprpaper")} + request);
    if (!result.ok)
        return DesktopResult::failure(result.errorText);
    const QString answer = result.standardOutput.trimmed();
    if (!answer.isEmpty() && answer.compare(QLatin1String("ok"), Qt::CaseInsensitive) != 0)
        return DesktopResult::failure(QStringLiteral("hyprpaper answered: %1").arg(answer));
    return DesktopResult::success();
}

} // namespace

DesktopResult HyprlandBackend::apply(const QString& filePath, const QString& screenName)
{
    // hyprctl joins its arguments with spaces; hyprpaper trims the path, expands
    // a leading "~" and splits "MONITOR,PATH" at a comma: a safe path survives all that.
    const SafeImagePath picture = safeImagePath(filePath);
    if (!picture.ok())
        return DesktopResult::failure(picture.errorText);
    DesktopResult result = hyprpaper({QStringLiteral("preload"), picture.path});
    if (!result.ok)
        return result;
    // An empty monitor before the comma means every monitor.
    return hyprpaper({QStringLiteral("wallpaper"), screenName + QLatin1Char(',') + picture.path});
}
