#include "platform/desktop/CommandBackends.h"
#include "platform/desktop/Command.h"

QString X11Backend::name() const
{
    return m_tool == Tool::Xwallpaper ? QStringLiteral("xwallpaper") : QStringLiteral("feh");
}

DesktopResult X11Backend::apply(const QString& filePath, const QString& screenName)
{
    CommandResult result;
    if (m_tool == Tool::Xwallpaper) {
        QStringList arguments;
        if (!screenName.isEmpty())
            arguments << QStringLiteral("--output") << screenName;
        arguments << QStringLiteral("--zoom") << filePath;
        result = Command::run(QStringLiteral("xwallpaper"), arguments);
    } else {
        // feh cannot pick one output: --bg-fill fills every screen.
        result = Command::run(QStringLiteral("feh"), {QStringLiteral("--bg-fill"), filePath});
    }
    if (!result.ok)
        return DesktopResult::failure(result.errorText);
    return DesktopResult::success();
}
