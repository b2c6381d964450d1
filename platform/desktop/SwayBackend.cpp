#include "platform/desktop/CommandBackends.h"
#include "platform/desktop/Command.h"
#include "platform/desktop/SafeImagePath.h"

namespace {

// swaymsg joins its arguments into one sway command, which sway splits again
// at spaces, commas and semicolons outside quotes.
QString swayQuoted(QString text)
{
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

DesktopResult SwayBackend::apply(const QString& filePath, const QString& screenName)
{
    // sway expands the background path like a shell word (variables, command
    // substitution, globs): no quoting survives that, so it gets a safe path.
    const SafeImagePath picture = safeImagePath(filePath);
    if (!picture.ok())
        return DesktopResult::failure(picture.errorText);
    const QString output = screenName.isEmpty()      ? QStringLiteral("*")
                           : isSafePath(screenName) ? screenName
                                                    : swayQuoted(screenName);
    const CommandResult result = Command::run(QStringLiteral("swaymsg"),
        {QStringLiteral("output"), output, QStringLiteral("bg"), picture.path, QStringLiteral("fill")});
    if (!result.ok)
        return DesktopResult::failure(result.errorText);
    return DesktopResult::success();
}
