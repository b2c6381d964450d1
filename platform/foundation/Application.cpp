#include "platform/foundation/Application.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace Application {

void installTerminationNotice()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] { postWillTerminate(); });
}

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    // Only async-signal-safe calls here: the loop does the rest.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

} // namespace

void quitOnTerminationSignals()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || signalPipe[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0) {
        Log::line(lcFoundation, QStringLiteral("Warning: cannot watch for termination signals: %1")
                                    .arg(QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, [] {
        char bytes[16];
        while (::read(signalPipe[1], bytes, sizeof bytes) > 0) {
        }
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

void postWillTerminate()
{
    static bool posted = false;
    if (posted)
        return;
    posted = true;
    NotificationCenter::defaultCenter().post(kApplicationWillTerminateNotification);
}

QString temporaryDirectory()
{
    const QString path = QDir::tempPath() + QStringLiteral("/sunnyside-%1").arg(::getuid());
    const QFileInfo info(path);
    if (info.isDir() && info.ownerId() == ::getuid())
        return path;
    if (!info.exists() && QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return path;
    Log::line(lcFoundation, QStringLiteral("Warning: cannot use the temporary folder %1; using %2")
                                .arg(path, QDir::tempPath()));
    return QDir::tempPath();
}

} // namespace Application
