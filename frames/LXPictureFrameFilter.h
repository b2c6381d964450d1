#pragma once
// Lays a ready-made frame picture (a polaroid border, a passe-partout) over
// a photo. The frame picture has a transparent window, written into its file
// name as four numbers "x-y-width-height" in its pixels, origin bottom left:
//   Frames/ALX-F#001#Polaroid#60-190-880-880.png
// The window is fitted into the photo and centred on it, the photo is cut to
// the window (or to the companion "<resource ID name>Mask.png", white where
// the photo shows), and the frame, scaled with the window, is drawn over it.
// A frame may have an upright variant for portrait photos under the same
// name in Frames/Portrait; the variant whose window's proportions are
// nearer the photo's is drawn.
//
// inputFrameName: a resource name ("ALX-F#001", "ALX-F#001#Polaroid"); setting
// it loads the picture, the mask and the window and rewrites the name to the
// file's canonical name. Null clears frame, mask and window. A name that finds
// no file logs a "Warning: " line and clears them; a file whose name does not
// give four numbers logs an "Error: " line and keeps the frame loaded before.
// Without a frame picture or with an empty window the output is the photo.
// Main thread.

#include "filters/LXFilter.h"

#include <QRectF>
#include <QTransform>

#include <optional>

class LXPictureFrameFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputFrameName READ inputFrameName WRITE setInputFrameName)
    Q_PROPERTY(QVariant frameImage MEMBER frameImage)
    Q_PROPERTY(QVariant maskImage MEMBER maskImage)
    Q_PROPERTY(QVariant frameLayout MEMBER frameLayout)
    Q_PROPERTY(QVariant portraitImage MEMBER portraitImage)
    Q_PROPERTY(QVariant portraitMaskImage MEMBER portraitMaskImage)
    Q_PROPERTY(QVariant portraitLayout MEMBER portraitLayout)
public:
    Q_INVOKABLE explicit LXPictureFrameFilter(QObject* parent = nullptr);

    QVariant inputImage; // CIImage: the photo
    QVariant frameImage; // CIImage or null
    QVariant maskImage;  // CIImage or null
    QVariant frameLayout; // QRectF: the window in the frame picture's pixels
    // The upright variant: picture (null when the frame has none), mask, window.
    QVariant portraitImage, portraitMaskImage, portraitLayout;

    struct Variant {
        CIImage frame, mask;
        QRectF layout;
    };
    // The variant drawn over a photo of extent `photo`: the upright one when
    // there is one and its window is nearer the photo's proportions.
    Variant variantFor(const QRectF& photo) const;

    QVariant inputFrameName() const { return m_frameName; }
    void setInputFrameName(const QVariant& name);

    // The frame resources of the bundle, made once (masks left out).
    static const QStringList& frameList();

    // Where the frame picture goes over a photo of extent `photo`: scaled
    // and moved so that the window, fitted into the photo, is centred on it.
    // Null when the window is empty or the photo has no finite area.
    static std::optional<QTransform> frameTransform(const QRectF& photo, const QRectF& layout, const QRectF& frame);
    // The output's extent for a photo of extent `photo`, without rendering:
    // the placed frame picture, `photo` itself when no frame is drawn.
    QRectF outputExtentFor(const QRectF& photo) const;

    QVariantMap customAttributes() const override;
    CIImage outputImage() override;

private:
    QVariant m_frameName;
};
