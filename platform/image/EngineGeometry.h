#pragma once
// Internal to the image engine: the nodes that move, crop, clamp and tile
// their input. Main thread only.

#include "platform/image/EnginePasses.h"

namespace Engine {

class TransformNode final : public ImageNode {
public:
    TransformNode(const CIImage& input, const QTransform& transform);
    void forEachInput(const std::function<void(const CIImage&)>& visit) const override { visit(input); }
    CIFilterShape definition() const override;
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    QRectF opaqueArea() const override;
    // What drawing `region` (its own world) at `detail` reads: `source` (the
    // input, or a whole-pixel clamp's input when `clamped`) over the needed
    // rectangle, averaged on the lattice of the scale. The transform must be
    // invertible.
    Rendered averagedInput(GL& gl, const QRectF& region, double detail, const CIImage& source, bool clamped) const;
    CIImage input;
    QTransform transform;
};

class CropNode final : public ImageNode {
public:
    CropNode(const CIImage& input, const QRectF& rect);
    Rendered renderBytes(GL& gl, const QRect& region) const override;
    void forEachInput(const std::function<void(const CIImage&)>& visit) const override { visit(input); }
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    QRectF opaqueArea() const override;
    CIImage input;
    QRect rect;
};

// The input extended without end by its edge pixels.
class ClampNode final : public ImageNode {
public:
    explicit ClampNode(const CIImage& input);
    void forEachInput(const std::function<void(const CIImage&)>& visit) const override { visit(input); }
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    CIImage input;
};

// The input's extent repeated without end, then transformed.
class TileNode final : public ImageNode {
public:
    TileNode(const CIImage& input, const QTransform& transform);
    void forEachInput(const std::function<void(const CIImage&)>& visit) const override { visit(input); }
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    CIImage input;
    QTransform transform;
};

// `source` redrawn to cover exactly `rect` at one texel per pixel.
Rendered copyToArea(GL& gl, const Rendered& source, const QRect& rect);

// Draws `source` into `area` (at one texel per pixel unless given), read
// through `inverse` (output world -> source world); with `tile`, reads
// repeat that rectangle of the source's world.
Rendered resample(GL& gl, const PassSampler& source, const QRectF& area, const QTransform& inverse, int width = 0,
                  int height = 0, const QRectF* tile = nullptr);

} // namespace Engine
