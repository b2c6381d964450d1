#include "frames/LXFrameImageDescription.h"

#include "graphics/LXColor.h"
#include "platform/foundation/Timer.h"
#include "resources/StringResources.h"

#include <QCoreApplication>
#include <QThread>

#include <cmath>
#include <limits>

namespace {

double numberAt(const QStringList& pieces, int i)
{
    if (i >= pieces.size())
        return 0.0;
    const double value = LXColor::leadingNumber(pieces.at(i));
    return std::isfinite(value) ? value : 0.0;
}

quint64 countAt(const QStringList& pieces, int i)
{
    if (i >= pieces.size())
        return 0;
    const QString& piece = pieces.at(i);
    qsizetype n = 0;
    while (n < piece.size() && piece.at(n).isDigit())
        ++n;
    bool ok = false;
    const quint64 value = piece.left(n).toULongLong(&ok);
    return ok ? value : 0;
}

bool onMainThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

LXFrameImageDescription::LXFrameImageDescription(const QUrl& imageURL)
{
    setImageURL(imageURL);
    setCacheTime(300.0);
}

LXFrameImageDescription::~LXFrameImageDescription()
{
    cancelTimer();
}

LXFrameImageOptions LXFrameImageDescription::optionsFromString(const QString& options)
{
    LXFrameImageOptions result;
    if (options.isNull())
        return result;
    const QStringList pieces = options.split(QLatin1Char('-'));
    result.width = numberAt(pieces, 0);
    result.corner = numberAt(pieces, 1);
    result.repeatX = countAt(pieces, 2);
    result.repeatY = countAt(pieces, 3);
    return result;
}

void LXFrameImageDescription::setImageURL(const QUrl& url)
{
    m_imageURL = url;
    const LXResourceInfo info = resourceInfo(url.toLocalFile());
    m_name = url.isEmpty() ? QString() : resourceIDNameFor(info);
    setGeometry(optionsFromString(info.options));
    m_cachedImage = {};
}

void LXFrameImageDescription::setGeometry(const LXFrameImageOptions& options)
{
    m_width = options.width;
    m_corner = options.corner;
    m_repeatX = options.repeatX;
    m_repeatY = options.repeatY;
}

CIImage LXFrameImageDescription::image()
{
    if (m_cachedImage.isNull() && !m_imageURL.isEmpty() && m_imageURL.isLocalFile())
        m_cachedImage = CIImage::imageWithContentsOfURL(m_imageURL);
    updateCacheTimer();
    return m_cachedImage;
}

QSizeF LXFrameImageDescription::cornerSize() const
{
    const double side = std::max(m_width, m_corner);
    return {side, side};
}

void LXFrameImageDescription::setCacheTime(double seconds)
{
    m_cacheTime = seconds;
    updateCacheTimer();
}

void LXFrameImageDescription::cancelTimer()
{
    if (m_timer)
        m_timer->invalidate();
    m_timer.reset();
}

void LXFrameImageDescription::updateCacheTimer()
{
    if (!onMainThread())
        return;
    cancelTimer();
    if (m_cachedImage.isNull() || !(m_cacheTime > 0))
        return;
    m_timer = Timer::scheduled(m_cacheTime, false, [weak = std::weak_ptr(m_self)](Timer& timer) {
        if (const auto self = weak.lock())
            (*self)->clearChachedImage(&timer);
    });
}

void LXFrameImageDescription::clearChachedImage(Timer*)
{
    cancelTimer();
    m_cachedImage = {};
}
