#include "platform/image/EnginePrecision.h"

namespace Engine {

FullFloatNode::FullFloatNode(const CIImage& in) : ImageNode(in.extent()), input(in) {}

Rendered FullFloatNode::render(GL& gl, const QRect& region, double detail) const
{
    const FullFloats wide(gl);
    return renderImage(gl, input, region, detail);
}

Rendered FullFloatNode::renderSmooth(GL& gl, const QRect& region, double detail) const
{
    const FullFloats wide(gl);
    // Shared nodes come from the render's cache.
    return sharedInRender(input.node().get()) ? renderImage(gl, input, region, detail)
                                              : input.node()->renderSmooth(gl, region, detail);
}

} // namespace Engine
