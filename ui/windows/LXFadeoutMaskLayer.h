#pragma once
// A mask that fades content out at its top and bottom edges: a vertical
// gradient, transparent at both ends and opaque `topFadeout` points below
// the top and `bottomFadeout` points above the bottom. Redrawn from its
// bounds at every render, so it follows any resize.
//
// Fades longer than the height share it in proportion (the stops never
// cross); a height of 0 or less draws nothing; negative or NaN fades count
// as 0. Geometry y up, like every Layer. Thread: main thread.

#include "platform/ui/Layer.h"

#include <array>

class LXFadeoutMaskLayer : public Layer {
public:
    static std::shared_ptr<LXFadeoutMaskLayer> create()
    {
        return std::shared_ptr<LXFadeoutMaskLayer>(new LXFadeoutMaskLayer);
    }

    double topFadeout = 0;
    double bottomFadeout = 0;

    // The four gradient locations from the top (0) to the bottom (1), in
    // order: transparent, opaque, opaque, transparent. Empty for no height.
    static std::array<double, 4> stops(double height, double top, double bottom);

    QString className() const override { return QStringLiteral("LXFadeoutMaskLayer"); }
    std::shared_ptr<Layer> newLayer() const override { return create(); }
    void copyContentFrom(const Layer& other) override;

protected:
    LXFadeoutMaskLayer() { contentsGravity = QStringLiteral("resize"); }
    void drawContent(QPainter& painter, const QRectF& rect) const override;
};
