#include "resources/BundleResources.h"
#include "resources/StringResources.h"
#include "tests/support/LogCapture.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A tiny picture whose width tells which file it came from.
void putImage(const QString& path, int width = 2)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(width, 1, QImage::Format_ARGB32);
    image.fill(Qt::red);
    const QString ext = QFileInfo(path).suffix();
    ASSERT_TRUE(image.save(path, ext == "jpg" ? "JPEG" : ext == "tiff" ? "TIFF" : "PNG")) << path.toStdString();
}

class ImageLookup : public ::testing::Test {
protected:
    void TearDown() override { setScreenScaleFactorForTesting(-1); }
    QTemporaryDir dir;
    QString at(const QString& relative) const { return dir.filePath(relative); }
    Bundle bundle{dir.path()};
};

} // namespace

TEST_F(ImageLookup, PrefixLookupPrefersTheExtensionOrderThenListing)
{
    for (const char* file : {"003#Heart.png", "003#Heart.tiff", "004#Star.jpg", "005#StarMask.png"})
        putImage(at(QString("Masks/ALX-M#") + file));
    EXPECT_EQ(pathForImageResourceWithPrefix(bundle, "ALX-M#003", "Masks", {}), at("Masks/ALX-M#003#Heart.tiff"));
    EXPECT_EQ(pathForImageResourceWithPrefix(bundle, "Star", "Masks", "Mask."), at("Masks/ALX-M#004#Star.jpg"));
    EXPECT_EQ(pathForImageResourceWithPrefix(bundle, "Star", "Masks", {}), at("Masks/ALX-M#005#StarMask.png"));
    EXPECT_TRUE(pathForImageResourceWithPrefix(bundle, "ALX-M#009", "Masks", {}).isNull());

    // Grouped by extension, duplicates kept, the avoided text left out anywhere in the path.
    EXPECT_EQ(resourceIDNamesForImageResourcesAvoding(bundle, {}, "Masks"),
              (QStringList{"ALX-M#003#Heart", "ALX-M#003#Heart", "ALX-M#005#StarMask", "ALX-M#004#Star"}));
    EXPECT_EQ(pathsForImageResourcesAvoding(bundle, "Heart", "Masks"),
              (QStringList{at("Masks/ALX-M#005#StarMask.png"), at("Masks/ALX-M#004#Star.jpg")}));
}

TEST_F(ImageLookup, ImageByNameFollowsTheDoubleSizeRule)
{
    putImage(at("Only@2x.png"), 8);
    putImage(at("Both.png"), 2);
    putImage(at("Both@2x.png"), 4);

    setScreenScaleFactorForTesting(2.0);
    EXPECT_EQ(imageNamedForTypePrefer2X(bundle, "Both", "png", true).pixelSize().width(), 4);
    EXPECT_EQ(imageNamedForType(bundle, "Both", "png").pixelSize().width(), 2);
    EXPECT_TRUE(imageNamedForType(bundle, "Only", "png").isNull()); // sharp screen: no fallback to @2x
    EXPECT_FALSE(imageNamedForTypePrefer2X(bundle, "Only", "png", true).isNull());
    // imageNamed:prefer2X: tries png with the preference off.
    EXPECT_TRUE(imageNamedPrefer2X(bundle, "Only", true).isNull());

    setScreenScaleFactorForTesting(1.0);
    const Picture fallback = imageNamedPrefer2X(bundle, "Only", true);
    ASSERT_FALSE(fallback.isNull());
    EXPECT_EQ(fallback.pixelSize().width(), 8);
    EXPECT_EQ(fallback.size().width(), 4); // an @2x file is half its pixels in points

    EXPECT_TRUE(imageNamed(bundle, "").isNull());
    EXPECT_TRUE(imageNamed(bundle, "Missing").isNull());
}

TEST_F(ImageLookup, NoWindowCountsAsScaleZero)
{
    EXPECT_EQ(screenScaleFactor(), 0.0);
}

