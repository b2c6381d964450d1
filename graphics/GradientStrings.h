#pragma once
// Gradients as text: five numbers per stop (location, red, green, blue,
// alpha), "%f" each, single blanks between them.
// Main thread (short forms may name pictures, see LXColor).

#include "platform/ui/Gradient.h"

#include <QString>

// "0.000000 0.000000 ..." ; the empty text for a gradient with no stops.
QString stringRepresentation(const Gradient& gradient);

// Whole stops of five pieces; up to 4 pieces: one colour description for both
// ends; 8 pieces: two colours of four; other counts that are not multiples of
// 5 log a "Warning: " line and drop the trailing pieces.
Gradient gradientWithString(const QString& text);
