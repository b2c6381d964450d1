#include "platform/desktop/CommandBackends.h"
#include "platform/desktop/Command.h"

namespace {

// swaymsg joins its arguments into one sway command, which sway splits again
// at spaces, commas and semicolons outside quotes: the path goes in double quotes.
QString swayQuoted(QString text)
{
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

DesktopResult SwayBackend::apply(const QString& filePath, const QString& screenName)
{
    const QString output = screenName.isEmpty() ? QStringLiteral("*") : screenName;
    const CommandResult result = Command::run(QStringLiteral("swaymsg"),
        {QStringLiteral("output"), output, QStringLiteral("bg"), swayQuoted(filePath), QStringLiteral("fill")});
    if (!result.ok)
        return DesktopResult::failure(result.errorText);
    return DesktopResult::success();
}
