#pragma once
// Renders images. All contexts share the process's one OpenGL context
// (made on first use); a CIContext is a cheap handle. Main thread only.
//
// Rectangles are in image coordinates (origin bottom left, y up), rounded
// outwards to whole pixels. Pixels outside an image's extent are transparent.
// Without a working EGL the calls log one "Error: " line (once per process)
// and give null results; a null image renders as transparent.
// A render that cannot be completed (a source that does not decode, a pass
// beyond the engine's size limit) fails as a whole: no partial picture is
// handed out, and lastError() says why.

#include "platform/image/CIImage.h"

#include <QImage>
#include <QList>

#include <vector>

class QPainter;

// The one float format of render(): RGBA, 32-bit float, premultiplied.
inline const QString kCIFormatRGBAf = QStringLiteral("RGBAf");

class CIContext {
public:
    CIContext() = default;
    static CIContext context() { return CIContext(); }

    // Renders `rect` of the image into `buffer` as RGBA floats in the working
    // space (linear-light sRGB primaries, premultiplied alpha), the row of
    // the rectangle's top (largest y) first, `rowFloats` floats a row apart
    // (0: width * 4). false when nothing could be rendered.
    bool render(const CIImage& image, float* buffer, qsizetype rowFloats, const QRectF& rect) const;
    // The same into a new vector (width * height * 4 floats, top row first).
    std::vector<float> renderToFloats(const CIImage& image, const QRectF& rect) const;

    // `rect` of the image as an 8-bit sRGB bitmap (Format_RGBA8888_Premultiplied,
    // colour space sRGB), top row first. Null QImage for a null image, an
    // empty rectangle or a failure (logged).
    QImage createCGImage(const CIImage& image, const QRectF& rect) const;
    // Several rectangles of one image, each as createCGImage makes it, in
    // one render: what they share (a texture's tile) is drawn once. Null
    // bitmaps where a rectangle fails.
    QList<QImage> createCGImages(const CIImage& image, const QList<QRectF>& rects) const;

    // Rehearses a createCGImage(image, rect) (nothing drawn, nothing kept)
    // and, when its programs were not in the driver's disk cache, starts
    // compiling them on a thread of its own, where the render then finds
    // them; returns once rehearsed. For a large render; changes no pixel.
    // compileAheadFinished() ends it.
    void compileAhead(const CIImage& image, const QRectF& rect) const;
    static void compileAheadFinished();

    // Draws `fromRect` of the image into `inRect` (the painter's coordinates)
    // rendering at the destination's size in device pixels, so that a large
    // photo is never rendered larger than it is shown.
    void drawImage(const CIImage& image, QPainter* painter, const QRectF& inRect, const QRectF& fromRect) const;

    // Why the last render()/createCGImage() on this context failed, in words
    // for a message ("cannot decode image file '…': …"); empty after a success.
    QString lastError() const { return m_lastError; }

    // Gives the working textures kept for later renders back (a one-shot
    // render's memory before it encodes). Images alive keep their own.
    static void releaseWorkingMemory();

    // Milliseconds the process spent starting EGL (0 before the first use).
    static double startupMilliseconds();
    // The OpenGL renderer's name ("llvmpipe ..."), empty without EGL.
    static QString rendererName();
    // The OpenGL version text ("OpenGL ES 3.2 Mesa ..."), empty without EGL.
    static QString rendererVersion();

private:
    // Starts a render: clears lastError(); false (with lastError set) without EGL.
    bool begin(quint64* failuresBefore) const;
    // Ends it: false (with lastError set) when anything of it failed.
    bool succeeded(quint64 failuresBefore) const;
    mutable QString m_lastError;
};
