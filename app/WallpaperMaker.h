#pragma once
// The wallpaper pipeline, shared by the window's drop view and the command
// line: a photo becomes the picture of one screen (the fitted photo over its
// artistic extension, the logo top left), which is saved into
// Pictures/Sunnyside under a free name and set as that screen's desktop
// picture. Every failure the user must know about is shown as an alert.
// Main thread.

#include "filters/LXArtisticExtend.h"
#include "filters/LXWatermarkFilter.h"
#include "platform/image/CIImage.h"

#include <QImage>
#include <QSizeF>
#include <QString>
#include <QUrl>

class LookChain;

// The screen a picture is made for.
struct WallpaperScreen {
    QSizeF size;       // points; 0 x 0 without a screen
    bool isMain = true; // the first screen of the system's list
    QString name;      // connector name, for the desktop picture; empty: the default
    double scale = 1;  // device pixels per point: the picture has size x scale pixels
    bool display = false; // only drawn in the window, never saved: may be coarser where smooth

    QSizeF pixelSize() const { return size * (scale > 0 ? scale : 1); }
};

class WallpaperMaker {
public:
    WallpaperMaker();

    // The enhanced picture of `photo` for `screen` (null for a null photo), in
    // the screen's device pixels; the logo keeps its size in points.
    // `look` (null: none) styles the photo first, at the size it is shown
    // at, so the extension follows the styled photo; a crop whose ratio is
    // the screen's fills the screen, whatever scaleUp says.
    CIImage enhancedImageFor(const CIImage& photo, const WallpaperScreen& screen, bool scaleUp, bool showWatermark,
                             const LookChain* look = nullptr);

    // The photo size to decode for `screenPixels` under `look` (null: none):
    // a crop needs more of the photo than the screen shows; a frame that
    // would not fit shrinks the photo, which is then decoded at the size it
    // is styled at when `photo` (its upright size in pixels) is given.
    // Never smaller than what is drawn.
    static QSizeF decodeSizeFor(const QSizeF& screenPixels, const LookChain* look, const QSizeF& photo = {});
    // The upright size of the picture file at `path` from its header; empty
    // when it cannot be read or is no regular file (never blocks on a pipe).
    static QSizeF uprightSizeAt(const QString& path);

    // How far saveAsBackground got.
    enum class SaveResult {
        Installed,   // written and made the desktop picture
        WrittenOnly, // written, but the desktop picture could not be set (alerted)
        Failed,      // nothing written (alerted)
    };
    // Writes `picture` as "<name>.jpg" (numbered when taken) into
    // Pictures/Sunnyside and sets it as the desktop picture of `screenName`.
    // `savedPath` receives the file written.
    SaveResult saveAsBackground(const CIImage& picture, const QString& name, const QString& screenName,
                                QString* savedPath = nullptr);
    // Its two steps: the file written (empty after an alert), then the
    // desktop picture set (false after an alert). Nothing is written when
    // the picture cannot be rendered whole (a photo that does not decode).
    static QString writeBackground(const CIImage& picture, const QString& name);
    static bool installBackground(const QString& path, const QString& screenName);

    // The photo at `url` as an image; null after the alert "Problem creating
    // Wallpaper" when it cannot be read as an image. With the screen's size
    // in pixels its decode starts at once, beside the engine's start.
    static CIImage loadPhoto(const QUrl& url, const QSizeF& screenPixels = {});
    // The same without the alert: null with `reason` (in words) set. Only a
    // regular file is opened (a pipe would block), EXIF orientation is
    // applied and photos beyond 268 megapixels are refused unread.
    static CIImage readPhoto(const QString& path, QString* reason, const QSizeF& screenPixels = {});

    // The whole picture as an 8-bit bitmap; null after the alert "Problem
    // creating Wallpaper" when any of it could not be rendered.
    static QImage renderPicture(const CIImage& picture);

    // The largest screen side, in pixels, that a picture is made for: beyond
    // every display sold, and well inside the image engine's limits.
    static constexpr int kMaxScreenSide = 8192;

    LXArtisticExtend& artistic() { return m_artistic; }
    LXWatermarkFilter& watermark() { return m_watermark; }

private:
    // The photo styled by `look` at no more than the size it is shown at.
    CIImage styled(const CIImage& photo, const LookChain& look, double W, double H, bool* fills);
    // The box, in whole pixels, the whole photo of size `photo` is fitted
    // into so that `look`'s framed picture fits the screen; empty when the
    // framed picture fits at the photo's own fit.
    static QSizeF framedBoxFor(const QSizeF& screenPixels, const LookChain& look, const QSizeF& photo);

    LXArtisticExtend m_artistic;
    LXWatermarkFilter m_watermark;
    // The reduced photo last handed to a look: the same photo at the same
    // scale gets the same image, so the look returns the picture its effects
    // keep current instead of rendering again.
    struct Reduced {
        CIImage photo;
        QSizeF scale; // along each axis
        CIImage image;
    } m_reduced;
};
