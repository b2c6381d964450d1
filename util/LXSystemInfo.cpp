#include "util/LXSystemInfo.h"

#include "platform/desktop/Alert.h"
#include "platform/desktop/Workspace.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/MachineFacts.h"
#include "platform/image/CIContext.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QUrl>

namespace {

QByteArray escaped(const QString& text, const QByteArray& keep = {})
{
    // Only unreserved characters stay; "&", "=", "?", "#" and "+" would
    // otherwise end the field or add header fields.
    return text.toUtf8().toPercentEncoding(keep, QByteArray("~"));
}

QString orUnknown(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("unknown") : text;
}

} // namespace

QString LXSystemInfo::appName()
{
    return QCoreApplication::applicationName();
}

QString LXSystemInfo::appVersion()
{
    return Bundle::mainBundle().objectForInfoDictionaryKey(QStringLiteral("CFBundleVersion")).toString();
}

QString LXSystemInfo::modelIdentifier()
{
    const QString model = MachineFacts::deviceModel();
    return model.isEmpty() ? QString() : model;
}

QString LXSystemInfo::systemReport()
{
    const QString os = QStringLiteral("%1 (Linux %2 %3)")
                           .arg(orUnknown(MachineFacts::osPrettyName()), MachineFacts::kernelRelease(),
                                MachineFacts::machine());
    QStringList lines = {
        appName() + QLatin1Char(' ') + appVersion(),
        QStringLiteral("OS Version: ") + os,
        QStringLiteral("Device: ") + orUnknown(modelIdentifier()),
        QStringLiteral("Processors: %1").arg(MachineFacts::processorCount()),
        QStringLiteral("Total RAM: %1").arg(MachineFacts::physicalMemory()),
        QStringLiteral("Qt: %1 (%2)").arg(QString::fromLatin1(qVersion()), orUnknown(QGuiApplication::platformName())),
        QStringLiteral("Desktop: %1 (%2)")
            .arg(orUnknown(MachineFacts::printableAscii(qgetenv("XDG_CURRENT_DESKTOP"))),
                 orUnknown(MachineFacts::printableAscii(qgetenv("XDG_SESSION_TYPE")))),
        QStringLiteral("OpenGL: %1 (%2)").arg(orUnknown(CIContext::rendererName()), orUnknown(CIContext::rendererVersion())),
    };
    return lines.join(QLatin1Char('\n')) + QStringLiteral("\n\n");
}

QByteArray LXSystemInfo::feedbackAddress(const QString& recipient, const QString& subject, const QString& body)
{
    return "mailto:" + escaped(recipient, "@") + "?SUBJECT=" + escaped(subject) + "&BODY=" + escaped(body);
}

bool LXSystemInfo::sendFeedbackTo(const QString& recipient)
{
    const QString to = recipient.isNull()
        ? Bundle::mainBundle().objectForInfoDictionaryKey(QStringLiteral("SWFeedbackAddress")).toString()
        : recipient;
    const QString subject = QStringLiteral("%1 %2 Feedback").arg(appName(), appVersion());
    const QString body = QStringLiteral("\nWe are constantly improving our products. Your feedback is precious. "
                                        "Help us improve.\n\n") + systemReport();
    const QUrl url = QUrl::fromEncoded(feedbackAddress(to, subject, body), QUrl::StrictMode);
    if (Workspace::openURL(url))
        return true;
    Log::line(lcUtil, QStringLiteral("Warning: no mail program opened the feedback mail to %1").arg(to));
    const Bundle& bundle = Bundle::mainBundle();
    Alert::show(bundle.localizedString(QStringLiteral("Could not open the mail program")),
                bundle.localizedString(QStringLiteral("Please write your feedback to %@.")).replace(QLatin1String("%@"), to));
    return false;
}
