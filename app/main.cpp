// Sunnyside's entry: a command-line job, or the main window (with the photos
// given to it, or handed to the window already running in this session).

#include "app/CommandLine.h"
#include "app/LookArguments.h"
#include "app/SWAppDelegate.h"
#include "platform/desktop/SingleInstance.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/MainQueue.h"
#include "platform/foundation/UserDefaults.h"
#include "util/LXFontLoader.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QIcon>
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

// libjpeg's own words on a damaged photo: our alert or "Error: " line says it.
const QString kQuietRules = QStringLiteral("qt.gui.imageio.jpeg.warning=false");

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
    QLoggingCategory::setFilterRules(kQuietRules);
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

void nameApplication()
{
    const QVariantMap info = Bundle::mainBundle().infoDictionary();
    QCoreApplication::setApplicationName(info.value(QStringLiteral("CFBundleName"), QStringLiteral("Sunnyside")).toString());
    QCoreApplication::setApplicationVersion(info.value(QStringLiteral("CFBundleVersion")).toString());
}

// The main window, with `photos` applied in turn once it is shown.
int runWindow(int& argc, char** argv, const QStringList& arguments, const QStringList& photos, bool askRating)
{
    auto app = makeGuiApplication<QApplication>(argc, argv);
    if (QGuiApplication::platformName() == QLatin1String("offscreen") && qgetenv("QT_QPA_PLATFORM") != "offscreen") {
        Log::line(lcApp, QStringLiteral("Error: cannot open the window: the display cannot be reached. "
                                        "Without a window: sunnyside --apply PHOTO, or --render (see --help)"));
        return 1;
    }
    Application::installTerminationNotice();
    Application::quitOnTerminationSignals();
    nameApplication();
    QGuiApplication::setDesktopFileName(QStringLiteral(SUNNYSIDE_APP_ID));
    QGuiApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(SUNNYSIDE_APP_ID),
        QIcon(Bundle::mainBundle().pathForResource(QStringLiteral("AppIcon"), QStringLiteral("svg")))));
    SWAppDelegate::registerDefaults();

    // A look given with the photos becomes the remembered one before any
    // window (this one or the one running) applies them.
    if (!LookArguments::lookArgumentsIn(arguments).isEmpty()) {
        const Result<Look> look = LookArguments::lookFrom(arguments);
        if (!look.ok()) {
            Log::line(lcApp, QStringLiteral("Error: ") + look.reason());
            return 1;
        }
        look.value().saveToUserDefaults();
    }

    QList<QUrl> urls;
    for (const QString& photo : photos)
        urls << QUrl::fromLocalFile(photo);
    SingleInstance* instance = nullptr;
    SingleInstance::Role role = SingleInstance::claim(&instance);
    if (role == SingleInstance::Role::Secondary) {
        // Never a second window beside a running one: its alerts would hide the first's.
        SingleInstance::HandOver handed = SingleInstance::handOver(urls);
        if (handed == SingleInstance::HandOver::OwnerGone) {
            role = SingleInstance::claim(&instance);
            if (role == SingleInstance::Role::Secondary)
                handed = SingleInstance::handOver(urls);
        }
        if (handed == SingleInstance::HandOver::Taken)
            return 0;
        if (role == SingleInstance::Role::Secondary) {
            if (handed == SingleInstance::HandOver::OwnerGone)
                Log::line(lcApp, QStringLiteral("Error: other Sunnyside windows were opening and closing meanwhile; "
                                                "try again"));
            return 1; // the "Error: " line says why
        }
    }

    SWAppDelegate::registerClasses();
    LXFontLoader::loadFontsBundle();
    SWAppDelegate delegate;
    if (!delegate.loadMainWindow())
        return 1;
    if (instance) {
        QObject::connect(instance, &SingleInstance::openRequested, &delegate, [&delegate](const QList<QUrl>& more) {
            // A look the other launch remembered may not have been seen yet.
            UserDefaults::standardUserDefaults().synchronize();
            for (const QUrl& url : more)
                delegate.useImageURL(url);
        });
        QObject::connect(instance, &SingleInstance::activateRequested, &delegate, &SWAppDelegate::activate);
    }
    delegate.window()->show();
    delegate.applicationDidFinishLaunching();
    // Only a launch that opens the window counts towards asking for a review.
    delegate.askForRating(askRating);
    // The screen is known once the window is shown (on Wayland only then).
    MainQueue::async([&delegate, urls] {
        for (const QUrl& url : urls)
            delegate.useImageURL(url);
    });
    const int status = app->exec();
    Application::postWillTerminate();
    return status;
}

} // namespace

int main(int argc, char* argv[])
{
    Log::setUp();
    QLoggingCategory::setFilterRules(kQuietRules);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    // "sunnyside [PHOTO...]" opens the window; without a display a photo
    // still becomes the wallpaper, with its alerts on standard error.
    std::optional<QStringList> photos = CommandLine::photosToOpen(arguments, QDir::currentPath());
    if (photos && hasDisplay())
        return runWindow(argc, argv, arguments, *photos, CommandLine::asksForRating(arguments));
    if (photos && photos->isEmpty()) {
        std::fprintf(stderr, "Sunnyside's window needs a graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                             "Without a window: sunnyside --apply PHOTO makes PHOTO the wallpaper,\n"
                             "sunnyside --render PHOTO --size WxH --output FILE writes the picture (see --help).\n");
        return 1;
    }

    // --apply needs the screens when there are any; everything else runs
    // without a display connection.
    std::unique_ptr<QCoreApplication> app;
    if (arguments.contains(QStringLiteral("--apply")) && hasDisplay())
        app = makeGuiApplication<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    Application::installTerminationNotice();
    nameApplication();
    SWAppDelegate::registerDefaults();

    int status = 0;
    if (photos && !LookArguments::lookArgumentsIn(arguments).isEmpty()) {
        if (const Result<Look> look = LookArguments::lookFrom(arguments); !look.ok()) {
            Log::line(lcApp, QStringLiteral("Error: ") + look.reason()); // once, not per photo
            photos.reset();
            status = 1;
        }
    }
    if (photos) {
        for (const QString& photo : *photos) {
            const int one = CommandLine::run(QStringList{arguments.first(), QStringLiteral("--apply"), photo}
                                             + LookArguments::lookArgumentsIn(arguments));
            status = status ? status : one;
        }
    } else if (status == 0) {
        status = CommandLine::run(arguments);
        if (status == CommandLine::kNotACommand) {
            std::fprintf(stderr, "These options go with --render or --apply (see --help).\n");
            status = 1;
        }
    }
    Application::postWillTerminate();
    return status;
}
