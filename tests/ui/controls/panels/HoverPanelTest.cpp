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
    void pointTo(QPoint local)
    {
        QCursor::setPos(window.mapToGlobal(local));
        QTest::mouseMove(&window, local);
    }
    void hoverWithPointerAt(QPoint local)
    {
        QCursor::setPos(window.mapToGlobal(local));
        button->setButtonState(LXButton::kHover);
    }
    LXHoverWindowController* controller() const { return button->hoverController(); }
    QWidget* panel() const { return controller() ? controller()->panel() : nullptr; }
    bool shown() const { return controller() && controller()->isShown(); }
};

} // namespace

TEST(HoverPanel, Rows)
{
    struct Row { const char* name; QPoint button; std::function<void(Scene&)> run; };
    const Row rows[] = {
        {"its picture is the window's pixels at the button, over the button", {100, 60}, [](Scene& s) {
             EXPECT_EQ(s.controller(), nullptr); // no panel before the first hover
             s.hoverWithPointerAt({110, 70});
             ASSERT_TRUE(s.shown());
             LXImageView* image = s.controller()->imageView();
             EXPECT_EQ(image->mapTo(&s.window, QPoint(0, 0)), QPoint(100, 60));
             const QImage shown = image->image().toImage().convertToFormat(QImage::Format_RGB32);
             s.controller()->closePanel();
             EXPECT_EQ(shown, s.window.grab(QRect(100, 60, 30, 24)).toImage().convertToFormat(QImage::Format_RGB32));
         }},
        {"a longer description grows the open panel downward", {100, 60}, [](Scene& s) {
             s.hoverWithPointerAt({110, 70});
             ASSERT_TRUE(s.shown());
             const QRect before = s.panel()->geometry();
             s.button->setInfoDescription(QString("A much longer description that wraps onto more lines. ").repeated(4));
             ASSERT_NE(s.controller()->animation(), nullptr);
             s.controller()->animation()->setCurrentTime(150);
             const QRect after = s.panel()->geometry();
             EXPECT_EQ(after.topLeft(), before.topLeft());
             EXPECT_EQ(after.width(), before.width());
             EXPECT_GT(after.height(), before.height() + 20);
         }},
        {"leaving the panel closes it and detaches it", {100, 60}, [](Scene& s) {
             s.hoverWithPointerAt({110, 70});
             ASSERT_TRUE(s.shown());
             s.pointTo({400, 280}); // in one jump
             EXPECT_FALSE(s.shown());
             EXPECT_EQ(s.panel()->parentWidget(), nullptr);
         }},
        {"shown with the pointer already outside it closes at once", {100, 60}, [](Scene& s) {
             s.hoverWithPointerAt({400, 280});
             EXPECT_FALSE(s.shown());
         }},
        {"clamped at the window's bottom", {200, 270}, [](Scene& s) {
             s.hoverWithPointerAt({210, 280});
             ASSERT_TRUE(s.shown());
             EXPECT_EQ(s.panel()->geometry().bottom(), s.window.height() - 1);
             EXPECT_LT(s.panel()->y(), 260);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Scene scene(row.button);
        row.run(scene);
    }
}
