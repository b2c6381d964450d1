#include "graphics/LayerExtension.h"

#include <QImage>
#include <QPainter>

std::shared_ptr<Layer> duplicate(const Layer& layer)
{
    std::shared_ptr<Layer> copy = layer.newLayer();
    copy->copyContentFrom(layer);
    copy->anchorPoint = layer.anchorPoint;
    copy->anchorPointZ = layer.anchorPointZ;
    copy->bounds = layer.bounds;
    copy->position = layer.position;
    copy->zPosition = layer.zPosition;
    copy->contentsGravity = layer.contentsGravity;
    copy->contentsRect = layer.contentsRect;
    copy->shadowColor = layer.shadowColor;
    copy->shadowOffset = layer.shadowOffset;
    copy->shadowRadius = layer.shadowRadius;
    copy->transform = layer.transform;
    copy->sublayerTransform = layer.sublayerTransform;
    copy->opacity = layer.opacity;
    copy->borderColor = layer.borderColor;
    copy->borderWidth = layer.borderWidth;
    copy->cornerRadius = layer.cornerRadius;
    return copy;
}

double transparencyAt(const Layer& layer, QPointF point)
{
    QImage pixel(1, 1, QImage::Format_Alpha8);
    pixel.fill(0);
    {
        QPainter painter(&pixel);
        painter.translate(-point.x(), -point.y());
        layer.renderInContext(painter);
    }
    return pixel.constScanLine(0)[0] / 255.0;
}

QString fullDescription(const Layer& layer)
{
    const QRectF f = layer.frame();
    const QRectF c = layer.contentsRect;
    return layer.description()
         + QString::asprintf("\n Frame: (%f, %f, %f, %f)", f.x(), f.y(), f.width(), f.height())
         + QString::asprintf("\n Contents Rect: (%f, %f, %f, %f)", c.x(), c.y(), c.width(), c.height());
}
