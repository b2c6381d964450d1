#include "ui/controls/LXSingleButtonPanel.h"

#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

// The pointer at a point of `window`: where QCursor says it is, and the move events it makes.
void pointTo(QWidget& window, QPoint local)
{
    QCursor::setPos(window.mapToGlobal(local));
    QTest::mouseMove(&window, local);
}

struct Recorder : QObject, LXSingleButtonPanelDelegate {
    QStringList heard;
    void panelDidHide(LXSingleButtonPanel*) override { heard << "hide"; }
    void panelChangedHovered(LXSingleButtonPanel*, bool on) override { heard << (on ? "hover" : "unhover"); }
    void panelWasClicked(LXSingleButtonPanel*) override { heard << "click"; }
};

struct Scene {
    QWidget window;
    QLineEdit* field = new QLineEdit(&window);
    QWidget otherWindow;
    Recorder a, b;
    LXSingleButtonPanel* panel = LXSingleButtonPanel::sharedPanel();

    Scene()
    {
        window.setGeometry(40, 40, 500, 400);
        field->setGeometry(10, 360, 200, 30);
        otherWindow.setGeometry(600, 40, 200, 200);
        otherWindow.show();
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        panel->close();
    }
    // Shown for `d`, its top edge at 50 points below the window's top.
    void show(QObject* d, const QString& message = "Apply the frame to all photos?")
    {
        panel->showOver(&window, QPointF(60, 350), d, message, "Apply");
    }
    QWidget* overlay() const { return panel->panelWindow(); }
};

} // namespace

TEST(SingleButtonPanel, HeightAndPlace)
{
    EXPECT_EQ(LXSingleButtonPanel::panelHeight(0, 50, 28), 48);  // no message: the button and 20
    EXPECT_EQ(LXSingleButtonPanel::panelHeight(17, 50, 28), 79); // text, label y, 2 and 10
    EXPECT_EQ(LXSingleButtonPanel::panelFrame({60, 350}, {300, 79}), QRectF(60, 271, 300, 79));
}

TEST(SingleButtonPanel, EdgeCases)
{
    struct Row { const char* name; std::function<void(Scene&)> run; };
    const Row rows[] = {
        {"another delegate takes it: the first hears once, the panel moves", [](Scene& s) {
             s.show(&s.a);
             const QRect before = s.overlay()->geometry();
             EXPECT_EQ(before.topLeft(), QPoint(60, 50));
             s.panel->showOver(&s.window, QPointF(120, 300), &s.b, "Other", "OK");
             EXPECT_EQ(s.a.heard, QStringList{"hide"});
             EXPECT_EQ(s.panel->delegate(), &s.b);
             EXPECT_EQ(s.overlay()->geometry().topLeft(), QPoint(120, 100));
             EXPECT_TRUE(s.b.heard.isEmpty());
         }},
        {"empty message: as high as the button and 20", [](Scene& s) {
             s.show(&s.a, {});
             EXPECT_EQ(s.overlay()->height(), s.panel->button()->height() + 20);
             EXPECT_GT(s.overlay()->width(), 0);
         }},
        {"longer message: taller, button keeps its distance from the bottom", [](Scene& s) {
             s.show(&s.a, "One");
             const int shortHeight = s.overlay()->height();
             const int gap = shortHeight - s.panel->button()->geometry().bottom();
             s.show(&s.a, QString("Many words that wrap. ").repeated(12));
             EXPECT_GT(s.overlay()->height(), shortHeight);
             EXPECT_EQ(s.overlay()->height() - s.panel->button()->geometry().bottom(), gap);
         }},
        {"click into another window closes it and tells", [](Scene& s) {
             s.show(&s.a);
             QTest::mouseClick(&s.otherWindow, Qt::LeftButton, {}, QPoint(20, 20));
             EXPECT_FALSE(s.panel->isShown());
             EXPECT_EQ(s.a.heard, QStringList{"hide"});
             EXPECT_EQ(s.panel->delegate(), nullptr);
         }},
        {"click into the window outside it closes it and tells", [](Scene& s) {
             s.show(&s.a);
             QTest::mouseClick(s.field, Qt::LeftButton);
             EXPECT_FALSE(s.panel->isShown());
             EXPECT_EQ(s.a.heard, QStringList{"hide"});
         }},
        {"hideForDelegate from another object leaves it open", [](Scene& s) {
             s.show(&s.a);
             s.panel->hideForDelegate(&s.b);
             EXPECT_TRUE(s.panel->isShown());
             s.panel->hideForDelegate(&s.a);
             EXPECT_FALSE(s.panel->isShown());
             EXPECT_TRUE(s.a.heard.isEmpty()); // close() is silent
         }},
        {"Return clicks the button", [](Scene& s) {
             s.show(&s.a);
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
             EXPECT_EQ(s.a.heard, QStringList{"click"});
         }},
        {"Escape closes it and tells", [](Scene& s) {
             s.show(&s.a);
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
             EXPECT_FALSE(s.panel->isShown());
             EXPECT_EQ(s.a.heard, QStringList{"hide"});
         }},
        {"one hover message per enter or leave", [](Scene& s) {
             s.show(&s.a);
             const QPoint inside = s.overlay()->mapTo(&s.window, QPoint(5, 5));
             pointTo(s.window, inside);
             pointTo(s.window, s.panel->button()->mapTo(&s.window, QPoint(4, 4))); // into a child: no leave
             pointTo(s.window, inside);
             pointTo(s.window, QPoint(480, 20));
             EXPECT_EQ(s.a.heard, (QStringList{"hover", "unhover"}));
         }},
        {"delegate deleted while it shows is safe", [](Scene& s) {
             auto* gone = new Recorder;
             s.show(gone);
             delete gone;
             EXPECT_EQ(s.panel->delegate(), nullptr);
             s.panel->button()->click();
             pointTo(s.window, s.overlay()->mapTo(&s.window, QPoint(5, 5)));
             QTest::mouseClick(s.field, Qt::LeftButton);
             pointTo(s.window, QPoint(480, 20));
             s.show(&s.a);
             EXPECT_TRUE(s.panel->isShown());
             EXPECT_TRUE(s.a.heard.isEmpty());
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QCursor::setPos(0, 0);
        Scene scene;
        row.run(scene);
        scene.panel->close();
    }
}

TEST(SingleButtonPanel, GoesWithItsWindowAndComesBack)
{
    LXSingleButtonPanel* panel = LXSingleButtonPanel::sharedPanel();
    Recorder a;
    {
        QWidget window;
        window.resize(400, 300);
        window.show();
        panel->showOver(&window, QPointF(10, 290), &a, "Closing", "OK");
        ASSERT_TRUE(panel->isShown());
        window.close();
        EXPECT_FALSE(panel->isShown());
        EXPECT_EQ(a.heard, QStringList{"hide"});
        panel->showOver(&window, QPointF(10, 290), &a, "Again", "OK");
    } // deleted with the panel attached
    EXPECT_EQ(panel->panelWindow(), nullptr);
    QWidget next;
    next.resize(400, 300);
    next.show();
    panel->showOver(&next, QPointF(390, 10), &a, "Clamped", "OK");
    ASSERT_TRUE(panel->isShown());
    EXPECT_EQ(panel->panelWindow()->geometry().bottom(), 299); // hung below the bottom edge: clamped
    EXPECT_EQ(panel->panelWindow()->geometry().right(), 399);
    panel->close();
}
