#pragma once
// Image files, free file names, random names and the per-user support folder.
// (The resource-bundle store side of this class comes later.)
//
// Writing: the target's extension picks the type ("jpg"/"jpeg" JPEG, "png"
// PNG, anything else PNG when the picture has alpha, JPEG otherwise) and is
// rewritten in lower case ("photo.JPEG" is written as "photo.jpg"). JPEG is
// written at quality 90. Files are written atomically; a failed write shows
// the "Could not save File" alert once and returns false.
// Main thread (alerts are modal; the random sequence is process-wide).

#include "platform/image/CIImage.h"
#include "platform/ui/Picture.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <QUrl>

class QFile;

class LXBundleManager {
public:
    static bool saveBitmapRep(const QImage& bitmap, const QUrl& url);
    static bool saveImage(const Picture& image, const QUrl& url); // nil: false, no alert
    // Renders the whole image (its extent) and writes it as above.
    static bool saveCIImage(const CIImage& image, const QUrl& url);

    // The file actually written by saveBitmapRep for `url` and `bitmap`.
    static QUrl bitmapFileURL(const QImage& bitmap, const QUrl& url);

    // `name` in `directory` when free, else "base N.ext" (or "base N") for
    // the first free N = 1, 2, ...; only existence is tested.
    static QUrl uniqueFileURL(const QString& name, const QUrl& directory);

    // `length` characters of a-z, A-Z, 0-9, not equal to any of `compare`.
    static QString randomStringWithLength(int length, const QStringList& compare = {});

    // Writes `image` into the temporary folder (as "<random>.jpg", or as
    // "<random>/<name>", "jpg" appended unless the name ends in "jpg" or
    // "png"), registers it for deletion at quit and returns its URL. Empty
    // when nothing was written: a nil image, a write that failed (alerted),
    // or a name that is not one plain file name (logged).
    static QUrl tempFileForImage(const Picture& image, const QString& name = {});

    // "<data folder>/sunnyside", created on every call; null after a
    // "Warning: " line when it cannot be made.
    static QString applicationSupportDirectory();

    // Folder kinds of the other desktop, as numbers: 14 application support,
    // 13 caches, 9 documents, 12 desktop, 15 downloads, 17 movies, 18 music,
    // 19 pictures. Domain 1 is the user's. The folder (with `component`
    // appended) is created; null when the kind is unknown (error untouched)
    // or creation fails (error set).
    static QString directoryPath(quint64 kind, quint64 domain, const QString& component, QString* error = nullptr);
};

// Creates the folder and its parents; false with the reason in `error`.
bool createDirectoryAtURL(const QUrl& url, bool withIntermediateDirectories, QString* error = nullptr);
