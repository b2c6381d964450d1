#pragma once
// Compiling a wallpaper's programs before its photo is there. The image
// engine compiles each program (and each combination of texture formats it
// reads) on its first draw, which on a software rasterizer costs far more
// than drawing; the programs depend on the recipe's shape, not on its pixels
// or sizes. So the same recipe is drawn once, small, from a plain stand-in
// photo: the later render of the real photo finds its programs compiled.
// Main thread (the engine's).

#include <QSizeF>

class LookChain;
class WallpaperMaker;
struct WallpaperScreen;

namespace ProgramWarmUp {

// Whether programs compile now, found by timing a first tiny draw: false
// when Mesa's shader cache holds them, where a warm-up would only take the
// decoder's cores.
bool programsCompile();

// Draws the wallpaper of a stand-in for a photo of `photoPixels` on
// `screen` (as WallpaperMaker::enhancedImageFor would with the other
// arguments), a few hundred pixels wide, and throws it away. Nothing is
// shown or logged; an engine that cannot start is reported by the real
// render. The stand-in has the decoder's pixel layout, so the uploads
// compile alike.
void wallpaper(WallpaperMaker& maker, const QSizeF& photoPixels, const WallpaperScreen& screen, bool scaleUp,
               bool showWatermark, const LookChain* look);

} // namespace ProgramWarmUp
