#include "ui/controls/LXRotationView.h"
#include "ui/windows/LXToolTipController.h"
#include "tests/support/ChildTest.h"
#include "tests/support/LogCapture.h"
#include "tests/ui/controls/ControlsTest.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

// A point of a 200 x 200 ring at `distance` and `degrees` (counter-clockwise), y down.
QPointF at(double distance, double degrees)
{
    const double radians = degrees * std::numbers::pi / 180;
    return {100 + distance * std::cos(radians), 100 - distance * std::sin(radians)};
}

void drag(QWidget* ring, std::initializer_list<QPointF> path)
{
    for (const QPointF& point : path)
        send(ring, &point == path.begin() ? QEvent::MouseButtonPress : QEvent::MouseMove, point, Qt::LeftButton);
}

struct Turns : public QObject, public RotationViewDelegate {
    QStringList messages;
    void note(const char* what, double value, bool inProgress)
    {
        messages << QStringLiteral("%1 %2 %3").arg(what).arg(std::round(value * 100) / 100).arg(inProgress ? "YES" : "NO");
    }
    void rotationViewDidRotateTo(LXRotationView*, double angle, bool on) override { note("turn", angle, on); }
};

struct TurnsAndScales : public Turns, public RotationViewResizing {
    void rotationViewDidResizeTo(LXRotationView*, double scale, bool on) override { note("scale", scale, on); }
};

