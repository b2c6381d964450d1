// The main window's delegate: the corner buttons' cycle, their turned
// shapes, and quitting while the about box is open.

#include "app/SWAppDelegate.h"
#include "platform/ui/WindowEvents.h"
#include "ui/localization/LXLocalizeHelper.h"
#include "ui/windows/LXAboutBoxController.h"
#include "ui/windows/LXRateUsController.h"
#include "platform/foundation/UserDefaults.h"

#include "platform/foundation/Bundle.h"
#include "platform/image/CIContext.h"
#include "tests/app/Session.h"
#include "tests/support/Files.h"
#include "tests/support/EventLoop.h"
#include "tests/support/Images.h"
#include "tests/support/LogCapture.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineF>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

// The turned button's centre in its parent, y up.
QPointF centreOf(const CornerButton* b)
{
    return CornerButton::turnedShape(b->frameOrigin(), b->buttonSize(), b->frameRotation()).boundingRect().center();
}

struct Cycle {
    SWAppDelegate delegate;
    QWidget content;
    CornerButton* left = new CornerButton(&content);
    CornerButton* right = new CornerButton(&content);
    Cycle()
    {
        content.resize(500, 400);
        delegate.setLeftButton(left);
        delegate.setRightButton(right);
        delegate.applicationDidFinishLaunching();
    }
};

// The main window as the program shows it, its corner cycle started.
struct MainWindow {
    SWAppDelegate delegate;
    explicit MainWindow(bool show = true)
    {
        SWAppDelegate::registerClasses();
        EXPECT_TRUE(delegate.loadMainWindow());
        if (!show)
            return;
        delegate.window()->show();
        delegate.applicationDidFinishLaunching();
        delegate.moveTimer()->fire(); // the left corner button rests in its corner
        delegate.window()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(delegate.window()));
    }
};

// Runs `act`, which opens a modal dialog, and hands the dialog to `look` once it shows.
void withModal(const std::function<void()>& act, const std::function<void(QWidget*)>& look)
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(spinUntil([] { return QApplication::activeModalWidget() != nullptr; }));
        seen = true;
        look(QApplication::activeModalWidget());
    });
    act();
    EXPECT_TRUE(seen);
}

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
        EXPECT_EQ(menuBar->actions().first()->text(), "&" + r.file); // with its mnemonic
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

// The alerts were English literals, Qt's own dialogs English, and the texts
// named "Bilder/Sunnyside" wherever the desktop's Pictures folder really was.
TEST(German, AlertsQtDialogsAndTheFolderStayedEnglish)
{
    DesktopSession session; // no desktop: the picture cannot be set
    writeFile(session.home() + "/.config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Fotos\"\n");
    ASSERT_TRUE(filled(120, 90, Qt::darkCyan).save(session.home() + "/Strand.png"));
    Bundle::setPreferredLanguages({"de"});
    Alerts alerts;
    {
        MainWindow main(false);
        EXPECT_EQ(main.delegate.statusLabel()->text(), "Ablage der Hintergrundbilder: ~/Fotos/Sunnyside");
        main.delegate.dropView()->applyImageAt(QUrl::fromLocalFile(session.home() + "/Fehlt.jpg"));
        main.delegate.dropView()->applyImageAt(QUrl::fromLocalFile(session.home() + "/Strand.png"));
        EXPECT_TRUE(QFileInfo::exists(session.home() + "/Fotos/Sunnyside/Strand.jpg"));
        withModal([&] { main.delegate.openDocument(); }, [](QWidget* panel) {
            const auto* buttons = panel->findChild<QDialogButtonBox*>();
            ASSERT_TRUE(buttons && buttons->button(QDialogButtonBox::Cancel));
            EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), "Abbrechen");
            static_cast<QDialog*>(panel)->reject();
        });
    }
    Bundle::setPreferredLanguages({});
    MainWindow english(false);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancel") << "Qt speaks English again";
    ASSERT_EQ(alerts.texts.size(), 2) << alerts.texts.join('\n').toStdString();
    EXPECT_EQ(alerts.titles[0], "Problem beim Erstellen des Hintergrundbilds");
    EXPECT_EQ(alerts.texts[0], "Das Foto „" + session.home() + "/Fehlt.jpg“ konnte nicht verwendet werden: "
                               "diese Datei gibt es nicht.");
    EXPECT_TRUE(alerts.texts[1].startsWith("Der Schreibtischhintergrund konnte aus diesem Grund nicht"));
}

