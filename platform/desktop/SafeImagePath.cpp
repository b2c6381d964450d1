#include "platform/desktop/SafeImagePath.h"

#include "platform/foundation/Application.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString linkPrefix = QStringLiteral("wallpaper-");

bool isSafeCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '.' || u == '_'
           || u == '/' || u == '-';
}

// Ours alone: a real folder (not a link), owned by us, writable by nobody else.
bool isPrivateFolder(const QString& path, bool create)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0) {
        if (!create || errno != ENOENT || ::mkdir(native.constData(), 0700) != 0)
            return false;
        if (::lstat(native.constData(), &info) != 0)
            return false;
    }
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Our links whose picture is gone; anything else in the folder is left alone.
void pruneDanglingLinks(const QDir& folder)
{
    static const QRegularExpression ours(QStringLiteral("^wallpaper-[0-9a-f]{32}(\\.[a-z0-9]+)?$"));
    const QFileInfoList entries = folder.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink() && !entry.exists() && ours.match(entry.fileName()).hasMatch())
            QFile::remove(entry.filePath());
    }
}

} // namespace

bool isSafePath(const QString& path)
{
    return !path.isEmpty() && std::all_of(path.cbegin(), path.cend(), isSafeCharacter);
}

Result<QString> linkFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QStringList tried;
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime)) {
        const QString folder = QDir::cleanPath(runtime) + QStringLiteral("/sunnyside");
        if (isSafePath(folder) && isPrivateFolder(folder, true))
            return Result<QString>::success(folder);
        tried << folder;
    }
    const QString temporary = Application::temporaryDirectory();
    if (isSafePath(temporary) && isPrivateFolder(temporary, false))
        return Result<QString>::success(temporary);
    tried << temporary;
    return Result<QString>::failure(QStringLiteral("no private folder with a plain path for a link to the picture (tried %1)")
                                        .arg(tried.join(QStringLiteral(", "))));
}

Result<QString> safeImagePath(const QString& filePath)
{
    const QFileInfo file(filePath);
    const QString target = file.absoluteFilePath();
    if (isSafePath(target))
        return Result<QString>::success(target);

    const Result<QString> linkPlace = linkFolder();
    if (!linkPlace.ok())
        return Result<QString>::failure(QStringLiteral("the picture's name has characters the desktop would misread, and there is %1")
                                            .arg(linkPlace.reason()));
    const QString folder = linkPlace.value();
    pruneDanglingLinks(QDir(folder));

    const QByteArray hash = QCryptographicHash::hash(target.toUtf8(), QCryptographicHash::Sha256).toHex().left(32);
    QString name = linkPrefix + QString::fromLatin1(hash);
    const QString extension = file.suffix().toLower();
    static const QRegularExpression plainExtension(QStringLiteral("^[a-z0-9]+$"));
    if (plainExtension.match(extension).hasMatch())
        name += QLatin1Char('.') + extension;
    const QString link = folder + QLatin1Char('/') + name;

    const QByteArray nativeTarget = QFile::encodeName(target);
    const QByteArray nativeLink = QFile::encodeName(link);
    if (QFile::symLinkTarget(link) == target && QFileInfo(link).isSymLink())
        return Result<QString>::success(link);
    // Made beside it, then renamed over it: the old link is replaced in one step.
    const QByteArray fresh = nativeLink + ".new-" + QByteArray::number(::getpid());
    ::unlink(fresh.constData());
    if (::symlink(nativeTarget.constData(), fresh.constData()) != 0)
        return Result<QString>::failure(QStringLiteral("could not make the link %1 to the picture: %2").arg(link, errnoText()));
    if (::rename(fresh.constData(), nativeLink.constData()) != 0) {
        const QString why = errnoText();
        ::unlink(fresh.constData());
        return Result<QString>::failure(QStringLiteral("could not make the link %1 to the picture: %2").arg(link, why));
    }
    return Result<QString>::success(link);
}
