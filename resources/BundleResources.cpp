#include "resources/BundleResources.h"

#include "platform/foundation/Log.h"
#include "resources/StringResources.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QScreen>
#include <QSet>
#include <QWindow>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

const QStringList& imageExtensions()
{
    static const QStringList extensions{"tiff", "png", "jpg", "pdf"};
    return extensions;
}

QHash<QString, QString>& typeTable()
{
    static QHash<QString, QString> table{
        {"ALX-B", "Backgrounds"},  {"ALX-O", "Objects"},       {"ALX-T", "Textures"},
        {"ALX-F", "Frames"},       {"ALX-S", "Shadows"},       {"ALX-M", "Masks"},
        {"FRM-M", "Masks"},        {"FRM-E", "ExternalMasks"}, {"FRM-I", "InternalMasks"},
        {"FRM-S", "Shades"},
    };
    return table;
}

double& scaleOverride()
{
    static double factor = -1;
    return factor;
}

QString orNull(const QString& s)
{
    return s.isNull() ? QStringLiteral("(null)") : s;
}

QString withoutVariants(QString stem)
{
    for (const char* variant : {"~iPad", "~iPhone", "@2x"}) {
        const qsizetype at = stem.indexOf(QLatin1String(variant));
        if (at >= 0)
            stem.remove(at, qsizetype(strlen(variant)));
    }
    return stem;
}

QString baseName(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? fileName : fileName.left(dot);
}

QString extension(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : fileName.mid(dot + 1);
}

// One level of the directory-tree look-up; `visited` guards against link cycles.
QUrl lookInTree(const QString& basePath, const QString& prefix, const QString& directory, const QString& avoiding,
                QSet<QString>& visited)
{
    auto fail = [&](const QString& reason) {
        Log::line(lcResources, QStringLiteral("Error: Looking for '%1' in '%2' avoiding '%3' failed, because %4")
                                   .arg(orNull(prefix), basePath, orNull(avoiding), reason));
        return QUrl();
    };

    const QString folder = directory.isEmpty() ? basePath : basePath + QLatin1Char('/') + directory;
    const QFileInfo folderInfo(folder);
    const bool listed = folderInfo.isDir() && folderInfo.isReadable();
    if (listed) {
        Bundle tree(folder);
        for (const QString& path : tree.pathsForResources(QString())) {
            const QString name = path.section(QLatin1Char('/'), -1);
            if (!imageExtensions().contains(extension(name)))
                continue;
            const QString stem = baseName(name);
            if (!prefix.isNull() && !stem.startsWith(prefix))
                continue;
            if (!avoiding.isEmpty() && stem.endsWith(avoiding))
                continue;
            return QUrl::fromLocalFile(path);
        }
    }

    const QString link = basePath + QStringLiteral("/Base.lnk");
    const QFileInfo linkInfo(link);
    if (!linkInfo.isSymLink() && !linkInfo.exists()) {
        if (!listed)
            fail(folderInfo.exists() ? QStringLiteral("the folder %1 cannot be read").arg(folder)
                                     : QStringLiteral("the folder %1 does not exist").arg(folder));
        return {};
    }
    QByteArray target(4096, '\0');
    const ssize_t length = ::readlink(QFile::encodeName(link).constData(), target.data(), size_t(target.size()));
    if (length < 0)
        return fail(QString::fromLocal8Bit(strerror(errno)));
    target.truncate(qsizetype(length));
    QString next = QFile::decodeName(target);
    if (QFileInfo(next).isRelative())
        next = basePath + QLatin1Char('/') + next;
    next = QDir::cleanPath(next);
    const QString key = QFileInfo(next).canonicalFilePath().isEmpty() ? next : QFileInfo(next).canonicalFilePath();
    if (visited.contains(key))
        return fail(QStringLiteral("the Base.lnk links form a cycle"));
    visited.insert(key);
    return lookInTree(next, prefix, directory, avoiding, visited);
}

QString resourceOfType(const Bundle& bundle, const QString& name, const QString& type)
{
    return name.isEmpty() ? QString() : bundle.pathForResource(name, type);
}

} // namespace

void registerResourceDirectory(const QString& directory, const QString& type)
{
    typeTable().insert(type, directory);
}

QString directoryForResourceType(const QString& type)
{
    return typeTable().value(type);
}

QUrl URLForImageResourceIn(const QString& basePath, const QString& prefix, const QString& directory,
                           const QString& avoiding)
{
    QSet<QString> visited;
    visited.insert(QFileInfo(basePath).canonicalFilePath());
    return lookInTree(basePath, prefix, directory, avoiding, visited);
}

