// Two launches of the real executable in one session: with a session bus the
// second hands its photo (a relative path) to the first and ends; without
// one each runs on its own. Both end through SIGTERM with status 0. An owner
// that hangs makes the second launch fail, never open a window of its own.

#include "platform/desktop/SingleInstance.h"
#include "tests/app/Session.h"
#include "tests/support/EventLoop.h"
#include "tests/support/Images.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>

namespace {

void start(QProcess& p, const QProcessEnvironment& env, const QString& dir, const QStringList& args)
{
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir);
    p.start(QCoreApplication::applicationDirPath() + "/sunnyside", args);
    ASSERT_TRUE(p.waitForStarted());
}

} // namespace

TEST(TwoLaunches, TheSecondHandsItsPhotoToTheFirstThroughTheBus)
{
    const struct { const char* name; bool bus; QStringList saved; } rows[] = {
        {"a private bus", true, {"Harbour.jpg"}},
        {"no bus", false, {"Harbour.jpg", "Lake.jpg"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DesktopSession session;
        session.sway();
        QTemporaryDir dir;
        for (const char* name : {"Harbour.png", "Lake.png"})
            ASSERT_TRUE(filled(300, 200, QColor(40, 110, 170)).save(dir.filePath(name)));
        std::optional<TestBus> bus;
        if (row.bus)
            ASSERT_TRUE(bus.emplace().isRunning());
        const QString address = bus ? bus->address() : "unix:path=" + dir.filePath("no-bus-here");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", address);
        env.insert("DISPLAY", ":99"); // a session with a display; Qt draws offscreen
        env.insert("QT_QPA_PLATFORM", "offscreen");
        // LeakSanitizer's tracer crashes on the exiting D-Bus thread; leaks are the unit tests' business.
        env.insert("ASAN_OPTIONS", "detect_leaks=0");

        QProcess first, second;
        start(first, env, dir.path(), row.bus ? QStringList{} : QStringList{"Lake.png"});
        if (row.bus) {
            QDBusConnection probe = bus->connect();
            ASSERT_TRUE(spinUntil([&] { return probe.interface()->isServiceRegistered(SingleInstance::serviceName()).value(); },
                                  60000));
        }
        start(second, env, dir.path(), {"Harbour.png"});
        if (row.bus) {
            ASSERT_TRUE(second.waitForFinished(60000)); // an ASan start on a busy machine
            EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
        }
        EXPECT_TRUE(spinUntil([&] { return session.saved() == row.saved; }, 120000))
            << session.saved().join(", ").toStdString() << first.readAllStandardError().toStdString();
        for (QProcess* p : {&first, &second}) {
            if (p->state() == QProcess::NotRunning)
                continue;
            p->terminate(); // SIGTERM: the normal quit
            ASSERT_TRUE(p->waitForFinished(30000));
            EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        }
    }
}

TEST(TwoLaunches, AnOwnerThatDoesNotAnswerMakesTheSecondFailInsteadOfOpeningASecondWindow)
{
    DesktopSession session;
    session.sway();
    QTemporaryDir dir;
    ASSERT_TRUE(filled(300, 200, QColor(40, 110, 170)).save(dir.filePath("Harbour.png")));
    TestBus bus;
    ASSERT_TRUE(bus.isRunning());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
    env.insert("DISPLAY", ":99");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    QProcess first, second;
    start(first, env, dir.path(), {});
    QDBusConnection probe = bus.connect();
    ASSERT_TRUE(spinUntil([&] { return probe.interface()->isServiceRegistered(SingleInstance::serviceName()).value(); }, 60000));
    ASSERT_EQ(::kill(pid_t(first.processId()), SIGSTOP), 0); // hung: it owns the name and answers nothing
    start(second, env, dir.path(), {"Harbour.png"});
    const bool ended = second.waitForFinished(60000);
    ::kill(pid_t(first.processId()), SIGCONT);
    ASSERT_TRUE(ended) << "the second launch went on with a window of its own";
    EXPECT_EQ(second.exitCode(), 1);
    const QString err = QString::fromUtf8(second.readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("Error: Sunnyside is already running in this session (process %1) but did not answer")
                                 .arg(first.processId())))
        << err.toStdString();
    EXPECT_TRUE(session.saved().isEmpty());
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(30000));
    EXPECT_EQ(first.exitCode(), 0);
}
