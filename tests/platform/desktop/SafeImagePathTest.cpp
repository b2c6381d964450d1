#include "DesktopTestKit.h"

#include "platform/desktop/SafeImagePath.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

class SafeImagePathTest : public ::testing::Test {
protected:
    QTemporaryDir runtime, pictures;
    ScopedVariable runtimeDir{"XDG_RUNTIME_DIR", runtime.path()};
};

} // namespace

TEST_F(SafeImagePathTest, APlainPathIsUsedAsItIs)
{
    const QString picture = makePictureFile(pictures, "Wallpaper_2024-01-02.jpg");
    EXPECT_EQ(safeImagePath(picture).value(), picture);
    EXPECT_FALSE(QFileInfo::exists(runtime.filePath("sunnyside")));
}

TEST_F(SafeImagePathTest, LinksToSetPicturesOutliveUsAndOnlyOurDanglingOnesGo)
{
    const QString first = makePictureFile(pictures, "Fish & Chips.JPG");
    const QString second = makePictureFile(pictures, "Tom's beach.jpeg");
    const Result<QString> firstLink = safeImagePath(first);
    ASSERT_TRUE(firstLink.ok()) << firstLink.reason().toStdString();
    EXPECT_TRUE(firstLink.value().startsWith(runtime.path() + "/sunnyside/"));
    EXPECT_TRUE(firstLink.value().endsWith(".jpg"));
    EXPECT_EQ(safeImagePath(first).value(), firstLink.value()); // the same picture, the same link
    EXPECT_EQ(QFileInfo(runtime.filePath("sunnyside")).permissions() & 0x0077, 0); // the owner's alone

    // Someone else's link and a file of ours that is no link stay.
    const QString folder = runtime.filePath("sunnyside");
    ASSERT_TRUE(QFile::link("/nonexistent", folder + "/theirs"));
    makePictureFile(runtime, "sunnyside/wallpaper-0123456789abcdef0123456789abcdef.jpg");

    QFile::remove(first);
    const Result<QString> secondLink = safeImagePath(second);
    ASSERT_TRUE(secondLink.ok());
    EXPECT_EQ(QFileInfo(secondLink.value()).canonicalFilePath(), QFileInfo(second).canonicalFilePath());
    // The link's name comes from the temporary path, so its place in the listing varies.
    QStringList expected{"theirs", "wallpaper-0123456789abcdef0123456789abcdef.jpg",
                         QFileInfo(secondLink.value()).fileName()};
    expected.sort();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::System, QDir::Name), expected);
}

TEST_F(SafeImagePathTest, WithoutAPrivateFolderItFailsRatherThanPassTheName)
{
    QTemporaryDir temporary;
    // Both places have characters of their own that a parser would read.
    ScopedVariable unsafeRuntime("XDG_RUNTIME_DIR", runtime.filePath("my runtime"));
    ScopedVariable unsafeTemp("TMPDIR", temporary.filePath("my temp"));
    QDir().mkpath(temporary.filePath("my temp"));
    const Result<QString> result = safeImagePath(makePictureFile(pictures, "$(touch PWNED).jpg"));
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.reason().startsWith("the picture's name has characters the desktop would misread, "
                                            "and there is no private folder with a plain path"))
        << result.reason().toStdString();
}

TEST_F(SafeImagePathTest, AFolderOthersMayWriteIntoIsNotOurs)
{
    QDir().mkpath(runtime.filePath("sunnyside"));
    QFile::setPermissions(runtime.filePath("sunnyside"), 
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::WriteOther | QFile::ExeOther);
    EXPECT_NE(linkFolder().value(), runtime.filePath("sunnyside"));
}
