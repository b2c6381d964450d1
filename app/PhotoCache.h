#pragma once
// Photo files decoded for the drop view's preview, and the previews made of
// them, kept across drags: a photo dragged over the window again shows at
// once, as long as its file is the same (path, modification and change
// time, size). A file changed on disk is decoded afresh and its previews
// are dropped. Only the preview's small decode is kept; the screen-sized
// picture is made from a photo of its own.
// The decode is the engine's at JPEG's smallest scale that still covers the
// size asked for (decodedImageCovering: a preview is drawn small; the
// wallpaper is decoded apart, finer), on a worker thread started by
// prepare() or photoFor().
// Main thread.

#include "app/Look.h"
#include "platform/image/CIImage.h"

#include <QDateTime>
#include <QImage>
#include <QSizeF>
#include <QString>

#include <deque>
#include <future>

class PhotoCache {
public:
    // The one the drop view uses, made on first use and never freed.
    static PhotoCache& shared();

    // Starts decoding the photo at `path` for `drawnPixels` unless a fitting
    // decode of the unchanged file is kept or under way. A file that is not
    // a usable photo starts nothing.
    void prepare(const QString& path, const QSizeF& drawnPixels);

    // The photo at `path` to be drawn at no more than `drawnPixels`, as
    // decoded (upright; its extent is the reduced size, which covers the
    // photo fitted in `drawnPixels`): the kept one when its file is
    // unchanged and it was decoded for at least that size; else a new one,
    // kept in place of the old. Waits for its decode. Null with `reason` set
    // (in words) when the file is not a usable photo; failures are not kept.
    CIImage photoFor(const QString& path, const QSizeF& drawnPixels, QString* reason);

    // What a finished preview was made for, besides its file.
    struct PreviewKey {
        QSize pixels;       // the bitmap's size
        QSizeF screen;      // the screen's size in points
        bool mainScreen = true;
        bool scaleUp = false;
        bool watermark = true;
        Look look;          // the look it shows (plain without an editor)
        bool operator==(const PreviewKey& other) const = default;
    };
    // The preview kept for the photo at `path` and `key`; null when none.
    // The file is not checked again: ask right after photoFor.
    QImage previewFor(const QString& path, const PreviewKey& key);
    // Keeps `preview` with the photo photoFor last gave for `path` (nothing
    // when none is kept); the newest kPreviewLimit of a photo are kept.
    void keepPreview(const QString& path, const PreviewKey& key, const QImage& preview);

    // How many photos are kept at most (the newest), and previews of each.
    static constexpr int kLimit = 4;
    static constexpr int kPreviewLimit = 2;
    int count() const { return int(m_entries.size()); }
    void clear() { m_entries.clear(); }

private:
    struct Decoded {
        QImage image;  // upright, reduced; null on failure
        QString error; // why it failed, in words
    };
    // Any thread: the checks, then the decode for `drawn`.
    static Decoded decode(const QString& path, const QSizeF& drawn);
    struct Entry {
        QString path;
        QDateTime modified, changed;
        qint64 size = 0;
        QSizeF drawn;
        std::shared_future<Decoded> decode;
        CIImage photo; // made from the decode when first asked for
        std::deque<std::pair<PreviewKey, QImage>> previews; // newest first
    };
    // The entry of the unchanged file decoded for at least `drawnPixels`,
    // moved to the front; else a new one (its decode started), or null with
    // `reason` set.
    Entry* entryFor(const QString& path, const QSizeF& drawnPixels, QString* reason);
    // The decoded entry of `path`; null when none.
    Entry* keptEntry(const QString& path);

    std::deque<Entry> m_entries; // newest first
};
