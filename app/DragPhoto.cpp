#include "app/DragPhoto.h"

#include "app/PhotoCache.h"
#include "app/WallpaperMaker.h"
#include "platform/image/CIImageFile.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeData>

namespace {

constexpr qint64 kMaxPixels = qint64(1) << 28; // as for files

QString baseNameOf(const QString& text)
{
    const QString last = text.section(QLatin1Char('/'), -1, -1, QString::SectionSkipEmpty);
    const qsizetype dot = last.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? last.left(dot) : last;
}

// A path or a file URL on the text's first line; empty for anything else.
QString fileNamedBy(const QString& text)
{
    const QString line = text.trimmed().section(QLatin1Char('\n'), 0, 0).trimmed();
    if (line.startsWith(QLatin1String("file:")))
        return QUrl(line).toLocalFile();
    if (line.startsWith(QLatin1String("~/")))
        return QFileInfo(qEnvironmentVariable("HOME") + line.mid(1)).absoluteFilePath();
    return line.startsWith(QLatin1Char('/')) ? line : QString();
}

bool isImageType(const QString& format)
{
    return format.startsWith(QLatin1String("image/")) && QImageReader::supportedMimeTypes().contains(format.toLatin1());
}

QImage decoded(const QByteArray& bytes, const QSizeF& screenPixels, QString* reason)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxPixels) {
        *reason = QStringLiteral("the dragged image is too large (%1 x %2 pixels)").arg(size.width()).arg(size.height());
        return {};
    }
    // Never more pixels than the screen shows: JPEG decodes reduced at
    // almost no cost; the shape is kept, turned as it will be shown.
    QSizeF screen = screenPixels;
    if (reader.transformation() & QImageIOHandler::TransformationRotate90)
        screen.transpose();
    if (size.isValid() && !screen.isEmpty() && (size.width() > screen.width() || size.height() > screen.height()))
        reader.setScaledSize(size.scaled(screen.toSize(), Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    QImage image = reader.read();
    if (image.isNull())
        *reason = QStringLiteral("the dragged image could not be read: %1").arg(reader.errorString());
    return image;
}

} // namespace

DragOffer DragOffer::headerOf(const QMimeData* data)
{
    DragOffer offer;
    if (!data)
        return offer;
    offer.urls = data->urls();
    if (data->hasText())
        offer.text = data->text();
    // Bytes before a bitmap: they are copied cheaply while the drag lasts and
    // decoded later. PNG first when offered, as a bitmap's source encodes it
    // without loss; else the first type offered.
    const QStringList formats = data->formats();
    if (formats.contains(QLatin1String("image/png")) && isImageType(QStringLiteral("image/png")))
        offer.imageType = "image/png";
    for (const QString& format : formats)
        if (offer.imageType.isEmpty() && isImageType(format))
            offer.imageType = format.toLatin1();
    if (offer.imageType.isEmpty() && data->hasImage())
        offer.imageType = "application/x-qt-image";
    return offer;
}

DragOffer DragOffer::fullOf(const QMimeData* data)
{
    DragOffer offer = headerOf(data);
    if (offer.imageType == "application/x-qt-image")
        offer.image = qvariant_cast<QImage>(data->imageData());
    else if (!offer.imageType.isEmpty())
        offer.imageData = data->data(QString::fromLatin1(offer.imageType));
    return offer;
}

QStringList DragOffer::urlFiles() const
{
    QStringList files;
    for (const QUrl& url : urls)
        if (url.isLocalFile())
            files << url.toLocalFile();
    return files;
}

QString DragOffer::textFile() const
{
    return fileNamedBy(text);
}

bool DragOffer::mayHoldPhoto() const
{
    if (!imageType.isEmpty())
        return true;
    // isFile first: a pipe is never opened.
    const QStringList files = urlFiles() << textFile();
    for (const QString& file : files)
        if (!file.isEmpty() && QFileInfo(file).isFile() && QImageReader(file).canRead())
            return true;
    return false;
}

QString DragOffer::saveName() const
{
    if (!urls.isEmpty())
        return baseNameOf(urls.first().isLocalFile() ? urls.first().toLocalFile() : urls.first().path());
    return baseNameOf(text.trimmed().section(QLatin1Char('\n'), 0, 0));
}

DragPhoto photoFromOffer(const DragOffer& offer, const PhotoDecode& decode)
{
    DragPhoto result;
    QString fileReason;
    const auto tryFile = [&](const QString& file) {
        if (file.isEmpty() || !result.isNull())
            return;
        if (!decode.previewPixels.isEmpty()) {
            // Checked by the cache; the screen's picture gets a photo of its own.
            result.preview = PhotoCache::shared().photoFor(file, decode.previewPixels, &fileReason);
            if (!result.preview.isNull())
                result.photo = imageWithContentsOfFileDrawnAt(file, decode.fileAtOnce ? decode.screenPixels : QSizeF());
            if (result.photo.isNull())
                result.preview = {};
            else
                result.previewFile = file;
        } else {
            result.photo = WallpaperMaker::readPhoto(file, &fileReason, decode.fileAtOnce ? decode.screenPixels : QSizeF());
        }
        if (!result.photo.isNull())
            result.name = baseNameOf(file);
    };
    for (const QString& file : offer.urlFiles())
        tryFile(file);
    if (result.isNull() && !offer.image.isNull())
        result.bitmap = offer.image;
    else if (result.isNull() && !offer.imageData.isEmpty())
        result.bitmap = decoded(offer.imageData, decode.screenPixels, &result.reason);
    tryFile(offer.textFile());
    if (result.isNull()) {
        if (result.reason.isEmpty())
            result.reason = !fileReason.isEmpty() ? fileReason
                            : offer.urls.isEmpty() ? QStringLiteral("it holds no image or image file")
                                                   : QStringLiteral("only local image files can be used");
        return result;
    }
    result.reason.clear();
    if (result.name.isEmpty())
        result.name = offer.saveName();
    if (result.name.isEmpty())
        result.name = QStringLiteral("Unnamed Background");
    return result;
}
