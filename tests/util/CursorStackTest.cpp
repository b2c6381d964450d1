#include "util/LXCursorStack.h"
#include "tests/support/LogCapture.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Step { enum Kind { Push, Replace, Pop } kind; Qt::CursorShape shape; const char* key; };
// shown: what the window shows at the end
struct Row { const char* name; std::vector<Step> steps; Qt::CursorShape shown; };

} // namespace

TEST(CursorStack, TheTopOfEachWindowsStackIsShown)
{
    using S = Step;
    const std::vector<Row> rows = {
        {"pop below the top keeps the top", {{S::Push, Qt::CrossCursor, "1"}, {S::Push, Qt::IBeamCursor, "2"},
                                             {S::Pop, {}, "1"}}, Qt::IBeamCursor},
        {"popping all brings the window's own back", {{S::Push, Qt::CrossCursor, "1"}, {S::Push, Qt::IBeamCursor, "2"},
                                                      {S::Pop, {}, "1"}, {S::Pop, {}, "2"}}, Qt::PointingHandCursor},
        {"pushing a lower key again moves it up", {{S::Push, Qt::CrossCursor, "1"}, {S::Push, Qt::IBeamCursor, "2"},
                                                   {S::Push, Qt::WaitCursor, "1"}}, Qt::WaitCursor},
        {"replacing below the top shows later", {{S::Push, Qt::CrossCursor, "1"}, {S::Push, Qt::IBeamCursor, "2"},
                                                 {S::Replace, Qt::WaitCursor, "1"}}, Qt::IBeamCursor},
        {"... once the top is popped", {{S::Push, Qt::CrossCursor, "1"}, {S::Push, Qt::IBeamCursor, "2"},
                                        {S::Replace, Qt::WaitCursor, "1"}, {S::Pop, {}, "2"}}, Qt::WaitCursor},
        {"replacing the top shows at once", {{S::Push, Qt::CrossCursor, "1"}, {S::Replace, Qt::WaitCursor, "1"}},
         Qt::WaitCursor},
        {"an unknown key pops nothing", {{S::Push, Qt::CrossCursor, "1"}, {S::Pop, {}, "9"}}, Qt::CrossCursor},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QWidget window, other;
        window.setCursor(Qt::PointingHandCursor);
        window.show();
        other.show();
        LXCursorStack::pushCursor(QCursor(Qt::SizeAllCursor), QString("other"), &other);
        for (const Step& step : row.steps) {
            switch (step.kind) {
            case Step::Push: LXCursorStack::pushCursor(QCursor(step.shape), QString(step.key), &window); break;
            case Step::Replace: LXCursorStack::replaceCursor(QCursor(step.shape), QString(step.key), &window); break;
            case Step::Pop: LXCursorStack::popCursorForKey(QString(step.key), &window); break;
            }
        }
        EXPECT_EQ(window.cursor().shape(), row.shown);
        EXPECT_EQ(other.cursor().shape(), Qt::SizeAllCursor); // windows do not share stacks
    }
    EXPECT_EQ(LXCursorStack::cursorStackForWindow(nullptr), nullptr);
}

TEST(CursorStack, ClosingTheWindowEndsItsStackAndNilsAreRefused)
{
    auto* window = new QWidget;
    window->show();
    LogCapture log;
    LXCursorStack::pushCursor(std::nullopt, QString("1"), window);
    LXCursorStack::pushCursor(QCursor(Qt::CrossCursor), QVariant(), window);
    LXCursorStack::pushCursor(QCursor(Qt::CrossCursor), QString("1"), nullptr);
    EXPECT_EQ(log.lines(), (QStringList{"Warning: Neither Cursor ((null)) nor key (1) can be nil.",
                                        "Warning: Neither Cursor (<QCursor: CrossCursor>) nor key ((null)) can be nil."}));
    LXCursorStack::pushCursor(QCursor(Qt::CrossCursor), QVariant::fromValue<QObject*>(window), window);
    ASSERT_NE(LXCursorStack::cursorStackForWindow(window), nullptr);
    window->close();
    EXPECT_EQ(LXCursorStack::cursorStackForWindow(window), nullptr);
    EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor); // its own again
    // A window destroyed without closing leaves no entry behind (ASan watches).
    LXCursorStack::pushCursor(QCursor(Qt::CrossCursor), QString("1"), window);
    delete window;
    EXPECT_EQ(LXCursorStack::cursorStackForWindow(window), nullptr);
}
