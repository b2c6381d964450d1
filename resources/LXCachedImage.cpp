#include "resources/LXCachedImage.h"

#include "platform/foundation/Application.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/MainQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Timer.h"
#include "resources/LXBundleManager.h"
#include "resources/LXTempCleaner.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace {

constexpr double kVectorSide = 1536;

// Vector artwork as a bitmap scaled by `s`.
QImage rendered(const Picture& picture, double s)
{
    const QSizeF size = picture.size();
    // Pixels come whole; the width rounds, the height follows it.
    const int w = std::max(1, int(std::lround(size.width() * s)));
    const int h = std::max(1, int(std::lround(size.height() * s)));
    return picture.toImage(QSize(w, h));
}

} // namespace

std::shared_ptr<LXCachedImage> LXCachedImage::cachedNSImage(const Picture& picture, int strategy)
{
    if (picture.isNull())
        return nullptr;
    std::shared_ptr<LXCachedImage> image(new LXCachedImage);
    image->m_stored = picture;
    image->m_isVectorial = picture.isVector();
    image->m_hasTransparency = picture.hasAlpha();
    image->writeDiskCopy(picture);
    image->observeTermination();
    image->setCacheStrategy(strategy);
    return image;
}

std::shared_ptr<LXCachedImage> LXCachedImage::cachedImageURL(const QUrl& url, int strategy)
{
    std::shared_ptr<LXCachedImage> image(new LXCachedImage);
    if (!image->loadFromFile(url))
        return nullptr;
    image->observeTermination();
    image->setCacheStrategy(strategy);
    return image;
}

std::shared_ptr<LXCachedImage> LXCachedImage::cachedImageFile(const QString& path, int strategy)
{
    return cachedImageURL(QUrl::fromLocalFile(path), strategy);
}

LXCachedImage::~LXCachedImage()
{
    if (m_timer)
        m_timer->invalidate();
    NotificationCenter::defaultCenter().removeObserver(this);
    deleteDiskCopy();
}

double LXCachedImage::releaseDelay(int strategy)
{
    switch (strategy) {
    case 1: return 0;
    case 2: return 60;
    case 4: return -1;
    default: return 300;
    }
}

bool LXCachedImage::loadFromFile(const QUrl& source)
{
    const QString from = source.toLocalFile();
    const QUrl target = LXTempCleaner::tempURLWithExtension(QFileInfo(from).suffix());
    QFile file(from);
    const bool copied = file.copy(target.toLocalFile());
    Picture picture = Picture::fromFile(copied ? target.toLocalFile() : from);
    if (picture.isNull()) {
        if (copied) {
            Log::line(lcResources, QStringLiteral("Warning: Could not load image %1 (Original:%2)")
                                       .arg(target.toString(), source.toString()));
            QFile::remove(target.toLocalFile()); // a copy that is no picture is of no use
        } else {
            Log::line(lcResources, QStringLiteral("Warning: Could not copy: %1 to %2 because of %3")
                                       .arg(source.toString(), target.toString(), file.errorString()));
        }
        return false;
    }
    m_stored = picture;
    m_isVectorial = picture.isVector();
    m_hasTransparency = picture.hasAlpha();
    if (copied)
        m_imageURL = target;
    else
        writeDiskCopy(picture); // the picture is in memory; it still gets a disk copy
    return true;
}

bool LXCachedImage::writeDiskCopy(const Picture& picture)
{
    // Vector artwork keeps its file, so it can be rendered at any size later.
    if (picture.isVector() && !picture.path().isEmpty()) {
        const QUrl target = LXTempCleaner::tempURLWithExtension(QStringLiteral("svg"));
        if (QFile::copy(picture.path(), target.toLocalFile())) {
            QMutexLocker lock(&m_mutex);
            m_imageURL = target;
            return true;
        }
    }
    const QUrl target = LXTempCleaner::tempURLWithExtension(picture.hasAlpha() ? QStringLiteral("png") : QStringLiteral("jpg"));
    // Only a written copy counts: releasing the memory copy without one
    // would lose the picture.
    const bool written = LXBundleManager::saveImage(picture, target);
    QMutexLocker lock(&m_mutex);
    m_imageURL = written ? target : QUrl();
    return written;
}

