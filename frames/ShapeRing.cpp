#include "frames/ShapeRing.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <thread>
#include <vector>

namespace {

// Runs job(0, half) on a second thread and job(half, count) here when the
// work is large enough to pay for the thread.
template <class Job>
void inTwo(int count, qint64 pixels, const Job& job)
{
    if (pixels < 1'000'000 || count < 2) {
        job(0, count);
        return;
    }
    std::thread other(job, 0, count / 2);
    job(count / 2, count);
    other.join();
}

// Whether every pixel of `alpha` (Format_Alpha8; null: no alpha) is opaque.
bool whollyOpaque(const QImage& alpha)
{
    if (alpha.isNull())
        return true;
    for (int y = 0; y < alpha.height(); ++y) {
        const uchar* row = alpha.constScanLine(y);
        if (!std::all_of(row, row + alpha.width(), [](uchar a) { return a == 255; }))
            return false;
    }
    return true;
}

// The ring round an opaque w x h rectangle: its nearest shape pixel is the
// nearest pixel of the rectangle, so the distances need no transform.
// The same arithmetic as the transform's, so the same bytes.
QImage rectangleRing(int w, int h, int n)
{
    const int width = w + 2 * n, height = h + 2 * n;
    QImage ring(width, height, QImage::Format_ARGB32);
    if (ring.isNull())
        return {};
    const double reach = n + 1.0;
    const auto distance = [n](int i, int size) { return i < n ? n - i : i >= n + size ? i - n - size + 1 : 0; };
    for (int y = 0; y < height; ++y) {
        auto* out = reinterpret_cast<uint32_t*>(ring.scanLine(y));
        const int dy = distance(y, h);
        if (dy > n + 1) {
            std::fill(out, out + width, 0x00ffffffu);
            continue;
        }
        const auto soft = [&](int x0, int x1) {
            for (int x = x0; x < x1; ++x) {
                const int dx = distance(x, w);
                const double d = std::sqrt(double(dx) * dx + double(dy) * dy);
                const double a = std::clamp(reach - d, 0.0, 1.0);
                out[x] = (uint32_t(std::lround(a * 255.0)) << 24) | 0x00ffffffu;
            }
        };
        if (dy > 0) {
            soft(0, width);
            continue;
        }
        // The picture's own rows: clear over the picture, the ring beside it.
        soft(0, n);
        std::fill(out + n, out + n + w, 0x00ffffffu);
        soft(n + w, width);
    }
    return ring;
}

// Whether a ring n pixels wide round a picture of `size` has a result to draw.
bool ringFits(const QSize& size, int n)
{
    return !size.isEmpty() && n >= 1 && qint64(size.width()) + 2 * qint64(n) <= kMaxRingSide
        && qint64(size.height()) + 2 * qint64(n) <= kMaxRingSide;
}

} // namespace

QImage opaqueShapeRing(const QSize& size, int n)
{
    return ringFits(size, n) ? rectangleRing(size.width(), size.height(), n) : QImage();
}

QImage shapeRing(const QImage& picture, int n)
{
    if (picture.isNull() || !ringFits(picture.size(), n))
        return {};
    const int w = picture.width(), h = picture.height();
    const qint64 W = qint64(w) + 2 * qint64(n), H = qint64(h) + 2 * qint64(n);
    const QImage alpha = picture.hasAlphaChannel() ? picture.convertToFormat(QImage::Format_Alpha8) : QImage();
    const auto alphaAt = [&](int x, int y) -> int {
        return alpha.isNull() ? 255 : alpha.constScanLine(y)[x];
    };
    if (whollyOpaque(alpha))
        return rectangleRing(w, h, n);
    const int width = int(W), height = int(H);

    // Down the columns: rows to the nearest shape pixel in the same column,
    // counted only as far as can reach the ring (far: cap).
    const int cap = std::min(n + 2, 65535);
    std::vector<uint16_t> g(size_t(width) * size_t(height));
    inTwo(width, W * H, [&](int x0, int x1) {
        for (int y = 0; y < height; ++y) {
            uint16_t* row = g.data() + size_t(y) * size_t(width);
            const uint16_t* above = y > 0 ? row - width : nullptr;
            const int py = y - n;
            for (int x = x0; x < x1; ++x) {
                const int px = x - n;
                const bool shape = py >= 0 && py < h && px >= 0 && px < w && alphaAt(px, py) >= 128;
                row[x] = shape ? 0 : uint16_t(std::min(cap, above ? above[x] + 1 : cap));
            }
        }
        for (int y = height - 2; y >= 0; --y) {
            uint16_t* row = g.data() + size_t(y) * size_t(width);
            const uint16_t* below = row + width;
            for (int x = x0; x < x1; ++x)
                row[x] = std::min<uint16_t>(row[x], uint16_t(std::min(cap, below[x] + 1)));
        }
    });

    // Along the rows: the lower envelope of the parabolas (x - q)^2 + g(q)^2
    // of the columns with a shape pixel near enough.
    QImage ring(width, height, QImage::Format_ARGB32);
    if (ring.isNull())
        return {};
    const double reach = n + 1.0;
    // Rows found before the threads start: scanLine() would detach on each.
    uchar* const bits = ring.bits();
    const qsizetype stride = ring.bytesPerLine();
    inTwo(height, W * H, [&](int y0, int y1) {
        std::vector<int> v(size_t(width) + 1);
        std::vector<double> z(size_t(width) + 2);
        const auto f = [](int gq) { return double(gq) * gq; };
        for (int y = y0; y < y1; ++y) {
            const uint16_t* row = g.data() + size_t(y) * size_t(width);
            auto* out = reinterpret_cast<uint32_t*>(bits + stride * y);
            int k = -1;
            for (int q = 0; q < width; ++q) {
                if (row[q] >= cap)
                    continue;
                const double fq = f(row[q]) + double(q) * q;
                double s = -std::numeric_limits<double>::infinity();
                while (k >= 0) {
                    const int p = v[size_t(k)];
                    s = (fq - (f(row[p]) + double(p) * p)) / (2.0 * (q - p));
                    if (s > z[size_t(k)])
                        break;
                    --k;
                }
                ++k;
                v[size_t(k)] = q;
                z[size_t(k)] = k == 0 ? -std::numeric_limits<double>::infinity() : s;
            }
            if (k < 0) {
                std::fill(out, out + width, 0x00ffffffu);
                continue;
            }
            z[size_t(k) + 1] = std::numeric_limits<double>::infinity();
            const int py = y - n;
            // The picture's alpha along this row, null above and below it (or without alpha).
            const uchar* shapeRow = py >= 0 && py < h && !alpha.isNull() ? alpha.constScanLine(py) : nullptr;
            const bool opaqueRow = py >= 0 && py < h && alpha.isNull();
            int j = 0;
            for (int x = 0; x < width; ++x) {
                while (z[size_t(j) + 1] < x)
                    ++j;
                const int px = x - n;
                const bool onPicture = px >= 0 && px < w;
                const int covered = !onPicture ? 0 : opaqueRow ? 255 : shapeRow ? shapeRow[px] : 0;
                // Wholly covered: no ring whatever the distance (most of a photo).
                if (covered == 255) {
                    out[x] = 0x00ffffffu;
                    continue;
                }
                const int q = v[size_t(j)];
                const double d = std::sqrt(double(x - q) * (x - q) + f(row[q]));
                const double a = std::clamp(reach - d, 0.0, 1.0) * (1.0 - covered / 255.0);
                out[x] = (uint32_t(std::lround(a * 255.0)) << 24) | 0x00ffffffu;
            }
        }
    });
    return ring;
}
