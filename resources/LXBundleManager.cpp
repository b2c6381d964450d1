#include "resources/LXBundleManager.h"

#include "platform/desktop/Alert.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/image/CIContext.h"
#include "platform/image/CIGeometry.h"
#include "resources/JpegWriter.h"
#include "resources/LXTempCleaner.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QStandardPaths>

#include <random>
#include <utility>

namespace {

constexpr int jpegQuality = 90;

std::mt19937_64& generator()
{
    // Seeded from the system's entropy, so two processes started in the same
    // second never share their temporary names.
    static std::mt19937_64 engine{std::random_device{}()};
    return engine;
}

QString supportAddress()
{
    const QString address =
        Bundle::mainBundle().objectForInfoDictionaryKey(QStringLiteral("SunnysideSupportAddress")).toString();
    return address.isEmpty() ? QStringLiteral("the Sunnyside developers") : address;
}

// JPEG has no alpha: what shows through is black, as over an empty desktop.
// (A plain conversion to RGB32 would divide by alpha and show faint pixels
// at full strength.)
QImage flattenedOntoBlack(const QImage& bitmap)
{
    // Premultiplied colour is the colour over black: only alpha changes.
    QImage flat = bitmap.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < flat.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(flat.scanLine(y));
        for (int x = 0; x < flat.width(); ++x)
            row[x] |= 0xff000000u;
    }
    flat.reinterpretAsFormat(QImage::Format_RGB32);
    return flat;
}

void showSaveAlert(const QString& path, const QString& error)
{
    Alert::showLocalized(QStringLiteral("Could not save File"),
                         QStringLiteral("Writing the image '%@' failed: %@.\n\nIf you think this should not have happened, "
                                        "please take a screenshot (Print Screen key) and send it to %@, so that we can "
                                        "track down the fault."),
                         {path, error, supportAddress()});
}

// The encoded file; empty with `error` set when encoding fails.
QByteArray encode(const QImage& bitmap, const char* format, QString* error)
{
    // The engine's bitmaps (premultiplied, so already over black) go to the
    // encoder as they are: no converted copy of a screen-sized picture.
    if (qstrcmp(format, "jpeg") == 0 && JpegWriter::takesDirectly(bitmap.format()))
        return JpegWriter::encode(bitmap, jpegQuality, error);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (qstrcmp(format, "jpeg") == 0)
        writer.setQuality(jpegQuality);
    const QImage source = qstrcmp(format, "jpeg") == 0 && bitmap.hasAlphaChannel() ? flattenedOntoBlack(bitmap) : bitmap;
    if (!writer.write(source)) {
        *error = writer.errorString();
        return {};
    }
    return data;
}

} // namespace

QUrl LXBundleManager::bitmapFileURL(const QImage& bitmap, const QUrl& url)
{
    const QString path = url.toLocalFile();
    const QFileInfo info(path);
    const QString ext = info.suffix().toLower();
    const bool jpeg = ext == QLatin1String("jpg") || ext == QLatin1String("jpeg")
                   || (ext != QLatin1String("png") && !bitmap.hasAlphaChannel());
    const QString stem = info.suffix().isEmpty() ? path : path.left(path.size() - info.suffix().size() - 1);
    return QUrl::fromLocalFile(stem + (jpeg ? QStringLiteral(".jpg") : QStringLiteral(".png")));
}

bool LXBundleManager::saveBitmapRep(const QImage& bitmap, const QUrl& url)
{
    const QUrl target = bitmapFileURL(bitmap, url);
    const QString path = target.toLocalFile();
    QString error;
    QByteArray data;
    if (bitmap.isNull())
        error = QStringLiteral("there is no picture to write");
    else
        data = encode(bitmap, path.endsWith(QLatin1String(".jpg")) ? "jpeg" : "png", &error);
    if (!data.isEmpty() && AtomicFile::write(path, data, &error))
        return true;
    showSaveAlert(path, error);
    return false;
}

bool LXBundleManager::saveImage(const Picture& image, const QUrl& url)
{
    if (image.isNull())
        return false;
    return saveBitmapRep(image.toImage(), url);
}

bool LXBundleManager::saveCIImage(const CIImage& image, const QUrl& url)
{
    if (image.isNull() || CIGeometry::isInfinite(image.extent()) || image.extent().isEmpty())
        return saveBitmapRep(QImage(), url);
    const CIContext context;
    const QImage bitmap = context.createCGImage(image, image.extent());
    if (bitmap.isNull()) {
        // A picture that could not be rendered whole is not written at all.
        showSaveAlert(bitmapFileURL(QImage(), url).toLocalFile(),
                      QStringLiteral("the picture could not be rendered: %1").arg(context.lastError()));
        return false;
    }
    return saveBitmapRep(bitmap, url);
}

