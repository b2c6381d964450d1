#pragma once
// Internal to the image engine: the node that lays one image over another.
// Main thread only.

#include "platform/image/EnginePasses.h"

namespace Engine {

// `foreground` over `background` (premultiplied source over). The background
// is drawn and the foreground blended onto it only where it has pixels, in
// place when the background's pixels belong to nobody else.
class SourceOverNode final : public ImageNode {
public:
    SourceOverNode(const CIImage& foreground, const CIImage& background);
    void forEachInput(const std::function<void(const CIImage&)>& visit) const override
    {
        visit(foreground);
        visit(background);
    }
    Rendered renderBytes(GL& gl, const QRect& region) const override;
    CIFilterShape definition() const override;
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    // Where the layers together are opaque, when their opaque areas (those
    // of layers laid over each other below this one too) fill a rectangle,
    // such as a frame's four strips round an opaque photo; otherwise the
    // larger area of the two. True of the picture's pixels: drawn coarser,
    // a texel across the seam of two layers blends their edges.
    QRectF opaqueArea() const override;
    CIImage foreground;
    CIImage background;

private:
    // At reduced detail under a foreground known opaque over most of
    // `out`: the foreground drawn on `grid`, the background only round its
    // opaque texels, the foreground blended over it there. Empty where that
    // does not apply.
    Rendered renderUnder(GL& gl, const QRect& out, const DetailGrid& grid, double detail) const;
};

} // namespace Engine
