#include "platform/image/BitmapReduction.h"

#include "platform/image/SRGB.h"

#include <QColorSpace>
#include <QFloat16>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include <sys/mman.h>

namespace Engine {

namespace {

using Spans = RowReduction::Spans;

// The source pixels under each output pixel and their shares, for boxes of
// from / to pixels laid from the first pixel.
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

// A bitmap in a mapping of its own, whose pages go back to the system
// with it: the heap of a one-shot render never shrinks (LargePages.h), and
// a short-lived copy freed there leaves a hole later bitmaps seldom fit.
QImage mappedImage(int width, int height, QImage::Format format, int bytesPerPixel)
{
    constexpr size_t kHeader = 64; // the mapping's size, then the pixels, aligned
    const size_t bytes = kHeader + size_t(width) * size_t(bytesPerPixel) * size_t(height);
    void* mapping = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED)
        return {};
    *static_cast<size_t*>(mapping) = bytes;
    return QImage(
        static_cast<uchar*>(mapping) + kHeader, width, height, qsizetype(width) * bytesPerPixel, format,
        [](void* m) { munmap(m, *static_cast<size_t*>(m)); }, mapping);
}

} // namespace

QImage reduceOpaqueBitmap(const QImage& image, const QSize& size)
{
    if (image.format() != QImage::Format_RGB32)
        return {};
    RowReduction reduction(image.size(), size);
    if (reduction.isNull())
        return {};
    reduction.addRows(image.constBits(), image.bytesPerLine(), image.height());
    QImage out = reduction.result();
    out.setColorSpace(image.colorSpace());
    return out;
}

QImage halveOpaqueBitmap(const QImage& image)
{
    const int w = image.width() / 2, h = image.height() / 2;
    if (image.format() != QImage::Format_RGB32 || w == 0 || h == 0 || image.width() % 2 || image.height() % 2)
        return {};
    QImage out = mappedImage(w, h, QImage::Format_RGBA16FPx4, 8);
    if (out.isNull())
        return {};
    typedef float Channels __attribute__((vector_size(16), aligned(4)));
    const std::array<float, 256>& decode = decodeTable();
    const auto linear = [&decode](QRgb c) {
        return Channels{decode[size_t(qRed(c))], decode[size_t(qGreen(c))], decode[size_t(qBlue(c))], 1.f};
    };
    std::vector<float> row(size_t(w) * 4);
    auto* means = reinterpret_cast<Channels*>(row.data());
    for (int y = 0; y < h; ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(image.constScanLine(2 * y));
        const auto* b = reinterpret_cast<const QRgb*>(image.constScanLine(2 * y + 1));
        for (int x = 0; x < w; ++x)
            means[x] = (linear(a[2 * x]) + linear(a[2 * x + 1]) + linear(b[2 * x]) + linear(b[2 * x + 1])) * 0.25f;
        qFloatToFloat16(reinterpret_cast<qfloat16*>(out.scanLine(y)), row.data(), qsizetype(row.size()));
    }
    return out;
}

RowReduction::RowReduction(const QSize& from, const QSize& to) : m_from(from)
{
    if (to.isEmpty() || to.width() > from.width() || to.height() > from.height())
        return;
    m_xs = spansFor(from.width(), to.width());
    m_ys = spansFor(from.height(), to.height());
    // As many sums as output rows ever read one source row at once.
    std::vector<int> readers(size_t(from.height()), 0);
    int open = 1;
    for (int y = 0; y < to.height(); ++y)
        for (int k = 0; k < m_ys.count[size_t(y)]; ++k)
            open = std::max(open, ++readers[size_t(m_ys.first[size_t(y)] + k)]);
    m_out = QImage(to, QImage::Format_RGB32);
    if (m_out.isNull())
        return;
    m_alongX.assign(size_t(to.width()) * 3, 0.f);
    m_linear.assign(size_t(from.width()) * 4, 0.f);
    m_steps.assign(size_t(to.width()) * 3, 0);
    m_sums.assign(size_t(open), std::vector<float>(size_t(to.width()) * 3));
}

void RowReduction::addRows(const uchar* first, qsizetype stride, int count)
{
    for (int i = 0; i < count && m_nextRow < m_from.height() && !isNull(); ++i)
        addRow(reinterpret_cast<const QRgb*>(first + stride * i));
}

void RowReduction::addRow(const QRgb* in)
{
    // A pixel's three channels (and a spare) as one vector: each lane's
    // sums are the ones three floats would have, in the same order.
    typedef float Channels __attribute__((vector_size(16), aligned(4)));
    const std::array<float, 256>& decode = decodeTable();
    const int w = m_out.width(), h = m_out.height();
    // Each source pixel decoded once, though the boxes at its ends share it.
    auto* linear = reinterpret_cast<Channels*>(m_linear.data());
    for (int x = 0; x < m_from.width(); ++x)
        linear[x] = Channels{decode[size_t(qRed(in[x]))], decode[size_t(qGreen(in[x]))], decode[size_t(qBlue(in[x]))], 0.f};
    const int* firsts = m_xs.first.data();
    const int* counts = m_xs.count.data();
    const int* offsets = m_xs.offset.data();
    const float* weights = m_xs.weights.data();
    float* along = m_alongX.data();
    for (int x = 0; x < w; ++x) {
        Channels sum = {0, 0, 0, 0};
        const float* weight = weights + offsets[x];
        const Channels* p = linear + firsts[x];
        for (int k = 0; k < counts[x]; ++k)
            sum += weight[k] * p[k];
        along[x * 3] = sum[0];
        along[x * 3 + 1] = sum[1];
        along[x * 3 + 2] = sum[2];
    }
    // Summed into every open output row that reads it, in source order.
    const int j = m_nextRow++;
    const size_t rings = m_sums.size();
    for (int y = m_firstOpen; y < h && m_ys.first[size_t(y)] <= j; ++y) {
        const int k = j - m_ys.first[size_t(y)];
        if (k >= m_ys.count[size_t(y)])
            continue;
        std::vector<float>& sum = m_sums[size_t(y) % rings];
        if (k == 0)
            std::fill(sum.begin(), sum.end(), 0.f);
        const float weight = m_ys.weights[size_t(m_ys.offset[size_t(y)] + k)];
        for (size_t i = 0; i < sum.size(); ++i)
            sum[i] += weight * m_alongX[i];
    }
    const uchar* encode = encodeTable().data();
    // Rows end in order: each is stored as its last source row arrives.
    while (m_firstOpen < h && m_ys.first[size_t(m_firstOpen)] + m_ys.count[size_t(m_firstOpen)] - 1 <= j) {
        const float* sum = m_sums[size_t(m_firstOpen) % rings].data();
        // The steps first, clamped as floats: a loop the compiler vectorises.
        int* steps = m_steps.data();
        for (int i = 0; i < w * 3; ++i)
            steps[i] = int(std::min(std::max(sum[i] * kEncodeSteps + 0.5f, 0.f), float(kEncodeSteps)));
        QRgb* o = reinterpret_cast<QRgb*>(m_out.scanLine(m_firstOpen));
        for (int x = 0; x < w; ++x)
            o[x] = qRgb(encode[steps[x * 3]], encode[steps[x * 3 + 1]], encode[steps[x * 3 + 2]]);
        ++m_firstOpen;
    }
}

} // namespace Engine
