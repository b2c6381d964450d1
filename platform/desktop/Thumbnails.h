#pragma once
// Thumbnails where file managers look for them (the freedesktop.org
// thumbnail convention): "$XDG_CACHE_HOME/thumbnails/normal" (128 pixels)
// and ".../large" (256 pixels), named by the MD5 of the file's URI, PNG with
// the text keys "Thumb::URI" and "Thumb::MTime" (whole seconds) so that a
// reader can tell a stale one. Folders are made owner-only; files are
// written atomically.
// Thread: main thread.

#include <QImage>
#include <QString>

namespace Thumbnails {

// The URI a thumbnail is keyed by ("file:///home/a/My%20Frame.bundle").
QString uriForPath(const QString& path);
// Where the thumbnail of `path` goes; `large` picks the 256-pixel folder.
QString thumbnailPath(const QString& path, bool large);

// Writes both sizes of `picture` (shrunk, never enlarged) for the file or
// folder at `path`, stamped with its current modification time. False after
// a "Warning: " line when `path` does not exist or a file cannot be written.
bool writeThumbnails(const QString& path, const QImage& picture);

} // namespace Thumbnails
