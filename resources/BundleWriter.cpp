// Writing and reading resource bundles (the class side of LXBundleManager).
#include "resources/LXBundleManager.h"

#include "platform/desktop/Alert.h"
#include "platform/desktop/Thumbnails.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"
#include "resources/BundleResources.h"
#include "resources/LXCachedImage.h"
#include "resources/PathInside.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

void warn(QStringList& errors, const QString& text)
{
    Log::line(lcResources, QStringLiteral("Warning: ") + text);
    errors.append(text);
}

bool isPathList(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QStringList>())
        return true;
    if (value.metaType() != QMetaType::fromType<QVariantList>())
        return false;
    for (const QVariant& item : value.toList())
        if (item.metaType() != QMetaType::fromType<QString>())
            return false;
    return true;
}

bool saveList(const QStringList& items, const QUrl& url, QStringList& errors)
{
    const QString folder = url.toLocalFile();
    QString reason;
    if (!createDirectoryAtURL(url, true, &reason)) {
        warn(errors, QStringLiteral("Could not create resource folder: %1 (%2)").arg(url.toString(), reason));
        return false;
    }
    bool all = true;
    for (const QString& item : items) {
        const QString source = pathInsideFolder(Application::temporaryDirectory(), item);
        const QString target = folder + QLatin1Char('/') + QFileInfo(item).fileName();
        if (QFileInfo::exists(target))
            continue;
        QFile file(source);
        if (source.isNull() || !file.copy(target)) {
            warn(errors, QStringLiteral("Could not copy URL %1 to %2 because %3")
                             .arg(QUrl::fromLocalFile(source.isNull() ? item : source).toString(),
                                  QUrl::fromLocalFile(target).toString(),
                                  source.isNull() ? QStringLiteral("it is not in the temporary folder")
                                                  : file.errorString()));
            all = false;
        }
    }
    return all;
}

// Hard link, else copy; the result says whether the thumbnail is there.
bool linkOrCopy(const QString& from, const QString& to, QString* reason)
{
    if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    const QString linkError = QString::fromLocal8Bit(strerror(errno));
    QFile file(from);
    if (file.copy(to))
        return true;
    *reason = QStringLiteral("%1; copying: %2").arg(linkError, file.errorString());
    return false;
}

} // namespace

bool LXBundleManager::saveResource(const QVariant& value, const QUrl& url, QString* error)
{
    QStringList errors;
    bool saved = false;
    if (isPathList(value)) {
        saved = saveList(value.toStringList(), url, errors);
    } else if (value.metaType() == QMetaType::fromType<std::shared_ptr<LXCachedImage>>()) {
        const auto cached = value.value<std::shared_ptr<LXCachedImage>>();
        QString reason;
        saved = cached && (cached->writeToURL(url, &reason) || saveImage(cached->nsImage(), url));
        if (!saved)
            errors.append(QStringLiteral("the cached picture could not be written to %1").arg(url.toLocalFile()));
    } else if (value.metaType() == QMetaType::fromType<Picture>()) {
        saved = saveImage(value.value<Picture>(), url);
        if (!saved)
            errors.append(QStringLiteral("the picture could not be written to %1").arg(url.toLocalFile()));
    } else if (value.metaType() == QMetaType::fromType<CIImage>()) {
        saved = saveCIImage(value.value<CIImage>(), url);
        if (!saved)
            errors.append(QStringLiteral("the image could not be written to %1").arg(url.toLocalFile()));
    } else {
        const QString type = QString::fromLatin1(value.metaType().name() ? value.metaType().name() : "nothing");
        Alert::show(QStringLiteral("Cannot save File"),
                    QStringLiteral("Sunnyside does not know how to save a value of the kind %1.\n\nPlease take a "
                                   "screenshot (Print Screen key) and send it to the Sunnyside developers, so that "
                                   "we can track down the fault.")
                        .arg(type));
        Log::line(lcResources,
                  QStringLiteral("Warning: Cannot save resource. There is no Saving procedure for class %1").arg(type));
        errors.append(QStringLiteral("a value of the kind %1 cannot be saved").arg(type));
    }
    if (error)
        *error = errors.join(QStringLiteral("; "));
    return saved;
}

