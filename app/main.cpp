// Sunnyside's entry: a command-line job, or (later) the main window.

#include "app/CommandLine.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <memory>

namespace {

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char* argv[])
{
    Log::setUp();
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    // --apply needs the screens when there are any; everything else runs
    // without a display connection.
    std::unique_ptr<QCoreApplication> app;
    if (arguments.contains(QStringLiteral("--apply")) && hasDisplay())
        app = std::make_unique<QGuiApplication>(argc, argv);
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
