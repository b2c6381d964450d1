#include "graphics/ColorSpaces.h"

#include <algorithm>
#include <cmath>

namespace {

// The hue shared by both triples; `delta` > 0.
double hueOf(const RGBTriple& c, double mx, double delta)
{
    double raw;
    if (mx == 0)
        raw = 0;
    else if (c.red == mx)
        raw = (c.green - c.blue) / delta;
    else if (c.green == mx)
        raw = (c.blue - c.red) / delta + 2.0;
    else
        raw = (c.red - c.green) / delta + 4.0;
    return std::fmod(raw / 6.0 + 1.0, 1.0);
}

} // namespace

HSVTriple hsvFromRGB(const RGBTriple& c)
{
    const double mn = std::min({c.red, c.green, c.blue});
    const double mx = std::max({c.red, c.green, c.blue});
    if (mn + mx == 0)
        return {0, 0, mx};
    const double delta = mx - mn;
    return {delta > 0 ? hueOf(c, mx, delta) : 0.0, delta / mx, mx};
}

HSLTriple hslFromRGB(const RGBTriple& c)
{
    const double mn = std::min({c.red, c.green, c.blue});
    const double mx = std::max({c.red, c.green, c.blue});
    const double delta = mx - mn;
    const double hue = delta > 0 ? hueOf(c, mx, delta) : 0.0;
    const double saturation = mn + mx == 0 ? 0.0 : delta / (mn + mx);
    return {hue, saturation, 0.5 * (mn + mx)};
}

RGBTriple rgbFromHSV(const HSVTriple& c)
{
    const double v = c.value, s = c.saturation;
    if (s == 0)
        return {v, v, v};
    const double sector = c.hue * 360 / 60;
    const int i = int(std::floor(sector));
    const float f = float(sector - i);
    const double p = float((1 - s) * v);
    const double q = float((1 - f * s) * v);
    const double t = float((1 - s * (1 - f)) * v);
    switch (i) {
    case 0: return {v, t, p};
    case 1: return {q, v, p};
    case 2: return {p, v, t};
    case 3: return {p, q, v};
    case 4: return {t, p, v};
    default: return {v, p, q}; // 5, a hue of exactly 1 (6), or out of range
    }
}

RGBTriple rgbFromHSL(const HSLTriple& c)
{
    const double l = c.lightness, s = c.saturation;
    const double q = l < 0.5 ? l * (1 + s) : l + s - l * s;
    const double p = 2 * l - q;
    auto channel = [p, q](double hue) -> double {
        float t = float(hue);
        if (t < 0)
            t += 1;
        else if (t > 1)
            t -= 1;
        const float fp = float(p), fq = float(q);
        if (6 * t < 1)
            return fp + (fq - fp) * 6 * t;
        if (2 * t < 1)
            return fq;
        if (3 * t < 2)
            return fp + (fq - fp) * (2.0f / 3.0f - t) * 6;
        return fp;
    };
    return {channel(c.hue + 1.0 / 3.0), channel(c.hue), channel(c.hue - 1.0 / 3.0)};
}
