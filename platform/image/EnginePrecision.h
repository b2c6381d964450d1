#pragma once
// Internal to the image engine: the node that has its input drawn in 32-bit
// float working textures. Main thread only.

#include "platform/image/EnginePasses.h"

namespace Engine {

// The input's pixels, with every texture drawn for them (blurs, reductions
// and their steps) in 32-bit floats while half floats serve the rest of the
// render. Readers that go through samplerFor see through it.
class FullFloatNode final : public ImageNode {
public:
    explicit FullFloatNode(const CIImage& input);
    CIFilterShape definition() const override { return input.definition(); }
    void forEachInput(const std::function<void(const CIImage&)>& visit) const override { visit(input); }
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    Rendered renderSmooth(GL& gl, const QRect& region, double detail) const override;
    QRectF opaqueArea() const override { return input.node() ? input.node()->opaqueArea() : QRectF(); }
    CIImage input;
};

} // namespace Engine
