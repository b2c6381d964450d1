// Launches of the real executable on an X server, one session bus: a photo
// handed to the running window while (or because) it shows an alert must
// not keep the later launch waiting, nor make it open a window of its own.

#include "tests/app/Session.h"
#include "tests/support/Files.h"
#include "tests/support/Images.h"
#include "tests/support/Programs.h"

#include <QGuiApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

TEST(SingleInstanceX11, AnAlertInTheRunningWindowNeitherBlocksNorDoublesLaterLaunches)
{
    if (const QString why = whyNoX11({"xdotool"}); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    const QString xdotool = QStandardPaths::findExecutable("xdotool");
    const QString display = qEnvironmentVariable("DISPLAY"); // DesktopSession unsets it
    DesktopSession session;
    TestBus bus;
    ASSERT_TRUE(bus.isRunning());
    QTemporaryDir dir;
    const QImage photo = filled(300, 200, QColor(40, 110, 170));
    ASSERT_TRUE(photo.save(dir.filePath("Good.png")) && photo.save(dir.filePath("Whole.jpg")));
    const QByteArray jpeg = readFile(dir.filePath("Whole.jpg"));
    writeFile(dir.filePath("Cut.jpg"), jpeg.left(jpeg.size() / 2));
    const Launcher launch(dir.path(), bus.address(), display, "xcb", "detect_leaks=0:strict_string_checks=0");
    const auto windowsNamed = [&](const QString& name) {
        const QByteArray found = programOutput(xdotool, {"search", "--onlyvisible", "--name", name}, launch.env).value_or("");
        return QString::fromLatin1(found).split('\n', Qt::SkipEmptyParts);
    };

    QProcess first, second, third;
    launch.start(first, {});
    ASSERT_TRUE(nameOwned(bus));
    // The cut photo makes the running window alert; this launch is done at once.
    launch.start(second, {"Cut.jpg"});
    ASSERT_TRUE(second.waitForFinished(60000)) << "the second launch went on with a window of its own";
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    QStringList alerts;
    ASSERT_TRUE(spinUntil([&] { return !(alerts = windowsNamed("^Problem creating Wallpaper")).isEmpty(); }, 60000));
    // While the alert is up another photo comes: taken, and made once the alert is gone.
    launch.start(third, {"Good.png"});
    ASSERT_TRUE(third.waitForFinished(60000)) << "the third launch went on with a window of its own";
    EXPECT_EQ(third.exitCode(), 0) << third.readAllStandardError().toStdString();
    EXPECT_EQ(alerts.size(), 1);
    programOutput(xdotool, {"windowfocus", "--sync", alerts.first(), "key", "Return"}, launch.env);
    EXPECT_TRUE(spinUntil([&] { return session.saved() == QStringList{"Good.jpg"}; }, 60000))
        << session.saved().join(", ").toStdString() << first.readAllStandardError().toStdString();
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(30000));
    EXPECT_EQ(first.exitCode(), 0) << first.readAllStandardError().toStdString();
}
