#include "platform/ui/YUp.h"
#include "ui/controls/CropGeometry.h"
#include "ui/controls/ControlsClasses.h"
#include "ui/controls/LXCropController.h"
#include "tests/support/ChildTest.h"
#include "tests/support/Files.h"
#include "tests/support/Images.h"
#include "tests/support/LogCapture.h"
#include "tests/ui/controls/ControlsTest.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

testing::AssertionResult near(const QRectF& a, const QRectF& b)
{
    if (QLineF(a.topLeft(), b.topLeft()).length() < 1e-9 && QLineF(a.bottomRight(), b.bottomRight()).length() < 1e-9)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << a.x() << " " << a.y() << " " << a.width() << " " << a.height();
}

} // namespace

TEST(CropView, GeometryKeepsTheRatioInsideThePicture)
{
    EXPECT_EQ(CropGeometry::activeArea({300, 300}, 1.5), QRectF(0, 50, 300, 200)) << "3:2 in a square view";
    EXPECT_EQ(CropGeometry::activeArea({0, 0}, 1.5), QRectF()) << "0 x 0";

    struct Row { const char* name; QRectF crop; QPointF centre; double ratio, area; QRectF expected; };
    const Row rows[] = {
        {"refit overflow: ratio 1 on a 2:3 portrait", {0, 0, 1, 1}, {0.5, 0.5}, 1, 2.0 / 3, {0, 1.0 / 6, 1, 2.0 / 3}},
        {"refit overflow: 3:2 on 16:9", {0, 0, 1, 1}, {0.5, 0.5}, 1.5, 16.0 / 9, {0.078125, 0, 0.84375, 1}},
        {"a fitting refit is unchanged", {0, 0, 0.5, 0.5}, {0.5, 0.5}, 2, 1, {0.25, 0.375, 0.5, 0.25}},
        {"centre past the right edge stops at it", {0.25, 0.25, 0.5, 0.5}, {0.9, 0.5}, 1, 1, {0.5, 0.25, 0.5, 0.5}},
        {"centre past the bottom stops at it", {0.25, 0.25, 0.5, 0.5}, {0.5, -3}, 1, 1, {0.25, 0, 0.5, 0.5}},
    };
    for (const Row& row : rows)
        EXPECT_TRUE(near(CropGeometry::refit(row.crop, row.centre, row.ratio, row.area), row.expected)) << row.name;
}

TEST(CropView, RatiosThatGiveNaNAreRefusedAndEmptyViewsSkipRefits)
{
    LXCropView view;
    view.resize(0, 0);
    view.setActiveAreaRatio(1.5);
    view.setCropRatio(2);
    send(&view, QEvent::MouseButtonPress, {0, 0}, Qt::LeftButton);
    send(&view, QEvent::MouseMove, {5, 5}, Qt::LeftButton);
    const QRectF r = view.cropRect();
    EXPECT_TRUE(std::isfinite(r.x() + r.y() + r.width() + r.height())) << "0 x 0 gives no NaN";
    EXPECT_FALSE(view.isDragging());

    view.resize(300, 300);
    view.show();
    const QRectF fitted = view.cropRect();
    EXPECT_TRUE(near(fitted, {0, 0.125, 1, 0.75})) << "fitted once laid out";
    struct Row { const char* name; double ratio; };
    const Row rows[] = {{"NaN ratio: zero", 0}, {"NaN ratio: negative", -2}, {"NaN ratio: infinite", INFINITY},
                        {"NaN ratio: NaN", NAN}};
    for (const Row& row : rows) {
        LogCapture log;
        view.setCropRatio(row.ratio);
        view.setActiveAreaRatio(row.ratio);
        EXPECT_EQ(log.lines().size(), 2) << row.name;
        EXPECT_TRUE(log.lines().value(0).startsWith("Warning: ")) << row.name;
        EXPECT_EQ(view.cropRatio(), 2) << row.name;
        EXPECT_EQ(view.activeAreaRatio(), 1.5) << row.name;
        EXPECT_EQ(view.cropRect(), fitted) << row.name;
    }
}

