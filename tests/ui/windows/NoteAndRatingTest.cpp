#include "platform/desktop/Alert.h"
#include "platform/foundation/UserDefaults.h"
#include "ui/windows/LXChildSupportWindow.h"
#include "ui/windows/LXRateUsController.h"
#include "util/LXSystemInfo.h"
#include "tests/support/LogCapture.h"

#include <QApplication>
#include <QDesktopServices>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

class Catcher : public QObject, public NoteDelegate {
    Q_OBJECT
public:
    QList<QUrl> urls;
    QStringList closedBy;
    void noteWasClosedByButton(LXNoteController*, QAbstractButton* b) override { closedBy << (b ? b->objectName() : "none"); }
public slots:
    void open(const QUrl& url) { urls << url; }
};

namespace {

std::unique_ptr<QWidget> activeWindow()
{
    auto window = std::make_unique<QWidget>();
    window->resize(1000, 600);
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    return window;
}

} // namespace

TEST(Note, HangsFromTheAnchorClampedIntoItsWindow)
{
    struct Row { const char* name; QSizeF area; double location; QPointF origin; };
    const Row rows[] = {
        {"x = 0.7 x 1000 - 284, the 26 above the top come down", {1000, 600}, 0.7, {416, 335}},
        {"anchor near the left edge", {1000, 600}, 0.1, {0, 335}},
        {"anchor at the right edge", {1000, 600}, 1.0, {650, 335}},
        {"a window lower than the note: the top wins", {1000, 200}, 0.7, {416, -65}},
    };
    for (const Row& row : rows) {
        const QRectF frame = LXNoteController::noteFrame(row.area, {350, 265}, row.location);
        EXPECT_EQ(LXChildSupportWindow::clampedFrame(frame, row.area).topLeft(), row.origin) << row.name;
    }
}

// The note in its overlay: sizes, following its window, key status and leaving.
TEST(Note, SizesItsBodyFollowsItsWindowAndLeavesWithIt)
{
    enum Act { Escape, ReturnOnOther, FocusOutside, PressOnLabel, OtherWindowActive, FocusJuggled, Close, Delete };
    struct Row { const char* name; QString html; int body; Act act; const char* closedBy; int resigned; };
    const Row rows[] = {
        {"no text: body 50; escape answers cancel", "", 50, Escape, "cancelButton", 0},
        {"a long text: body 300; return clicks only the default", QString("<p>Sun.</p>").repeated(60), 300, ReturnOnOther,
         "approveButton", 0},
        {"focus moves to the window's button: no longer key", "", 50, FocusOutside, "", 1},
        {"a press on a label, which takes no focus: no longer key", "", 50, PressOnLabel, "", 1},
        {"its window deactivates: no longer key", "", 50, OtherWindowActive, "", 1},
        {"focus juggled while showing is ignored", "", 50, FocusJuggled, "", 0},
        {"the window closes: the note leaves it", "", 50, Close, "", 0},
        {"the window is deleted: nothing dangles", "", 50, Delete, "", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto window = activeWindow();
        auto* field = new QPushButton("Field", window.get());
        auto* label = new QLabel("Label", window.get());
        label->setGeometry(0, 500, 100, 40);
        field->show(); // added to a shown window
        label->show();
        LXNoteController note;
        Catcher delegate;
        note.setDelegate(&delegate);
        // The platform's focus moves while a window shows: in, straight out.
        const auto juggle = QObject::connect(qApp, &QApplication::focusChanged, field, [&](QWidget*, QWidget* now) {
            if (row.act == FocusJuggled && now == note.approveButton())
                field->setFocus();
        });
        note.attachToWindow(window.get(), 0.7);
        QObject::disconnect(juggle);
        note.setHtml(row.html);
        QPointer<QWidget> panel = note.loadedWindow();
        ASSERT_TRUE(panel && note.textView() && note.approveButton());
        EXPECT_EQ(QApplication::focusWidget(), row.act == FocusJuggled ? field : note.approveButton());
        QSignalSpy resigned(note.overlay(), &LXChildSupportWindow::resignedKey);
        // The file's margins are the sizing's: 81 beside the text, 87 beside the buttons.
        EXPECT_EQ(note.textView()->size(), QSize(panel->width() - 81, row.body));
        EXPECT_EQ(panel->width(), std::max(350, note.cancelButton()->width() + note.otherButton()->width()
                                                    + note.approveButton()->width() + 87));
        EXPECT_EQ(panel->height(), note.titleTF()->height() + 77 + 8 + row.body + 28 + note.approveButton()->height() + 53);
        EXPECT_EQ(panel->geometry(), QRect(766 - panel->width(), 0, panel->width(), panel->height()));
        EXPECT_EQ(window->children().last(), panel.data()); // raised
        window->resize(800, 600);
        EXPECT_EQ(panel->geometry().right() + 1, 560 + 66);

        QWidget otherWindow;
        switch (row.act) {
        case Escape: QTest::keyClick(note.approveButton(), Qt::Key_Escape); break;
        case ReturnOnOther: QTest::keyClick(note.otherButton(), Qt::Key_Return); break;
        case FocusOutside: field->setFocus(); break;
        case PressOnLabel: QTest::mouseClick(label, Qt::LeftButton); break;
        case OtherWindowActive:
            otherWindow.show();
            otherWindow.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&otherWindow));
            break;
        case FocusJuggled: break;
        case Close: window->close(); break;
        case Delete: window.reset(); break;
        }
        EXPECT_EQ(resigned.count(), row.resigned);
        EXPECT_EQ(delegate.closedBy.join(""), row.closedBy);
        EXPECT_EQ(panel.isNull(), row.act == Delete);
        EXPECT_EQ(panel && panel->isVisible(), !*row.closedBy && row.act != Close && row.act != Delete);
        note.buttonPressed(nullptr); // safe in every state
        EXPECT_EQ(note.parentWindow(), nullptr);
    }
}

