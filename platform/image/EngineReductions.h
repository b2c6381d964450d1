#pragma once
// Internal to the image engine: averaging images down (boxes, halvings, the
// mean of an area). Main thread only.

#include "platform/image/EnginePasses.h"

#include <cmath>

namespace Engine {

// One pixel at (0, 0): the mean of the input over `rect` (premultiplied).
class AreaAverageNode final : public ImageNode {
public:
    AreaAverageNode(const CIImage& input, const QRectF& rect);
    void forEachInput(const std::function<void(const CIImage&)>& visit) const override { visit(input); }
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    CIImage input;
    QRect rect;
};

// `source` averaged (boxes) down to at most about the given texels per
// pixel along x and y; unchanged when it has hardly more. With `within`
// (world), where the whole takes one pass: only the texels over it and one
// more on each side, the whole's texels, the result covering just those.
Rendered reduceDensity(GL& gl, const Rendered& source, double densityX, double densityY, const QRectF& within = QRectF());

// Boxes of `size` source texels, the first beginning `start` texels in.
struct Boxes {
    QPointF size, start;
    // Boxes of the whole skipped before the first drawn (a part of a
    // reduction): counted in the shader, so a part's texels are the whole's.
    QPoint first;
};
// `source` (its texels in use) averaged down to width x height texels over
// the same `area`, by boxes of at most four texels a step so that each
// output texel reads at most 3 x 3 times; with `boxes`, in one pass by those
// boxes. `straight`: the source holds straight (not premultiplied) colours.
Rendered boxReduce(GL& gl, TexturePtr source, const QRectF& area, int width, int height, bool straight,
                   const Boxes* boxes = nullptr);

// Boxes of 1 / density pixels from the image's origin, for reads at
// `density` along each axis (whole pixels when density is about 1 or more).
struct Lattice {
    double stepX = 1, stepY = 1;
    bool reduces() const { return stepX > 1 || stepY > 1; }
    // The boxes that meet `region`.
    QRectF boxesOver(const QRectF& region) const
    {
        const double x0 = std::floor(region.x() / stepX + 1e-6), y0 = std::floor(region.y() / stepY + 1e-6);
        const double x1 = std::ceil((region.x() + region.width()) / stepX - 1e-6);
        const double y1 = std::ceil((region.y() + region.height()) / stepY - 1e-6);
        return QRectF(x0 * stepX, y0 * stepY, (x1 - x0) * stepX, (y1 - y0) * stepY);
    }
};
Lattice latticeFor(double densityX, double densityY);
// `source`, drawn one texel a pixel, averaged in the lattice's boxes (only
// those meeting `within` and one more on each side when not null: a region
// of a source drawn whole; the result covers just those); any other source
// by its own area.
Rendered reduceOnLattice(GL& gl, const Rendered& source, const Lattice& lattice, const QRectF& within = QRectF());

// Reduces `first` by the factors along x and y (powers of two) with box
// halvings read at texel corners; the result covers `area` (world), which
// lies on the level's texel grid, with transparency where it has nothing.
Rendered reduce(GL& gl, const PassSampler& first, const QRectF& area, int fx, int fy);

} // namespace Engine
