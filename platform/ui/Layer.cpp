#include "platform/ui/Layer.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <functional>
#include <cmath>

namespace {

// Where a picture of `size` lands in `box` (both y up) for a gravity.
QRectF placed(const QString& gravity, const QRectF& box, QSizeF size)
{
    if (gravity == QLatin1String("resize") || size.isEmpty())
        return box;
    if (gravity == QLatin1String("resizeAspect") || gravity == QLatin1String("resizeAspectFill")) {
        const double sx = box.width() / size.width(), sy = box.height() / size.height();
        const double s = gravity == QLatin1String("resizeAspect") ? std::min(sx, sy) : std::max(sx, sy);
        size *= s;
    }
    double x = box.center().x() - size.width() / 2;
    double y = box.center().y() - size.height() / 2;
    if (gravity.contains(QLatin1String("left"), Qt::CaseInsensitive))
        x = box.left();
    if (gravity.contains(QLatin1String("right"), Qt::CaseInsensitive))
        x = box.right() - size.width();
    if (gravity.startsWith(QLatin1String("top")))
        y = box.bottom() - size.height(); // y up: the top is the larger y
    if (gravity.startsWith(QLatin1String("bottom")))
        y = box.top();
    return QRectF(QPointF(x, y), size);
}

// A cheap Gaussian stand-in: three box blurs of the alpha channel.
QImage blurred(const QImage& source, int radius)
{
    if (radius < 1)
        return source;
    QImage image = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = image.width(), h = image.height();
    std::vector<int> line;
    for (int pass = 0; pass < 3; ++pass) {
        for (int horizontal = 0; horizontal < 2; ++horizontal) {
            const int n = horizontal ? w : h, lines = horizontal ? h : w;
            line.assign(size_t(n), 0);
            for (int l = 0; l < lines; ++l) {
                auto px = [&](int i) -> QRgb& {
                    return horizontal ? reinterpret_cast<QRgb*>(image.scanLine(l))[i]
                                      : reinterpret_cast<QRgb*>(image.scanLine(i))[l];
                };
                for (int channel = 0; channel < 4; ++channel) {
                    const int shift = channel * 8;
                    long sum = 0;
                    for (int i = 0; i < n; ++i)
                        line[size_t(i)] = int((px(i) >> shift) & 0xff);
                    for (int i = -radius; i <= radius; ++i)
                        sum += line[size_t(std::clamp(i, 0, n - 1))];
                    for (int i = 0; i < n; ++i) {
                        QRgb& p = px(i);
                        p = (p & ~(0xffu << shift)) | (QRgb(sum / (2 * radius + 1)) << shift);
                        sum += line[size_t(std::min(i + radius + 1, n - 1))] - line[size_t(std::max(i - radius, 0))];
                    }
                }
            }
        }
    }
    return image;
}

} // namespace

void Layer::addSublayer(const std::shared_ptr<Layer>& layer)
{
    if (!layer || layer.get() == this)
        return;
    layer->removeFromSuperlayer();
    layer->m_superlayer = weak_from_this();
    m_sublayers.push_back(layer);
}

void Layer::removeFromSuperlayer()
{
    if (auto parent = m_superlayer.lock()) {
        auto& list = parent->m_sublayers;
        list.erase(std::remove_if(list.begin(), list.end(), [this](const auto& l) { return l.get() == this; }),
                   list.end());
    }
    m_superlayer.reset();
}

QTransform Layer::toSuperlayer() const
{
    const QPointF anchor(bounds.x() + anchorPoint.x() * bounds.width(),
                         bounds.y() + anchorPoint.y() * bounds.height());
    // Right to left: move the anchor to the origin, turn, move to position.
    return QTransform::fromTranslate(-anchor.x(), -anchor.y()) * transform
         * QTransform::fromTranslate(position.x(), position.y());
}

QRectF Layer::frame() const
{
    return toSuperlayer().mapRect(bounds);
}

QString Layer::description() const
{
    return QStringLiteral("<%1: 0x%2>").arg(className()).arg(quintptr(this), 0, 16);
}

