// The main window's delegate: the corner buttons' cycle, their turned
// shapes, and quitting while the about box is open.

#include "app/SWAppDelegate.h"
#include "platform/ui/WindowEvents.h"
#include "ui/localization/LXLocalizeHelper.h"
#include "ui/windows/LXAboutBoxController.h"

#include "platform/foundation/Bundle.h"
#include "tests/support/LogCapture.h"

#include <QCoreApplication>
#include <QDir>
#include <QLineF>
#include <QMenuBar>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// The turned button's centre in its parent, y up.
QPointF centreOf(const SWCornerButton* b)
{
    return SWCornerButton::turnedShape(b->frameOrigin(), b->buttonSize(), b->frameRotation()).boundingRect().center();
}

struct Cycle {
    SWAppDelegate delegate;
    QWidget content;
    SWCornerButton* left = new SWCornerButton(&content);
    SWCornerButton* right = new SWCornerButton(&content);
    Cycle()
    {
        content.resize(500, 400);
        delegate.setLeftButton(left);
        delegate.setRightButton(right);
        delegate.applicationDidFinishLaunching();
    }
};

enum class Act { FinishMove, EndRest, Hover, Unhover };

// step: after the act; resting: a 30-second rest pending, else a 1-second move.
struct StepRow { const char* row; Act act; quint64 step; bool resting; QPointF leftCentre, rightCentre; };

} // namespace

TEST(CornerButtons, TheCycleMovesOneButtonAtATime)
{
    const QPointF out(-128, -128), rightOut(628, -128);
    const StepRow rows[] = {
        {"LeftArrives", Act::FinishMove, 1, true, {22, 22}, rightOut},
        {"HoveredLeftStays", Act::Hover, 1, true, {22, 22}, rightOut},
        {"RestEndsWhileHovered", Act::EndRest, 1, true, {22, 22}, rightOut},
        {"MouseLeaves", Act::Unhover, 1, true, {22, 22}, rightOut},
        {"LeftLeaves", Act::EndRest, 2, false, {22, 22}, rightOut},
        {"RightComesAtOnce", Act::FinishMove, 3, false, out, rightOut},
        {"RightArrives", Act::FinishMove, 3, true, out, {478, 22}},
        {"RightLeaves", Act::EndRest, 0, false, out, {478, 22}},
        {"LeftComesAgain", Act::FinishMove, 1, false, out, rightOut},
    };
    Cycle c;
    ASSERT_TRUE(c.delegate.moveTimer());
    for (const StepRow& r : rows) {
        SCOPED_TRACE(r.row);
        switch (r.act) {
        case Act::FinishMove: c.delegate.moveTimer()->fire(); break;
        case Act::EndRest: c.delegate.nextStepTimer()->fire(); break;
        case Act::Hover: c.delegate.button(c.left, true); break;
        case Act::Unhover: c.delegate.button(c.left, false); break;
        }
        EXPECT_EQ(c.delegate.step(), r.step);
        Timer* pending = r.resting ? c.delegate.nextStepTimer() : c.delegate.moveTimer();
        ASSERT_TRUE(pending && pending->isValid());
        EXPECT_EQ(pending->interval(), r.resting ? 30.0 : 1.0);
        EXPECT_LT(QLineF(centreOf(c.left), r.leftCentre).length(), 1e-6) << centreOf(c.left).x();
        EXPECT_LT(QLineF(centreOf(c.right), r.rightCentre).length(), 1e-6) << centreOf(c.right).x();
    }
    EXPECT_EQ(SWAppDelegate::offsetOf(nullptr, {3, 4}), QPointF(3, 4)); // a window without corner buttons
}

// The empty corners of the turned button's box belong to the widget beneath.
TEST(CornerButtons, EventsFollowTheTurnedShape)
{
    Cycle c;
    c.content.show();
    c.delegate.moveTimer()->fire();
    const QRect box = c.left->geometry();
    EXPECT_EQ(c.content.childAt(box.center()), c.left);
    EXPECT_EQ(c.content.childAt(box.topRight() + QPoint(-4, 4)), nullptr); // inside the box, outside the shape
    EXPECT_NEAR(box.center().y(), 400 - 22, 1.0); // y up: 22 above the bottom
}

TEST(MainWindow, LoadsWithItsDelegateInEachLanguage)
{
    struct Row { const char* language; QString file, saved; } rows[] = {{"en", "File", "Saved as ~/Pictures/Sunnyside/Beach.jpg"},
                {"de", "Datei", "Gesichert als ~/Pictures/Sunnyside/Beach.jpg"}};
    SWAppDelegate::registerClasses();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.language);
        Bundle::setPreferredLanguages({r.language});
        LogCapture log;
        SWAppDelegate delegate;
        ASSERT_TRUE(delegate.loadMainWindow());
        EXPECT_EQ(log.lines(), QStringList());
        ASSERT_TRUE(delegate.dropView() && delegate.leftButton() && delegate.rightButton() && delegate.scaleUpButton()
                    && delegate.statusBar() && delegate.statusLabel());
        const auto* menuBar = delegate.window()->findChild<QMenuBar*>();
        ASSERT_TRUE(menuBar);
        EXPECT_EQ(menuBar->actions().first()->text(), r.file);
        delegate.wallpaperSaved(QDir::homePath() + "/Pictures/Sunnyside/Beach.jpg");
        EXPECT_EQ(delegate.statusLabel()->text(), r.saved);
    }
    Bundle::setPreferredLanguages({});
}

TEST(MainWindow, ClosingItQuitsWhileTheAboutBoxIsOpen)
{
    registerLocalizationClasses();
    SWAppDelegate delegate;
    QWidget window;
    delegate.setWindow(&window);
    watchWindow(&window);
    setWindowShouldClose(&window, [&](QWidget* w) { return delegate.windowShouldClose(w); });
    window.show();
    LXAboutBoxController::sharedAboutBox()->setNibName("SWAboutBox");
    delegate.openAboutBox();
    ASSERT_TRUE(LXAboutBoxController::sharedAboutBox()->isVisible());
    QTimer::singleShot(0, &window, [&] { window.close(); });
    QTimer::singleShot(10000, [] { QCoreApplication::exit(2); }); // a guard, not a timing
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_FALSE(window.isVisible());
    LXAboutBoxController::sharedAboutBox()->forceCloseWindow();
}
