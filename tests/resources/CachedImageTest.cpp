// Cached images (disk copy, release and reload, vector sizes, failures) and
// temporary resource copies, on real files in temporary folders.

#include "platform/desktop/Alert.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Timer.h"
#include "resources/LXCachedImage.h"
#include "resources/LXTempCleaner.h"
#include "tests/support/Files.h"
#include "tests/support/LogCapture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QImage bitmap(bool alpha)
{
    QImage image(40, 30, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.fill(alpha ? QColor(20, 200, 90, 128) : QColor(20, 200, 90));
    return image;
}

QString svg(const QTemporaryDir& dir, int w, int h)
{
    return writeFile(dir.filePath(QStringLiteral("art%1x%2.svg").arg(w).arg(h)),
                     QStringLiteral("<svg xmlns='http://www.w3.org/2000/svg' width='%1' height='%2'><rect width='%1' "
                                    "height='%2' fill='#c04020'/></svg>").arg(w).arg(h).toUtf8());
}

QByteArray hashOf(const QString& path)
{
    return QCryptographicHash::hash(readFile(path), QCryptographicHash::Sha256);
}

// Points TMPDIR somewhere nothing can be written, even by root.
struct UnwritableTemporaryFolder {
    QByteArray saved = qgetenv("TMPDIR");
    UnwritableTemporaryFolder() { qputenv("TMPDIR", "/proc"); }
    ~UnwritableTemporaryFolder() { saved.isEmpty() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", saved); }
};

} // namespace

TEST(CachedImage, DiskCopyReleaseAndReload)
{
    // delay: of the release, or negative: none pending.
    struct Row { const char* name; bool alpha; int strategy; const char* extension; double delay; };
    const Row rows[] = {{"alpha, a minute", true, 2, "png", 60}, {"opaque, never", false, 4, "jpg", -1},
                        {"opaque, any other value", false, 7, "jpg", 300}};
    for (const Row& row : rows) {
        const auto cached = LXCachedImage::cachedNSImage(Picture(bitmap(row.alpha)), row.strategy);
        ASSERT_TRUE(cached) << row.name;
        EXPECT_TRUE(cached->imageURL().toLocalFile().endsWith(row.extension)) << row.name;
        EXPECT_TRUE(QFile::exists(cached->imageURL().toLocalFile())) << row.name;
        const auto timer = cached->releaseTimer();
        ASSERT_EQ(bool(timer), row.delay >= 0) << row.name;
        if (!timer)
            continue;
        EXPECT_EQ(timer->interval(), row.delay) << row.name;
        const QImage before = cached->cgImage();
        cached->releaseTimer()->fire();
        EXPECT_FALSE(cached->isCached()) << row.name;
        EXPECT_EQ(cached->cgImage(), before) << row.name; // reloaded, the same pixels
        EXPECT_TRUE(cached->isCached()) << row.name;

        const QString disk = cached->imageURL().toLocalFile();
        cached->applicationWillTerminate();
        EXPECT_FALSE(QFile::exists(disk)) << row.name;
        if (const auto pending = cached->releaseTimer(); pending && pending->isValid())
            pending->fire();
        EXPECT_TRUE(cached->isCached()) << row.name << ": nothing to reload from, so never released";
    }
}

TEST(CachedImage, VectorArtworkIsRenderedLargeEnough)
{
    QTemporaryDir dir;
    const auto large = LXCachedImage::cachedImageFile(svg(dir, 3000, 1000), 4);
    const auto wide = LXCachedImage::cachedImageFile(svg(dir, 300, 200), 4);
    ASSERT_TRUE(large && wide);
    EXPECT_EQ(large->cgImage().size(), QSize(3000, 1000));
    EXPECT_EQ(wide->ciImage().extent(), QRectF(0, 0, 1536, 1024));
    EXPECT_EQ(wide->ciImageForSize(1000, 600).extent(), QRectF(0, 0, 1536, 1024)); // the kept form fits
    EXPECT_EQ(wide->ciImageForSize(2000, 100).extent(), QRectF(0, 0, 2000, 1333));
    // Written with the disk copy's own extension.
    ASSERT_TRUE(wide->writeToURL(QUrl::fromLocalFile(dir.filePath("out.tiff"))));
    EXPECT_TRUE(QFile::exists(dir.filePath("out.svg")));
    QString error;
    EXPECT_FALSE(wide->writeToURL(QUrl::fromLocalFile(dir.filePath("out.png")), &error)); // taken
    EXPECT_FALSE(error.isEmpty());
}

TEST(CachedImage, FailuresNeverLoseThePictureOrTouchTheSource)
{
    QTemporaryDir dir;
    const QString source = dir.filePath("photo.png");
    ASSERT_TRUE(bitmap(true).save(source));
    const QString notAPicture = writeFile(dir.filePath("notes.png"), {});
    const QByteArray sourceHash = hashOf(source);
    Alert::ScopedPresenter quiet([](const QString&, const QString&) {});
    LogCapture log;

    EXPECT_FALSE(LXCachedImage::cachedImageFile(notAPicture, 1));
    EXPECT_TRUE(log.contains("Warning: Could not load image "));
    EXPECT_TRUE(QDir(Application::temporaryDirectory()).entryList({"*.png"}, QDir::Files).isEmpty())
        << "a copy that is no picture is deleted";
    {
        UnwritableTemporaryFolder unwritable;
        for (const auto& cached : {LXCachedImage::cachedNSImage(Picture(bitmap(false)), 1),
                                   LXCachedImage::cachedImageFile(source, 1)}) {
            ASSERT_TRUE(cached);
            EXPECT_TRUE(cached->imageURL().isEmpty());
            EXPECT_FALSE(cached->releaseTimer()) << "released now, the picture would be gone";
            EXPECT_FALSE(cached->cgImage().isNull());
        }
    }
    EXPECT_EQ(hashOf(source), sourceHash);
}

TEST(TempCleaner, ResourceCopiesAreNumberedAndFlushKeepsForeignFilesAndTheRoot)
{
    QTemporaryDir dir;
    const QString heart = dir.filePath("ALX-M#003#Heart.png"), oak = dir.filePath("ALX-F#002#Oak#R.png");
    ASSERT_TRUE(bitmap(true).save(heart) && bitmap(true).save(oak));
    LXTempCleaner cleaner;
    const QStringList copies{cleaner.tempCopyURLFor(QUrl::fromLocalFile(heart)).toLocalFile(),
                             cleaner.tempCopyURLFor(QUrl::fromLocalFile(heart)).toLocalFile(),
                             cleaner.tempCopyURLFor(QUrl::fromLocalFile(oak)).toLocalFile()};
    const QString at = cleaner.resourcePath() + "/ALX-X#";
    EXPECT_EQ(copies, (QStringList{at + "000#Heart.png", at + "001#Heart.png", at + "002#Oak#R.png"}));

    LogCapture log;
    EXPECT_TRUE(cleaner.tempCopyURLFor(QUrl::fromLocalFile(dir.filePath("ALX-M#004#Gone.png"))).isEmpty());
    EXPECT_EQ(cleaner.resourceCounter(), 4u);
    EXPECT_TRUE(cleaner.urlForName("../escape").isEmpty());

    const QString named = writeFile(cleaner.urlForName("mask.png").toLocalFile(), {});
    const QString stranger = writeFile(cleaner.resourcePath() + "/stranger.txt", {});
    const QString outside = writeFile(dir.filePath("keep.txt"), {});
    const QString rootFile = writeFile(LXTempCleaner::tempURLWithExtension("jpg").toLocalFile(), {});
    cleaner.add(QUrl::fromLocalFile(outside));
    cleaner.add(QUrl::fromLocalFile(rootFile));
    cleaner.flush();
    for (const QString& copy : copies)
        EXPECT_FALSE(QFile::exists(copy));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(named).absolutePath())) << "its emptied folder goes";
    EXPECT_TRUE(QFile::exists(stranger)) << "a folder with a stranger's file stays";
    EXPECT_TRUE(QFile::exists(outside)) << "nothing outside the temporary folder is deleted";
    EXPECT_FALSE(QFile::exists(rootFile));
    EXPECT_TRUE(QFileInfo(Application::temporaryDirectory()).isDir()) << "the shared root stays";
    QFile::remove(stranger);
    QDir().rmdir(cleaner.resourcePath());
}
