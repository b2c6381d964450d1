// Two launches of the real executable in one session: with a session bus the
// second hands its photo (a relative path) to the first and ends; without
// one each runs on its own. Both end through SIGTERM with status 0. An owner
// that hangs makes the second launch fail, never open a window of its own.

#include "tests/app/Session.h"
#include "tests/support/Files.h"
#include "tests/support/Images.h"

#include <gtest/gtest.h>

#include <csignal>

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
        // A session with a display; Qt draws offscreen.
        const Launcher launch(dir.path(), bus ? bus->address() : "unix:path=" + dir.filePath("no-bus-here"), ":99",
                              "offscreen");
        QProcess first, second;
        launch.start(first, row.bus ? QStringList{} : QStringList{"Lake.png"});
        if (row.bus)
            ASSERT_TRUE(nameOwned(*bus));
        launch.start(second, {"--effect", "Invert", "Harbour.png"}); // the look is remembered for the window
        if (row.bus) {
            ASSERT_TRUE(second.waitForFinished(60000)); // an ASan start on a busy machine
            EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
        }
        EXPECT_TRUE(spinUntil([&] { return session.saved() == row.saved; }, 120000))
            << session.saved().join(", ").toStdString() << first.readAllStandardError().toStdString();
        EXPECT_TRUE(readFile(session.home() + "/.config/sunnyside/sunnyside.conf").contains("<string>Invert</string>"));
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
    const Launcher launch(dir.path(), bus.address(), ":99", "offscreen");
    QProcess first, second;
    launch.start(first, {});
    ASSERT_TRUE(nameOwned(bus));
    ASSERT_EQ(::kill(pid_t(first.processId()), SIGSTOP), 0); // hung: it owns the name and answers nothing
    launch.start(second, {"Harbour.png"});
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
