#pragma once
// Internal to the image engine: averaging a decoded bitmap down on the CPU,
// so that a photo decoded on a worker thread arrives at the size renders
// read and can be kept as its 8-bit texture, with no reducing pass.
// Pure: any thread, no OpenGL, no logging.

#include <QImage>

namespace Engine {

// `image` (opaque, Format_RGB32) averaged down to `size` in linear light:
// each output pixel is the mean of the pixels under it (partly covered ones
// by their share), as the engine's own box reduction computes, stored back
// as 8-bit sRGB. A null image when `image` is not opaque RGB32 or `size` is
// empty or larger than the image along either axis.
QImage reduceOpaqueBitmap(const QImage& image, const QSize& size);

} // namespace Engine
