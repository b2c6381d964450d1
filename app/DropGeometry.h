#pragma once
// Where the drop view draws its display, computed in y-up view space (origin
// bottom left) from the view's size and the proportions of the screen it
// stands on. Pure; any thread. Callers turn the rectangles over once
// (flippedRect) where they paint or place them.

#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QSizeF>

struct DropLayout {
    QRectF area;         // the view less the strip for the stand
    QRectF picture;      // the drawn screen: empty without a screen
    QRectF bezel;        // the picture grown by the bezel's width
    double cornerRadius; // the bezel's corners
    QRectF stand;        // the foot under the display
    QRectF neck;         // the stand's column drawn on up under the bezel
    QPolygonF glare;     // the light falling over the bezel's right part
    QPointF glareFrom;   // where the glare's gradient starts (strongest)
    QPointF glareTo;     // and where it has faded out
};

// `view`: the view's size in points; `screen`: the screen's size (only its
// proportions count; empty: no screen). No size comes out negative. In a
// view smaller than 400 x 358 the stand and its strip shrink with the view,
// so that the whole display is drawn smaller, never cut.
DropLayout dropLayout(QSizeF view, QSizeF screen);
