// Two launches of the real executable in one session: with a session bus the
// second hands its photo (a relative path) to the first and ends; without
// one each runs on its own. Both end through SIGTERM with status 0.

#include "platform/desktop/SingleInstance.h"
#include "tests/app/Session.h"
#include "tests/support/EventLoop.h"
#include "tests/support/Images.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QProcess>

#include <gtest/gtest.h>

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
