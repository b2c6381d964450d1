#pragma once
// A drop shadow as painters apply it: colour, offset (x right, y up, in
// points) and blur radius. A default Shadow is no shadow (transparent colour).
// Value type; any thread.

#include <QColor>
#include <QSizeF>

struct Shadow {
    QColor color = QColor(0, 0, 0, 0);
    QSizeF offset;
    double blurRadius = 0;

    bool isVisible() const { return color.alpha() > 0; }
    bool operator==(const Shadow&) const = default;
};