TEST(RateUs, AsksOnTheFifthLaunchAndKeepsEachAnswer)
{
    enum Answer { None, AskLater, NeverAsk, Approve };
    // before: launches before the one looked at; then an answer, a sixth launch (with the override?) and the keys.
    struct Row { const char* name, *address, *handled; int before; Answer answer; bool override, neverAsk;
                 const char* rated; int times; bool askedAgain; const char* warning; };
    const Row rows[] = {
        {"launches one to four only count", "appstream://x.y", "appstream", 3, None, false, false, nullptr, 5, true, nullptr},
        {"never ask stops it", "appstream://x.y", "appstream", 4, NeverAsk, false, true, "v", 5, false, nullptr},
        {"write a review opens the page", "appstream://x.y", "appstream", 4, Approve, false, false, "v", 5, false, nullptr},
        {"send feedback opens the mail", "", "mailto", 4, Approve, false, false, "v", 5, false, nullptr},
        {"ask later counts again", "appstream://x.y", "appstream", 4, AskLater, false, false, nullptr, 1, false, nullptr},
        {"rate now when no program opened the page records nothing", "appstream://x.y", nullptr, 4, Approve, false, false,
         nullptr, 1, false, "Warning: no program opened the review page \"appstream://x.y\"; asking again later"},
        {"rate now with an invalid address records nothing", "http://exa mple.org/", "http", 4, Approve, false, false,
         nullptr, 1, false, "Warning: the review address is not valid: Invalid hostname"},
        {"the override asks again after never ask", "appstream://x.y", "appstream", 4, NeverAsk, true, false, "", 6, true,
         nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir dir;
        UserDefaults defaults(dir.filePath("fresh.conf"));
        auto window = activeWindow();
        Catcher catcher;
        if (row.handled)
            QDesktopServices::setUrlHandler(row.handled, &catcher, "open");
        Alert::ScopedPresenter presenter([](const QString& title, const QString&) { ADD_FAILURE() << title.toStdString(); });
        const QUrl address(row.address);
        for (int i = 0; i <= row.before; ++i) {
            EXPECT_EQ(LXRateUsController::currentPrompt(), nullptr);
            LXRateUsController::verifyRateUs(address, false, &defaults);
        }
        QPointer<LXRateUsController> prompt = LXRateUsController::currentPrompt();
        ASSERT_EQ(bool(prompt), row.before >= 4);
        if (prompt) {
            EXPECT_EQ(prompt->parentWindow(), window.get());
            EXPECT_EQ(prompt->approveButton()->text(), row.address[0] ? "Write a Review…" : "Send Feedback…");
            EXPECT_TRUE(prompt->textView()->toPlainText().startsWith("If Sunnyside makes"));
        }
        LogCapture log;
        if (QAbstractButton* button = row.answer == AskLater ? prompt->cancelButton()
                                      : row.answer == NeverAsk ? prompt->otherButton()
                                      : row.answer == Approve  ? prompt->approveButton() : nullptr)
            QTest::mouseClick(button, Qt::LeftButton);
        if (row.handled)
            QDesktopServices::unsetUrlHandler(row.handled);
        EXPECT_TRUE(row.warning ? log.contains(row.warning) : log.lines().filter("Warning: ").isEmpty()) << log.lines().join("\n").toStdString();
        EXPECT_EQ(catcher.urls.size(), row.answer == Approve && !row.warning ? 1 : 0);

        delete prompt.data();
        LXRateUsController::verifyRateUs(address, row.override, &defaults);
        EXPECT_EQ(LXRateUsController::currentPrompt() != nullptr, row.askedAgain);
        EXPECT_EQ(defaults.boolForKey(LXRateUsController::kNeverAskKey), row.neverAsk);
        EXPECT_EQ(defaults.stringForKey(LXRateUsController::kRatedVersionKey),
                  row.rated && *row.rated ? LXSystemInfo::appVersion() : QString());
        EXPECT_EQ(defaults.integerForKey(LXRateUsController::kTimesStartedKey), row.times);
        delete LXRateUsController::currentPrompt();
    }
}

TEST(RateUs, WaitsForAnActiveWindowButStopsRetryingWhenItsFileCannotLoad)
{
    ASSERT_EQ(QApplication::activeWindow(), nullptr);
    LXRateUsController waiting;
    waiting.showDelayed();
    ASSERT_TRUE(waiting.retryTimer());
    waiting.retryTimer()->fire(); // still none: another try
    auto window = activeWindow();
    waiting.retryTimer()->fire();
    EXPECT_EQ(waiting.parentWindow(), window.get());
    EXPECT_EQ(waiting.retryTimer(), nullptr);

    QTemporaryDir empty;
    LXRateUsController broken;
    broken.setNibBundle(std::make_shared<const Bundle>(empty.path()));
    LogCapture log;
    broken.showDelayed();
    EXPECT_EQ(broken.retryTimer(), nullptr);
    EXPECT_EQ(log.lines().filter("could not load window").size(), 1);
}

#include "NoteAndRatingTest.moc"