void Layer::render(QPainter& painter) const
{
    painter.save();
    painter.setTransform(toSuperlayer(), true);
    renderInContext(painter);
    painter.restore();
}

void Layer::drawContent(QPainter& painter, const QRectF& rect) const
{
    if (contents.isNull())
        return;
    const QSizeF size = contents.size();
    const QRectF unit = contentsRect.normalized();
    // Unit rectangle, y up, to the picture's points, y down.
    const QRectF source(unit.x() * size.width(), (1 - unit.bottom()) * size.height(), unit.width() * size.width(),
                        unit.height() * size.height());
    const QRectF target = placed(contentsGravity, rect, source.size());
    painter.save();
    // Pictures are y down: flip about the target's middle so they stand upright.
    painter.translate(0, target.top() + target.bottom());
    painter.scale(1, -1);
    contents.draw(painter, target, source);
    painter.restore();
}

void Layer::drawSelf(QPainter& painter) const
{
    QPainterPath outline;
    outline.addRoundedRect(bounds, cornerRadius, cornerRadius);
    painter.save();
    if (masksToBounds)
        painter.setClipPath(outline, Qt::IntersectClip);
    if (backgroundColor.alpha() > 0)
        painter.fillPath(outline, backgroundColor);
    drawContent(painter, bounds);

    std::vector<std::shared_ptr<Layer>> ordered = m_sublayers;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const auto& a, const auto& b) { return a->zPosition < b->zPosition; });
    if (!ordered.empty()) {
        painter.save();
        const QPointF c = bounds.center();
        painter.setTransform(QTransform::fromTranslate(-c.x(), -c.y()) * sublayerTransform
                                 * QTransform::fromTranslate(c.x(), c.y()),
                             true);
        for (const auto& sublayer : ordered)
            sublayer->render(painter);
        painter.restore();
    }
    painter.restore();
    if (borderWidth > 0) {
        painter.save();
        QPainterPath inner;
        const double inset = borderWidth / 2;
        inner.addRoundedRect(bounds.adjusted(inset, inset, -inset, -inset), cornerRadius, cornerRadius);
        painter.setPen(QPen(borderColor, borderWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(inner);
        painter.restore();
    }
}

void Layer::drawShadow(QPainter& painter) const
{
    const int margin = int(std::ceil(shadowRadius * 2));
    const QRect area = bounds.toAlignedRect().adjusted(-margin, -margin, margin, margin);
    if (area.isEmpty())
        return;
    QImage shape(area.size(), QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    {
        QPainter p(&shape);
        p.translate(-area.x(), -area.y());
        drawSelf(p);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(area, shadowColor);
    }
    painter.save();
    painter.setOpacity(painter.opacity() * shadowOpacity);
    painter.drawImage(QPointF(area.x() + shadowOffset.width(), area.y() + shadowOffset.height()),
                      blurred(shape, int(std::lround(shadowRadius / 2))));
    painter.restore();
}

void Layer::renderInContext(QPainter& painter) const
{
    if (opacity <= 0)
        return;
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    if (shadowOpacity > 0)
        drawShadow(painter);
    if (!mask) {
        drawSelf(painter);
    } else {
        // Draw into a picture of the device's resolution, keep what the mask covers.
        const QRectF device = painter.transform().mapRect(bounds);
        const QRect pixels = device.toAlignedRect();
        if (!pixels.isEmpty()) {
            const QTransform toPixels = painter.transform() * QTransform::fromTranslate(-pixels.x(), -pixels.y());
            auto paint = [&](const std::function<void(QPainter&)>& draw) {
                QImage image(pixels.size(), QImage::Format_ARGB32_Premultiplied);
                image.fill(Qt::transparent);
                QPainter p(&image);
                p.setTransform(toPixels);
                draw(p);
                return image;
            };
            QImage image = paint([this](QPainter& p) { drawSelf(p); });
            const QImage coverage = paint([this](QPainter& p) { mask->render(p); });
            QPainter p(&image);
            p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
            p.drawImage(0, 0, coverage);
            p.end();
            painter.save();
            painter.resetTransform();
            painter.drawImage(pixels.topLeft(), image);
            painter.restore();
        }
    }
    painter.restore();
}
