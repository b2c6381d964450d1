#include "frames/PictureResource.h"

#include "platform/foundation/Bundle.h"
#include "resources/BundleResources.h"
#include "resources/StringResources.h"

#include <QRegularExpression>

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
