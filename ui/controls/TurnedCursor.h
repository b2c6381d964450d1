#pragma once
// Cursors that turn with what they point at: a shape (a QPainterPath in a
// 16 x 16-point box, y down as a picture is, its middle at (8, 8)) drawn
// turned into a 16 x 16-point pixmap at a device pixel ratio, outlined white
// 3 points wide and filled black, with its hot spot in the middle.
//
// Angles are in degrees, counter-clockwise on screen (the y-up convention of
// the framework's geometry); in Qt's y-down painter that is rotate(-angle).
// Angles are rounded to whole degrees and taken modulo 360, and one cursor is
// made per rounded angle and ratio, then kept: moving the pointer along a
// ring asks again and again for the same few cursors.
//
// null: a ratio of 0 or less, or not finite, reads as 1; an angle that is not
// finite reads as 0. Ownership: value type, the cache is the object's own.
// Thread: main thread (pixmaps).

#include <QCursor>
#include <QHash>
#include <QImage>
#include <QPainterPath>

class TurnedCursor {
public:
    explicit TurnedCursor(QPainterPath shape);

    // The cursor for `angle` at `ratio`, made on the first request.
    QCursor cursor(double angle, double ratio);
    // How many cursors were made so far (not found in the cache).
    int madeCount() const { return m_made; }
    const QPainterPath& shape() const { return m_shape; }

    // The cursor's picture: (16 x ratio) pixels square, its ratio set.
    static QImage render(const QPainterPath& shape, double angle, double ratio);

    // The framework's shapes, each pointing along angle 0 (to the right) or,
    // for arcs, drawn for the bottom of a ring (the centre above them).
    static QPainterPath doubleArrowShape();   // a straight arrow with two heads
    static QPainterPath turningArrowShape();  // an arc with two heads
    static QPainterPath scalingArrowShape();  // the arc crossed by a double arrow

    static constexpr int kSize = 16;
    static constexpr double kOutline = 3;

private:
    QPainterPath m_shape;
    QHash<qint64, QCursor> m_cache;
    int m_made = 0;
};
