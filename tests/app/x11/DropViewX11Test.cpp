#include "app/SWDropView.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/app/Session.h"
#include "tests/support/EventLoop.h"
#include "tests/support/Files.h"
#include "tests/support/Images.h"
#include "tests/support/Programs.h"

#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace {

// The X server's own root picture, read by X's tools, not ours.
QImage rootPicture(const QProcessEnvironment& env)
{
    return QImage::fromData(programOutput("sh", {"-c", "xwd -root -silent | convert xwd:- png:-"}, env).value_or(""), "PNG");
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

// Files, image bytes and bitmaps dragged from another program: an X11 drag
// hands its data out only inside its events, and a photo found unusable
// refuses the drag and says why on the drop.
TEST(DropViewX11, RealDragsOfFilesBytesAndBitmapsPreviewAndSaveOrSayWhyNot)
{
    if (const QString why = whyNoX11({"xdotool", "xwallpaper", "xwd", "convert"}); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    const QString xdotool = QStandardPaths::findExecutable("xdotool");
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QTemporaryDir dir;
    QImage photo = filled(120, 90, QColor(200, 120, 60));
    QPainter paint(&photo); // three parts, so a mirrored or flipped root differs
    paint.fillRect(0, 0, 60, 90, QColor(40, 90, 180));
    paint.fillRect(60, 45, 60, 45, QColor(60, 160, 80));
    paint.end();
    ASSERT_TRUE(photo.save(dir.filePath("Canyon.jpg")) && photo.save(dir.filePath("Canyon.png")));
    const QByteArray jpeg = readFile(dir.filePath("Canyon.jpg"));
    writeFile(dir.filePath("Cut.jpg"), jpeg.left(jpeg.size() / 2));

    // problem: the words the alert gives, for a drag that must be refused.
    const struct { const char* name; QStringList args; QString saved; const char* problem; } rows[] = {
        {"file URL", {dir.filePath("Canyon.jpg")}, "Canyon.jpg", nullptr},
        {"JPEG bytes", {"--bytes", "image/jpeg", dir.filePath("Canyon.jpg")}, "Unnamed Background.jpg", nullptr},
        {"PNG bytes", {"--bytes", "image/png", dir.filePath("Canyon.png")}, "Unnamed Background.jpg", nullptr},
        {"bitmap", {"--bitmap", dir.filePath("Canyon.png")}, "Unnamed Background.jpg", nullptr},
        {"truncated file", {dir.filePath("Cut.jpg")}, {}, "the file is incomplete"},
        {"undecodable bytes", {"--bytes", "image/jpeg", dir.filePath("Cut.jpg")}, {}, "could not be read"},
    };
    UserDefaults::standardUserDefaults().registerDefaults({{"scaleUp", false}, {"showLogo", true}});
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        // The plain X server's root window, set by xwallpaper (a faked desktop adds
        // nothing here that the offscreen drop tests do not check).
        DesktopSession session; // unsets DISPLAY for the desktop's sake; the helpers keep it
        qputenv("DISPLAY", env.value("DISPLAY").toUtf8());
        Alerts alerts;
        SWDropView view;
        view.setGeometry(600, 100, 400, 358);
        view.awakeFromNib();
        view.show();
        ASSERT_TRUE(spinUntil([&] { return view.windowHandle()->isExposed(); }));
        QProcess source;
        source.setProcessEnvironment(env);
        source.start(DRAG_SOURCE, row.args);
        bool ready = false;
        ASSERT_TRUE(spinUntil([&] { return ready = ready || (source.canReadLine() && source.readLine().startsWith("ready")); }, 30000));

        // Returns at once: xdotool only queues the input.
        const auto pointer = [&](const QStringList& args) { programOutput(xdotool, args, env); };
        pointer({"mousemove", "100", "100", "mousedown", "1"});
        const QPoint target = view.mapToGlobal(QPoint(200, 150));
        int step = 0;
        const auto moveUntil = [&](const std::function<bool()>& done) {
            return spinUntil([&] {
                pointer({"mousemove", QString::number(target.x() + step % 5), QString::number(target.y() + step++ % 3)});
                return done();
            }, 30000);
        };
        if (row.problem) {
            EXPECT_TRUE(moveUntil([&] { return !view.dragProblem().isEmpty(); }));
            const int known = step;
            moveUntil([&] { return step > known + 3; }); // the source hears the refusal
        } else {
            EXPECT_TRUE(moveUntil([&] { return view.userImage; }));
        }
        pointer({"mouseup", "1"});
        EXPECT_TRUE(spinUntil([&] { return source.state() == QProcess::NotRunning && (!row.saved.isEmpty() ? !session.saved().isEmpty() : !alerts.texts.isEmpty()); }, 30000));
        EXPECT_EQ(session.saved(), row.saved.isEmpty() ? QStringList() : QStringList{row.saved});
        const Qt::DropAction answer = row.problem ? Qt::IgnoreAction : Qt::CopyAction;
        EXPECT_EQ(source.readAll().trimmed(), QByteArray("dropped ") + QByteArray::number(int(answer)));
        if (row.problem) {
            ASSERT_EQ(alerts.texts.size(), 1);
            EXPECT_TRUE(alerts.texts[0].contains(QLatin1String(row.problem))) << alerts.texts[0].toStdString();
        }
        if (QString(row.name) != "file URL")
            continue;
        view.hide(); // the root shows through once the windows are gone
        const QImage saved(session.wallpapers() + "/Canyon.jpg");
        EXPECT_TRUE(spinUntil([&] { return showsPicture(rootPicture(env), saved); }, 30000));
    }
}
