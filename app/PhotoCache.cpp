#include "app/PhotoCache.h"

#include "app/PhotoCheck.h"
#include "platform/image/CIImageFile.h"

#include <QFileInfo>

#include <algorithm>

// Runs on a worker: the checks, then the engine's decode for `drawn`.
PhotoCache::Decoded PhotoCache::decode(const QString& path, const QSizeF& drawn)
{
    Decoded d;
    d.error = photoProblem(path);
    if (!d.error.isEmpty())
        return d;
    QString why;
    d.image = decodedImageCovering(path, drawn, &why);
    if (d.image.isNull())
        d.error = QStringLiteral("it could not be read as an image");
    return d;
}

PhotoCache& PhotoCache::shared()
{
    static auto* cache = new PhotoCache;
    return *cache;
}

PhotoCache::Entry* PhotoCache::entryFor(const QString& path, const QSizeF& drawnPixels, QString* reason)
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
            Entry kept = std::move(*it);
            m_entries.erase(it);
            m_entries.push_front(std::move(kept));
            return &m_entries.front();
        }
        m_entries.erase(it);
        break;
    }
    if (!info.isFile()) { // a pipe is never handed to a worker that would wait on it
        *reason = photoProblem(path);
        return nullptr;
    }
    Entry entry{path, modified, changed, size, drawnPixels, {}, {}, {}};
    entry.decode = std::async(std::launch::async, &PhotoCache::decode, path, drawnPixels).share();
    m_entries.push_front(std::move(entry));
    if (int(m_entries.size()) > kLimit)
        m_entries.pop_back();
    return &m_entries.front();
}

void PhotoCache::prepare(const QString& path, const QSizeF& drawnPixels)
{
    QString ignored;
    entryFor(path, drawnPixels, &ignored);
}

CIImage PhotoCache::photoFor(const QString& path, const QSizeF& drawnPixels, QString* reason)
{
    reason->clear();
    Entry* entry = entryFor(path, drawnPixels, reason);
    if (!entry)
        return {};
    if (entry->photo.isNull()) {
        const Decoded& decoded = entry->decode.get();
        if (decoded.image.isNull()) {
            *reason = decoded.error;
            m_entries.pop_front(); // failures are not kept
            return {};
        }
        entry->photo = CIImage::imageWithQImage(decoded.image);
    }
    return entry->photo;
}

PhotoCache::Entry* PhotoCache::keptEntry(const QString& path)
{
    const auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.path == path; });
    return it != m_entries.end() && !it->photo.isNull() ? &*it : nullptr;
}

QImage PhotoCache::previewFor(const QString& path, const PreviewKey& key)
{
    if (const Entry* entry = keptEntry(path))
        for (const auto& [made, preview] : entry->previews)
            if (made == key)
                return preview;
    return {};
}

void PhotoCache::keepPreview(const QString& path, const PreviewKey& key, const QImage& preview)
{
    Entry* entry = keptEntry(path);
    if (!entry || preview.isNull())
        return;
    std::erase_if(entry->previews, [&](const auto& p) { return p.first == key; });
    entry->previews.emplace_front(key, preview);
    if (int(entry->previews.size()) > kPreviewLimit)
        entry->previews.pop_back();
}
