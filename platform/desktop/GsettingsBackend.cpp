#include "platform/desktop/CommandBackends.h"
#include "platform/desktop/Command.h"

#include "platform/foundation/Log.h"

#include <QUrl>

namespace {

// gsettings parses the value as GVariant text: a string literal in single quotes.
QString gvariantString(QString text)
{
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

Result<QString> gsettingsSet(const QString& schema, const QString& key, const QString& value)
{
    return Command::run(QStringLiteral("gsettings"), {QStringLiteral("set"), schema, key, gvariantString(value)});
}

} // namespace

QString GsettingsBackend::name() const
{
    switch (m_desktop) {
    case Desktop::Gnome: return QStringLiteral("GNOME");
    case Desktop::Cinnamon: return QStringLiteral("Cinnamon");
    case Desktop::Mate: return QStringLiteral("MATE");
    }
    return {};
}

Result<> GsettingsBackend::apply(const QString& filePath, const QString& screenName)
{
    Q_UNUSED(screenName) // these desktops have one picture for all screens
    const QString uri = QUrl::fromLocalFile(filePath).toString(QUrl::FullyEncoded);
    QString schema;
    QList<std::pair<QString, QString>> keys; // key, value, in the order they are set
    switch (m_desktop) {
    case Desktop::Gnome:
        schema = QStringLiteral("org.gnome.desktop.background");
        keys = {{QStringLiteral("picture-options"), QStringLiteral("zoom")},
                {QStringLiteral("picture-uri"), uri},
                {QStringLiteral("picture-uri-dark"), uri}};
        break;
    case Desktop::Cinnamon:
        schema = QStringLiteral("org.cinnamon.desktop.background");
        keys = {{QStringLiteral("picture-options"), QStringLiteral("zoom")},
                {QStringLiteral("picture-uri"), uri}};
        break;
    case Desktop::Mate:
        schema = QStringLiteral("org.mate.background");
        keys = {{QStringLiteral("picture-options"), QStringLiteral("zoom")},
                {QStringLiteral("picture-filename"), filePath}};
        break;
    }

    for (const auto& [key, value] : std::as_const(keys)) {
        const Result<QString> result = gsettingsSet(schema, key, value);
        // GNOME before version 42 has no dark-style picture; the light one is all it shows.
        if (!result.ok() && key == QLatin1String("picture-uri-dark") && result.reason().contains(QLatin1String("No such key")))
            continue;
        if (!result.ok())
            return Result<>::failure(result.reason());
    }

    if (m_screens.size() > 1)
        Log::line(lcDesktop, QStringLiteral("Warning: %1 has one desktop picture for all screens; "
                                            "the picture is set for all %2 screens")
                                 .arg(name())
                                 .arg(m_screens.size()));
    return Result<>::success();
}
