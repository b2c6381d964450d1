#include "platform/desktop/CommandBackends.h"
#include "platform/desktop/Command.h"

#include <QRegularExpression>

namespace {
const QString channel = QStringLiteral("xfce4-desktop");
}

Result<> XfceBackend::apply(const QString& filePath, const QString& screenName)
{
    const Result<QString> listed = Command::run(QStringLiteral("xfconf-query"), {QStringLiteral("-c"), channel, QStringLiteral("-l")});
    if (!listed.ok())
        return Result<>::failure(listed.reason());

    // /backdrop/screen0/monitorHDMI-1/workspace2/last-image: one per monitor and workspace.
    const QString monitor = screenName.isEmpty() ? QStringLiteral("[^/]+") : QRegularExpression::escape(screenName);
    const QRegularExpression pattern(QStringLiteral("^/backdrop/screen\\d+/monitor%1/workspace\\d+/last-image$").arg(monitor));
    QStringList properties;
    const QStringList lines = listed.value().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        if (pattern.match(line.trimmed()).hasMatch())
            properties << line.trimmed();
    }
    if (properties.isEmpty()) {
        const QStringList monitors = screenName.isEmpty() ? m_screens : QStringList{screenName};
        if (monitors.isEmpty())
            return Result<>::failure(QStringLiteral("Xfce lists no monitor to set the picture on"));
        for (const QString& name : monitors)
            properties << QStringLiteral("/backdrop/screen0/monitor%1/workspace0/last-image").arg(name);
    }

    for (const QString& property : std::as_const(properties)) {
        // -n -t string creates the property when it is missing and sets it otherwise.
        const Result<QString> set = Command::run(QStringLiteral("xfconf-query"),
            {QStringLiteral("-c"), channel, QStringLiteral("-p"), property, QStringLiteral("-n"),
             QStringLiteral("-t"), QStringLiteral("string"), QStringLiteral("-s"), filePath});
        if (!set.ok())
            return Result<>::failure(set.reason());
    }
    return Result<>::success();
}
