#include "ui/controls/SliderCurves.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
double unit(double x) { return std::isnan(x) ? 0.0 : std::clamp(x, 0.0, 1.0); }
bool flat(double k) { return !std::isfinite(k) || std::abs(k) < 1e-9; }
} // namespace

double SliderCurves::valueAt(std::uint32_t curve, double t, double k)
{
    t = unit(t);
    switch (curve) {
    case 1: return t * t;
    case 2: return t * t * t;
    case 3: return flat(k) ? t : unit(std::expm1(k * t) / std::expm1(k));
    case 4: return (1 - std::cos(std::numbers::pi * t)) / 2;
    case 5: return std::sqrt(t);
    default: return t;
    }
}

double SliderCurves::positionFor(std::uint32_t curve, double v, double k)
{
    v = unit(v);
    switch (curve) {
    case 1: return std::sqrt(v);
    case 2: return std::cbrt(v);
    case 3: return flat(k) ? v : unit(std::log1p(v * std::expm1(k)) / k);
    case 4: return std::acos(1 - 2 * v) / std::numbers::pi;
    case 5: return v * v;
    default: return v;
    }
}
