#pragma once
// Value curves of LXSlider: a track position t and a user value v, both
// normalised to 0..1. Codes: 0 linear, 1 square, 2 cube, 3 exponential with
// factor k, 4 cosine ease, 5 square root; any other code is linear.
// Inputs outside 0..1 (and NaN) are clamped first, so the results are always
// finite and within 0..1; a factor near 0 makes the exponential linear.
// Pure functions; any thread.
#include <cstdint>

namespace SliderCurves {
double valueAt(std::uint32_t curve, double t, double k);
double positionFor(std::uint32_t curve, double v, double k);
} // namespace SliderCurves
