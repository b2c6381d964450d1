#pragma once
// Internal to the image engine: averaging a decoded bitmap down on the CPU,
// so that a photo decoded on a worker thread arrives at the size renders
// read and can be kept as its 8-bit texture, with no reducing pass.
// Pure: any thread, no OpenGL, no logging.

#include <QImage>

#include <vector>

namespace Engine {

// `image` (opaque, Format_RGB32) averaged down to `size` in linear light:
// each output pixel is the mean of the pixels under it (partly covered ones
// by their share), as the engine's own box reduction computes, stored back
// as 8-bit sRGB. A null image when `image` is not opaque RGB32 or `size` is
// empty or larger than the image along either axis.
QImage reduceOpaqueBitmap(const QImage& image, const QSize& size);

// `image` (opaque, Format_RGB32, both sides even) at half its size: each
// output pixel the mean of the 2 x 2 under it in linear light, as the
// engine's box reduction of the uploaded bitmap computes it, kept in linear
// light (Format_RGBA16FPx4, alpha 1) so that nothing is rounded to 8 bits
// again. Null for any other image.
QImage halveOpaqueBitmap(const QImage& image);

// Whether a decoded picture is worth averaging down to `wanted`: a few
// percent more texels than asked for cost less than averaging.
inline bool worthAveraging(const QSize& decoded, const QSize& wanted)
{
    return !wanted.isEmpty() && wanted.width() * 1.03 < decoded.width() && wanted.height() * 1.03 < decoded.height();
}

// The same averaging fed a band of rows at a time, in order, as a decoder
// delivers them, so that the whole source is never held: the result is
// pixel for pixel reduceOpaqueBitmap's. One thread at a time.
class RowReduction {
public:
    // Null (isNull) when `to` is empty or larger than `from` along either axis.
    RowReduction(const QSize& from, const QSize& to);
    bool isNull() const { return m_out.isNull(); }
    // The next `count` source rows (Format_RGB32 pixels), `stride` bytes apart.
    void addRows(const uchar* first, qsizetype stride, int count);
    // The averaged picture once every source row came; null before.
    QImage result() const { return m_nextRow == m_from.height() ? m_out : QImage(); }

    struct Spans {
        std::vector<int> first, count;
        std::vector<float> weights; // `count` per output pixel, in order
        std::vector<int> offset;    // of each output pixel's weights
        int widest = 0;
    };

private:
    void addRow(const QRgb* row);
    QSize m_from;
    Spans m_xs, m_ys;
    QImage m_out;
    int m_nextRow = 0;  // the next source row
    int m_firstOpen = 0; // the first output row not finished
    std::vector<float> m_linear; // the current row in linear light, 4 floats a pixel
    std::vector<float> m_alongX; // the current row averaged along x
    std::vector<std::vector<float>> m_sums; // open output rows, by row % size
    std::vector<int> m_steps; // a finished row's encoding steps
};

} // namespace Engine
