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
    // Every row starts with a cross under "1", then an I-beam under "2" on top.
    const std::vector<Row> rows = {
        {"pop below the top keeps the top", {{S::Pop, {}, "1"}}, Qt::IBeamCursor},
        {"popping all brings the window's own back", {{S::Pop, {}, "1"}, {S::Pop, {}, "2"}}, Qt::PointingHandCursor},
        {"pushing a lower key again moves it up", {{S::Push, Qt::WaitCursor, "1"}}, Qt::WaitCursor},
        {"replacing below the top shows later", {{S::Replace, Qt::WaitCursor, "1"}}, Qt::IBeamCursor},
        {"... once the top is popped", {{S::Replace, Qt::WaitCursor, "1"}, {S::Pop, {}, "2"}}, Qt::WaitCursor},
        {"replacing the top shows at once", {{S::Replace, Qt::WaitCursor, "2"}}, Qt::WaitCursor},
        {"an unknown key pops nothing", {{S::Pop, {}, "9"}}, Qt::IBeamCursor},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QWidget window, other;
        window.setCursor(Qt::PointingHandCursor);
        window.show();
        other.show();
        LXCursorStack::pushCursor(QCursor(Qt::SizeAllCursor), QString("other"), &other);
        LXCursorStack::pushCursor(QCursor(Qt::CrossCursor), QString("1"), &window);
        LXCursorStack::pushCursor(QCursor(Qt::IBeamCursor), QString("2"), &window);
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
