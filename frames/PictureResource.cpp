#include "frames/PictureResource.h"

#include "platform/foundation/Bundle.h"
#include "resources/BundleResources.h"
#include "resources/StringResources.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>

#include <list>

#include <cmath>

QVector<double> PictureResource::numbers(int count) const
{
    if (pieces.size() != count)
        return {};
    QVector<double> values;
    for (const QString& piece : pieces) {
        bool ok = false;
        const double value = piece.toDouble(&ok);
        if (!ok || !std::isfinite(value))
            return {};
        values.append(value);
    }
    return values;
}

PictureResource findPictureResource(const QString& type, const QString& name, const QString& avoiding,
                                    const QString& subfolder)
{
    PictureResource found;
    LXResourceInfo info = resourceInfo(name);
    // A bare resource ID ("ALX-F#002") parses its number as the name.
    static const QRegularExpression threeDigits(QStringLiteral("^\\d{3}$"));
    if (!info.hasIndex() && threeDigits.match(info.name).hasMatch())
        info.index = info.name.toULongLong();
    // A name without type and index has no prefix; an empty one would match the first file.
    if (info.type.isEmpty() || !info.hasIndex())
        return found;
    QString directory = directoryForResourceType(type);
    if (!subfolder.isEmpty()) {
        if (directory.isNull())
            return found;
        directory += QLatin1Char('/') + subfolder;
    }
    found.path = pathForImageResourceWithPrefix(Bundle::mainBundle(), resourceIDForType(info.type, info.index),
                                                directory, avoiding);
    if (found.path.isNull())
        return found;
    const LXResourceInfo fileInfo = resourceInfo(found.path);
    found.resourceIDName = resourceIDNameFor(fileInfo);
    if (!fileInfo.options.isNull())
        found.pieces = fileInfo.options.split(QLatin1Char('-'));
    return found;
}

QStringList pictureResourceNames(const QString& type, const QString& avoiding)
{
    return resourceIDNamesForImageResourcesAvoding(Bundle::mainBundle(), avoiding, directoryForResourceType(type));
}

CIImage sharedPictureAt(const QString& path)
{
    struct Kept {
        QString path;
        QDateTime modified;
        qint64 size;
        CIImage image;
    };
    // A frame's picture, mask and upright pair: the last two frames shown.
    constexpr size_t kKept = 8;
    // Never destroyed: its images may hold textures of the process's one context.
    static std::list<Kept>& kept = *new std::list<Kept>; // most recently used first
    const QFileInfo file(path);
    if (!file.isFile())
        return {};
    const QDateTime modified = file.lastModified();
    const qint64 size = file.size();
    for (auto it = kept.begin(); it != kept.end(); ++it) {
        if (it->path != path)
            continue;
        if (it->modified == modified && it->size == size) {
            kept.splice(kept.begin(), kept, it);
            return kept.front().image;
        }
        kept.erase(it);
        break;
    }
    kept.push_front({path, modified, size, CIImage::imageWithContentsOfFile(path)});
    if (kept.size() > kKept)
        kept.pop_back();
    return kept.front().image;
}
