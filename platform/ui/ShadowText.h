#pragma once
// Text drawn with a Shadow (colour, offset with y up, blur radius), as labels,
// buttons and tooltips draw their titles. The painter's font and pen are used
// for the text; `flags` are Qt::AlignmentFlag / Qt::TextFlag values as for
// QPainter::drawText. An invisible shadow draws the text alone. The blur
// radius counts up to 256 points and the offset up to 1e5; a value that is
// not finite counts as 0.
// Thread: main thread (QPainter rules).

#include "platform/ui/Shadow.h"

#include <QRectF>
#include <QString>

class QPainter;

void drawTextWithShadow(QPainter& painter, const QRectF& rect, int flags, const QString& text,
                        const Shadow& shadow);
