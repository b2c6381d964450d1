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

Result<> SwayBackend::apply(const QString& filePath, const QString& screenName)
{
    // sway expands the background path like a shell word (variables, command
    // substitution, globs): no quoting survives that, so it gets a safe path.
    const Result<QString> picture = safeImagePath(filePath);
    if (!picture.ok())
        return Result<>::failure(picture.reason());
    const QString output = screenName.isEmpty()      ? QStringLiteral("*")
                           : isSafePath(screenName) ? screenName
                                                    : swayQuoted(screenName);
    const Result<QString> result = Command::run(QStringLiteral("swaymsg"),
        {QStringLiteral("output"), output, QStringLiteral("bg"), picture.value(), QStringLiteral("fill")});
    if (!result.ok())
        return Result<>::failure(result.reason());
    return Result<>::success();
}
