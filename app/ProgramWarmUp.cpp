#include "app/ProgramWarmUp.h"

#include "app/WallpaperMaker.h"
#include "platform/image/CIContext.h"

#include <QElapsedTimer>
#include <QImage>

#include <algorithm>
#include <cmath>

namespace ProgramWarmUp {

namespace {

// The longest side of the stand-in wallpaper: small enough to cost little
// beyond compiling, large enough that every step of the recipe (blurs,
// reductions, the thin strips beside the photo) still has pixels.
constexpr double kSide = 640;

// Two programs found in Mesa's shader cache are drawn in a few milliseconds
// (tens on a busy machine); compiling them takes hundreds.
constexpr qint64 kCompiledMs = 100;

} // namespace

bool programsCompile()
{
    QImage probe(3, 3, QImage::Format_RGB32);
    probe.fill(QColor(128, 112, 96));
    const CIImage image = CIImage::imageWithQImage(probe);
    QElapsedTimer timer;
    timer.start();
    (void)CIContext().createCGImage(image, image.extent());
    return timer.elapsed() >= kCompiledMs;
}

void wallpaper(WallpaperMaker& maker, const QSizeF& photoPixels, const WallpaperScreen& screen, bool scaleUp,
               bool showWatermark, const LookChain* look)
{
    const QSizeF pixels = screen.pixelSize();
    if (pixels.isEmpty() || photoPixels.isEmpty())
        return;
    const double shrink = std::min(1.0, kSide / std::max(pixels.width(), pixels.height()));
    WallpaperScreen small = screen;
    small.size = screen.size * shrink;
    // The stand-in has the size the photo is shown at, scaled with the
    // screen: the recipe keeps its shape (which sides the extension fills),
    // and the stand-in is read as the decoded photo is, as its 8-bit copy.
    double fit = std::min(pixels.width() / photoPixels.width(), pixels.height() / photoPixels.height());
    if (!scaleUp)
        fit = std::min(fit, 1.0);
    // A photo rarely fits in whole pixels; a stand-in a pixel larger than
    // its share is fitted by a fraction too, as the photo is.
    const QSize photo(int(std::ceil(photoPixels.width() * fit * shrink)) + 1,
                      int(std::ceil(photoPixels.height() * fit * shrink)) + 1);
    QImage standIn(photo, QImage::Format_RGB32);
    standIn.fill(QColor(128, 112, 96));
    const CIImage picture =
        maker.enhancedImageFor(CIImage::imageWithQImage(standIn), small, scaleUp, showWatermark, look);
    if (picture.isNull())
        return;
    const CIContext context;
    (void)context.createCGImage(picture, picture.extent());
}

} // namespace ProgramWarmUp
