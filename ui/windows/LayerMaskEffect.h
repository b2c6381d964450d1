#pragma once
// A graphics effect that masks a widget's drawing by a layer's alpha, the
// way a layer mask masks a view: the layer is drawn over the widget's rect
// (y up, flipped once here) and only what it covers stays.
//
// null: without a mask layer the widget draws unchanged. The effect shares
// the layer; the widget owns the effect (QWidget::setGraphicsEffect).
// Thread: main thread.

#include "platform/ui/Layer.h"

#include <QGraphicsEffect>

#include <memory>

class LayerMaskEffect : public QGraphicsEffect {
    Q_OBJECT
public:
    explicit LayerMaskEffect(std::shared_ptr<Layer> mask, QObject* parent = nullptr);
    const std::shared_ptr<Layer>& mask() const { return m_mask; }

protected:
    void draw(QPainter* painter) override;

private:
    std::shared_ptr<Layer> m_mask;
};