// A shown 200 x 200 window filled by a ring that reports to `delegate`, over a sibling.
struct Ring {
    Turns delegate;
    QWidget window;
    Below* below = new Below(&window);
    LXRotationView* view = new LXRotationView(&window);
    Ring()
    {
        window.resize(200, 200);
        below->resize(200, 200);
        view->resize(200, 200);
        view->setDelegate(&delegate);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

} // namespace

TEST(RotationView, RadiiBandAndQuarterPoints)
{
    struct Row { const char* name; QSizeF bounds; double reduction, radius; };
    const Row radii[] = {
        {"200 square", {200, 200}, 0, 95},
        {"reduction 20", {200, 200}, 20, 76},
        {"reduction of 100 or more keeps r above 0", {200, 200}, 100, 95 * (1 - std::nextafter(100.0, 0.0) / 100)},
        {"negative reduction reads as 0", {200, 200}, -30, 95},
    };
    for (const Row& row : radii)
        EXPECT_DOUBLE_EQ(RingGeometry::radius(row.bounds, row.reduction), row.radius) << row.name;

    struct Near { const char* name; double distance, angle; bool near; };
    const Near quarters[] = {
        {"3 degrees at 95", 95, 3, true},  {"10 degrees at 95", 95, 10, false},
        {"87 degrees at 95", 95, 87, true}, {"-178 degrees at 95", 95, -178, true},
    };
    for (const Near& row : quarters)
        EXPECT_EQ(RingGeometry::nearQuarterPoint({row.distance, row.angle}), row.near) << row.name;

    struct Step { const char* name; double from, to, turn; };
    const Step steps[] = {
        {"wrap-around across the left side", 170, -170, 20},
        {"wrap-around back", -170, 170, -20},
        {"half a turn is +180", 0, 180, 180},
    };
    for (const Step& row : steps)
        EXPECT_DOUBLE_EQ(RingGeometry::step(row.from, row.to), row.turn) << row.name;
}

TEST(RotationView, PressesInTheBandOnlyTheRestReachesTheSiblingBelow)
{
    struct Row { const char* name; double distance; bool ring; };
    const Row rows[] = {
        {"88 hits", 88, true}, {"102 hits", 102, true},
        {"86 reaches the sibling", 86, false}, {"the centre reaches the sibling", 0, false},
    };
    for (const Row& row : rows) {
        Ring ring;
        QTest::mouseClick(ring.window.windowHandle(), Qt::LeftButton, {}, at(row.distance, 45).toPoint());
        EXPECT_EQ(ring.below->presses, row.ring ? 0 : 1) << row.name;
        EXPECT_EQ(ring.delegate.messages.isEmpty(), !row.ring) << row.name;
    }
}

TEST(RotationView, DragsReportTurnAndScaleAndAlwaysEnd)
{
    struct Row { const char* name; std::initializer_list<QPointF> path; bool scales; QStringList expected; };
    const Row rows[] = {
        {"0 to 30", {at(95, 45), at(95, 60), at(95, 75)}, true,
         {"turn 15 YES", "turn 30 YES", "turn 30 NO"}},
        {"near a quarter point scales", {at(95, 3), at(142.5, 3)}, true,
         {"turn 0 YES", "scale 1.5 YES", "turn 0 NO", "scale 1.5 NO"}},
        {"wrap-around across the left side", {at(95, 170), at(95, 180), at(95, -170)}, true,
         {"turn 10 YES", "turn 20 YES", "turn 20 NO"}},
        {"a delegate without resizing gets no scale", {at(95, 3), at(142.5, 3)}, false,
         {"turn 0 YES", "turn 0 NO"}},
    };
    for (const Row& row : rows) {
        Ring ring;
        TurnsAndScales both;
        Turns& delegate = row.scales ? both : ring.delegate;
        ring.view->setDelegate(&delegate);
        drag(ring.view, row.path);
        send(ring.view, QEvent::MouseButtonRelease, *std::prev(row.path.end()), Qt::NoButton);
        EXPECT_EQ(delegate.messages, row.expected) << row.name;
    }

    // A release that never comes: each of these ends the drag with NO.
    struct End { const char* name; std::function<void(LXRotationView*)> end; };
    const End ends[] = {
        {"hidden", [](LXRotationView* ring) { ring->hide(); }},
        {"window deactivates", [](LXRotationView* ring) { QEvent e(QEvent::WindowDeactivate); QApplication::sendEvent(ring, &e); }},
        {"a move with no button down", [](LXRotationView* ring) { send(ring, QEvent::MouseMove, at(50, 75), Qt::NoButton); }},
        {"deleted", [](LXRotationView* ring) { delete ring; }},
    };
    for (const End& row : ends) {
        Ring ring;
        drag(ring.view, {at(95, 45), at(95, 75)});
        row.end(ring.view);
        EXPECT_EQ(ring.delegate.messages, QStringList({"turn 30 YES", "turn 30 NO"})) << row.name;
        EXPECT_EQ(cursorKeys(&ring.window), QList<QVariant>()) << row.name;
    }

    LogCapture log;
    Ring ring;
    drag(ring.view, {at(10, 45), at(150, 45)});
    EXPECT_EQ(log.lines(), QStringList()) << "a press off the band starts nothing";
    drag(ring.view, {at(90, 45), at(950, 45)});
    EXPECT_EQ(log.lines(), QStringList({"Warning: big values: 0.000000, 10.555556"}));
}

TEST(RotationView, CursorAndHintFollowTheRingAndGoAway)
{
    Ring host;
    auto* hintLine = new QLabel(&host.window);
    LXHintController::addHintConrollerForWindow(&host.window, hintLine);
    host.view->setHint("Drag to turn");
    const QVariant key = QVariant::fromValue<QObject*>(host.view);
    const auto hover = [&](QPointF point) { send(host.view, QEvent::MouseMove, point, Qt::NoButton); };

    hover(at(95, 20.2));
    EXPECT_EQ(cursorKeys(&host.window), QList<QVariant>{key});
    EXPECT_EQ(hintLine->text(), "Drag to turn");
    hover(at(96, 20.1)); // the same whole degree
    EXPECT_EQ(host.view->cursorChanges(), 1);
    hover(at(95, 30));
    hover(at(95, 2)); // near a quarter point: the flag changes too
    EXPECT_EQ(host.view->cursorChanges(), 3);
    host.view->setGlobalLayerRotation(10);
    hover(at(95, 2));
    EXPECT_EQ(host.view->cursorChanges(), 4) << "a turned host turns the cursor";

    struct Away { const char* name; std::function<void()> go; };
    const Away aways[] = {
        {"leave", [&] { QEvent leave(QEvent::Leave); QApplication::sendEvent(host.view, &leave); }},
        {"hide", [&] { host.view->hide(); host.view->show(); }},
        {"destroy", [&] { delete host.view; host.view = nullptr; }},
    };
    for (const Away& row : aways) {
        hover(at(95, 45));
        ASSERT_EQ(cursorKeys(&host.window), QList<QVariant>{key}) << row.name;
        row.go();
        EXPECT_EQ(cursorKeys(&host.window), QList<QVariant>()) << row.name;
        EXPECT_EQ(hintLine->text(), "") << row.name;
    }

    Ring remote;
    remote.view->setIsRemoteControlled(true);
    send(remote.view, QEvent::MouseMove, at(95, 45), Qt::NoButton);
    EXPECT_EQ(cursorKeys(&remote.window), QList<QVariant>()) << "remote control: hover changes no cursor";
}

TEST(RotationView, LooksLikeARingWithHandlesAndCursorsTurnWithIt)
{
    // Run once more at ratio 2, where the screen's ratio reaches the cursor.
    const double ratio = qApp->devicePixelRatio();
    Ring host;
    host.view->setFillColor(QColor(53, 132, 228));
    QImage image = grab(*host.view, ratio, "ring", QColor(250, 250, 250), QWidget::DrawChildren);
    const auto pixel = [&](QPointF point) { return image.pixelColor((point * ratio).toPoint()); };
    EXPECT_EQ(pixel(at(95, 45)), QColor(53, 132, 228)) << "the band";
    EXPECT_EQ(pixel(at(95, 0)), QColor(Qt::white)) << "a handle";
    EXPECT_EQ(pixel({100, 100}), QColor(250, 250, 250)) << "the middle stays clear";

    host.view->setDashed(true);
    host.view->setHighlighted(true);
    image = grab(*host.view, ratio, "ring-highlighted", QColor(250, 250, 250), QWidget::DrawChildren);
    EXPECT_GT(pixel(at(95, 45)).lightness(), QColor(53, 132, 228).lightness()) << "highlighted is brighter";

    // Cursor pixels: at 0 degrees the arrow's heads point at the centre (left).
    for (double degrees : {0.0, 90.0}) {
        send(host.view, QEvent::MouseMove, at(95, degrees + 30), Qt::NoButton);
        send(host.view, QEvent::MouseMove, at(95, degrees), Qt::NoButton);
        ASSERT_TRUE(host.view->shownCursor());
        const QImage expected = TurnedCursor::render(TurnedCursor::turningArrowShape(), degrees + 90, ratio);
        EXPECT_EQ(host.view->shownCursor()->pixmap().toImage().convertToFormat(expected.format()), expected) << degrees;
    }
    if (ratio == 1)
        EXPECT_TRUE(runTestInChild("RotationView.LooksLikeARingWithHandlesAndCursorsTurnWithIt", {{"QT_SCALE_FACTOR", "2"}}).passed);
}
