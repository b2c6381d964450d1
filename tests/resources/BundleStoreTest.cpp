#include "platform/desktop/Alert.h"
#include "platform/desktop/Thumbnails.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/PropertyList.h"
#include "resources/LXBundleManager.h"
#include "tests/support/Files.h"
#include "tests/support/Images.h"
#include "tests/support/Programs.h"
#include "tests/support/LogCapture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

Picture square(QColor colour) { return Picture(filled(16, 16, colour)); }

ino_t inode(const QString& path)
{
    struct stat s {};
    return ::stat(QFile::encodeName(path).constData(), &s) == 0 ? s.st_ino : 0;
}

} // namespace

TEST(BundleStore, WritesBundlesThatFileManagersAndRewritesFind)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("My Frame #1.bundle"));
    QStringList alerts;
    Alert::ScopedPresenter presenter([&](const QString& title, const QString&) { alerts << title; });
    const QVariantMap description{{QStringLiteral("Name"), QStringLiteral("My Frame")}};
    QString error;
    ASSERT_TRUE(LXBundleManager::writeBundleToURL(QUrl::fromLocalFile(path), description,
                                                  {{"QuickLook/Preview.png", QVariant::fromValue(square(Qt::red))},
                                                   {"Texture.png", QVariant::fromValue(square(Qt::blue))}},
                                                  &error))
        << error.toStdString();
    EXPECT_EQ(inode(path + "/QuickLook/Thumbnail.png"), inode(path + "/QuickLook/Preview.png"));
    EXPECT_EQ(LXBundleManager::decriptionForBundle(Bundle(path)), description);

    // A file manager's own library finds the thumbnail by the bundle's URI.
    const QString found = QString::fromUtf8(programOutput("gio", {"info", "-a", "thumbnail::*", path}).value_or(""));
    EXPECT_TRUE(found.contains(Thumbnails::thumbnailPath(path, true)) && found.contains("is-valid: TRUE"))
        << found.toStdString();
    QImage thumbnail(Thumbnails::thumbnailPath(path, true));
    EXPECT_EQ(thumbnail.text(QStringLiteral("Thumb::URI")), QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded));
    EXPECT_EQ(thumbnail.text(QStringLiteral("Thumb::MTime")).toLongLong(),
              QFileInfo(path).lastModified().toSecsSinceEpoch());

    // Again: stale entries go, kept resources stay as they were, failures are reported.
    QFile(path + "/Old.png").open(QIODevice::WriteOnly);
    const QDateTime textureTime = QFileInfo(path + "/Texture.png").lastModified();
    EXPECT_FALSE(LXBundleManager::writeBundleToURL(QUrl::fromLocalFile(path), description,
                                                   {{"QuickLook/Preview.jpg", QVariant::fromValue(square(Qt::green))},
                                                    {"Texture.png", QVariant::fromValue(square(Qt::black))},
                                                    {"Broken.png", QVariant::fromValue(CIImage())},
                                                    {"../Outside.png", QVariant::fromValue(square(Qt::black))}},
                                                   &error));
    EXPECT_TRUE(error.contains("Broken.png")) << error.toStdString();
    EXPECT_FALSE(QFile::exists(path + "/Old.png"));
    EXPECT_FALSE(QFile::exists(dir.filePath("Outside.png")));
    EXPECT_EQ(QFileInfo(path + "/Texture.png").lastModified(), textureTime);
    EXPECT_TRUE(QFile::exists(path + "/QuickLook/Thumbnail.jpg"));
    EXPECT_EQ(alerts, QStringList{QStringLiteral("Could not save File")});

    // An ordinary folder with files is no bundle: left alone.
    const QString documents = dir.filePath(QStringLiteral("Documents"));
    QDir().mkpath(documents);
    QFile(documents + "/letter.txt").open(QIODevice::WriteOnly);
    LogCapture log;
    EXPECT_FALSE(LXBundleManager::writeBundleToURL(QUrl::fromLocalFile(documents), description, {}, &error));
    EXPECT_EQ(QDir(documents).entryList(QDir::Files), QStringList{QStringLiteral("letter.txt")});
}

TEST(BundleStore, RemovesOnlyBundlesInsideItsFolder)
{
    QTemporaryDir dir;
    const QString support = dir.filePath(QStringLiteral("support"));
    QDir().mkpath(support + "/Good.bundle/QuickLook");
    QFile(dir.filePath("precious.txt")).open(QIODevice::WriteOnly);
    QFile(support + "/keep.txt").open(QIODevice::WriteOnly);
    const struct { const char* name; const char* filename; } rows[] = {
        {"Empty", ""}, {"Dots", ".."}, {"Up", "../precious.txt"}, {"Absolute", ""}, {"Here", "."},
        {"Good", "Good.bundle"}};
    QVariantMap shadow;
    for (const auto& row : rows)
        shadow.insert(row.name, QVariantMap{{"filename", QString::fromLatin1(row.filename)}, {"marked", false}});
    shadow.insert("Absolute", QVariantMap{{"filename", dir.filePath("precious.txt")}});
    const QString plist = support + "/BundleManager.plist";
    ASSERT_TRUE(PropertyList::write(shadow, plist));

    auto store = LXBundleManager::initForDictionaryPath(plist);
    EXPECT_EQ(store->URLForName("Good").toLocalFile(), support + "/Good.bundle");
    store->setMarked(true, "Good");
    EXPECT_TRUE(LXBundleManager::initForDictionaryPath(plist)->shadowDictionary()["Good"].toMap()["marked"].toBool());
    LogCapture log;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        store->removeShadowWithName(row.name);
        EXPECT_TRUE(QFile::exists(dir.filePath("precious.txt")) && QFile::exists(support + "/keep.txt"));
        EXPECT_EQ(LXBundleManager::initForDictionaryPath(plist)->names().contains(row.name), false);
    }
    EXPECT_FALSE(QFile::exists(support + "/Good.bundle"));
    EXPECT_EQ(log.lines().size(), 5);
}

TEST(BundleStore, WritesThroughNoPlantedLinkNamedInfoPlistOrQuickLook)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Planted.bundle"));
    const QString outside = dir.filePath(QStringLiteral("outside"));
    const QByteArray precious("not a property list");
    for (const char* name : {"precious.plist", "Thumbnail.png"})
        writeFile(outside + '/' + name, precious);
    QDir().mkpath(path);
    ASSERT_TRUE(QFile::link(outside + "/precious.plist", path + "/Info.plist"));
    ASSERT_TRUE(QFile::link(outside, path + "/QuickLook"));

    const QVariantMap description{{QStringLiteral("Name"), QStringLiteral("Planted")}};
    QString error;
    Alert::ScopedPresenter presenter([](const QString&, const QString&) {});
    LXBundleManager::writeBundleToURL(QUrl::fromLocalFile(path), description,
                                      {{"Info.plist", QVariant::fromValue(square(Qt::red))},
                                       {"QuickLook", QVariant::fromValue(square(Qt::red))},
                                       {"QuickLook/Preview.png", QVariant::fromValue(square(Qt::red))}},
                                      &error);
    for (const char* name : {"precious.plist", "Thumbnail.png"})
        EXPECT_EQ(readFile(outside + '/' + name), precious) << name;
}
