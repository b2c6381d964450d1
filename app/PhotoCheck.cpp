#include "app/PhotoCheck.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>

namespace {

// A download cut short lacks the format's closing bytes; only the tail is read.
bool looksTruncated(const QString& path, const QByteArray& format)
{
    QByteArray end;
    if (format == "jpeg")
        end = QByteArray("\xFF\xD9", 2);
    else if (format == "png")
        end = QByteArray("IEND");
    else
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true;
    const qint64 tail = std::min<qint64>(file.size(), 64 * 1024);
    return !file.seek(file.size() - tail) || !file.read(tail).contains(end);
}

} // namespace

QString photoProblem(const QString& path)
{
    // Checked before any reader opens it: opening a pipe waits for a writer.
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile()) {
        if (info.isDir())
            return QStringLiteral("it is a folder, not a photo");
        if (info.exists())
            return QStringLiteral("it is not a regular file but a pipe, socket or device");
        if (path.contains(QChar::ReplacementCharacter))
            // Qt cannot name a file whose name is not UTF-8: its bytes became U+FFFD.
            return QStringLiteral("there is no such file, and its name has bytes that are not UTF-8 text (shown as %1); "
                                  "if the photo is there, give it a name of plain text")
                .arg(QChar(QChar::ReplacementCharacter));
        return QStringLiteral("there is no such file");
    }
    // Qt refuses images above 256 MB by default; ours stop at 268 megapixels.
    const int limitMB = int(kMaxPhotoPixels * 4 / (1024 * 1024)) + 1;
    if (QImageReader::allocationLimit() != 0 && QImageReader::allocationLimit() < limitMB)
        QImageReader::setAllocationLimit(limitMB);
    QImageReader reader(path);
    if (!reader.canRead())
        return QStringLiteral("it could not be read as an image");
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxPhotoPixels)
        return QStringLiteral("it is too large (%1 x %2 pixels)").arg(size.width()).arg(size.height());
    if (looksTruncated(path, reader.format()))
        return QStringLiteral("the file is incomplete");
    return {};
}
