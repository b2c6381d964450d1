#include "platform/ui/ShadowText.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Three box blurs approximate a Gaussian of deviation `radius` / 2 on the alpha.
void blurAlpha(QImage& image, double radius)
{
    const int box = std::max(1, int(std::lround(radius / 2.0)));
    const int w = image.width(), h = image.height();
    std::vector<int> line(std::max(w, h));
    auto pass = [&](bool horizontal) {
        const int length = horizontal ? w : h, lines = horizontal ? h : w;
        for (int l = 0; l < lines; ++l) {
            auto at = [&](int i) -> uchar& {
                return horizontal ? image.scanLine(l)[i] : image.scanLine(i)[l];
            };
            for (int i = 0; i < length; ++i)
                line[i] = at(i);
            int sum = 0;
            for (int i = -box; i <= box; ++i)
                sum += (i >= 0 && i < length) ? line[i] : 0;
            for (int i = 0; i < length; ++i) {
                at(i) = uchar(sum / (2 * box + 1));
                const int out = i - box, in = i + box + 1;
                sum += (in < length ? line[in] : 0) - (out >= 0 ? line[out] : 0);
            }
        }
    };
    for (int i = 0; i < 3; ++i) {
        pass(true);
        pass(false);
    }
}

// Shadows come from lists anyone may edit: a radius beyond any text blurs
// it to nothing, and an offset beyond the screen shows nothing; bounded,
// neither can overflow the mask's size or the pixel grid.
double bounded(double value, double limit)
{
    return std::isfinite(value) ? std::clamp(value, -limit, limit) : 0.0;
}

} // namespace

void drawTextWithShadow(QPainter& painter, const QRectF& rect, int flags, const QString& text,
                        const Shadow& shadow)
{
    if (shadow.isVisible() && !text.isEmpty()) {
        const double dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
        const double radius = std::max(0.0, bounded(shadow.blurRadius, 256));
        const QPointF offset(bounded(shadow.offset.width(), 1e5), bounded(shadow.offset.height(), 1e5));
        const int margin = int(std::ceil(radius * 1.5)) + 1;
        const QRectF area = rect.adjusted(-margin, -margin, margin, margin);
        QImage mask((area.size() * dpr).toSize(), QImage::Format_Alpha8);
        if (!mask.isNull()) {
            mask.setDevicePixelRatio(dpr);
            mask.fill(0);
            {
                QPainter p(&mask);
                p.setFont(painter.font());
                p.setPen(Qt::black);
                p.drawText(QRectF(QPointF(margin, margin), rect.size()), flags, text);
            }
            if (radius > 0)
                blurAlpha(mask, radius * dpr);
            QImage tinted(mask.size(), QImage::Format_ARGB32_Premultiplied);
            tinted.setDevicePixelRatio(dpr);
            tinted.fill(shadow.color);
            {
                QPainter p(&tinted);
                p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
                p.drawImage(0, 0, mask);
            }
            // The offset is y up; the painter is y down.
            painter.drawImage(area.topLeft() + QPointF(offset.x(), -offset.y()), tinted);
        }
    }
    painter.drawText(rect, flags, text);
}
