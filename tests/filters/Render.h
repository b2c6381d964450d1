#pragma once
// Helpers of the filter tests on top of the engine tests' pixel helpers:
// a row of bytes as an image, and the luminance of a rendered pixel.

#include "tests/platform/image/Pixels.h"

// One row of unpremultiplied RGBA bytes as an image of height `height`.
inline CIImage rowImage(std::initializer_list<std::array<int, 4>> pixels, int height = 1)
{
    QImage image(int(pixels.size()), height, QImage::Format_RGBA8888);
    for (int y = 0; y < height; ++y) {
        int x = 0;
        for (const auto& p : pixels) {
            uchar* out = image.scanLine(y) + 4 * x++;
            for (int c = 0; c < 4; ++c)
                out[c] = uchar(p[size_t(c)]);
        }
    }
    return CIImage::imageWithQImage(image);
}

// The luminance of a rendered premultiplied pixel, for "darker than" checks.
inline float luma(const Pixel& p)
{
    return 0.2126f * p[0] + 0.7152f * p[1] + 0.0722f * p[2];
}
