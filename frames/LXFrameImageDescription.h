#pragma once
// One picture of a frame (mask, image mask or shade) with the geometry its
// file name carries: "FRM-E#010#Gold#40-12-3-2" is border width 40, corner
// 12, 3 repeats across and 2 down. The picture is decoded on first use and
// let go after `cacheTime` idle seconds (0 or less: kept).
//
// null: an empty URL, or a file that cannot be read, gives a null image().
// Ownership: the owner holds the description by shared_ptr or by value;
// its release timer holds it weakly and ends with it.
// Thread: main thread (updateCacheTimer() does nothing elsewhere).

#include "platform/image/CIImage.h"

#include <QSizeF>
#include <QString>
#include <QUrl>

#include <memory>

class Timer;

struct LXFrameImageOptions {
    double width = 1.0;
    double corner = 0.0;
    quint64 repeatX = 0; // 0: not given
    quint64 repeatY = 0;
    bool operator==(const LXFrameImageOptions&) const = default;
};

class LXFrameImageDescription {
public:
    // An empty URL makes a description without picture.
    explicit LXFrameImageDescription(const QUrl& imageURL);
    virtual ~LXFrameImageDescription();
    LXFrameImageDescription(const LXFrameImageDescription&) = delete;
    LXFrameImageDescription& operator=(const LXFrameImageDescription&) = delete;

    // The options text after the file name's third "#", split at "-":
    // width, corner, repeatX, repeatY; a piece that does not start with a
    // number reads 0. A null text (no options) gives width 1.
    static LXFrameImageOptions optionsFromString(const QString& options);

    // Takes the file's name and geometry and drops the cached picture.
    void setImageURL(const QUrl& url);

    // The picture, decoded on demand; restarts the idle period.
    virtual CIImage image();
    bool isCached() const { return !m_cachedImage.isNull(); }

    QSizeF cornerSize() const;
    void setCacheTime(double seconds);
    void updateCacheTimer();
    // The release timer's action (also callable directly).
    virtual void clearChachedImage(Timer* timer);

    QUrl imageURL() const { return m_imageURL; }
    QString name() const { return m_name; }
    double width() const { return m_width; }
    double corner() const { return m_corner; }
    quint64 repeatX() const { return m_repeatX; }
    quint64 repeatY() const { return m_repeatY; }
    double cacheTime() const { return m_cacheTime; }
    // The pending release, for tests that drive it with Timer::fire.
    std::shared_ptr<Timer> cacheTimer() const { return m_timer; }

protected:
    void setGeometry(const LXFrameImageOptions& options);
    // Replaces the file only: name and geometry stay.
    void setFileURL(const QUrl& url) { m_imageURL = url; }
    void setCachedImage(const CIImage& image) { m_cachedImage = image; }
    CIImage cachedImage() const { return m_cachedImage; }
    void cancelTimer();

private:
    QUrl m_imageURL;
    CIImage m_cachedImage;
    double m_width = 1.0, m_corner = 0.0;
    quint64 m_repeatX = 0, m_repeatY = 0;
    QString m_name;
    double m_cacheTime = 300.0;
    std::shared_ptr<Timer> m_timer;
    // The timer's block reaches the description through this token.
    std::shared_ptr<LXFrameImageDescription*> m_self = std::make_shared<LXFrameImageDescription*>(this);
};
