#include "ui/controls/TurnedCursor.h"

#include <QPixmap>

#include <gtest/gtest.h>

namespace {

// Where the ink lies against the middle, in points, y up.
QPointF inkOffset(const QImage& image)
{
    double x = 0, y = 0, weight = 0;
    for (int row = 0; row < image.height(); ++row)
        for (int column = 0; column < image.width(); ++column) {
            const double alpha = image.pixelColor(column, row).alphaF();
            x += alpha * (column + 0.5);
            y += alpha * (row + 0.5);
            weight += alpha;
        }
    const double middle = image.width() / 2.0, ratio = image.devicePixelRatio();
    return {(x / weight - middle) / ratio, (middle - y / weight) / ratio};
}

} // namespace

TEST(TurnedCursor, TurnsCounterClockwiseAtEveryRatioAndMakesEachAngleOnce)
{
    // The arc's heads point away from the bottom of the ring: up at 0.
    struct Row { const char* name; double angle, ratio; int pixels; int dx, dy; };
    const Row rows[] = {
        {"0 at ratio 1: heads up", 0, 1, 16, 0, 1},
        {"90 at ratio 2: heads left", 90, 2, 32, -1, 0},
        {"-90 at ratio 2: heads right", -90, 2, 32, 1, 0},
        {"180 at ratio 1: heads down", 180, 1, 16, 0, -1},
        {"bad ratio reads as 1", 0, 0, 16, 0, 1},
    };
    for (const Row& row : rows) {
        const QImage image = TurnedCursor::render(TurnedCursor::turningArrowShape(), row.angle, row.ratio);
        EXPECT_EQ(image.width(), row.pixels) << row.name;
        const QPointF ink = inkOffset(image);
        const auto sign = [](double v) { return std::abs(v) < 0.5 ? 0 : v > 0 ? 1 : -1; };
        EXPECT_EQ(sign(ink.x()), row.dx) << row.name << " ink " << ink.x() << ", " << ink.y();
        EXPECT_EQ(sign(ink.y()), row.dy) << row.name << " ink " << ink.x() << ", " << ink.y();
        // White outline round black: both show.
        bool black = false, white = false;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                black |= image.pixel(x, y) == qRgb(0, 0, 0);
                white |= image.pixel(x, y) == qRgb(255, 255, 255);
            }
        EXPECT_TRUE(black && white) << row.name;
    }

    TurnedCursor cursors(TurnedCursor::doubleArrowShape());
    const QCursor first = cursors.cursor(10.2, 2);
    EXPECT_EQ(first.hotSpot(), QPoint(8, 8));
    EXPECT_EQ(first.pixmap().devicePixelRatio(), 2);
    cursors.cursor(9.6, 2);   // the same whole degree
    cursors.cursor(370, 2);   // and once round
    EXPECT_EQ(cursors.madeCount(), 1);
    cursors.cursor(11, 2);
    cursors.cursor(10, 1);
    EXPECT_EQ(cursors.madeCount(), 3);
}