bool LXBundleManager::writeBundleToURL(const QUrl& url, const QVariantMap& description, const QVariantMap& resources,
                                       QString* error)
{
    const QString path = url.toLocalFile();
    QStringList errors;
    auto finish = [&]() {
        if (error)
            *error = errors.join(QStringLiteral("; "));
        return errors.isEmpty();
    };

    // Step 2 deletes what the folder holds: only ever in a bundle of ours.
    const QFileInfo info(path);
    const QDir::Filters all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    if (info.isDir() && !QDir(path).isEmpty(all) && !QFileInfo::exists(path + QStringLiteral("/Info.plist"))) {
        errors.append(QStringLiteral("'%1' is a folder with other files, not a bundle").arg(path));
        Log::line(lcResources, QStringLiteral("Error: not writing a bundle into '%1': %2").arg(path, errors.last()));
        return finish();
    }
    QString reason;
    if (!createDirectoryAtURL(url, true, &reason)) {
        errors.append(reason);
        Log::line(lcResources, QStringLiteral("Error: cannot make the bundle '%1': %2").arg(path, reason));
        return finish();
    }

    const QDir folder(path);
    // The description and the previews are written by name: kept as links,
    // those writes would land wherever the links lead.
    const QStringList ownEntries{QStringLiteral("Info.plist"), QStringLiteral("QuickLook")};
    for (const QString& entry : folder.entryList(all, QDir::Name)) {
        const bool ownLink = ownEntries.contains(entry) && QFileInfo(folder.filePath(entry)).isSymLink();
        if (resources.contains(entry) && !ownLink)
            continue;
        QString why;
        if (!removeItem(folder.filePath(entry), &why))
            warn(errors, QStringLiteral("Could not delete file '%1' (%2)").arg(entry, why));
    }

    if (!PropertyList::write(description, folder.filePath(QStringLiteral("Info.plist"))))
        warn(errors, QStringLiteral("Could not write '%1'").arg(folder.filePath(QStringLiteral("Info.plist"))));
    const QString quickLook = folder.filePath(QStringLiteral("QuickLook"));
    if (!QDir().mkpath(quickLook))
        warn(errors, QStringLiteral("Could not create QuickLook folder: %1").arg(quickLook));

    for (auto it = resources.cbegin(); it != resources.cend(); ++it) {
        const QString target = pathInsideFolder(path, it.key());
        if (target.isNull()) {
            warn(errors, QStringLiteral("Resource path '%1' leaves the bundle; not saved").arg(it.key()));
            continue;
        }
        if (QFileInfo(target).exists() || QFileInfo(target).isSymLink())
            continue;
        QDir().mkpath(QFileInfo(target).absolutePath());
        QString why;
        if (!saveResource(it.value(), QUrl::fromLocalFile(target), &why))
            errors.append(why);
    }

    QString extension;
    if (resources.contains(QStringLiteral("QuickLook/Preview.png")))
        extension = QStringLiteral("png");
    else if (resources.contains(QStringLiteral("QuickLook/Preview.jpg")))
        extension = QStringLiteral("jpg");
    if (!extension.isEmpty() && QFileInfo(quickLook).isDir()) {
        const QString preview = quickLook + QStringLiteral("/Preview.") + extension;
        const QString thumbnail = quickLook + QStringLiteral("/Thumbnail.") + extension;
        QFile::remove(thumbnail);
        QString why;
        if (!linkOrCopy(preview, thumbnail, &why))
            warn(errors, QStringLiteral("Could not link/copy QuickLook-Thumbnail (%1->%2), because %3")
                             .arg(preview, thumbnail, why));
        // File managers show the folder with its preview; a missing one is only a plainer icon.
        Thumbnails::writeThumbnails(path, QImage(preview));
    }
    return finish();
}

Picture LXBundleManager::previewForBundle(const Bundle& bundle)
{
    Picture preview = imageNamed(bundle, QStringLiteral("Preview"));
    for (const char* type : {"png", "jpg", "tiff"}) {
        if (!preview.isNull())
            break;
        const QString path = bundle.pathForResource(QStringLiteral("Preview"), QLatin1String(type),
                                                    QStringLiteral("QuickLook"));
        if (!path.isNull())
            preview = Picture::fromFile(path);
    }
    return preview.isNull() ? imageNamedForType(Bundle::mainBundle(), QStringLiteral("NoPreview"), QStringLiteral("jpg"))
                            : preview;
}

QVariantMap LXBundleManager::decriptionForBundle(const Bundle& bundle)
{
    const QString path = bundle.pathForResource(QStringLiteral("Info"), QStringLiteral("plist"));
    const QVariant description = path.isNull() ? QVariant() : PropertyList::read(path);
    if (description.metaType() != QMetaType::fromType<QVariantMap>()) {
        Log::line(lcResources,
                  QStringLiteral("Warning: Bundle %1 is missing description Info.plist file.").arg(bundle.bundlePath()));
        return {};
    }
    return description.toMap();
}

QVariantMap LXBundleManager::shadowCopyDictionary()
{
    const QString support = applicationSupportDirectory();
    return support.isNull() ? QVariantMap() : PropertyList::read(support + QStringLiteral("/files")).toMap();
}
