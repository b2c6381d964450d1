// Sunnyside's entry: a command-line job, a photo opened from the file
// manager (made the wallpaper at once), or (later) the main window.

#include "app/CommandLine.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>

#include <memory>

namespace {

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// The platforms to try for --apply's screens: the one asked for or the
// session's, then "offscreen" (no screens: the default size), so that a
// missing or failing platform plugin cannot abort the command.
QByteArray platformsToTry()
{
    QByteArray wanted = qgetenv("QT_QPA_PLATFORM");
    if (wanted.isEmpty()) {
        QByteArrayList session;
        if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            session << "wayland"; // native connector names, as the compositor's tools use them
        if (!qEnvironmentVariableIsEmpty("DISPLAY"))
            session << "xcb";
        wanted = session.join(';');
    }
    return wanted.split(';').contains("offscreen") ? wanted : wanted + ";offscreen";
}

template <class App>
std::unique_ptr<App> makeGuiApplication(int& argc, char** argv)
{
    const QByteArray saved = qgetenv("QT_QPA_PLATFORM");
    const bool wasSet = qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    const QByteArray platforms = platformsToTry();
    qputenv("QT_QPA_PLATFORM", platforms);
    // The plugins' own complaints about a display they cannot reach: our one line says it.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.qpa.*=false\ndefault=false"));
    auto app = std::make_unique<App>(argc, argv);
    QLoggingCategory::setFilterRules(QString());
    if (wasSet)
        qputenv("QT_QPA_PLATFORM", saved);
    else
        qunsetenv("QT_QPA_PLATFORM");

    const QByteArray first = platforms.split(';').first();
    if (QGuiApplication::platformName() == QLatin1String("offscreen") && first != "offscreen")
        Log::line(lcApp, QStringLiteral("Warning: cannot reach the display through Qt's %1 platform; "
                                        "making the wallpaper for a 2560 x 1600 screen")
                             .arg(QString::fromLatin1(first)));
    return app;
}

} // namespace

int main(int argc, char* argv[])
{
    Log::setUp();
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    // A photo opened from the file manager becomes the wallpaper, with its
    // alerts on screen since nobody reads a terminal there.
    const QString photo = CommandLine::photoToOpen(arguments);
    if (!photo.isEmpty())
        arguments = QStringList{arguments.first(), QStringLiteral("--apply"), photo};

    // --apply needs the screens when there are any; everything else runs
    // without a display connection.
    std::unique_ptr<QCoreApplication> app;
    if (!photo.isEmpty() && hasDisplay())
        app = makeGuiApplication<QApplication>(argc, argv);
    else if (arguments.contains(QStringLiteral("--apply")) && hasDisplay())
        app = makeGuiApplication<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    Application::installTerminationNotice();

    const QVariantMap info = Bundle::mainBundle().infoDictionary();
    QCoreApplication::setApplicationName(info.value(QStringLiteral("CFBundleName"), QStringLiteral("Sunnyside")).toString());
    QCoreApplication::setApplicationVersion(info.value(QStringLiteral("CFBundleVersion")).toString());
    UserDefaults::standardUserDefaults().registerDefaults({{QStringLiteral("scaleUp"), false}, {QStringLiteral("showLogo"), true}});

    int status = CommandLine::run(arguments);
    if (status == CommandLine::kNotACommand) {
        // The window comes with the drop view's drawing; until then, say what we are.
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()), qPrintable(QCoreApplication::applicationVersion()));
        status = QCoreApplication::applicationVersion().isEmpty() ? 1 : 0; // the bundle's error line says why
    }
    Application::postWillTerminate();
    return status;
}
