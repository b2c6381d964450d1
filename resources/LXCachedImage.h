#pragma once
// A picture held twice: as a file in the temporary folder (its disk copy)
// and, while in use, in memory. The memory copy is released after the time
// the cache strategy sets and reloaded from the disk copy on the next access;
// it is never released while there is no disk copy to reload it from. The
// disk copy goes when the object goes or the application terminates.
//
// Strategies: 1 releases at the next turn of the event loop, 2 after 60 s,
// 4 never, any other value after 300 s.
//
// Vector artwork (SVG) comes out of cgImage() at least 1536 points on its
// long side.
//
// Made only through the class constructors (shared, nullptr on failure).
// The accessors nsImage(), cgImage(), ciImage() may run on a worker thread:
// the memory copy is guarded, and the release timer is always (re)started on
// the main thread, reached through a weak reference. Everything else: main
// thread.

#include "platform/image/CIImage.h"
#include "platform/ui/Picture.h"

#include <QImage>
#include <QMutex>
#include <QUrl>

#include <memory>

class Timer;

class LXCachedImage : public std::enable_shared_from_this<LXCachedImage> {
public:
    // From a picture in memory: its disk copy is written ("png" when it can
    // be transparent, else "jpg"; SVG artwork from a file is copied as SVG).
    // nullptr for a null picture.
    static std::shared_ptr<LXCachedImage> cachedNSImage(const Picture& picture, int strategy);
    // From an image file: the file is copied as the disk copy and loaded.
    // nullptr, after a "Warning: " line, when no picture could be loaded.
    static std::shared_ptr<LXCachedImage> cachedImageURL(const QUrl& url, int strategy);
    static std::shared_ptr<LXCachedImage> cachedImageFile(const QString& path, int strategy);

    ~LXCachedImage();
    LXCachedImage(const LXCachedImage&) = delete;
    LXCachedImage& operator=(const LXCachedImage&) = delete;

    // Seconds before the memory copy is released; negative: never.
    static double releaseDelay(int strategy);

    bool hasTransparency() const { return m_hasTransparency; }
    bool isVectorial() const { return m_isVectorial; }
    int cacheStrategy() const { return m_strategy; }
    // The disk copy; empty when there is none (its write failed, or after
    // termination clean-up).
    QUrl imageURL() const { return m_imageURL; }

    void setCacheStrategy(int strategy);
    bool isCached() const;

    // The picture, reloaded from the disk copy when released; null when that
    // fails.
    Picture nsImage();
    // A bitmap of the picture; vector artwork rendered 1536 on its long side
    // when it is smaller.
    QImage cgImage();
    // The engine form, made once and kept until the memory copy is released.
    CIImage ciImage();
    // The engine form at least `width` x `height` for vector artwork (a new,
    // unkept rendering when the kept form is smaller); ciImage() otherwise.
    CIImage ciImageForSize(double width, double height);

    // Copies the disk copy to `url` with the disk copy's extension; false
    // with the reason in `error` when there is no disk copy or the copy
    // fails (a target that exists fails).
    bool writeToURL(const QUrl& url, QString* error = nullptr);

    // Deletes the disk copy (the memory copy stays, and is kept from now on).
    void applicationWillTerminate();

    // The pending release, for tests that drive it with Timer::fire; null
    // when none is pending.
    std::shared_ptr<Timer> releaseTimer() const { return m_timer; }

private:
    LXCachedImage() = default;
    bool loadFromFile(const QUrl& source);
    bool writeDiskCopy(const Picture& picture);
    void restartTimer();
    void restartTimerOnMain();
    void release();
    void deleteDiskCopy();
    void observeTermination();

    bool m_hasTransparency = false;
    bool m_isVectorial = false;
    int m_strategy = 0;
    QUrl m_imageURL;
    std::shared_ptr<Timer> m_timer;

    mutable QMutex m_mutex; // guards the two memory forms
    Picture m_stored;
    CIImage m_cachedCIImage;
};