QUrl LXBundleManager::uniqueFileURL(const QString& name, const QUrl& directory)
{
    const QString folder = directory.toLocalFile();
    auto taken = [](const QString& path) {
        const QFileInfo info(path);
        return info.exists() || info.isSymLink();
    };
    const QString first = folder + QLatin1Char('/') + name;
    if (!taken(first))
        return QUrl::fromLocalFile(first);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : name.mid(dot + 1);
    const QString base = dot < 0 || extension.isEmpty() ? name : name.left(dot);
    for (quint64 counter = 1;; ++counter) {
        const QString candidate = extension.isEmpty()
                                    ? QStringLiteral("%1/%2 %3").arg(folder, base, QString::number(counter))
                                    : QStringLiteral("%1/%2 %3.%4").arg(folder, base, QString::number(counter), extension);
        if (!taken(candidate))
            return QUrl::fromLocalFile(candidate);
    }
}

QString LXBundleManager::randomStringWithLength(int length, const QStringList& compare)
{
    static const QLatin1String alphabet("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    for (;;) {
        QString result;
        for (int i = 0; i < length; ++i)
            result.append(QChar(alphabet.at(qsizetype(generator()() % quint64(alphabet.size())))));
        if (!compare.contains(result))
            return result;
    }
}

QUrl LXBundleManager::tempFileForImage(const Picture& image, const QString& name)
{
    // The name becomes one file in a folder of ours: a path ("../x", "a/b")
    // would write, and later delete, outside the temporary folder.
    if (!name.isEmpty() && (name.contains(QLatin1Char('/')) || name.contains(QChar(0)) || name == QLatin1String(".")
                            || name == QLatin1String(".."))) {
        Log::line(lcResources, QStringLiteral("Error: the temporary file name '%1' is not a plain file name").arg(name));
        return {};
    }
    QString path = Application::temporaryDirectory() + QLatin1Char('/') + randomStringWithLength(10);
    if (!name.isEmpty()) {
        createDirectoryAtURL(QUrl::fromLocalFile(path), true);
        path += QLatin1Char('/') + name;
    }
    const QString ext = QFileInfo(path).suffix();
    if (ext != QLatin1String("jpg") && ext != QLatin1String("png"))
        path += QStringLiteral(".jpg");
    const QUrl url = QUrl::fromLocalFile(path);
    if (!saveImage(image, url))
        return {};
    LXTempCleaner::addURL(url);
    return url;
}

QString LXBundleManager::directoryPath(quint64 kind, quint64 domain, const QString& component, QString* error)
{
    if (domain != 1)
        return {};
    QStandardPaths::StandardLocation location;
    switch (kind) {
    case 9: location = QStandardPaths::DocumentsLocation; break;
    case 12: location = QStandardPaths::DesktopLocation; break;
    case 13: location = QStandardPaths::GenericCacheLocation; break;
    case 14: location = QStandardPaths::GenericDataLocation; break;
    case 15: location = QStandardPaths::DownloadLocation; break;
    case 17: location = QStandardPaths::MoviesLocation; break;
    case 18: location = QStandardPaths::MusicLocation; break;
    case 19: location = QStandardPaths::PicturesLocation; break;
    default: return {};
    }
    QString path = QStandardPaths::writableLocation(location);
    if (path.isEmpty())
        return {};
    if (!component.isEmpty())
        path += QLatin1Char('/') + component;
    QString reason;
    if (!createDirectoryAtURL(QUrl::fromLocalFile(path), true, &reason)) {
        if (error)
            *error = reason;
        return {};
    }
    if (error)
        error->clear();
    return path;
}

QString LXBundleManager::applicationSupportDirectory()
{
    const QString executable =
        Bundle::mainBundle().objectForInfoDictionaryKey(QStringLiteral("CFBundleExecutable")).toString();
    QString error;
    const QString path = directoryPath(14, 1, executable.isEmpty() ? QStringLiteral("sunnyside") : executable, &error);
    if (path.isNull())
        Log::line(lcResources,
                  QStringLiteral("Warning: Unable to find or create application support directory:\n%1").arg(error));
    return path;
}

bool createDirectoryAtURL(const QUrl& url, bool, QString* error)
{
    const QString path = url.toLocalFile();
    const QFileInfo info(path);
    if (info.isDir())
        return true;
    if (info.exists()) {
        if (error)
            *error = QStringLiteral("'%1' exists and is not a folder").arg(path);
        return false;
    }
    if (!QDir().mkpath(path)) {
        if (error)
            *error = QStringLiteral("cannot create the folder '%1'").arg(path);
        return false;
    }
    return true;
}
