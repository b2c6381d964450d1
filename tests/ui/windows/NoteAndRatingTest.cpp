#include "platform/desktop/Alert.h"
#include "platform/foundation/UserDefaults.h"
#include "ui/windows/LXChildSupportWindow.h"
#include "ui/windows/LXNoteController.h"
#include "ui/windows/LXRateUsController.h"
#include "util/LXSystemInfo.h"
#include "tests/support/LogCapture.h"

#include <QApplication>
#include <QDesktopServices>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

class AddressCatcher : public QObject, public LXNoteDelegate {
    Q_OBJECT
public:
    QList<QUrl> urls;
    QStringList closedBy;
    void noteWasClosedByButton(LXNoteController*, QAbstractButton* button) override
    {
        closedBy << (button ? button->objectName() : QStringLiteral("none"));
    }
public slots:
    void open(const QUrl& url) { urls << url; }
};

namespace {

// A shown, active window of that size.
std::unique_ptr<QWidget> activeWindow(int width = 1000, int height = 600)
{
    auto window = std::make_unique<QWidget>();
    window->resize(width, height);
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    return window;
}

} // namespace

TEST(Note, HangsFromTheAnchorClampedIntoItsWindow)
{
    const QSizeF size(350, 265);
    struct Row { const char* name; QSizeF area; double location; QPointF origin; };
    const Row rows[] = {
        // x = 0.7 x 1000 - 284; the 26 above the top edge come down to it.
        {"the worked example", {1000, 600}, 0.7, {416, 335}},
        {"anchor near the left edge", {1000, 600}, 0.1, {0, 335}},
        {"anchor at the right edge", {1000, 600}, 1.0, {650, 335}},
        {"window lower than the note: top left wins", {1000, 200}, 0.7, {416, -65}},
    };
    for (const Row& row : rows) {
        const QRectF frame = LXNoteController::noteFrame(row.area, size, row.location);
        EXPECT_EQ(LXChildSupportWindow::clampedFrame(frame, row.area).topLeft(), row.origin) << row.name;
    }
}

TEST(Note, SizesItsBodyFollowsItsWindowAndLeavesWithIt)
{
    struct Row { const char* name; QString html; double body; };
    const Row rows[] = {
        {"no text: the body is 50 high", QString(), 50},
        {"a long text: the body stops at 300 and scrolls", QString("<p>Sunny days.</p>").repeated(60), 300},
    };
    auto window = activeWindow();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LXNoteController note;
        AddressCatcher delegate;
        note.setDelegate(&delegate);
        note.attachToWindow(window.get(), 0.7);
        note.setHtml(row.html);
        QWidget* panel = note.loadedWindow();
        ASSERT_TRUE(panel && note.textView() && note.approveButton());
        EXPECT_EQ(note.textView()->height(), row.body);
        // The file's margins are the sizing's: 81 beside the text, 87 beside the buttons.
        EXPECT_EQ(note.textView()->width(), panel->width() - 81);
        EXPECT_EQ(panel->width(), std::max(350, note.cancelButton()->width() + note.otherButton()->width()
                                                    + note.approveButton()->width() + 87));
        EXPECT_EQ(panel->height(), note.titleTF()->sizeHint().height() + 77 + 8 + int(row.body) + 28
                                       + note.approveButton()->sizeHint().height() + 53);
        EXPECT_EQ(panel->parentWidget(), window.get());
        EXPECT_EQ(panel->geometry().right() + 1, 700 + 66);
        EXPECT_EQ(panel->y(), 0);
        EXPECT_EQ(QApplication::focusWidget(), note.approveButton());

        window->resize(800, 600);
        EXPECT_EQ(panel->geometry().right() + 1, 560 + 66);
        window->resize(1000, 600);

        QTest::keyClick(note.approveButton(), Qt::Key_Escape); // the cancel button's answer
        EXPECT_EQ(delegate.closedBy, QStringList{"cancelButton"});
        EXPECT_FALSE(panel->isVisible());
        EXPECT_EQ(note.parentWindow(), nullptr);
    }
}

TEST(Note, AClosedOrDeletedParentLeavesNothingDangling)
{
    for (const bool closeFirst : {true, false}) {
        SCOPED_TRACE(closeFirst ? "closed" : "deleted while open");
        auto window = activeWindow(500, 400);
        LXNoteController note;
        AddressCatcher delegate;
        note.setDelegate(&delegate);
        note.attachToWindow(window.get(), 0.5);
        QPointer<QWidget> panel = note.loadedWindow();
        if (closeFirst) {
            window->close();
            EXPECT_FALSE(panel->isVisible());
            EXPECT_EQ(note.parentWindow(), nullptr);
        }
        window.reset();
        EXPECT_EQ(panel.isNull(), !closeFirst); // a detached note stays with its controller
        note.adjustWindowSize();
        note.buttonPressed(nullptr);
        EXPECT_EQ(delegate.closedBy, QStringList{"none"});
    }
}

