#include "platform/desktop/Thumbnails.h"

#include "platform/foundation/Log.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

namespace Thumbnails {

namespace {

quint32 crc32(const QByteArray& bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// Readers of the convention look only at plain "tEXt" chunks, while Qt
// compresses long texts: the keys go in by hand, right after the header.
QByteArray withTextChunks(QByteArray png, const QList<std::pair<QByteArray, QByteArray>>& texts)
{
    QByteArray chunks;
    for (const auto& [key, value] : texts) {
        const QByteArray body = "tEXt" + key + '\0' + value;
        const quint32 length = quint32(body.size() - 4);
        const quint32 crc = crc32(body);
        for (int shift : {24, 16, 8, 0})
            chunks.append(char((length >> shift) & 0xff));
        chunks.append(body);
        for (int shift : {24, 16, 8, 0})
            chunks.append(char((crc >> shift) & 0xff));
    }
    constexpr int headerEnd = 8 + 25; // signature, then IHDR (length, type, 13 bytes, CRC)
    png.insert(headerEnd, chunks);
    return png;
}

bool writeOne(const QString& path, const QImage& picture, int size, const QString& uri, qint64 mtime)
{
    const QString target = thumbnailPath(path, size > 128);
    const QString folder = QFileInfo(target).absolutePath();
    // Other users must not read which files we looked at.
    if (!QDir().mkpath(folder)
        || !QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
        Log::line(lcDesktop, QStringLiteral("Warning: cannot make the thumbnail folder '%1'").arg(folder));
        return false;
    }
    QImage scaled = picture.width() > size || picture.height() > size
                      ? picture.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                      : picture;
    scaled = scaled.convertToFormat(QImage::Format_ARGB32);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    const bool encoded = QImageWriter(&buffer, "png").write(scaled);
    data = withTextChunks(data, {{"Thumb::URI", uri.toUtf8()},
                                 {"Thumb::MTime", QByteArray::number(mtime)},
                                 {"Software", "Sunnyside"}});
    QSaveFile file(target);
    if (!encoded || !file.open(QIODevice::WriteOnly)
        || file.write(data) != data.size() || !file.commit()) {
        Log::line(lcDesktop, QStringLiteral("Warning: cannot write the thumbnail '%1' (%2)").arg(target, file.errorString()));
        return false;
    }
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}

} // namespace

QString uriForPath(const QString& path)
{
    return QString::fromLatin1(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded());
}

QString thumbnailPath(const QString& path, bool large)
{
    const QByteArray md5 = QCryptographicHash::hash(uriForPath(path).toUtf8(), QCryptographicHash::Md5).toHex();
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
         + (large ? QStringLiteral("/thumbnails/large/") : QStringLiteral("/thumbnails/normal/"))
         + QString::fromLatin1(md5) + QStringLiteral(".png");
}

bool writeThumbnails(const QString& path, const QImage& picture)
{
    const QFileInfo info(path);
    if (!info.exists() || picture.isNull()) {
        Log::line(lcDesktop, QStringLiteral("Warning: no thumbnail for '%1': %2")
                                 .arg(path, info.exists() ? QStringLiteral("there is no picture")
                                                          : QStringLiteral("it does not exist")));
        return false;
    }
    const QString uri = uriForPath(path);
    const qint64 mtime = info.lastModified().toSecsSinceEpoch();
    const bool normal = writeOne(path, picture, 128, uri, mtime);
    const bool large = writeOne(path, picture, 256, uri, mtime);
    return normal && large;
}

} // namespace Thumbnails
