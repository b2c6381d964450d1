#pragma once
// Photo files decoded for the drop view's preview, kept across drags: a
// photo dragged over the window again shows without decoding, as long as
// its file is the same (path, modification and change time, size). A file
// changed on disk is decoded afresh. Only the preview's small decode is
// kept; the screen-sized picture is made from a photo of its own.
// Main thread.

#include "platform/image/CIImage.h"

#include <QDateTime>
#include <QSizeF>
#include <QString>

#include <deque>

class PhotoCache {
public:
    // The one the drop view uses, made on first use and never freed.
    static PhotoCache& shared();

    // The photo at `path` to be drawn at no more than `drawnPixels`: the kept
    // one when its file is unchanged and it was decoded for at least that
    // size; else a new one whose decode starts now on a worker, kept in
    // place of the old. Null with `reason` set (in words) when the file is
    // not a usable photo; failures are not kept.
    CIImage photoFor(const QString& path, const QSizeF& drawnPixels, QString* reason);

    // How many photos are kept at most (the newest).
    static constexpr int kLimit = 4;
    int count() const { return int(m_entries.size()); }
    void clear() { m_entries.clear(); }

private:
    struct Entry {
        QString path;
        QDateTime modified, changed;
        qint64 size = 0;
        QSizeF drawn;
        CIImage photo;
    };
    std::deque<Entry> m_entries; // newest first
};
