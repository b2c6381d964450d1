#include "platform/desktop/CommandBackends.h"
#include "platform/desktop/Command.h"

QString X11Backend::name() const
{
    return m_tool == Tool::Xwallpaper ? QStringLiteral("xwallpaper") : QStringLiteral("feh");
}

Result<> X11Backend::apply(const QString& filePath, const QString& screenName)
{
    QString program = QStringLiteral("xwallpaper");
    QStringList arguments;
    if (m_tool == Tool::Xwallpaper) {
        if (!screenName.isEmpty())
            arguments << QStringLiteral("--output") << screenName;
        arguments << QStringLiteral("--zoom") << filePath;
    } else {
        // feh cannot pick one output: --bg-fill fills every screen.
        program = QStringLiteral("feh");
        arguments << QStringLiteral("--bg-fill") << filePath;
    }
    const Result<QString> result = Command::run(program, arguments);
    if (!result.ok())
        return Result<>::failure(result.reason());
    return Result<>::success();
}
