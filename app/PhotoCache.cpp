#include "app/PhotoCache.h"

#include "app/PhotoCheck.h"

#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cmath>

// Runs on a worker: the checks, then the decode at the largest of JPEG's
// reductions (1/2, 1/4, 1/8) that still gives `drawn` pixels of the photo
// fitted in it. Qt's reader takes libjpeg's own reduction only when the
// stored size is at least that many times the size asked for, so it is asked
// for the stored size divided by it, rounded down (one pixel less than the
// reduction gives at most). Other formats decode whole and are scaled.
PhotoCache::Decoded PhotoCache::decode(const QString& path, const QSizeF& drawn)
{
    Decoded d;
    d.error = photoProblem(path);
    if (!d.error.isEmpty())
        return d;
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    const QSize upright = reader.transformation() & QImageIOHandler::TransformationRotate90 ? stored.transposed() : stored;
    if (stored.isValid() && !drawn.isEmpty()) {
        const double fit = std::min(drawn.width() / upright.width(), drawn.height() / upright.height());
        int denominator = 1;
        while (denominator < 8 && fit * denominator * 2 <= 1.0)
            denominator *= 2;
        if (denominator > 1)
            reader.setScaledSize(QSize(std::max(1, stored.width() / denominator), std::max(1, stored.height() / denominator)));
    }
    d.image = reader.read();
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
