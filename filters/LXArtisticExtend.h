#pragma once
// Places a picture (inputImage) in the middle of a larger canvas (the extent
// of inputBackgroundImage) and fills the rest with an artistic extension of
// it: the blurred background colour-burned with a blurred, half-turned,
// stretched copy of the picture, a soft shadow spreading out from a narrow
// blurred border round the picture, and the picture itself in the centre.
// The result covers exactly (0, 0, W, H). Missing images give null.
// Main thread.

#include "filters/LXFilter.h"

class LXArtisticExtend : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputBackgroundImage MEMBER inputBackgroundImage)
    Q_PROPERTY(QVariant rotate MEMBER rotate)
    Q_PROPERTY(QVariant motionBlur MEMBER motionBlur)
    Q_PROPERTY(QVariant forDisplay MEMBER forDisplay)
public:
    Q_INVOKABLE explicit LXArtisticExtend(QObject* parent = nullptr);

    QVariant inputImage;           // CIImage: the picture
    QVariant inputBackgroundImage; // CIImage: the canvas
    QVariant rotate;               // bool: turn the background half round first
    QVariant motionBlur;           // bool: add a horizontal motion blur to the background
    QVariant forDisplay;           // bool: only shown small on screen, never saved: coarser where smooth

    // The numbers of one extension: canvas W x H, picture w x h.
    struct Layout {
        double s;             // scale of every radius: max(0.5, sqrt(W H) / 1000)
        double dx, dy;        // the centred picture's offset
        double m;             // the border's width: ceil(4 s)
        QRectF frame;         // (dx - m, dy - m, w + 2m, h + 2m)
        double backgroundBlur;   // rnd(10 s)
        double motionRadius;     // rnd(100 s)
        double borderBlur;       // 20 s
        double foregroundBlur;   // rnd(50 s)
        double shadowBlur;       // 15 s
        // The blurred extension (burn and shadow) has no detail finer than
        // its least blur: computed at points this far apart, read between.
        double coarseStep;       // backgroundBlur / 4; for a display, backgroundBlur
    };
    static Layout layout(double W, double H, double w, double h, bool forDisplay = false);

    CIImage outputImage() override;
};
