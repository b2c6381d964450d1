#include "app/PhotoCache.h"

#include "app/WallpaperMaker.h"

#include <QFileInfo>

PhotoCache& PhotoCache::shared()
{
    static auto* cache = new PhotoCache;
    return *cache;
}

CIImage PhotoCache::photoFor(const QString& path, const QSizeF& drawnPixels, QString* reason)
{
    const QFileInfo info(path);
    // A rewrite in place may keep the size and even the modification time
    // (tools that restore it); the change time still moves.
    const QDateTime modified = info.lastModified(), changed = info.metadataChangeTime();
    const qint64 size = info.size();
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->path != path)
            continue;
        const bool same = it->modified == modified && it->changed == changed && it->size == size;
        if (same && it->drawn.width() >= drawnPixels.width() && it->drawn.height() >= drawnPixels.height()) {
            Entry kept = *it;
            m_entries.erase(it);
            m_entries.push_front(kept);
            reason->clear();
            return kept.photo;
        }
        m_entries.erase(it);
        break;
    }
    const CIImage photo = WallpaperMaker::readPhoto(path, reason, drawnPixels);
    if (photo.isNull())
        return {};
    m_entries.push_front({path, modified, changed, size, drawnPixels, photo});
    if (int(m_entries.size()) > kLimit)
        m_entries.pop_back();
    return photo;
}
