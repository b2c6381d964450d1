#include "ui/controls/LXRotationView.h"
#include "ui/windows/LXToolTipController.h"
#include "util/LXCursorStack.h"
#include "tests/support/ChildTest.h"
#include "tests/support/LogCapture.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
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

void send(QWidget* widget, QEvent::Type type, QPointF point, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, point, widget->mapToGlobal(point), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void drag(QWidget* ring, std::initializer_list<QPointF> path)
{
    auto point = path.begin();
    send(ring, QEvent::MouseButtonPress, *point, Qt::LeftButton);
    for (++point; point != path.end(); ++point)
        send(ring, QEvent::MouseMove, *point, Qt::LeftButton);
}

} // namespace

struct Turns : public QObject, public RotationViewDelegate {
    QStringList messages;
    void rotationViewDidRotateTo(LXRotationView*, double angle, bool inProgress) override
    {
        messages << QStringLiteral("turn %1 %2").arg(std::round(angle * 100) / 100).arg(inProgress ? "YES" : "NO");
    }
};

struct TurnsAndScales : public Turns, public RotationViewResizing {
    void rotationViewDidResizeTo(LXRotationView*, double scale, bool inProgress) override
    {
        messages << QStringLiteral("scale %1 %2").arg(std::round(scale * 100) / 100).arg(inProgress ? "YES" : "NO");
    }
};

TEST(RotationView, RadiiBandAndQuarterPoints)
{
    struct Row { const char* name; QSizeF bounds; double reduction, radius; };
    const Row radii[] = {
        {"200 square", {200, 200}, 0, 95},
        {"reduction 20", {200, 200}, 20, 76},
        {"reduction of 100 or more keeps r above 0", {200, 200}, 100, 95 * (1 - std::nextafter(100.0, 0.0) / 100)},
        {"negative reduction reads as 0", {200, 200}, -30, 95},
    };
    for (const Row& row : radii) {
        EXPECT_DOUBLE_EQ(RingGeometry::radius(row.bounds, row.reduction), row.radius) << row.name;
        EXPECT_GT(RingGeometry::radius(row.bounds, row.reduction), 0) << row.name;
    }

    struct Near { const char* name; double distance, angle; bool near; };
    const Near quarters[] = {
        {"3 degrees at 95", 95, 3, true},  {"10 degrees at 95", 95, 10, false},
        {"87 degrees at 95", 95, 87, true}, {"-178 degrees at 95", 95, -178, true},
        {"45 degrees", 95, 45, false},
    };
    for (const Near& row : quarters)
        EXPECT_EQ(RingGeometry::nearQuarterPoint({row.distance, row.angle}), row.near) << row.name;

    struct Step { const char* name; double from, to, turn; };
    const Step steps[] = {
        {"plain", 0, 30, 30},
        {"wrap-around across the left side", 170, -170, 20},
        {"wrap-around back", -170, 170, -20},
        {"half a turn is +180", 0, 180, 180},
    };
    for (const Step& row : steps)
        EXPECT_DOUBLE_EQ(RingGeometry::step(row.from, row.to), row.turn) << row.name;
}

