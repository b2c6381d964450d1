#include "app/LookChainView.h"
#include "app/LookCropOverlay.h"
#include "app/LookTurnOverlay.h"
#include "effects/LXEffect.h"
#include "effects/LXEffectsCatalog.h"
#include "ui/controls/LXCropView.h"
#include "util/UndoManager.h"
#include "tests/ui/controls/ControlsTest.h"

#include <QAbstractButton>
#include <QAction>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace {

// A photo whose top half is red and bottom half blue, so a flip shows.
QImage photo(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(40, 60, 200));
    QPainter(&image).fillRect(0, 0, width, height / 2, QColor(220, 50, 40));
    return image;
}

testing::AssertionResult near(const QRectF& a, const QRectF& b)
{
    if (QLineF(a.topLeft(), b.topLeft()).length() < 1e-9 && QLineF(a.bottomRight(), b.bottomRight()).length() < 1e-9)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << a.x() << " " << a.y() << " " << a.width() << " " << a.height();
}

// A shown, active 400 x 300 window: the drawn screen the overlays cover,
// with the window's own Return ("Set as Wallpaper").
struct Screen {
    QWidget window;
    QAction* setAsWallpaper = new QAction(&window);
    Screen()
    {
        setAsWallpaper->setShortcut(Qt::Key_Return);
        window.addAction(setAsWallpaper);
        window.resize(400, 300);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
};

} // namespace

