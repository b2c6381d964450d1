#pragma once
// The sRGB transfer curve for the engine's CPU code (colours handed to
// kernels, photos averaged on a worker); the shaders carry their own copy.
// Values are 0...1; any thread.

#include <array>
#include <cmath>

namespace Engine {

inline double linearFromSRGB(double c)
{
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

inline double srgbFromLinear(double v)
{
    return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
}

// A colour as kernels and textures hold it: linear and premultiplied.
inline std::array<float, 4> premultipliedLinear(double red, double green, double blue, double alpha)
{
    const float a = float(alpha);
    return {float(linearFromSRGB(red)) * a, float(linearFromSRGB(green)) * a, float(linearFromSRGB(blue)) * a, a};
}

} // namespace Engine
