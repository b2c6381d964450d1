#include "resources/PathInside.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString pathInsideFolder(const QString& folder, const QString& relative)
{
    if (folder.isEmpty() || relative.isEmpty() || QDir::isAbsolutePath(relative) || relative.contains(QChar(0)))
        return {};
    const QString clean = QDir::cleanPath(relative);
    if (clean == QLatin1String(".") || clean == QLatin1String("..") || clean.startsWith(QLatin1String("../")))
        return {};
    const QString path = QDir::cleanPath(folder) + QLatin1Char('/') + clean;
    // A linked folder on the way may lead anywhere: its real place must be ours.
    const QString root = QFileInfo(folder).canonicalFilePath();
    QString parent = QFileInfo(path).absolutePath();
    while (!QFileInfo::exists(parent) && parent.size() > folder.size())
        parent = QFileInfo(parent).absolutePath();
    const QString real = QFileInfo(parent).canonicalFilePath();
    if (!root.isEmpty() && real != root && !real.startsWith(root + QLatin1Char('/')))
        return {};
    return path;
}

bool removeItem(const QString& path, QString* error)
{
    const QFileInfo info(path);
    bool removed = true;
    if (info.isSymLink() || (info.exists() && !info.isDir())) {
        QFile file(path);
        removed = file.remove();
        if (!removed && error)
            *error = file.errorString();
    } else if (info.isDir()) {
        removed = QDir(path).removeRecursively();
        if (!removed && error)
            *error = QStringLiteral("the folder could not be emptied");
    }
    return removed;
}