TEST(LookWidgets, TurnSnapsNearTheQuarterPoints)
{
    struct Row { const char* name; double degrees, snapped; };
    const Row rows[] = {
        {"straight stays", 0, 0},
        {"within the tolerance snaps", 2.9, 0},
        {"beyond the tolerance stays", 3.5, 3.5},
        {"near a quarter", 88, 90},
        {"near a quarter, clockwise", -91.5, -90},
        {"near the half turn from below", 178, 180},
        {"near the half turn from above reads as 180", -179, 180},
        {"a whole turn and one degree", 361, 0},
        {"past the half turn goes negative", 200, -160},
        {"three quarters are one back", 270, -90},
        {"not a number", std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const Row& row : rows)
        EXPECT_DOUBLE_EQ(snappedRotation(row.degrees), row.snapped) << row.name;
}

TEST(LookWidgets, TurnOverlayTurnsLiveSnapsAndEscapeRestores)
{
    Screen screen;
    QSignalSpy wallpapers(screen.setAsWallpaper, &QAction::triggered);
    LookTurnOverlay overlay(&screen.window);
    ASSERT_TRUE(overlay.begin(photo(300, 200), {50, 20, 300, 260}, 10));
    QSignalSpy turns(&overlay, &LookTurnOverlay::rotationChanged);
    QSignalSpy cancelled(&overlay, &LookTurnOverlay::cancelled);
    LXRotationView* ring = overlay.ring();
    const QPointF c(ring->width() / 2.0, ring->height() / 2.0);
    const double r = ring->radius();
    const auto at = [&](double degrees) {
        const double a = degrees * std::numbers::pi / 180;
        return c + QPointF(r * std::cos(a), -r * std::sin(a));
    };
    send(ring, QEvent::MouseButtonPress, at(20), Qt::LeftButton);
    send(ring, QEvent::MouseMove, at(60), Qt::LeftButton);
    ASSERT_FALSE(turns.isEmpty());
    EXPECT_DOUBLE_EQ(turns.last().at(0).toDouble(), 50) << "the start plus the drag";
    EXPECT_TRUE(turns.last().at(1).toBool());
    send(ring, QEvent::MouseMove, at(98), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(turns.last().at(0).toDouble(), 90) << "88 snaps to the quarter";
    send(ring, QEvent::MouseButtonRelease, at(98), Qt::NoButton);
    EXPECT_FALSE(turns.last().at(1).toBool()) << "the drag's end is not in progress";

    // The photo is drawn turned: a quarter turn counter-clockwise puts its red top on the left.
    const QImage turned = grab(overlay, 2, QStringLiteral("look-turn"));
    const QPointF mid = overlay.photoRect().center();
    EXPECT_GT(qRed(turned.pixel((mid.toPoint() + QPoint(-15, 0)) * 2)), 150) << "red on the left";
    EXPECT_GT(qBlue(turned.pixel((mid.toPoint() + QPoint(15, 0)) * 2)), 150) << "blue on the right";

    QTest::keyClick(&overlay, Qt::Key_Escape);
    EXPECT_EQ(cancelled.count(), 1);
    EXPECT_DOUBLE_EQ(turns.last().at(0).toDouble(), 10) << "Escape gives the starting turn back";
    EXPECT_FALSE(overlay.isVisible());

    QSignalSpy accepted(&overlay, &LookTurnOverlay::accepted);
    ASSERT_TRUE(overlay.begin(photo(300, 200), {50, 20, 300, 260}, 0));
    QTest::keyClick(&overlay, Qt::Key_PageUp);
    QTest::keyClick(&overlay, Qt::Key_Right);
    QTest::keyClick(&overlay, Qt::Key_Return);
    ASSERT_EQ(accepted.count(), 1);
    EXPECT_DOUBLE_EQ(accepted.first().at(0).toDouble(), 89) << "keys turn by a quarter and by a degree, unsnapped";
    EXPECT_EQ(wallpapers.count(), 0) << "Return turns the photo, not the window's shortcut";
}

TEST(LookWidgets, CropAcceptedGivesTheFractionsOfThePartShown)
{
    struct Row {
        const char* name;
        QSize photo;
        double screenRatio;
        QRectF start;
        int dragDown, downKeys; // points dragged down, then Down presses, before accepting
        QRectF crop;  // fractions of the photo, top-left origin
    };
    const Row rows[] = {
        {"a square photo on a screen of ratio 2", {400, 400}, 2, {}, 0, 0, {0, 0.25, 1, 0.5}},
        {"3:2 photo on a 16:10 screen", {600, 400}, 1.6, {}, 0, 0, {0, 0.03125, 1, 0.9375}},
        {"a portrait photo on a screen of ratio 2", {300, 600}, 2, {}, 0, 0, {0, 0.375, 1, 0.25}},
        {"a given crop is refitted about its centre", {400, 400}, 2, {0, 0, 0.5, 0.5}, 0, 0, {0, 0.125, 0.5, 0.25}},
        {"dragging down moves the crop down the photo", {400, 400}, 2, {}, 75, 0, {0, 0.5, 1, 0.5}},
        {"the Down key moves the crop down the photo", {400, 400}, 2, {}, 0, 3, {0, 0.31, 1, 0.5}},
    };
    Screen screen;
    QSignalSpy wallpapers(screen.setAsWallpaper, &QAction::triggered);
    for (const Row& row : rows) {
        LookCropOverlay overlay(&screen.window);
        QSignalSpy accepted(&overlay, &LookCropOverlay::accepted);
        ASSERT_TRUE(overlay.begin(photo(row.photo.width(), row.photo.height()), {0, 0, 400, 300}, row.screenRatio,
                                  row.start)) << row.name;
        if (row.dragDown) {
            const QPointF middle(200, 150);
            send(overlay.cropView(), QEvent::MouseButtonPress, middle, Qt::LeftButton);
            send(overlay.cropView(), QEvent::MouseMove, middle + QPointF(0, row.dragDown), Qt::LeftButton);
            send(overlay.cropView(), QEvent::MouseButtonRelease, middle + QPointF(0, row.dragDown), Qt::NoButton);
            send(overlay.cropView(), QEvent::MouseButtonDblClick, middle, Qt::LeftButton);
        } else {
            for (int i = 0; i < row.downKeys; ++i)
                QTest::keyClick(&overlay, Qt::Key_Down);
            QTest::keyClick(&overlay, Qt::Key_Return);
        }
        ASSERT_EQ(accepted.count(), 1) << row.name;
        EXPECT_TRUE(near(accepted.first().at(0).toRectF(), row.crop)) << row.name;
        EXPECT_FALSE(overlay.isVisible()) << row.name;
    }
    EXPECT_EQ(wallpapers.count(), 0) << "Return accepts the crop, not the window's shortcut";

    LookCropOverlay overlay(&screen.window);
    QSignalSpy accepted(&overlay, &LookCropOverlay::accepted), cancelled(&overlay, &LookCropOverlay::cancelled);
    ASSERT_TRUE(overlay.begin(photo(600, 400), {0, 0, 400, 300}, 2));
    for (double ratio : {1.0, 2.0}) {
        const QImage shown = grab(overlay, ratio, QStringLiteral("look-crop"));
        EXPECT_LT(qRed(shown.pixel(QPoint(200, 30) * ratio)), 100) << "above the crop the photo is dimmed";
        EXPECT_GT(qRed(shown.pixel(QPoint(200, 100) * ratio)), 180) << "inside it the photo shows as it is";
    }
    QTest::keyClick(&overlay, Qt::Key_Escape);
    EXPECT_EQ(cancelled.count(), 1);
    EXPECT_TRUE(accepted.isEmpty());
    EXPECT_FALSE(overlay.begin(QImage(), {0, 0, 400, 300}, 2)) << "no photo";
    EXPECT_FALSE(overlay.begin(photo(10, 10), {0, 0, 400, 300}, 0)) << "a screen of no proportions";
}

TEST(LookWidgets, ChainViewSwitchesUndoesAndAnswersTheKeyboard)
{
    LXEffectsCatalog& catalog = LXEffectsCatalog::sharedEffectsCatalog();
    std::vector<std::shared_ptr<LXEffect>> chain{catalog.effectForName("SoftBlur"), catalog.effectForName("Tint"),
                                                 catalog.effectForName("Invert")};
    ASSERT_TRUE(chain[0] && chain[1] && chain[2]);
    UndoManager undo;
    for (const auto& effect : chain)
        effect->setUndoManager(&undo);

    Screen screen;
    auto* before = new QPushButton(&screen.window);
    auto* view = new LookChainView(&screen.window);
    (new QPushButton(&screen.window))->show();
    view->setEffects(chain);
    view->resize(view->sizeHint());
    view->show();
    before->show();
    before->setFocus();
    QTest::keyClick(before, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), view->rowWidget(0)) << "rows made later keep the list's place in the Tab order";
    QSignalSpy selected(view, &LookChainView::effectSelected), switched(view, &LookChainView::enabledChanged),
        removals(view, &LookChainView::removeRequested);

    QTest::mouseClick(view->switchAt(1), Qt::LeftButton);
    EXPECT_FALSE(chain[1]->enabled()) << "the switch turns the effect off";
    ASSERT_EQ(switched.count(), 1);
    EXPECT_EQ(switched.first(), (QList<QVariant>{1, false}));
    undo.closeGroup();
    ASSERT_TRUE(undo.undo());
    EXPECT_TRUE(chain[1]->enabled()) << "undo turns it on again";
    EXPECT_TRUE(view->switchAt(1)->isChecked()) << "and the switch follows";

    view->rowWidget(0)->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(view->currentRow(), 0) << "the focus selects";
    selected.clear();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(selected.count(), 2) << "Tab to the second row, Down to the third";
    EXPECT_EQ(selected.last().at(0).toInt(), 2);
    EXPECT_EQ(view->currentRow(), 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_FALSE(chain[2]->enabled()) << "Space flips the focused row's switch";

    // The owner removes the effect while the row's own key press is being answered.
    QObject::connect(view, &LookChainView::removeRequested, view, [&](int row) {
        chain.erase(chain.begin() + row);
        view->setEffects(chain);
    });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    ASSERT_EQ(removals.count(), 1);
    EXPECT_EQ(removals.first().at(0).toInt(), 2);
    EXPECT_EQ(view->rowCount(), 2);
    EXPECT_EQ(QApplication::focusWidget(), view->rowWidget(1)) << "the keyboard stays in the list";
    EXPECT_EQ(view->removeButtonAt(0)->accessibleName(), "Remove " + chain[0]->displayName());

    QTest::mouseClick(view->removeButtonAt(0), Qt::LeftButton);
    EXPECT_EQ(view->rowCount(), 1) << "removing from the button's own click";

    view->rowWidget(0)->clearFocus();
    for (double ratio : {1.0, 2.0}) {
        const QPoint left = view->switchAt(0)->mapTo(view, QPoint(7, 9)) * ratio;
        EXPECT_EQ(grab(*view, ratio, "look-chain-on").pixelColor(left), view->palette().color(QPalette::Highlight));
        view->switchAt(0)->click();
        EXPECT_EQ(grab(*view, ratio, "look-chain-off").pixelColor(left), QColor(Qt::white)) << "the knob on the left";
        view->switchAt(0)->click();
    }
}
