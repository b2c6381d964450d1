// The look in the real window under X: the Effects menu opened and an effect
// chosen with the keyboard, Return pressed, and the root window shows it.

#include "app/SWAppDelegate.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/app/Session.h"
#include "tests/support/EventLoop.h"
#include "tests/support/Programs.h"

#include <QStandardPaths>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

QImage rootPicture(const QProcessEnvironment& env)
{
    return QImage::fromData(programOutput("sh", {"-c", "xwd -root -silent | convert xwd:- png:-"}, env).value_or(""), "PNG");
}

// The mean difference of the middle third of two pictures, in levels.
double middleDifference(const QImage& a, const QImage& b)
{
    if (a.isNull() || a.size() != b.size())
        return -1;
    const QRect middle(a.width() / 3, a.height() / 3, a.width() / 3, a.height() / 3);
    double sum = 0;
    for (int y = middle.top(); y <= middle.bottom(); y += 4)
        for (int x = middle.left(); x <= middle.right(); x += 4) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            sum += std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) + std::abs(p.blue() - q.blue());
        }
    return sum / (3.0 * (middle.width() / 4 + 1) * (middle.height() / 4 + 1));
}

} // namespace

TEST(LookX11, AnEffectChosenFromTheKeyboardAndReturnStyleTheRootWindow)
{
    if (const QString why = whyNoX11({"xdotool", "xwallpaper", "xwd", "convert"}); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    const QString xdotool = QStandardPaths::findExecutable("xdotool");
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    DesktopSession session; // unsets DISPLAY for the desktop's sake; the helpers keep it
    qputenv("DISPLAY", env.value("DISPLAY").toUtf8());
    UserDefaults::standardUserDefaults().removeObjectForKey("look");
    SWAppDelegate::registerClasses();
    SWAppDelegate delegate;
    ASSERT_TRUE(delegate.loadMainWindow());
    delegate.window()->show();
    delegate.window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(delegate.window()));
    const auto keys = [&](const QStringList& names) { // into the window: no window manager gives it the focus back
        const QString window = QString::number(delegate.window()->winId());
        programOutput(xdotool, QStringList{"windowfocus", "--sync", window, "key", "--delay", "100"} + names, env);
    };

    keys({"Return"}); // the sample, plain
    ASSERT_TRUE(spinUntil([&] { return session.saved().size() == 1; }, 30000));
    delegate.window()->hide(); // the root shows through
    QImage plain;
    ASSERT_TRUE(spinUntil([&] { return !(plain = rootPicture(env)).isNull(); }, 30000));
    delegate.window()->show();
    delegate.window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(delegate.window()));

    keys({"alt+c"}); // Effe_cts
    ASSERT_TRUE(spinUntil([&] { return delegate.effectsMenu()->isVisible(); }, 30000));
    keys({"Return"}); // the first entry, highlighted by the keyboard's opening
    ASSERT_TRUE(spinUntil([&] { return delegate.lookEditor().look().effects.size() == 1; }, 30000));
    ASSERT_TRUE(spinUntil([&] { return delegate.lookPanel()->isShown(); }, 30000));
    keys({"Return"});
    ASSERT_TRUE(spinUntil([&] { return session.saved().size() == 2; }, 30000));
    delegate.window()->hide();
    EXPECT_TRUE(spinUntil([&] { return middleDifference(rootPicture(env), plain) > 15; }, 30000))
        << "the root window still shows the plain wallpaper";
    UserDefaults::standardUserDefaults().removeObjectForKey("look");
}
