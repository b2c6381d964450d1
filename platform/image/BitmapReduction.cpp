#include "platform/image/BitmapReduction.h"

#include "platform/image/SRGB.h"

#include <QColorSpace>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace Engine {

namespace {

// The source pixels under each output pixel and their shares, for boxes of
// from / to pixels laid from the first pixel.
struct Spans {
    std::vector<int> first, count;
    std::vector<float> weights; // `count` per output pixel, in order
    std::vector<int> offset;    // of each output pixel's weights
    int widest = 0;
};

Spans spansFor(int from, int to)
{
    Spans s;
    const double ratio = double(from) / to;
    for (int i = 0; i < to; ++i) {
        const double a = i * ratio, b = std::min(double(from), (i + 1) * ratio);
        const int j0 = std::clamp(int(std::floor(a)), 0, from - 1);
        const int j1 = std::clamp(int(std::ceil(b)), j0 + 1, from);
        s.first.push_back(j0);
        s.count.push_back(j1 - j0);
        s.offset.push_back(int(s.weights.size()));
        for (int j = j0; j < j1; ++j)
            s.weights.push_back(float(std::max(0.0, std::min(b, j + 1.0) - std::max(a, double(j))) / ratio));
        s.widest = std::max(s.widest, j1 - j0);
    }
    return s;
}

const std::array<float, 256>& decodeTable()
{
    static const std::array<float, 256> table = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[size_t(i)] = float(linearFromSRGB(i / 255.0));
        return t;
    }();
    return table;
}

// Linear light in 1/65535 steps to 8-bit sRGB: near black a step is a
// twentieth of an output level.
constexpr int kEncodeSteps = 65535;

const std::vector<uchar>& encodeTable()
{
    static const std::vector<uchar> table = [] {
        std::vector<uchar> t(size_t(kEncodeSteps) + 1);
        for (int i = 0; i <= kEncodeSteps; ++i) {
            const double c = srgbFromLinear(double(i) / kEncodeSteps);
            t[size_t(i)] = uchar(std::clamp(int(std::lround(c * 255)), 0, 255));
        }
        return t;
    }();
    return table;
}

} // namespace

QImage reduceOpaqueBitmap(const QImage& image, const QSize& size)
{
    if (image.format() != QImage::Format_RGB32 || size.isEmpty() || size.width() > image.width()
        || size.height() > image.height())
        return {};
    const int w = size.width(), h = size.height();
    const Spans xs = spansFor(image.width(), w), ys = spansFor(image.height(), h);
    const std::array<float, 256>& decode = decodeTable();
    const std::vector<uchar>& encode = encodeTable();

    // Rows averaged along x, kept in a ring as long as later output rows
    // still read them (output rows read source rows in order).
    const int ringSize = ys.widest + 1;
    std::vector<std::vector<float>> ring(size_t(ringSize), std::vector<float>(size_t(w) * 3));
    std::vector<int> held(size_t(ringSize), -1);
    const auto rowAlongX = [&](int y) -> const std::vector<float>& {
        std::vector<float>& row = ring[size_t(y % ringSize)];
        if (held[size_t(y % ringSize)] == y)
            return row;
        held[size_t(y % ringSize)] = y;
        const QRgb* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            float r = 0, g = 0, b = 0;
            const float* weight = xs.weights.data() + xs.offset[size_t(x)];
            const QRgb* p = in + xs.first[size_t(x)];
            for (int k = 0; k < xs.count[size_t(x)]; ++k) {
                r += weight[k] * decode[size_t(qRed(p[k]))];
                g += weight[k] * decode[size_t(qGreen(p[k]))];
                b += weight[k] * decode[size_t(qBlue(p[k]))];
            }
            row[size_t(x) * 3] = r;
            row[size_t(x) * 3 + 1] = g;
            row[size_t(x) * 3 + 2] = b;
        }
        return row;
    };

    QImage out(w, h, QImage::Format_RGB32);
    if (out.isNull())
        return {};
    out.setColorSpace(image.colorSpace());
    std::vector<float> sum(size_t(w) * 3);
    const auto level = [&](float v) {
        return int(encode[size_t(std::clamp(int(v * kEncodeSteps + 0.5f), 0, kEncodeSteps))]);
    };
    for (int y = 0; y < h; ++y) {
        std::fill(sum.begin(), sum.end(), 0.f);
        const float* weight = ys.weights.data() + ys.offset[size_t(y)];
        for (int k = 0; k < ys.count[size_t(y)]; ++k) {
            const std::vector<float>& row = rowAlongX(ys.first[size_t(y)] + k);
            for (size_t i = 0; i < sum.size(); ++i)
                sum[i] += weight[k] * row[i];
        }
        QRgb* o = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x)
            o[x] = qRgb(level(sum[size_t(x) * 3]), level(sum[size_t(x) * 3 + 1]), level(sum[size_t(x) * 3 + 2]));
    }
    return out;
}

} // namespace Engine
