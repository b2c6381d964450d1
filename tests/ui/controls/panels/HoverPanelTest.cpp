#include "ui/controls/LXHoverWindowController.h"

#include "ui/controls/ControlsClasses.h"

#include <QCursor>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

struct Scene {
    QWidget window;
    LXInfoHoverButton* button;

    explicit Scene(QPoint at)
    {
        registerControlsClasses();
        window.setGeometry(50, 50, 420, 300);
        window.setObjectName("scene");
        window.setStyleSheet("#scene { background: qlineargradient(x1:0, y1:0, x2:1, y2:1, stop:0 #3b6, stop:1 #36b) }");
        button = new LXInfoHoverButton(&window);
        button->setName("PushButton");
        button->setTitle("i");
        button->setGeometry(QRect(at, QSize(30, 24)));
        // Hover comes from the test, not from pointer events.
        button->setDisableTracking(true);
        button->setInfoTitle("Scale up");
        button->setInfoDescription("Enlarge photos smaller than the screen to fill it");
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    // Whether the panel shows once the button is hovered with the pointer there.
    bool hoverWithPointerAt(QPoint local)
    {
        QCursor::setPos(window.mapToGlobal(local));
        button->setButtonState(LXButton::kHover);
        return shown();
    }
    LXHoverWindowController* controller() const { return button->hoverController(); }
    QWidget* panel() const { return controller() ? controller()->panel() : nullptr; }
    bool shown() const { return controller() && controller()->isShown(); }
};

} // namespace

TEST(HoverPanel, Rows)
{
    // The button's place, where the pointer is when it is hovered, whether the panel then shows, and what follows.
    struct Row { const char* name; QPoint button, pointer; bool shows; std::function<void(Scene&)> run; };
    const Row rows[] = {
        {"its picture is the window's pixels at the button, over the button", {100, 60}, {110, 70}, true, [](Scene& s) {
             LXImageView* image = s.controller()->imageView();
             EXPECT_EQ(image->mapTo(&s.window, QPoint(0, 0)), QPoint(100, 60));
             const QImage shown = image->image().toImage().convertToFormat(QImage::Format_RGB32);
             s.controller()->closePanel();
             EXPECT_EQ(shown, s.window.grab(QRect(100, 60, 30, 24)).toImage().convertToFormat(QImage::Format_RGB32));
         }},
        {"a longer description grows the open panel downward", {100, 60}, {110, 70}, true, [](Scene& s) {
             const QRect before = s.panel()->geometry();
             s.button->setInfoDescription(QString("A much longer description that wraps onto more lines. ").repeated(4));
             ASSERT_NE(s.controller()->animation(), nullptr);
             s.controller()->animation()->setCurrentTime(150);
             const QRect after = s.panel()->geometry();
             EXPECT_EQ(after.topLeft(), before.topLeft());
             EXPECT_EQ(after.width(), before.width());
             EXPECT_GT(after.height(), before.height() + 20);
         }},
        {"leaving the panel closes it and detaches it", {100, 60}, {110, 70}, true, [](Scene& s) {
             QCursor::setPos(s.window.mapToGlobal(QPoint(400, 280))); // in one jump
             QTest::mouseMove(&s.window, {400, 280});
             EXPECT_FALSE(s.shown());
             EXPECT_EQ(s.panel()->parentWidget(), nullptr);
         }},
        {"shown with the pointer already outside it closes at once", {100, 60}, {400, 280}, false, [](Scene&) {}},
        {"clamped at the window's bottom", {200, 270}, {210, 280}, true, [](Scene& s) {
             EXPECT_EQ(s.panel()->geometry().bottom(), s.window.height() - 1);
             EXPECT_LT(s.panel()->y(), 260);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Scene scene(row.button);
        EXPECT_EQ(scene.controller(), nullptr); // no panel before the first hover
        ASSERT_EQ(scene.hoverWithPointerAt(row.pointer), row.shows);
        row.run(scene);
    }
}
