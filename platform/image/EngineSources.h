#pragma once
// Internal to the image engine: the nodes that make pixels from nothing but
// their own data. Main thread only; a file source may decode on a worker
// thread of its own, which never touches OpenGL or the engine.

#include "platform/image/EnginePasses.h"

#include <QImageIOHandler>

#include <future>

namespace Engine {

// Pixels from a bitmap or a file; 8-bit sRGB unpremultiplied in memory (in
// the byte order Qt keeps them), converted to linear premultiplied on upload
// of the needed part.
class SourceNode final : public ImageNode {
public:
    static std::shared_ptr<SourceNode> fromImage(const QImage& image);
    // nullptr (logged) when the file is not a picture. With a `drawnSize`
    // (the most pixels renders will draw it at; empty for none) the decode
    // starts at once on a worker thread at the reduction that allows; the
    // first render waits for it and decodes again if it needs more detail.
    // `centredFit`: a shrunk photo is drawn at centredFitSize (CIImageFile.h).
    static std::shared_ptr<SourceNode> fromFile(const QString& path, const QSizeF& drawnSize = {},
                                                bool centredFit = false);
    ~SourceNode() override;
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    QRectF opaqueArea() const override { return m_opaque ? m_extent : QRectF(); }
    // The photo halved on the decode's thread, for the details it serves.
    double keptDetailFor(double detail) const override;
    // How many renders read that half (tests, benchmarks).
    int halfReads() const { return m_halfReads; }
    // How many times a file was decoded and at which scale (tests,
    // benchmarks); the bitmap kept may be averaged down further.
    int decodeCount() const { return m_decodeCount; }
    QSize lastDecodedSize() const { return m_decodedSize; }
    // The bitmap a render at full detail reads (decoded now when it is not
    // yet); null when the file does not decode.
    QImage bitmap() const { return decoded(1.0); }

    struct Decoded {
        QImage image;
        QString error; // why the file did not decode (image null)
        QSize decodedSize; // as decoded, before any averaging down
        QImage half; // `image` halved when it was decoded for a drawn size; may be null
    };

private:
    using ImageNode::ImageNode;
    // The bitmap a render at `detail` reads: always the same one for the
    // same detail, whatever was rendered before. Null (failure noted) when
    // the file does not decode.
    QImage decoded(double detail) const;
    // What decoded() would give without decoding; null when it would.
    QImage decodedAtHand(double detail) const;
    // Takes over the worker's decode, waiting for it.
    void settle() const;
    // Whether the photo decoded for its drawn size has the detail.
    bool hintServes(double detail) const;
    // Whether that photo halved has the detail (no fewer texels than asked);
    // only a file decoded for its drawn size has a half, so then the
    // decode serves the detail too.
    bool halfServes(double detail) const;
    int denominatorFor(double detail) const;
    // The photo halved on the decode's thread, uploaded once.
    Rendered renderHalf(GL& gl) const;
    // The bitmap's texels `texels` uploaded (unless not `upload`) and
    // converted to ow x oh working texels (as they are when asIs) covering
    // `area`.
    static Rendered convert(GL& gl, const QImage& image, const QRect& texels, const QRectF& area, bool asIs, int ow,
                            int oh, bool upload);
    QString m_path;
    qint64 m_bitmapKey = 0; // the identity of the bitmap given (none for a file)
    QSize m_fileSize; // stored (unrotated) size of the file
    bool m_reducibleDecode = false; // decodes at a power-of-two reduction
    QImageIOHandler::Transformations m_turn; // the file's orientation
    bool m_opaque = false; // a bitmap or file format without alpha
    bool m_coverage = false; // a bitmap of premultiplied white (a mask), kept as given
    mutable QImage m_decoded; // a bitmap's pixels, or a file decoded beyond its hint
    mutable int m_decodedDenominator = 0;
    mutable QSize m_decodedSize;
    mutable int m_decodeCount = 0;
    mutable std::future<Decoded> m_pending; // a decode running on a worker
    // The file decoded for its drawn size, kept until uploaded as it is;
    // then every render below full detail that it serves, and the half
    // does not, reads `m_shown`.
    mutable QImage m_hinted;
    mutable QSize m_hintedSize;
    mutable QString m_hintedError;
    mutable Rendered m_shown;
    // The same halved on the worker, kept until uploaded; then renders it
    // serves read `m_shownHalf` instead of reducing the whole photo.
    mutable QImage m_hintedHalf;
    mutable double m_halfDetail = 0; // its texels a pixel; 0: none
    mutable Rendered m_shownHalf;
    mutable int m_halfReads = 0;
    // A rehearsal's stand-ins for those two, held as the render holds its
    // uploads, so that readers treat them alike (nobody blends onto either
    // in place) and the rehearsal lists the render's draws.
    mutable Rendered m_rehearsedShown, m_rehearsedHalf;
    mutable Rendered m_whole; // the whole decoded picture, converted
    mutable double m_wholeDetail = 0;
    mutable double m_wholeAsked = 0; // the detail it was converted for
};

class ColorNode final : public ImageNode {
public:
    explicit ColorNode(const std::array<float, 4>& premultipliedLinear);
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    QRectF opaqueArea() const override { return color[3] >= 1 ? m_extent : QRectF(); }
    std::array<float, 4> color;
};

// An already rendered texture (accumulators); `opaque`: where its texels
// are known to be opaque when not all are.
class TextureNode final : public ImageNode {
public:
    // `copied`: where the texels are a source's own (none when its source is null).
    TextureNode(const Rendered& rendered, const QRectF& extent, const QRectF& opaque = {}, const CopiedPart& copied = {});
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    QRectF opaqueArea() const override;
    // The source's detail that halves the part (its texels a source pixel);
    // 0 when the source keeps no such half.
    static double halfKept(const CopiedPart& part);
    Rendered rendered;

private:
    // Below full detail, 8-bit texels halved: the copied part from its
    // source's kept half, only the rest reduced here (drawn anew for each
    // read: the wallpaper's backdrop reads it once). Empty when not so.
    Rendered halvedFromCopy(GL& gl, double detail) const;
    QRectF m_opaque;
    CopiedPart m_copied;
};

} // namespace Engine