TEST_F(ImageLookup, ImageByPrefixUsesTheTopLevelTiffFilesBaseName)
{
    putImage(at("BAR-T#001#Toolbar~iPad@2x.tiff"), 6);
    putImage(at("BAR-T#001#Toolbar.tiff"), 3);
    EXPECT_EQ(pathForImageWithPrefix(bundle, "BAR-T#001"), at("BAR-T#001#Toolbar.tiff"));
    EXPECT_EQ(imageWithPrefix(bundle, "BAR-T#001").pixelSize().width(), 3);
    EXPECT_TRUE(imageWithPrefix(bundle, "").isNull());
    EXPECT_TRUE(pathForImageWithPrefix(bundle, "BAR-S").isNull());
}

TEST_F(ImageLookup, DirectoryListingCollapsesVariantsOntoExistingBaseFiles)
{
    for (const char* file : {"A.tiff", "A@2x.tiff", "A~iPad.tiff", "B@2x.tiff", "B~iPhone.tiff", "C.png"})
        putImage(at(QString("Frames/") + file));
    EXPECT_EQ(imagePathsInDirectory(bundle, "Frames"),
              (QStringList{at("Frames/A.tiff"), at("Frames/B@2x.tiff"), at("Frames/B~iPhone.tiff")}));
    EXPECT_TRUE(imagePathsInDirectory(bundle, "Nowhere").isEmpty());
}

TEST_F(ImageLookup, DirectoryTreeMatchesNameStartAndEnd)
{
    for (const char* file : {"002#Soft.png", "001#HardShade.png", "001#Hard.txt", "001#Hard.PNG"})
        putImage(at(QString("user/Shades/FRM-S#") + file));
    const QString base = at("user");
    EXPECT_EQ(URLForImageResourceIn(base, "FRM-S#001", "Shades", "Shade").toLocalFile(), QString());
    EXPECT_EQ(URLForImageResourceIn(base, "FRM-S#001", "Shades", {}).toLocalFile(),
              at("user/Shades/FRM-S#001#HardShade.png"));
    EXPECT_EQ(URLForImageResourceIn(base, {}, "Shades", {}).toLocalFile(), at("user/Shades/FRM-S#001#HardShade.png"));
    EXPECT_EQ(URLForImageResourceIn(base, "FRM-S#002", "Shades", "").toLocalFile(),
              at("user/Shades/FRM-S#002#Soft.png"));
}

TEST_F(ImageLookup, DirectoryTreeContinuesThroughBaseLinks)
{
    QDir().mkpath(at("first/Shades")); // empty
    putImage(at("third/Shades/FRM-S#005#Deep.jpg"));
    QDir().mkpath(at("second"));
    ASSERT_TRUE(QFile::link("../third", at("second/Base.lnk"))); // relative link target
    ASSERT_TRUE(QFile::link(at("second"), at("first/Base.lnk")));
    LogCapture log;
    EXPECT_EQ(URLForImageResourceIn(at("first"), "FRM-S#005", "Shades", {}).toLocalFile(),
              QDir::cleanPath(at("second/../third/Shades/FRM-S#005#Deep.jpg")));
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(ImageLookup, DirectoryTreeReportsMissingFoldersBadLinksAndCycles)
{
    QDir().mkpath(at("plain"));
    QFile(at("plain/Base.lnk")).open(QIODevice::WriteOnly); // a file, not a link
    QDir().mkpath(at("a"));
    QDir().mkpath(at("b"));
    ASSERT_TRUE(QFile::link(at("b"), at("a/Base.lnk")));
    ASSERT_TRUE(QFile::link(at("a"), at("b/Base.lnk")));
    QDir().mkpath(at("quiet/Shades"));
    // prefix, avoid, message: empty when nothing is found, nothing to report.
    struct Row { const char* folder; QString prefix, avoid, message; };
    const Row rows[] = {
        {"none", "FRM-S#001", {},
         QStringLiteral("Error: Looking for 'FRM-S#001' in '%1' avoiding '(null)' failed, because ").arg(at("none"))},
        {"plain", "x", "y", "avoiding 'y' failed, because "},
        {"a", "x", {}, "cycle"},
        {"quiet", "x", {}, {}},
    };
    for (const Row& row : rows) {
        LogCapture log;
        EXPECT_TRUE(URLForImageResourceIn(at(row.folder), row.prefix, "Shades", row.avoid).isEmpty()) << row.folder;
        ASSERT_EQ(log.lines().size(), row.message.isEmpty() ? 0 : 1) << row.folder;
        EXPECT_TRUE(row.message.isEmpty() || log.lines()[0].contains(row.message)) << row.folder;
    }
}
