#pragma once
// The photo in dragged or pasted data (QMimeData), taken from the first
// source that gives one:
//   1. local file URLs (text/uri-list), in their order;
//   2. image data of any type Qt reads (TIFF, PNG, JPEG, ...), upright;
//   3. text naming an image file, as a path or a file URL.
// Remote addresses are never fetched: a drag carries no network work.
// Files are read through WallpaperMaker::readPhoto (regular files only,
// EXIF orientation, decoded at the size they are shown, 268-megapixel limit).
// Image bytes are preferred to a bitmap (application/x-qt-image) when both
// are offered, PNG to other types.
// Main thread.

#include "platform/image/CIImage.h"

#include <QImage>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QUrl>

class QMimeData;

// What a drag offers, copied out of its QMimeData, which the drag owns and
// may delete as soon as it ends.
struct DragOffer {
    QList<QUrl> urls;          // every URL offered, remote ones included (for the name)
    QString text;              // text/plain
    QByteArray imageType;      // the first image format offered, "" for none
    QByteArray imageData;      // its bytes, read only when asked for
    QImage image;              // application/x-qt-image, when offered in-process

    // The header only: the names, text and types, no image bytes. nullptr: nothing.
    static DragOffer headerOf(const QMimeData* data);
    // Also the image bytes.
    static DragOffer fullOf(const QMimeData* data);

    // The local files of its URLs, in order.
    QStringList urlFiles() const;
    // The file its text names as a path or a file URL; empty for none.
    QString textFile() const;
    // Whether a photo may come of it, judged from the header and the named
    // files' first bytes (no decoding): the drag is accepted on this.
    bool mayHoldPhoto() const;
    // The name to save under: the base name of the first URL's path, else
    // of the text; empty when neither gives one.
    QString saveName() const;
};

struct DragPhoto {
    CIImage photo;  // a file's photo (decoded lazily at the size it is shown)
    CIImage preview; // with a preview size: the same file decoded for it, kept across drags (PhotoCache)
    QString previewFile; // the file of `preview`; empty without one
    QImage bitmap;  // or image data, upright
    QString name;   // the name to save under, never empty
    QString reason; // why there is none, in words; empty when there is one

    bool isNull() const { return photo.isNull() && bitmap.isNull(); }
};

// The size a photo is decoded at for a screen of `screenPixels` (empty:
// whole). Image data is always decoded fitted inside it (it is shown no
// larger). A file's decode starts at once at the screen's reduction when
// `fileAtOnce`; else it waits for the first render, at the detail that one
// needs (a drag's small preview), and decodes more only for the save.
// With `previewPixels`, a file's preview is also taken from, or decoded for
// that size into, PhotoCache::shared().
struct PhotoDecode {
    QSizeF screenPixels;
    bool fileAtOnce = true;
    QSizeF previewPixels = {}; // empty: no preview of its own
};

// The photo of `offer` (first source that works); `reason` says why not.
DragPhoto photoFromOffer(const DragOffer& offer, const PhotoDecode& decode = {});