void LXCachedImage::observeTermination()
{
    NotificationCenter::defaultCenter().addObserver(this, kApplicationWillTerminateNotification, nullptr,
                                                    [this](const Notification&) { applicationWillTerminate(); });
}

void LXCachedImage::setCacheStrategy(int strategy)
{
    m_strategy = strategy;
    restartTimerOnMain();
}

bool LXCachedImage::isCached() const
{
    QMutexLocker lock(&m_mutex);
    return !m_stored.isNull();
}

void LXCachedImage::restartTimerOnMain()
{
    if (MainQueue::isMainThread()) {
        restartTimer();
        return;
    }
    MainQueue::async([weak = weak_from_this()] {
        if (const auto self = weak.lock())
            self->restartTimer();
    });
}

void LXCachedImage::restartTimer()
{
    if (m_timer)
        m_timer->invalidate();
    m_timer.reset();
    const double delay = releaseDelay(m_strategy);
    if (delay < 0 || m_imageURL.isEmpty())
        return;
    m_timer = Timer::scheduled(delay, false, [weak = weak_from_this()](Timer&) {
        if (const auto self = weak.lock())
            self->release();
    });
}

void LXCachedImage::release()
{
    QMutexLocker lock(&m_mutex);
    if (m_imageURL.isEmpty())
        return;
    m_stored = {};
    m_cachedCIImage = {};
}

Picture LXCachedImage::nsImage()
{
    Picture picture;
    {
        QMutexLocker lock(&m_mutex);
        if (m_stored.isNull() && !m_imageURL.isEmpty())
            m_stored = Picture::fromFile(m_imageURL.toLocalFile());
        picture = m_stored;
    }
    restartTimerOnMain();
    return picture;
}

QImage LXCachedImage::cgImage()
{
    const Picture picture = nsImage();
    if (picture.isNull())
        return {};
    const double side = std::max(picture.size().width(), picture.size().height());
    if (!m_isVectorial || side >= kVectorSide || side <= 0)
        return picture.toImage();
    return rendered(picture, kVectorSide / side);
}

CIImage LXCachedImage::ciImage()
{
    {
        QMutexLocker lock(&m_mutex);
        if (!m_cachedCIImage.isNull()) {
            const CIImage kept = m_cachedCIImage;
            lock.unlock();
            restartTimerOnMain();
            return kept;
        }
    }
    const CIImage made = CIImage::imageWithQImage(cgImage());
    QMutexLocker lock(&m_mutex);
    if (!m_stored.isNull()) // not released meanwhile
        m_cachedCIImage = made;
    return made;
}

CIImage LXCachedImage::ciImageForSize(double width, double height)
{
    if (!m_isVectorial)
        return ciImage();
    {
        QMutexLocker lock(&m_mutex);
        const QRectF kept = m_cachedCIImage.extent();
        if (!m_cachedCIImage.isNull() && width <= kept.width() && height <= kept.height())
            return m_cachedCIImage;
    }
    const Picture picture = nsImage();
    const QSizeF size = picture.size();
    if (picture.isNull() || size.isEmpty())
        return {};
    return CIImage::imageWithQImage(rendered(picture, std::max(width / size.width(), height / size.height())));
}

bool LXCachedImage::writeToURL(const QUrl& url, QString* error)
{
    if (m_imageURL.isEmpty()) {
        const Picture picture = nsImage();
        if (picture.isNull() || !writeDiskCopy(picture))
            return false;
    }
    const QString extension = QFileInfo(m_imageURL.toLocalFile()).suffix();
    const QFileInfo target(url.toLocalFile());
    const QString path = target.absolutePath() + QLatin1Char('/') + target.completeBaseName() + QLatin1Char('.') + extension;
    QFile copy(m_imageURL.toLocalFile());
    if (copy.copy(path))
        return true;
    if (error)
        *error = copy.errorString();
    return false;
}

void LXCachedImage::applicationWillTerminate()
{
    deleteDiskCopy();
}

void LXCachedImage::deleteDiskCopy()
{
    if (m_imageURL.isEmpty())
        return;
    QFile file(m_imageURL.toLocalFile());
    if (file.exists() && !file.remove())
        Log::line(lcResources, QStringLiteral("Warning, problem deleting: %1 Error: %2)")
                                   .arg(m_imageURL.toString(), file.errorString()));
    QMutexLocker lock(&m_mutex);
    m_imageURL.clear(); // the memory copy is all there is now: never released
}