class Presses : public QWidget {
public:
    using QWidget::QWidget;
    int presses = 0;
protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

TEST(RotationView, PressesInTheBandOnlyTheRestReachesTheSiblingBelow)
{
    QWidget window;
    window.resize(200, 200);
    auto* below = new Presses(&window);
    below->setGeometry(0, 0, 200, 200);
    auto* ring = new LXRotationView(&window);
    ring->setGeometry(0, 0, 200, 200);
    TurnsAndScales delegate;
    ring->setDelegate(&delegate);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    struct Row { const char* name; double distance; bool ring; };
    const Row rows[] = {
        {"88 hits", 88, true}, {"102 hits", 102, true},
        {"86 reaches the sibling", 86, false}, {"the centre reaches the sibling", 0, false},
    };
    for (const Row& row : rows) {
        delegate.messages.clear();
        const int before = below->presses;
        QTest::mousePress(window.windowHandle(), Qt::LeftButton, {}, at(row.distance, 45).toPoint());
        QTest::mouseRelease(window.windowHandle(), Qt::LeftButton, {}, at(row.distance, 45).toPoint());
        EXPECT_EQ(below->presses - before, row.ring ? 0 : 1) << row.name;
        EXPECT_EQ(delegate.messages.isEmpty(), !row.ring) << row.name;
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
        LXRotationView ring;
        ring.resize(200, 200);
        TurnsAndScales both;
        Turns turnsOnly;
        Turns& delegate = row.scales ? both : turnsOnly;
        ring.setDelegate(&delegate);
        drag(&ring, row.path);
        send(&ring, QEvent::MouseButtonRelease, *std::prev(row.path.end()), Qt::NoButton);
        EXPECT_EQ(delegate.messages, row.expected) << row.name;
    }

    // A release that never comes: each of these ends the drag with NO.
    struct End { const char* name; std::function<void(LXRotationView*)> end; };
    const End ends[] = {
        {"hidden", [](LXRotationView* ring) { ring->hide(); }},
        {"window deactivates", [](LXRotationView* ring) {
             QEvent deactivate(QEvent::WindowDeactivate);
             QApplication::sendEvent(ring, &deactivate);
         }},
        {"a move with no button down", [](LXRotationView* ring) { send(ring, QEvent::MouseMove, at(50, 75), Qt::NoButton); }},
        {"deleted", [](LXRotationView* ring) { delete ring; }},
    };
    for (const End& row : ends) {
        QWidget window;
        window.resize(200, 200);
        auto* ring = new LXRotationView(&window);
        ring->resize(200, 200);
        Turns delegate;
        ring->setDelegate(&delegate);
        window.show();
        drag(ring, {at(95, 45), at(95, 75)});
        row.end(ring);
        EXPECT_EQ(delegate.messages, QStringList({"turn 30 YES", "turn 30 NO"})) << row.name;
        EXPECT_EQ(LXCursorStack::cursorStackForWindow(&window) ? LXCursorStack::cursorStackForWindow(&window)->keys().size() : 0, 0)
            << row.name;
    }

    LogCapture log;
    LXRotationView ring;
    ring.resize(200, 200);
    drag(&ring, {at(10, 45), at(150, 45)});
    EXPECT_EQ(log.lines(), QStringList()) << "a press off the band starts nothing";
    drag(&ring, {at(90, 45), at(950, 45)});
    EXPECT_EQ(log.lines(), QStringList({"Warning: big values: 0.000000, 10.555556"}));
}

TEST(RotationView, CursorAndHintFollowTheRingAndGoAway)
{
    QWidget window;
    window.resize(200, 200);
    auto* hintLine = new QLabel(&window);
    LXHintController::addHintConrollerForWindow(&window, hintLine);
    auto* ring = new LXRotationView(&window);
    ring->resize(200, 200);
    ring->setHint("Drag to turn");
    window.show();
    const QVariant key = QVariant::fromValue<QObject*>(ring);
    const auto keys = [&] {
        LXCursorStack* stack = LXCursorStack::cursorStackForWindow(&window);
        return stack ? stack->keys() : QList<QVariant>();
    };
    const auto hover = [&](QPointF point) { send(ring, QEvent::MouseMove, point, Qt::NoButton); };

    hover(at(95, 20.2));
    EXPECT_EQ(keys(), QList<QVariant>{key});
    EXPECT_EQ(hintLine->text(), "Drag to turn");
    hover(at(96, 20.1)); // the same whole degree
    EXPECT_EQ(ring->cursorChanges(), 1);
    hover(at(95, 30));
    hover(at(95, 2)); // near a quarter point: the flag changes too
    EXPECT_EQ(ring->cursorChanges(), 3);
    ring->setGlobalLayerRotation(10);
    hover(at(95, 2));
    EXPECT_EQ(ring->cursorChanges(), 4) << "a turned host turns the cursor";

    struct Away { const char* name; std::function<void()> go; };
    const Away aways[] = {
        {"leave", [&] { QEvent leave(QEvent::Leave); QApplication::sendEvent(ring, &leave); }},
        {"hide", [&] { ring->hide(); ring->show(); }},
        {"destroy", [&] { delete ring; ring = nullptr; }},
    };
    for (const Away& row : aways) {
        hover(at(95, 45));
        ASSERT_EQ(keys(), QList<QVariant>{key}) << row.name;
        row.go();
        EXPECT_EQ(keys(), QList<QVariant>()) << row.name;
        EXPECT_EQ(hintLine->text(), "") << row.name;
    }

    auto* remote = new LXRotationView(&window);
    remote->resize(200, 200);
    remote->setIsRemoteControlled(true);
    send(remote, QEvent::MouseMove, at(95, 45), Qt::NoButton);
    EXPECT_EQ(keys(), QList<QVariant>()) << "remote control: hover changes no cursor";
}

TEST(RotationView, LooksLikeARingWithHandlesAndCursorsTurnWithIt)
{
    // Run once more at ratio 2, where the screen's ratio reaches the cursor.
    const double ratio = qApp->devicePixelRatio();
    QWidget window;
    window.resize(200, 200);
    auto* ring = new LXRotationView(&window);
    ring->resize(200, 200);
    ring->setFillColor(QColor(53, 132, 228));
    window.show();

    QImage grab(QSize(200, 200) * ratio, QImage::Format_ARGB32_Premultiplied);
    grab.setDevicePixelRatio(ratio);
    grab.fill(QColor(250, 250, 250));
    ring->render(&grab, {}, {}, QWidget::DrawChildren);
    const auto pixel = [&](QPointF point) { return grab.pixelColor((point * ratio).toPoint()); };
    EXPECT_EQ(pixel(at(95, 45)), QColor(53, 132, 228)) << "the band";
    EXPECT_EQ(pixel(at(95, 0)), QColor(Qt::white)) << "a handle";
    EXPECT_EQ(pixel({100, 100}), QColor(250, 250, 250)) << "the middle stays clear";

    ring->setDashed(true);
    ring->setHighlighted(true);
    grab.fill(QColor(250, 250, 250));
    ring->render(&grab, {}, {}, QWidget::DrawChildren);
    EXPECT_GT(pixel(at(95, 45)).lightness(), QColor(53, 132, 228).lightness()) << "highlighted is brighter";

    // Cursor pixels: at 0 degrees the arrow's heads point at the centre (left).
    for (double degrees : {0.0, 90.0}) {
        send(ring, QEvent::MouseMove, at(95, degrees + 30), Qt::NoButton);
        send(ring, QEvent::MouseMove, at(95, degrees), Qt::NoButton);
        ASSERT_TRUE(ring->shownCursor());
        const QImage cursor = ring->shownCursor()->pixmap().toImage();
        EXPECT_EQ(cursor.width(), 16 * ratio) << degrees;
        const QImage expected = TurnedCursor::render(TurnedCursor::turningArrowShape(), degrees + 90, ratio);
        EXPECT_EQ(cursor.convertToFormat(expected.format()), expected) << degrees;
    }
    if (ratio == 1)
        EXPECT_TRUE(runTestInChild("RotationView.LooksLikeARingWithHandlesAndCursorsTurnWithIt", {{"QT_SCALE_FACTOR", "2"}}).passed);
}
