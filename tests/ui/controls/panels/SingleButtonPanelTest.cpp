#include "ui/controls/LXSingleButtonPanel.h"

#include <QApplication>
#include <QCursor>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

struct Recorder : QObject, SingleButtonPanelDelegate {
    QStringList heard;
    void panelDidHide(LXSingleButtonPanel*) override { heard << "hide"; }
    void panelChangedHovered(LXSingleButtonPanel*, bool on) override { heard << (on ? "hover" : "unhover"); }
    void panelWasClicked(LXSingleButtonPanel*) override { heard << "click"; }
};

struct Scene {
    QWidget window, otherWindow;
    Recorder a, b;
    LXSingleButtonPanel* panel = LXSingleButtonPanel::sharedPanel();

    Scene()
    {
        window.setGeometry(40, 40, 500, 400);
        otherWindow.setGeometry(600, 40, 200, 200);
        otherWindow.show();
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    // Its top edge 50 points below the window's top.
    void show(QObject* d, const QString& message = "Apply the frame to all photos?")
    {
        panel->showOver(&window, QPointF(60, 350), d, message, "Apply");
    }
    // Where QCursor says the pointer is, and the move events it makes.
    void pointTo(QPoint local)
    {
        QCursor::setPos(window.mapToGlobal(local));
        QTest::mouseMove(&window, local);
    }
};

} // namespace

TEST(SingleButtonPanel, Rows)
{
    EXPECT_EQ(LXSingleButtonPanel::panelHeight(17, 50, 28), 79); // text, label y, 2 and 10
    // shown: the panel shows for delegate a with the usual message before the row runs.
    struct Row { const char* name; bool shown; std::function<void(Scene&)> run; };
    const Row rows[] = {
        {"another delegate takes it: the first hears once, the panel moves", true, [](Scene& s) {
             EXPECT_EQ(s.panel->panelWindow()->geometry().topLeft(), QPoint(60, 50));
             s.panel->showOver(&s.window, QPointF(120, 300), &s.b, "Other", "OK");
             EXPECT_EQ(s.a.heard, QStringList{"hide"});
             EXPECT_EQ(s.panel->panelWindow()->geometry().topLeft(), QPoint(120, 100));
         }},
        {"empty message: as high as the button and 20", false, [](Scene& s) {
             s.show(&s.a, {});
             EXPECT_EQ(s.panel->panelWindow()->height(), s.panel->button()->height() + 20);
         }},
        {"click into another window closes it and tells", true, [](Scene& s) {
             QTest::mouseClick(&s.otherWindow, Qt::LeftButton, {}, QPoint(20, 20));
             EXPECT_FALSE(s.panel->isShown());
             EXPECT_EQ(s.a.heard, QStringList{"hide"});
         }},
        {"hideForDelegate from another object leaves it open; close is silent", true, [](Scene& s) {
             s.panel->hideForDelegate(&s.b);
             EXPECT_TRUE(s.panel->isShown());
             s.panel->hideForDelegate(&s.a);
             EXPECT_FALSE(s.panel->isShown());
             EXPECT_TRUE(s.a.heard.isEmpty());
         }},
        {"Return clicks the button", true, [](Scene& s) {
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
             EXPECT_EQ(s.a.heard, QStringList{"click"});
         }},
        {"one hover message per enter or leave", true, [](Scene& s) {
             const QPoint inside = s.panel->panelWindow()->mapTo(&s.window, QPoint(5, 5));
             s.pointTo(inside);
             s.pointTo(s.panel->button()->mapTo(&s.window, QPoint(4, 4))); // into a child: no leave
             s.pointTo(inside);
             s.pointTo({480, 20});
             EXPECT_EQ(s.a.heard, (QStringList{"hover", "unhover"}));
         }},
        {"delegate deleted while it shows is safe", false, [](Scene& s) {
             auto* gone = new Recorder;
             s.show(gone);
             delete gone;
             s.panel->button()->click();
             QTest::mouseClick(&s.otherWindow, Qt::LeftButton);
             EXPECT_FALSE(s.panel->isShown());
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Scene scene;
        if (row.shown)
            scene.show(&scene.a);
        row.run(scene);
        scene.panel->close();
    }
}
