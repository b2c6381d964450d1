#include "ui/controls/LXGradientPicker.h"
#include "tests/support/LogCapture.h"

#include <QColorDialog>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

Gradient stopsAt(const std::vector<double>& locations)
{
    QVector<GradientStop> stops;
    for (double l : locations)
        stops.append(GradientStop::at(l, QColor::fromRgbF(float(l), 0.5f, 0.2f)));
    return Gradient(stops);
}

// Qt positions for y-up points of a 224 x 26 picker (strip 200 points wide).
QPoint at(double x, double yUp) { return QPoint(int(std::lround(x)), 26 - int(yUp)); }
QPoint onMarker(LXGradientPicker& p, int i) { return at(p.gradientRect().x() + p.locationAt(i) * 200 + 1, 5); }

struct Row { const char* name; std::vector<double> start; std::function<void(LXGradientPicker&)> act;
             std::vector<double> locations; int changes; const char* log = nullptr; };

} // namespace

TEST(GradientPicker, EditsStopsByTheRules)
{
    std::vector<double> hundred, hundredTwenty;
    for (int i = 0; i < 100; ++i) hundred.push_back(i / 99.0);
    for (int i = 0; i < 120; ++i) hundredTwenty.push_back(i / 119.0);
    using P = LXGradientPicker;
    const std::vector<Row> rows = {
        {"a click at the strip's left edge adds 0.002", {0, 1},
         [](P& p) { QTest::mouseClick(&p, Qt::LeftButton, {}, at(p.gradientRect().x(), 15)); }, {0, 0.002, 1}, 0},
        {"with 100 stops a click adds nothing", hundred,
         [](P& p) { QTest::mouseClick(&p, Qt::LeftButton, {}, at(100, 15)); }, hundred, 0,
         "Warning: Trying to add more than a hundred colors to an array"},
        {"a drag past the neighbour stops at the last valid place", {0, 0.3, 0.6, 1},
         [](P& p) {
             QTest::mousePress(&p, Qt::LeftButton, {}, onMarker(p, 1));
             QTest::mouseMove(&p, at(p.gradientRect().x() + 100, 5));
             QTest::mouseMove(&p, at(p.gradientRect().x() + 160, 5));
             QTest::mouseRelease(&p, Qt::LeftButton, {}, at(p.gradientRect().x() + 160, 5));
         }, {0, 0.5, 0.6, 1}, 1},
        {"end stops are neither dragged nor deleted", {0, 1},
         [](P& p) {
             p.setSelectedIndex(0);
             QTest::keyClick(&p, Qt::Key_Delete);
             QTest::mousePress(&p, Qt::LeftButton, {}, onMarker(p, 1));
             QTest::mouseMove(&p, at(100, 5));
             p.removeColorAtIndex(1);
         }, {0, 1}, 0},
        {"setGradient keeps the first 100 of 120", hundredTwenty, [](P&) {},
         std::vector<double>(hundredTwenty.begin(), hundredTwenty.begin() + 100), 0},
        {"adding right of a last stop below 1.0 appends", {0, 0.5},
         [](P& p) { EXPECT_EQ(p.addColorAt(0.8), 2); }, {0, 0.5, 0.8}, 0},
        {"setGradient drops a selection past its end", {0, 0.3, 0.6, 1},
         [](P& p) {
             p.setSelectedIndex(3);
             p.setGradient(stopsAt({0, 1}));
             EXPECT_EQ(p.selectedIndex(), -1);
             p.setColor(Qt::red);
             p.repaint();
         }, {0, 1}, 0},
        {"the icon over another stop removes nothing", {0, 0.3, 0.6, 1},
         [](P& p) {
             p.setSelectedIndex(1);
             QTest::mousePress(&p, Qt::LeftButton, {}, onMarker(p, 2));
             QTest::mouseRelease(&p, Qt::LeftButton, {}, at(p.gradientRect().x() + 120, 22));
         }, {0, 0.3, 0.6, 1}, 0},
        {"the icon removes its own stop", {0, 0.3, 0.6, 1},
         [](P& p) {
             p.setSelectedIndex(1);
             QTest::mouseClick(&p, Qt::LeftButton, {}, at(p.gradientRect().x() + 60, 22));
         }, {0, 0.6, 1}, 1},
        {"arrows move by 1, 10 and 0.1 points", {0, 0.5, 1},
         [](P& p) {
             p.setSelectedIndex(1);
             QTest::keyClick(&p, Qt::Key_Right);
             QTest::keyClick(&p, Qt::Key_Right, Qt::ShiftModifier);
             QTest::keyClick(&p, Qt::Key_Left, Qt::AltModifier);
         }, {0, 0.5545, 1}, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LogCapture log;
        LXGradientPicker picker;
        picker.resize(224, 26);
        picker.show();
        picker.setGradient(stopsAt(row.start));
        QSignalSpy changes(&picker, &LXColorWell::changed);
        row.act(picker);
        ASSERT_EQ(picker.count(), int(row.locations.size()));
        for (int i = 0; i < picker.count(); ++i)
            EXPECT_NEAR(picker.locationAt(i), row.locations[i], 1e-9) << i;
        EXPECT_EQ(changes.count(), row.changes);
        EXPECT_TRUE(!row.log || log.contains(row.log)) << log.lines().join('\n').toStdString();
    }
}

TEST(GradientPicker, ThePanelsEchoChangesNothing)
{
    LXGradientPicker picker;
    picker.resize(224, 26);
    picker.show();
    QSignalSpy changes(&picker, &LXColorWell::changed);
    picker.setSelectedIndex(1);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(picker.colorAt(1), QColor(Qt::black));
    LXColorWell::sharedColorPanel()->setCurrentColor(Qt::red);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(picker.colorAt(1), QColor(Qt::red));
}