// Tab reached both corner buttons, even one slid out of view, and no control
// showed that it had the focus; Esc and Ctrl+W did not close the about box.
TEST(Keyboard, TabReachedHiddenRibbonsShowedNoFocusAndTheAboutBoxIgnoredEsc)
{
    MainWindow main;
    QWidget* window = main.delegate.window();
    QList<QWidget*> reached;
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Tab);
        if (!reached.contains(QApplication::focusWidget()))
            reached << QApplication::focusWidget();
    }
    EXPECT_TRUE(reached.contains(main.delegate.scaleUpButton()));
    EXPECT_TRUE(reached.contains(main.delegate.leftButton()));
    EXPECT_FALSE(reached.contains(main.delegate.rightButton())) << "out of view";
    for (LXButton* button : {main.delegate.scaleUpButton(), static_cast<LXButton*>(main.delegate.leftButton())}) {
        SCOPED_TRACE(button->objectName().toStdString());
        while (QApplication::focusWidget() != button)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const QImage focused = button->grab().toImage();
        QTest::keyClick(button, Qt::Key_Tab);
        EXPECT_NE(button->grab().toImage(), focused) << "a focus ring";
    }
    // Slid out, the left one gives the focus on.
    main.delegate.leftButton()->setFocus(Qt::TabFocusReason);
    main.delegate.leftButton()->setFrameOrigin({-200, -200});
    EXPECT_FALSE(main.delegate.leftButton()->hasFocus());

    LXAboutBoxController* about = LXAboutBoxController::sharedAboutBox();
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        SCOPED_TRACE(keys.toString().toStdString());
        main.delegate.openAboutBox();
        ASSERT_TRUE(about->isVisible());
        about->window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(about->window()));
        QTest::keySequence(about->window(), keys);
        EXPECT_TRUE(spinUntil([&] { return !about->isVisible(); }));
        QCoreApplication::processEvents(); // the queued close
    }
    about->forceCloseWindow();
}

// The technology text said "GPU" on machines without one; long names were cut
// mid-word; folders and pipes were "no such file"; the open panel started in
// the working folder; failing to show a folder or a page said nothing; and a
// picture that could not be set read "Saved as".
TEST(MainWindow, SmallFaultsOfTheWindow)
{
    DesktopSession session; // no desktop
    Alerts alerts;
    QDir(session.home()).mkpath("Pictures");
    QDir(session.home()).mkpath("Photos/Trip");
    ASSERT_TRUE(filled(120, 90, Qt::darkCyan).save(session.home() + "/Photos/Trip/Beach.png"));
    ASSERT_EQ(mkfifo((session.home() + "/Pipe.jpg").toLocal8Bit().constData(), 0600), 0);
    MainWindow main;
    SWAppDelegate& d = main.delegate;

    const QString renderer = CIContext::rendererName().section(" (", 0, 0);
    EXPECT_FALSE(d.technologyText()->text().contains("GPU"));
    EXPECT_TRUE(d.technologyText()->text().contains(renderer)) << renderer.toStdString();

    d.dropView()->applyImageAt(QUrl::fromLocalFile(session.home() + "/Photos"));
    d.dropView()->applyImageAt(QUrl::fromLocalFile(session.home() + "/Pipe.jpg"));
    ASSERT_EQ(alerts.texts.size(), 2);
    EXPECT_TRUE(alerts.texts[0].endsWith("it is a folder, not a photo."));
    EXPECT_TRUE(alerts.texts[1].endsWith("it is not a regular file but a pipe, socket or device."));

    for (const QString& expected : {session.home() + "/Pictures", session.home() + "/Photos/Trip"})
        withModal([&] { d.openDocument(); }, [&](QWidget* panel) {
            auto* open = static_cast<QFileDialog*>(panel);
            EXPECT_EQ(open->directory().absolutePath(), expected);
            open->selectFile(session.home() + "/Photos/Trip/Beach.png");
            static_cast<QDialog*>(open)->accept(); // QFileDialog hides it
        });
    EXPECT_TRUE(d.statusLabel()->text().endsWith(", but not set as wallpaper"))
        << d.statusLabel()->text().toStdString();

    d.wallpaperSaved(session.home() + "/Pictures/Sunnyside/" + QString(80, 'n') + " Beach at Dawn.jpg");
    const QString shown = d.statusLabel()->text();
    EXPECT_TRUE(shown.startsWith("Saved as ~/") && shown.endsWith("Beach at Dawn.jpg") && shown.contains("…"))
        << shown.toStdString();
    EXPECT_LE(d.statusLabel()->fontMetrics().horizontalAdvance(shown), d.statusLabel()->contentsRect().width());

    alerts.titles.clear();
    d.showInFolder();
    d.openSunnysideSite();
    d.window()->findChild<QAction*>("reviewAction")->trigger(); // Help's review, here the mail: no mail program
    EXPECT_EQ(alerts.titles, (QStringList{"Could not show the wallpaper in its folder", "Could not open the web page",
                                          "Could not open the mail program"}));
    EXPECT_TRUE(UserDefaults::standardUserDefaults().stringForKey(LXRateUsController::kRatedVersionKey).isNull());
}

