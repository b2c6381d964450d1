#include "ui/windows/LXToolTipController.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

TEST(ToolTip, HangsBelowThePointAndStaysInsideTheWindow)
{
    const QRectF window(100, 100, 400, 300); // y up
    const QSizeF size(120, 30);
    struct Row { const char* name; QPointF point, origin; };
    const Row rows[] = {
        {"left edge: moved right", {50, 300}, {100, 270}},
        {"top edge: moved down", {200, 450}, {200, 370}},
        // Pushed up over the pointer (20 above the point), the right corner button's tooltip took it and hid.
        {"bottom edge: above the pointer", {200, 110}, {200, 110 + LXToolTipController::kPointerClearance}},
        {"bottom right corner: above the pointer", {495, 102}, {380, 102 + LXToolTipController::kPointerClearance}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(LXToolTipController::toolTipFrame(window, row.point, size), QRectF(row.origin, size)) << row.name;
}

TEST(ToolTip, FollowsItsViewWithoutTakingFocusAndHidesItself)
{
    LXToolTipController* tips = LXToolTipController::sharedController();
    QWidget window;
    window.setGeometry(100, 100, 400, 300);
    auto* field = new QLineEdit(&window);
    auto* other = new QWidget(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    field->setFocus();

    tips->showTooltip("Open <img src=\"x.png\"> a <b>photo</b>", QPoint(390, 40), field);
    QWidget* tip = tips->loadedWindow();
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(tip->isVisible());
    EXPECT_EQ(tip->parentWidget(), &window);
    EXPECT_EQ(tip->geometry().right(), window.frameGeometry().right()); // moved in from the right edge
    EXPECT_EQ(tip->geometry().top(), window.mapToGlobal(QPoint(0, 40)).y());
    EXPECT_TRUE(tips->toolTipLabel()->text().contains("&lt;img src=&quot;x.png&quot;&gt;"));
    EXPECT_TRUE(tips->toolTipLabel()->text().contains("<b>photo</b>"));
    EXPECT_EQ(QApplication::focusWidget(), field);
    EXPECT_EQ(QApplication::activeWindow(), &window);

    tips->showTooltip("Other", QPoint(10, 10), other);
    EXPECT_EQ(tips->focusView(), other);
    tips->hideForView(field); // not its view any more
    EXPECT_TRUE(tip->isVisible());
    ASSERT_NE(tips->autoHideTimer(), nullptr);
    tips->autoHideTimer()->fire();
    EXPECT_FALSE(tip->isVisible());
    EXPECT_EQ(tips->focusView(), nullptr);

    tips->showTooltip("Again", QPoint(10, 10), other);
    window.close();
    EXPECT_EQ(tips->focusView(), nullptr);
    tips->showTooltip("Not shown", QPoint(10, 10), other); // its window is hidden
    EXPECT_EQ(tips->focusView(), nullptr);
}

TEST(ToolTip, AWindowDeletedUnderItsTooltipLeavesNothingBehind)
{
    LXToolTipController* tips = LXToolTipController::sharedController();
    auto* window = new QWidget;
    auto* view = new QWidget(window);
    window->show();
    tips->showTooltip("Going", QPoint(5, 5), view);
    delete window;
    EXPECT_EQ(tips->focusView(), nullptr);
    QWidget again;
    again.show();
    tips->showTooltip("Still works", QPoint(5, 5), &again);
    ASSERT_NE(tips->loadedWindow(), nullptr);
    EXPECT_TRUE(tips->loadedWindow()->isVisible());
    tips->hideForView(&again);
}

TEST(Hints, TheLatestHintShowsInTheWindowsOrItsParentsLine)
{
    // steps: a hint (nullptr: remove) and its key
    struct Row { const char* name; std::vector<std::pair<const char*, int>> steps; QString shown; };
    const Row rows[] = {
        {"A then B shows B", {{"A", 1}, {"B", 2}}, "B"},
        {"removing B shows A", {{"A", 1}, {"B", 2}, {nullptr, 2}}, "A"},
        {"removing A first keeps B", {{"A", 1}, {"B", 2}, {nullptr, 1}}, "B"},
        {"removing all empties", {{"A", 1}, {nullptr, 1}}, ""},
        {"a key sent again moves up", {{"A", 1}, {"B", 2}, {"C", 1}, {nullptr, 1}}, "B"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QWidget window;
        auto* line = new QLabel(&window);
        LXHintController::addHintConrollerForWindow(&window, line);
        QDialog child(&window); // no hint line of its own
        for (const auto& [hint, key] : row.steps) {
            if (hint)
                LXHintController::sendHint(hint, key, &child);
            else
                LXHintController::removeHintForKey(key, &child);
        }
        EXPECT_EQ(line->text(), row.shown);
    }
    // Windows gone: their entries went with them (ASan would see a stale one).
    QWidget lone;
    LXHintController::sendHint("nobody listens", 1, &lone);
    EXPECT_EQ(LXHintController::controllerForWindow(&lone), nullptr);
}
