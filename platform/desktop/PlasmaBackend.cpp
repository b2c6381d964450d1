#include "platform/desktop/DBusBackends.h"
#include "platform/desktop/DBusCall.h"

#include <QUrl>

namespace {

// A JavaScript string literal; the URL is already ASCII, but nothing is trusted.
QString jsString(const QString& text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\') + c;
        else if (c.unicode() < 0x20 || c.unicode() == 0x2028 || c.unicode() == 0x2029)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + QLatin1Char('"');
}

// Plasma reports an exception thrown by the script as an error reply.
QString plasmaScript(const QString& imageUrl, int screen)
{
    return QStringLiteral(
               "var image = %1;\n"
               "var screen = %2; // -1: every screen\n"
               "var changed = 0;\n"
               "var all = desktops();\n"
               "for (var i = 0; i < all.length; ++i) {\n"
               "    var d = all[i];\n"
               "    if (screen >= 0 && d.screen != screen)\n"
               "        continue;\n"
               "    d.wallpaperPlugin = \"org.kde.image\";\n"
               "    d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
               "    d.writeConfig(\"Image\", image);\n"
               "    ++changed;\n"
               "}\n"
               "if (changed == 0)\n"
               "    throw new Error(\"Plasma has no desktop on screen \" + screen);\n")
        // One pass: a second arg() would take the URL's "%0A" for a place marker.
        .arg(jsString(imageUrl), QString::number(screen));
}

} // namespace

Result<> PlasmaBackend::apply(const QString& filePath, const QString& screenName)
{
    int screen = -1;
    if (!screenName.isEmpty()) {
        screen = int(m_screens.indexOf(screenName));
        if (screen < 0)
            return Result<>::failure(QStringLiteral("there is no screen named %1").arg(screenName));
    }

    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
        QStringLiteral("org.kde.PlasmaShell"), QStringLiteral("evaluateScript"));
    message << plasmaScript(QUrl::fromLocalFile(filePath).toString(QUrl::FullyEncoded), screen);

    const QDBusMessage reply = DBusCall::call(m_bus, message, callTimeoutMs);
    if (DBusCall::isTimeout(reply))
        return Result<>::failure(QStringLiteral("Plasma did not answer within %1 seconds").arg(callTimeoutMs / 1000));
    if (reply.type() == QDBusMessage::ErrorMessage)
        return Result<>::failure(QStringLiteral("Plasma did not take the picture: %1").arg(DBusCall::errorText(reply)));
    return Result<>::success();
}
