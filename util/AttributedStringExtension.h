#pragma once
// Measuring, drawing and shortening styled text (AttributedString: runs of
// text with their fonts), laid out with QTextLayout. Line feeds break lines;
// lines wrap at word boundaries, long words anywhere. Sizes are in points.
// An empty string measures (0, 0) and draws nothing.
// Thread: main thread (fonts).

#include "resources/StringResources.h"

#include <QRectF>
#include <QSizeF>

class QPainter;

// The size of the lines laid out in a box of `width` x `height` (lines that
// do not fit in the height are left out, the first always counts); a
// trailing empty line does not count. Widths from about 1e6 up mean "no wrap".
QSizeF sizeForWidth(const AttributedString& string, double width, double height);
// The width at `height` with unlimited width.
double widthForHeight(const AttributedString& string, double height);
// The sum of every line's ascent + descent + leading at `width`, rounded up once.
double heightForWidth(const AttributedString& string, double width);
// Draws the text in `rect` (the painter's coordinates), centred vertically.
void drawCenteredVerticallyInRect(const AttributedString& string, QPainter& painter, const QRectF& rect);
// The text when its one-line width is at most `width` (the same, shared
// data); else the longest start of it, in whole grapheme clusters, followed
// by "…" (in the font where it was cut) that fits; else an empty string.
AttributedString truncatedStringWithWidth(const AttributedString& string, double width);
