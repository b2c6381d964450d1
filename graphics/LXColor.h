#pragma once
// Colours read from and written to the short text forms of resource files and
// effect settings:
//   "1 0 0" red, "0.5/0.25" half grey at quarter opacity, "Paper" the pattern
//   of the picture named Paper.
// A pattern comes back as a textured QBrush; a plain colour as a solid one.
// Main thread (picture look-ups use the main bundle; their results are kept).

#include "graphics/ColorSpaces.h"

#include <QBrush>
#include <QColor>
#include <QString>

class LXColor {
public:
    // 1 number: grey; 2: grey and alpha; 3: RGB; 4: RGBA; 5 or more: the
    // first three as RGB. Pieces are split at "/" or, without one, at blanks;
    // a piece that is no number reads as 0. When red (or grey) is 0 the whole
    // text is first tried as the name of a picture of the application.
    static QBrush colorFromDescription(const QString& text);

    // "%f %f %f %f": red, green, blue, alpha.
    static QString descriptionForNSColor(const QColor& color);

    // The pattern of "NoiseFull.png", made once; without the picture an empty
    // brush, after one "Warning: " line.
    static QBrush noiseColor();

    static QColor colorFromHsv(const HSVTriple& hsv);

    // The number at the start of `text` ("0.5abc" is 0.5, "abc" is 0).
    static double leadingNumber(const QString& text);
};
