#pragma once
// Internal to the image engine: the recipe optimiser. Before a node renders,
// the chain of per-pixel work under it (pointwise kernels, source over,
// crops, constant colours, the shadow's closed form, whole-pixel moves, and
// scaled moves of what lies under them) becomes one program and one pass;
// everything else under the chain (blurs, reductions, shared nodes, kernels
// that read elsewhere) is rendered as usual and read through its sampler
// mapping. Programs are cached by their text, which depends only on the
// chain's shape, never on sizes or values. Main thread only.

#include "platform/image/EnginePasses.h"

namespace Engine {

// `root` for `region` (inside its extent) in one pass: a float texture, or
// with `bytes` a byte texture encoded to 8-bit sRGB. Empty when fusing saves
// fewer than two passes, when fusion is off, or when the fused program does
// not compile (the caller then renders node by node). With `bytes` and
// `into`, the pass fills `into`'s rows itself (ByteRows, renderBytes).
// With `srgb` (and no `bytes`), the pass's linear light is stored in an
// 8-bit sRGB texture instead of floats: what a last pass copies as it is
// where the result is opaque.
// `copiedParts` (with `srgb`) gets the parts whose texels are a source's own,
// copied as they are.
Rendered renderFused(GL& gl, const ImageNode& root, const QRect& region, bool bytes, ByteRows* into = nullptr,
                     bool srgb = false, std::vector<CopiedPart>* copiedParts = nullptr);

// `root` on a coarse grid: `width` x `height` texels covering `area` (any
// texel size), its inputs averaged to about that density, by one program
// (no parts). Empty as renderFused.
Rendered renderFusedCoarse(GL& gl, const ImageNode& root, const QRectF& area, int width, int height);

// On by default; tests turn it off to render node by node.
void setFusionEnabled(bool enabled);

// A fused pass is drawn in parts: where much of the chain is zero, hidden
// under an opaque picture or away from edges, a part that covers at least
// this share of the pass (default 1/16) gets a program of its own, the rest
// draws the general one. Tests set 0 to check every part in small pictures.
void setFusedPartShare(double share);

} // namespace Engine
