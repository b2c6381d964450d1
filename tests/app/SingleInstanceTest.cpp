// Two launches of the real executable in one session: with a session bus the
// second hands its photo (a relative path) to the first and ends; without
// one each runs on its own. Both end through SIGTERM with status 0.

#include "platform/desktop/SingleInstance.h"
#include "tests/app/Session.h"
#include "tests/support/EventLoop.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct Row {
    const char* row;
    bool bus;
    QStringList saved;
};

class TwoLaunches : public ::testing::TestWithParam<Row> {};

void start(QProcess& p, const QProcessEnvironment& env, const QString& dir, const QStringList& args)
{
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir);
    p.start(QCoreApplication::applicationDirPath() + "/sunnyside", args);
    ASSERT_TRUE(p.waitForStarted());
}

} // namespace

TEST_P(TwoLaunches, TheSecondHandsItsPhotoToTheFirst)
{
    DesktopSession session;
    session.sway();
    QTemporaryDir dir;
    for (const char* name : {"Harbour.png", "Lake.png"}) {
        QImage image(300, 200, QImage::Format_RGB32);
        image.fill(QColor(40, 110, 170));
        ASSERT_TRUE(image.save(dir.filePath(name)));
    }
    QProcess daemon;
    QString address = "unix:path=" + dir.filePath("no-bus-here");
    if (GetParam().bus) {
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        ASSERT_TRUE(daemon.waitForReadyRead(10000)) << "dbus-daemon did not start";
        address = QString::fromUtf8(daemon.readLine()).trimmed();
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", address);
    env.insert("DISPLAY", ":99"); // a session with a display; Qt draws offscreen
    env.insert("QT_QPA_PLATFORM", "offscreen");
    // LeakSanitizer's tracer crashes on the exiting D-Bus thread; leaks are the unit tests' business.
    env.insert("ASAN_OPTIONS", "detect_leaks=0");

    QProcess first, second;
    start(first, env, dir.path(), GetParam().bus ? QStringList{} : QStringList{"Lake.png"});
    if (GetParam().bus) {
        QDBusConnection probe = QDBusConnection::connectToBus(address, "probe");
        ASSERT_TRUE(spinUntil([&] { return probe.interface()->isServiceRegistered(SingleInstance::serviceName()).value(); },
                              60000));
    }
    start(second, env, dir.path(), {"Harbour.png"});
    if (GetParam().bus) {
        ASSERT_TRUE(second.waitForFinished(60000)); // an ASan start on a busy machine
        EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    }
    EXPECT_TRUE(spinUntil([&] { return session.saved() == GetParam().saved; }, 120000))
        << session.saved().join(", ").toStdString() << first.readAllStandardError().toStdString();
    for (QProcess* p : {&first, &second}) {
        if (p->state() == QProcess::NotRunning)
            continue;
        p->terminate(); // SIGTERM: the normal quit
        ASSERT_TRUE(p->waitForFinished(30000));
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
    daemon.kill();
    daemon.waitForFinished();
}

INSTANTIATE_TEST_SUITE_P(Sessions, TwoLaunches,
                         ::testing::Values(Row{"PrivateBus", true, {"Harbour.jpg"}},
                                           Row{"NoBus", false, {"Harbour.jpg", "Lake.jpg"}}),
                         [](const auto& info) { return std::string(info.param.row); });
