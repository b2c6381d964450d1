#pragma once
// Where a picture sits in a larger area, as the bits that interface files,
// stored settings and the watermark's "gravity" input give: an edge bit per
// axis (none: centred on that axis), or Fill for the whole area. Y is up, so
// Top is the larger y.

namespace Gravity {
enum : int {
    Centred = 0,
    Top = 2,
    Bottom = 4,
    Left = 8,
    Right = 16,
    Fill = 256,
};
} // namespace Gravity
