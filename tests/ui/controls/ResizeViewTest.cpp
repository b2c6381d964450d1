#include "ui/controls/LXResizeView.h"
#include "ui/windows/LXToolTipController.h"
#include "tests/ui/controls/ControlsTest.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace ResizeGeometry;

namespace {

struct Call { int sides; QSizeF change; int state; };

// Records each message; with `apply` it moves the left edge at once, as a real host does.
class Host : public QObject, public ResizeViewDelegate {
public:
    QList<Call> calls;
    bool apply = false;
    void resizeView(LXResizeView* view, int sides, QSizeF change, int state) override
    {
        calls.append({sides, change, state});
        if (apply)
            view->setGeometry(view->geometry().adjusted(-qRound(change.width()), 0, 0, 0));
    }
};

// A shown window with a painted sibling under a frame at (100, 100, 200, 100);
// the pointer goes through the window, so Qt picks receivers as for a real one.
struct Scene {
    QWidget window;
    Below* below = new Below(&window);
    LXResizeView* frame = new LXResizeView(&window);
    Host host;
    Scene()
    {
        window.resize(400, 300);
        below->setGeometry(window.rect());
        frame->setGeometry(100, 100, 200, 100);
        frame->setDelegate(&host);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    ~Scene() { QTest::mouseRelease(handle(), Qt::LeftButton, {}, {1, 1}); } // QTest keeps button states
    QWindow* handle() { return window.windowHandle(); }
    void press(QPoint p) { QTest::mousePress(handle(), Qt::LeftButton, {}, p); }
    void move(QPoint p) { QTest::mouseMove(handle(), p); }
    QList<int> states() const { QList<int> s; for (const Call& c : host.calls) s.append(c.state); return s; }
};

} // namespace

TEST(ResizeView, DragsReportStatesAndChangesAgainstTheCurrentBounds)
{
    struct Row { const char* name; int allowed, sides; bool apply; QPoint press; QList<QPoint> moves; QSizeF total; };
    const Row rows[] = {
        {"20 left and 10 down from 5, 5", kAllSides, kLeft | kBottom, false, {105, 195}, {{85, 205}}, {20, 10}},
        {"only the top allowed: near the left edge grabs nothing more", kTop, kTop, false, {105, 105}, {{85, 95}}, {0, 10}},
        {"an applying host gets +50 for five moves of -10", kAllSides, kLeft, true, {105, 150},
         {{95, 150}, {85, 150}, {75, 150}, {65, 150}, {55, 150}}, {50, 0}},
    };
    for (const Row& row : rows) {
        Scene scene;
        scene.host.apply = row.apply;
        scene.frame->setAllowedSides(row.allowed);
        scene.press(row.press);
        for (QPoint p : row.moves) scene.move(p);
        QTest::mouseRelease(scene.handle(), Qt::LeftButton, {}, row.moves.last());
        QSizeF total(0, 0);
        for (const Call& c : scene.host.calls) total = row.apply ? total + c.change : c.state == 1 ? c.change : total;
        EXPECT_EQ(total, row.total) << row.name;
        EXPECT_EQ(scene.host.calls.first().sides, row.sides) << row.name;
        EXPECT_EQ(scene.states(), QList<int>{0} + QList<int>(row.moves.size(), 1) + QList<int>{2}) << row.name;
        EXPECT_EQ(scene.host.calls.last().change, QSizeF(0, 0)) << row.name;
    }
}

TEST(ResizeView, EndStateComesWhenTheDragIsCutShort)
{
    struct Row { const char* name; std::function<void(Scene&)> cut; };
    const Row rows[] = {
        {"hidden", [](Scene& s) { s.frame->hide(); }},
        {"deleted", [](Scene& s) { delete s.frame; }},
        {"window deactivates", [](Scene& s) { QEvent e(QEvent::WindowDeactivate); QCoreApplication::sendEvent(s.frame, &e); }},
        {"a move with no button down", [](Scene& s) { send(s.frame, QEvent::MouseMove, {50, 50}, Qt::NoButton); }},
        {"moved to another window", [](Scene& s) { s.frame->setParent(nullptr); delete s.frame; }},
    };
    for (const Row& row : rows) {
        Scene scene;
        scene.press({105, 150});
        row.cut(scene);
        EXPECT_EQ(scene.states(), QList<int>({0, 2})) << row.name;
        EXPECT_EQ(cursorKeys(&scene.window), QList<QVariant>()) << row.name;
    }
}

TEST(ResizeView, PassesInnerPressesOnAndCentresTabs)
{
    Scene scene;
    auto* button = new QPushButton(QStringLiteral("Fit"));
    button->resize(40, 20);
    scene.frame->setTopTabContent(button);
    scene.frame->resize(240, 120);
    const QRect tab = scene.frame->topTab()->geometry();
    EXPECT_EQ(tab.center().x(), scene.frame->geometry().center().x());
    EXPECT_EQ(button->x(), qRound(tab.width() / 2.0 - 20));
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    QTest::mouseClick(scene.handle(), Qt::LeftButton, {}, button->mapTo(&scene.window, QPoint(20, 10)));
    QTest::mouseClick(scene.handle(), Qt::LeftButton, {}, {220, 160}); // the middle
    scene.press({108, 160}); // the band
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(scene.below->presses, 1);
    EXPECT_EQ(scene.states(), QList<int>({0}));
    for (double ratio : {1.0, 2.0}) {
        const QImage image = grab(scene.window, ratio, QStringLiteral("resize-frame"));
        EXPECT_EQ(image.pixelColor(QPoint(220, 160) * ratio), QColor(40, 120, 200)) << ratio;
        EXPECT_GT(image.pixelColor(QPointF(105 * ratio, 130 * ratio).toPoint()).lightness(), 200) << ratio;
    }
}

TEST(ResizeView, TurnsItsCursorWithTheHostAndShowsItsHint)
{
    struct Row { const char* name; double turn; QPoint at; std::optional<int> angle; };
    const Row rows[] = {
        {"top right corner", 0, {297, 103}, 45},
        {"top right corner of a host turned 30", 30, {297, 103}, 75},
        {"bottom edge of a host turned -100", -100, {200, 197}, 170},
    };
    for (const Row& row : rows) {
        Scene scene;
        auto* line = new QLabel(&scene.window);
        LXHintController::addHintConrollerForWindow(&scene.window, line);
        scene.frame->setGlobalLayerRotation(row.turn);
        scene.move(row.at);
        EXPECT_EQ(scene.frame->cursorAngle(), row.angle) << row.name;
        EXPECT_EQ(line->text(), row.angle ? "Drag a side or corner to resize" : "") << row.name;
        EXPECT_EQ(scene.window.cursor().shape(), row.angle ? Qt::BitmapCursor : Qt::ArrowCursor) << row.name;
        scene.move({5, 5});
        EXPECT_TRUE(line->text().isEmpty()) << row.name;
    }
}
