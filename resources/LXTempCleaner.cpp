#include "resources/LXTempCleaner.h"

#include "platform/foundation/Application.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "resources/LXBundleManager.h"
#include "resources/StringResources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

LXTempCleaner& LXTempCleaner::sharedTempCleaner()
{
    static LXTempCleaner* cleaner = new LXTempCleaner;
    return *cleaner;
}

namespace {

// A new folder with a free random name in the temporary folder; its path is
// kept even when it cannot be made (after a "Warning: " line).
QString newFolder()
{
    const QString root = Application::temporaryDirectory();
    QString path;
    do
        path = root + QLatin1Char('/') + LXBundleManager::randomStringWithLength(10);
    while (QFileInfo::exists(path));
    QString error;
    if (!createDirectoryAtURL(QUrl::fromLocalFile(path), true, &error))
        Log::line(lcResources, QStringLiteral("Warning: Could not create folder %1 because %2").arg(path, error));
    return path;
}

// True for `path` strictly inside `root`.
bool isInside(const QString& path, const QString& root)
{
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return clean.startsWith(QDir::cleanPath(root) + QLatin1Char('/'));
}

} // namespace

LXTempCleaner::LXTempCleaner()
{
    NotificationCenter::defaultCenter().addObserver(this, kApplicationWillTerminateNotification, nullptr,
                                                    [this](const Notification&) { flush(); });
}

QUrl LXTempCleaner::tempURLWithExtension(const QString& extension)
{
    const QString root = Application::temporaryDirectory();
    QString path;
    do
        path = root + QLatin1Char('/') + LXBundleManager::randomStringWithLength(10) + QLatin1Char('.') + extension;
    while (QFileInfo::exists(path) || QFileInfo(path).isSymLink());
    return QUrl::fromLocalFile(path);
}

QUrl LXTempCleaner::urlForName(const QString& name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") || name == QLatin1String("..")) {
        Log::line(lcResources, QStringLiteral("Warning: '%1' is no plain file name for a temporary file").arg(name));
        return {};
    }
    const QUrl url = QUrl::fromLocalFile(newFolder() + QLatin1Char('/') + name);
    add(url);
    return url;
}

QUrl LXTempCleaner::tempCopyURLFor(const QUrl& source, const QString& baseName)
{
    const QString from = source.toLocalFile();
    const QFileInfo info(from);
    const LXResourceInfo parsed = resourceInfo(info.completeBaseName());
    const QString name = baseName.isEmpty() ? parsed.name : baseName;
    QString file = QStringLiteral("ALX-X#%1#%2").arg(m_resourceCounter, 3, 10, QLatin1Char('0')).arg(name);
    if (!parsed.options.isEmpty())
        file += QLatin1Char('#') + parsed.options;
    if (!info.suffix().isEmpty())
        file += QLatin1Char('.') + info.suffix();
    ++m_resourceCounter;
    const QUrl target = QUrl::fromLocalFile(resourcePath() + QLatin1Char('/') + file);
    QFile copy(from);
    if (name.contains(QLatin1Char('/')) || !copy.copy(target.toLocalFile())) {
        Log::line(lcResources, QStringLiteral("Warning: Could not copy %1 to %2 for this reason %3")
                                   .arg(source.toString(), target.toString(),
                                        name.contains(QLatin1Char('/')) ? QStringLiteral("the name is a path") : copy.errorString()));
        return {}; // nothing is there: a caller must not keep the name
    }
    add(target);
    return target;
}

QString LXTempCleaner::resourcePath()
{
    // Made on first use, so a run that copies nothing leaves no empty folder.
    if (m_resourcePath.isEmpty())
        m_resourcePath = newFolder();
    return m_resourcePath;
}

QString LXTempCleaner::tempCopyFor(const QUrl& source, const QString& baseName)
{
    const QUrl url = sharedTempCleaner().tempCopyURLFor(source, baseName);
    if (url.isEmpty())
        return {};
    const QFileInfo info(url.toLocalFile());
    return info.dir().dirName() + QLatin1Char('/') + info.fileName();
}

LXTempCleaner::~LXTempCleaner()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    flush();
}

void LXTempCleaner::add(const QUrl& url)
{
    if (url.isLocalFile())
        m_urls.append(url);
}

void LXTempCleaner::flush()
{
    const QString root = Application::temporaryDirectory();
    for (const QUrl& url : std::as_const(m_urls)) {
        const QString path = url.toLocalFile();
        if (!isInside(path, root))
            continue; // never delete outside our folder
        QFile::remove(path);
        QDir folder = QFileInfo(path).absoluteDir();
        if (isInside(folder.absolutePath(), root)
            && folder.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
            folder.rmdir(folder.absolutePath());
    }
    m_urls.clear();
}
