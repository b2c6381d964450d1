#include "ui/windows/LayerMaskEffect.h"

#include <QPainter>
#include <QPixmap>

LayerMaskEffect::LayerMaskEffect(std::shared_ptr<Layer> mask, QObject* parent)
    : QGraphicsEffect(parent), m_mask(std::move(mask))
{
}

void LayerMaskEffect::draw(QPainter* painter)
{
    if (!m_mask) {
        drawSource(painter);
        return;
    }
    QPoint offset;
    QPixmap pixmap = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::NoPad);
    if (pixmap.isNull())
        return;
    const QRectF area = boundingRectFor(sourceBoundingRect(Qt::LogicalCoordinates));
    // The mask fills the widget's rect: its bounds follow the widget's size.
    m_mask->bounds = QRectF(QPointF(0, 0), area.size());
    {
        QPainter p(&pixmap);
        p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        p.translate(-offset + area.topLeft());
        p.translate(0, area.height());
        p.scale(1, -1);
        m_mask->renderInContext(p);
    }
    painter->drawPixmap(offset, pixmap);
}