TEST(RateUs, AsksOnTheFifthLaunchAndKeepsEachAnswer)
{
    const QString version = LXSystemInfo::appVersion();
    ASSERT_FALSE(version.isEmpty());
    enum class Answer { None, AskLater, NeverAsk, Approve };
    struct Row {
        const char* name;
        QString address;         // empty: the feedback mail
        const char* handled;     // the scheme a program takes, or nullptr
        int launchesBefore;      // verifyRateUs calls before the one asked about
        Answer answer;
        bool override;           // the Alt key or --ask-rating at a sixth launch
        bool neverAsk; const char* rated; int times; bool shownAgain;
        const char* warning;
    };
    const Row rows[] = {
        {"launches one to four only count", "appstream://x.y", "appstream", 3, Answer::None, false,
         false, nullptr, 5, true, nullptr},
        {"never ask stops it for good", "appstream://x.y", "appstream", 4, Answer::NeverAsk, false,
         true, "v", 5, false, nullptr},
        {"write a review opens the page and stops it", "appstream://x.y", "appstream", 4, Answer::Approve, false,
         false, "v", 5, false, nullptr},
        {"send feedback opens the mail and stops it", "", "mailto", 4, Answer::Approve, false,
         false, "v", 5, false, nullptr},
        {"ask later starts counting again", "appstream://x.y", "appstream", 4, Answer::AskLater, false,
         false, nullptr, 1, false, nullptr},
        {"rate now when no program opened the page records nothing", "appstream://x.y", nullptr, 4, Answer::Approve,
         false, false, nullptr, 1, false, "Warning: no program opened the review page \"appstream://x.y\""},
        {"rate now with an invalid address records nothing", "http://exa mple.org/", "http", 4, Answer::Approve, false,
         false, nullptr, 1, false, "is not valid; asking again later"},
        {"the override asks again after never ask", "appstream://x.y", "appstream", 4, Answer::NeverAsk, true,
         false, "", 6, true, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir dir;
        UserDefaults defaults(dir.filePath("fresh.conf"));
        auto window = activeWindow();
        AddressCatcher catcher;
        if (row.handled)
            QDesktopServices::setUrlHandler(row.handled, &catcher, "open");
        QStringList alerts;
        Alert::ScopedPresenter presenter([&](const QString& title, const QString&) { alerts << title; });
        const QUrl address(row.address, QUrl::TolerantMode);

        for (int i = 0; i < row.launchesBefore; ++i)
            LXRateUsController::verifyRateUs(address, false, &defaults);
        EXPECT_EQ(LXRateUsController::currentPrompt(), nullptr);
        LXRateUsController::verifyRateUs(address, false, &defaults);
        QPointer<LXRateUsController> prompt = LXRateUsController::currentPrompt();
        ASSERT_EQ(bool(prompt), row.launchesBefore >= 4);
        if (prompt) {
            EXPECT_EQ(prompt->parentWindow(), window.get());
            EXPECT_EQ(prompt->approveButton()->text(), row.address.isEmpty() ? "Send Feedback…" : "Write a Review…");
            EXPECT_TRUE(prompt->textView()->toPlainText().contains("Nothing is sent without you"));
        }
        LogCapture log;
        QAbstractButton* button = nullptr;
        if (row.answer == Answer::AskLater)
            button = prompt->cancelButton();
        else if (row.answer == Answer::NeverAsk)
            button = prompt->otherButton();
        else if (row.answer == Answer::Approve)
            button = prompt->approveButton();
        if (button)
            QTest::mouseClick(button, Qt::LeftButton);
        if (row.handled)
            QDesktopServices::unsetUrlHandler(row.handled);
        if (row.warning) {
            EXPECT_TRUE(log.contains(row.warning)) << log.lines().join('\n').toStdString();
        }
        EXPECT_EQ(catcher.urls.size(), row.answer == Answer::Approve && row.handled && !row.warning ? 1 : 0);
        EXPECT_TRUE(alerts.isEmpty());

        delete prompt.data();
        LXRateUsController::verifyRateUs(address, row.override, &defaults);
        EXPECT_EQ(LXRateUsController::currentPrompt() != nullptr, row.shownAgain);
        EXPECT_EQ(defaults.boolForKey(LXRateUsController::kNeverAskKey), row.neverAsk);
        const QString rated = defaults.stringForKey(LXRateUsController::kRatedVersionKey);
        if (!row.rated)
            EXPECT_TRUE(rated.isNull()) << rated.toStdString();
        else
            EXPECT_EQ(rated, QString(row.rated) == "v" ? version : QString(row.rated));
        EXPECT_EQ(defaults.integerForKey(LXRateUsController::kTimesStartedKey), row.times);
        delete LXRateUsController::currentPrompt();
    }
}

TEST(RateUs, WaitsForAnActiveWindowAndStopsWhenItsFileCannotLoad)
{
    ASSERT_EQ(QApplication::activeWindow(), nullptr);
    LXRateUsController waiting;
    waiting.showDelayed();
    ASSERT_NE(waiting.retryTimer(), nullptr);
    EXPECT_EQ(waiting.retryTimer()->interval(), LXRateUsController::kRetrySeconds);
    waiting.retryTimer()->fire(); // still none: another try
    ASSERT_NE(waiting.retryTimer(), nullptr);
    auto window = activeWindow();
    waiting.retryTimer()->fire();
    EXPECT_EQ(waiting.parentWindow(), window.get());
    EXPECT_EQ(waiting.retryTimer(), nullptr);

    // The fault: with a file that cannot load, it tried again every 2 seconds for ever.
    window.reset();
    QTemporaryDir empty;
    LXRateUsController broken;
    broken.setNibBundle(std::make_shared<const Bundle>(empty.path()));
    LogCapture log;
    const std::size_t timers = Timer::scheduledCount();
    broken.showDelayed();
    EXPECT_EQ(broken.retryTimer(), nullptr);
    EXPECT_EQ(Timer::scheduledCount(), timers);
    EXPECT_EQ(log.lines().filter("could not load window").size(), 1);
}

#include "NoteAndRatingTest.moc"
