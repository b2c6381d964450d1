#include "app/SWDropView.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/app/Session.h"
#include "tests/support/EventLoop.h"

#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QWindow>

#include <gtest/gtest.h>

TEST(DropViewX11, ARealDragPreviewsAndTheDropSaves)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X server: run under xvfb-run (ctest -L x11)";
    const QString xdotool = QStandardPaths::findExecutable("xdotool");
    if (xdotool.isEmpty())
        GTEST_SKIP() << "needs xdotool (scripts/bootstrap installs it)";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    DesktopSession session; // unsets DISPLAY for the desktop's sake; the helpers keep it
    session.sway();
    QImage photo(120, 90, QImage::Format_RGB32);
    photo.fill(QColor(200, 120, 60));
    ASSERT_TRUE(photo.save(session.home() + "/Canyon.jpg"));

    UserDefaults::standardUserDefaults().registerDefaults({{"scaleUp", false}, {"showLogo", true}});
    SWDropView view;
    view.setGeometry(600, 100, 400, 358);
    view.awakeFromNib();
    view.show();
    ASSERT_TRUE(spinUntil([&] { return view.windowHandle()->isExposed(); }));
    QProcess source;
    source.setProcessEnvironment(env);
    source.start(DRAG_SOURCE, {session.home() + "/Canyon.jpg"});
    bool ready = false;
    ASSERT_TRUE(spinUntil([&] { return ready = ready || (source.canReadLine() && source.readLine().startsWith("ready")); }, 30000));

    const auto pointer = [&](const QStringList& args) { // returns at once: it only queues input
        QProcess run;
        run.setProcessEnvironment(env);
        run.start(xdotool, args);
        run.waitForFinished();
    };
    pointer({"mousemove", "100", "100", "mousedown", "1"});
    const QPoint target = view.mapToGlobal(QPoint(200, 150));
    int step = 0;
    EXPECT_TRUE(spinUntil([&] {
        pointer({"mousemove", QString::number(target.x() + step % 5), QString::number(target.y() + step++ % 3)});
        return view.userImage;
    }, 30000));
    pointer({"mouseup", "1"});
    EXPECT_TRUE(spinUntil([&] { return !session.saved().isEmpty() && source.state() == QProcess::NotRunning; }, 30000));
    EXPECT_EQ(session.saved(), QStringList{"Canyon.jpg"});
    EXPECT_EQ(source.readAll().trimmed(), QByteArray("dropped ") + QByteArray::number(int(Qt::CopyAction)));
}