// The part of a resource's path inside the bundle: where the bundle is
// installed ("/opt/Masks/...") must not decide what a look-up finds.
static QString insideBundle(const Bundle& bundle, const QString& path)
{
    const QString root = bundle.bundlePath() + QLatin1Char('/');
    return path.startsWith(root) ? path.mid(root.size()) : path;
}

QStringList pathsForImageResourcesAvoding(const Bundle& bundle, const QString& avoiding, const QString& directory)
{
    QStringList paths;
    for (const QString& ext : imageExtensions()) {
        for (const QString& path : bundle.pathsForResources(ext, directory))
            if (avoiding.isEmpty() || !insideBundle(bundle, path).contains(avoiding))
                paths.append(path);
    }
    return paths;
}

QString pathForImageResourceWithPrefix(const Bundle& bundle, const QString& prefix, const QString& directory,
                                       const QString& avoiding)
{
    for (const QString& path : pathsForImageResourcesAvoding(bundle, avoiding, directory))
        if (insideBundle(bundle, path).contains(prefix))
            return path;
    return {};
}

QStringList resourceIDNamesForImageResourcesAvoding(const Bundle& bundle, const QString& avoiding,
                                                    const QString& directory)
{
    QStringList names;
    for (const QString& path : pathsForImageResourcesAvoding(bundle, avoiding, directory))
        names.append(resourceIDName(path));
    return names;
}

Picture imageNamedForTypePrefer2X(const Bundle& bundle, const QString& name, const QString& type, bool prefer2X)
{
    if (name.isEmpty())
        return {};
    const QString doubled = name + QStringLiteral("@2x");
    QString path;
    if (prefer2X)
        path = resourceOfType(bundle, doubled, type);
    if (path.isNull())
        path = resourceOfType(bundle, name, type);
    if (path.isNull() && !prefer2X && screenScaleFactor() < 1.5)
        path = resourceOfType(bundle, doubled, type);
    return path.isNull() ? Picture() : Picture::fromFile(path);
}

Picture imageNamedForType(const Bundle& bundle, const QString& name, const QString& type)
{
    return imageNamedForTypePrefer2X(bundle, name, type, false);
}

Picture imageNamedPrefer2X(const Bundle& bundle, const QString& name, bool prefer2X)
{
    Picture picture = imageNamedForTypePrefer2X(bundle, name, QStringLiteral("tiff"), prefer2X);
    if (picture.isNull())
        picture = imageNamedForTypePrefer2X(bundle, name, QStringLiteral("png"), false);
    if (picture.isNull())
        picture = imageNamedForTypePrefer2X(bundle, name, QStringLiteral("jpg"), prefer2X);
    return picture;
}

Picture imageNamed(const Bundle& bundle, const QString& name)
{
    return imageNamedPrefer2X(bundle, name, false);
}

QString pathForImageNamed(const Bundle& bundle, const QString& name)
{
    return resourceOfType(bundle, name, QStringLiteral("tiff"));
}

static QString nameForPrefix(const Bundle& bundle, const QString& prefix)
{
    if (prefix.isEmpty())
        return {};
    for (const QString& path : bundle.pathsForResources(QStringLiteral("tiff")))
        if (insideBundle(bundle, path).contains(prefix))
            return withoutVariants(baseName(path.section(QLatin1Char('/'), -1)));
    return {};
}

Picture imageWithPrefix(const Bundle& bundle, const QString& prefix)
{
    const QString name = nameForPrefix(bundle, prefix);
    return name.isNull() ? Picture() : imageNamed(bundle, name);
}

QString pathForImageWithPrefix(const Bundle& bundle, const QString& prefix)
{
    const QString name = nameForPrefix(bundle, prefix);
    return name.isNull() ? QString() : pathForImageNamed(bundle, name);
}

QStringList imagePathsInDirectory(const Bundle& bundle, const QString& directory)
{
    const QString folder = directory.isEmpty() ? bundle.bundlePath() : bundle.bundlePath() + QLatin1Char('/') + directory;
    const QStringList all = Bundle(folder).pathsForResources(QString());
    QSet<QString> names;
    for (const QString& path : all)
        names.insert(path.section(QLatin1Char('/'), -1));
    QStringList paths;
    for (const QString& path : all) {
        const QString name = path.section(QLatin1Char('/'), -1);
        if (extension(name) != QLatin1String("tiff"))
            continue;
        const QString base = withoutVariants(baseName(name)) + QStringLiteral(".tiff");
        if (!names.contains(base) || base == name)
            paths.append(path);
    }
    return paths;
}

double screenScaleFactor()
{
    if (scaleOverride() >= 0)
        return scaleOverride();
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return 0;
    QWindow* window = QGuiApplication::focusWindow();
    return window && window->screen() ? window->screen()->devicePixelRatio() : 0;
}

void setScreenScaleFactorForTesting(double factor)
{
    scaleOverride() = factor;
}