TEST(CropView, DragsStopAtEdgesAndCarryTheCursorStack)
{
    QWidget window;
    window.resize(300, 300);
    auto* view = new LXCropView(&window);
    view->resize(300, 300);
    view->setActiveAreaRatio(3); // the picture: y 100..200 on screen
    view->setCropRatio(3);
    window.show();
    const auto shapes = [&] {
        QList<int> list;
        if (LXCursorStack* stack = LXCursorStack::cursorStackForWindow(&window))
            for (const QCursor& cursor : stack->cursors())
                list << cursor.shape();
        return list;
    };

    struct Row { const char* name; QPointF by; QRectF expected; };
    const Row rows[] = {
        {"past the right edge", {1000, 0}, {0.5, 0.25, 0.5, 0.5}},
        {"past the left edge", {-1000, 0}, {0, 0.25, 0.5, 0.5}},
        {"past the top edge", {0, -1000}, {0.25, 0.5, 0.5, 0.5}},
        {"past the bottom edge", {0, 1000}, {0.25, 0, 0.5, 0.5}},
        {"by a quarter across", {75, 0}, {0.5, 0.25, 0.5, 0.5}},
    };
    for (const Row& row : rows) {
        view->setCropRect({0.25, 0.25, 0.5, 0.5});
        send(view, QEvent::MouseButtonPress, {150, 150}, Qt::LeftButton);
        EXPECT_EQ(shapes(), QList<int>{Qt::ClosedHandCursor}) << row.name;
        send(view, QEvent::MouseMove, QPointF(150, 150) + row.by, Qt::LeftButton);
        EXPECT_TRUE(near(view->cropRect(), row.expected)) << row.name;
        send(view, QEvent::MouseButtonRelease, {150, 150}, Qt::NoButton);
        EXPECT_EQ(shapes(), QList<int>{Qt::OpenHandCursor}) << row.name << ": released over the rectangle";
    }
    send(view, QEvent::MouseMove, {10, 150}, Qt::NoButton);
    EXPECT_EQ(shapes(), QList<int>()) << "hovering off the rectangle";
    send(view, QEvent::MouseMove, {150, 150}, Qt::NoButton);
    EXPECT_EQ(shapes(), QList<int>{Qt::OpenHandCursor}) << "hovering over it";

    const QRectF before = view->cropRect();
    send(view, QEvent::MouseButtonPress, {150, 20}, Qt::LeftButton);
    send(view, QEvent::MouseMove, {250, 20}, Qt::LeftButton);
    EXPECT_FALSE(view->isDragging()) << "a press outside the picture";
    EXPECT_EQ(view->cropRect(), before);

    // A release that never comes ends the drag all the same.
    struct End { const char* name; std::function<void()> end; QList<int> shapes; };
    const End ends[] = {
        {"hidden", [&] { view->hide(); view->show(); }, {}},
        {"window deactivates", [&] { QEvent e(QEvent::WindowDeactivate); QApplication::sendEvent(view, &e); },
         {Qt::OpenHandCursor}},
        {"a move with no button down", [&] { send(view, QEvent::MouseMove, {10, 150}, Qt::NoButton); }, {}},
        {"deleted", [&] { delete view; }, {}},
    };
    for (const End& row : ends) {
        send(view, QEvent::MouseButtonPress, {150, 150}, Qt::LeftButton);
        send(view, QEvent::MouseMove, {160, 150}, Qt::LeftButton);
        row.end();
        EXPECT_EQ(shapes(), row.shapes) << row.name;
        if (std::string(row.name) != "deleted")
            EXPECT_FALSE(view->isDragging()) << row.name;
    }
}

TEST(CropView, TheControllerLoadsItsWindowAndDimsThePictureToItsEdges)
{
    registerControlsClasses();
    const double ratio = qApp->devicePixelRatio();
    QTemporaryDir folder;
    const QString html = writeFile(folder.filePath("Crop.html"), "<p>Drag the <b>frame</b> to choose.</p>");

    LXCropController controller;
    controller.setImage(Picture(filled(300, 200, QColor(200, 120, 40))));
    controller.setCropRatio(1);
    controller.setDescriptionFile(html);
    QWidget* window = controller.window();
    ASSERT_TRUE(window && controller.cropView() && controller.imageView() && controller.descriptionView());
    EXPECT_EQ(controller.descriptionView()->toPlainText(), "Drag the frame to choose.");
    window->resize(480, 420);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    LXCropView* view = controller.cropView();
    EXPECT_EQ(view->geometry(), controller.imageView()->geometry()) << "exactly over the picture";
    EXPECT_TRUE(near(controller.cropRect(), {1.0 / 6, 0, 2.0 / 3, 1})) << "the ratio kept until loaded, in a 3:2 picture";
    controller.setCropRect({0, 0, 2.0 / 3, 1});
    EXPECT_EQ(view->cropRect(), QRectF(0, 0, 2.0 / 3, 1)) << "written through once loaded";

    const QImage image = grab(*window, ratio, "crop");
    // Device pixels one pixel inside and outside each edge of the picture.
    const QRectF area = flippedRect(view->activeArea(), view->height()).translated(view->mapTo(window, QPoint()));
    const auto pixel = [&](double x, double y) { return image.pixelColor(int(std::floor(x * ratio)), int(std::floor(y * ratio))); };
    // 1.5 device pixels, also where an edge falls between points (the area's
    // top here is at 98.67 points).
    const double inset = 1.5 / ratio, upDown = inset, midY = area.center().y();
    const QColor picked(200, 120, 40), dimmed(50, 30, 10), background = window->palette().color(QPalette::Window);
    struct Row { const char* name; QPointF point; QColor expected; };
    const Row rows[] = {
        {"kept: inside the left edge, past the light line", {area.left() + 2, midY}, picked},
        {"dimmed: just inside the right edge", {area.right() - inset, midY}, dimmed},
        {"dimmed: just inside the top", {area.right() - inset, area.top() + upDown}, dimmed},
        {"dimmed: just inside the bottom", {area.right() - inset, area.bottom() - upDown}, dimmed},
        {"undimmed: just outside the right edge", {area.right() + inset, midY}, background},
        {"undimmed: just outside the top", {area.center().x(), area.top() - inset}, background},
        {"undimmed: just outside the bottom", {area.center().x(), area.bottom() + inset}, background},
    };
    for (const Row& row : rows) {
        const QColor seen = pixel(row.point.x(), row.point.y());
        EXPECT_NEAR(seen.red(), row.expected.red(), 2) << row.name;
        EXPECT_NEAR(seen.green(), row.expected.green(), 2) << row.name;
        EXPECT_NEAR(seen.blue(), row.expected.blue(), 2) << row.name;
    }
    if (ratio == 1)
        EXPECT_TRUE(runTestInChild("CropView.TheControllerLoadsItsWindowAndDimsThePictureToItsEdges",
                                   {{"QT_SCALE_FACTOR", "2"}}).passed);
}
