#include "app/SWDropView.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/app/Session.h"
#include "tests/support/EventLoop.h"
#include "tests/support/Images.h"

#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The X server's own root picture, read by X's tools, not ours.
QImage rootPicture(const QProcessEnvironment& env)
{
    QProcess grab;
    grab.setProcessEnvironment(env);
    grab.start("sh", {"-c", "xwd -root -silent | convert xwd:- png:-"});
    grab.waitForFinished(30000);
    return QImage::fromData(grab.readAllStandardOutput(), "PNG");
}

// Whether the screen shows `picture` zoomed to fill it, compared in coarse
// cells so that scaling filters and JPEG noise do not matter.
bool showsPicture(const QImage& screen, const QImage& picture)
{
    if (screen.isNull() || picture.isNull())
        return false;
    const QImage filled = picture.scaled(screen.size(), Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    const QRect middle(QPoint((filled.width() - screen.width()) / 2, (filled.height() - screen.height()) / 2), screen.size());
    const QSize cells(16, 10);
    const QImage a = screen.scaled(cells, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage b = filled.copy(middle).scaled(cells, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    for (int y = 0; y < cells.height(); ++y)
        for (int x = 0; x < cells.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            if (std::abs(p.red() - q.red()) > 20 || std::abs(p.green() - q.green()) > 20 || std::abs(p.blue() - q.blue()) > 20)
                return false;
        }
    return true;
}

} // namespace

TEST(DropViewX11, ARealDragPreviewsAndTheDropSaves)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X server: run under xvfb-run (ctest -L x11)";
    const QString xdotool = QStandardPaths::findExecutable("xdotool");
    if (xdotool.isEmpty())
        GTEST_SKIP() << "needs xdotool (scripts/bootstrap installs it)";
    for (const char* tool : {"xwallpaper", "xwd", "convert"})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            GTEST_SKIP() << "needs " << tool << " (scripts/bootstrap installs it)";
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The plain X server's root window, set by xwallpaper (a faked desktop adds
    // nothing here that the offscreen drop tests do not check).
    DesktopSession session; // unsets DISPLAY for the desktop's sake; the helpers keep it
    qputenv("DISPLAY", env.value("DISPLAY").toUtf8());
    QImage photo = filled(120, 90, QColor(200, 120, 60));
    QPainter paint(&photo); // three parts, so a mirrored or flipped root differs
    paint.fillRect(0, 0, 60, 90, QColor(40, 90, 180));
    paint.fillRect(60, 45, 60, 45, QColor(60, 160, 80));
    paint.end();
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
    view.hide(); // the root shows through once the windows are gone
    const QImage saved(session.wallpapers() + "/Canyon.jpg");
    EXPECT_TRUE(spinUntil([&] { return showsPicture(rootPicture(env), saved); }, 30000));
}
