#pragma once
// Internal to the image engine: the node that computes a smooth image on a
// coarse grid and hands that grid over to be read bilinearly. Main thread only.

#include "platform/image/EnginePasses.h"

namespace Engine {

// The input computed at texel centres about `pixelsPerTexel` apart, laid on
// its (finite) extent so that the first and last centres of each row and
// column are its first and last pixels' centres: reads inside the extent
// never blend with what lies outside, and a tile gets the same texels as
// the whole. Its
// render() is that grid (fewer texels than pixels at any detail), drawn by
// one fused pass where the input's chain fuses.
class CoarseGridNode final : public ImageNode {
public:
    CoarseGridNode(const CIImage& input, double pixelsPerTexel);
    CIFilterShape definition() const override { return input.definition(); }
    void forEachInput(const std::function<void(const CIImage&)>& visit) const override { visit(input); }
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    CIImage input;
    double pixelsPerTexel;
};

// On by default; off, the input is rendered as it is (tests compare).
void setCoarseGridsEnabled(bool enabled);

} // namespace Engine
