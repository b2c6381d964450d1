#include "platform/foundation/Bundle.h"
#include "tests/support/Files.h"
#include "tests/support/LogCapture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class BundleTest : public ::testing::Test {
protected:
    void SetUp() override { Bundle::setPreferredLanguages({"de-DE"}); }
    void TearDown() override { Bundle::setPreferredLanguages({}); }
    QTemporaryDir dir;
    QString at(const QString& relative) const { return dir.filePath(relative); }
    void put(const QString& relative, const QByteArray& data = "x") { writeFile(at(relative), data); }
};

} // namespace

TEST_F(BundleTest, FindsResourcesByNameTypeAndSubfolder)
{
    put("LXArtisticExtend.cikernel");
    put("Textures/ALX-T#010#Wood.png");
    put("Sample.jpg");
    Bundle bundle(dir.path());

    EXPECT_EQ(bundle.pathForResource("LXArtisticExtend", "cikernel"), at("LXArtisticExtend.cikernel"));
    EXPECT_EQ(bundle.pathForResource("Sample.jpg", ""), at("Sample.jpg"));
    EXPECT_EQ(bundle.pathForResource("ALX-T#010#Wood", "png", "Textures"), at("Textures/ALX-T#010#Wood.png"));
    EXPECT_EQ(bundle.urlForResource("Sample", "jpg").toLocalFile(), at("Sample.jpg"));

    // Missing ones are null, quietly: asking is not an error.
    LogCapture log;
    EXPECT_TRUE(bundle.pathForResource("Sample", "png").isNull());
    EXPECT_TRUE(bundle.pathForResource("ALX-T#010#Wood", "png").isNull()); // not at top level
    EXPECT_TRUE(bundle.pathForResource("", "png").isNull());
    EXPECT_TRUE(bundle.urlForResource("Nope", "jpg").isEmpty());
    const Bundle textures(at("Textures")); // names never lead out of the bundle
    EXPECT_TRUE(textures.pathForResource("../Sample", "jpg").isNull());
    EXPECT_TRUE(textures.pathForResource("Sample", "jpg", "..").isNull());
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(BundleTest, ListsResourcesOfATypeInByteOrder)
{
    for (const char* name : {"b.tiff", "B.tiff", "a.tiff", "a.png", "ä.tiff", "_x.tiff", ".tiff"})
        put(QStringLiteral("Masks/") + QString::fromUtf8(name));
    Bundle bundle(dir.path());
    EXPECT_EQ(bundle.pathsForResources("tiff", "Masks"),
              (QStringList{at("Masks/B.tiff"), at("Masks/_x.tiff"), at("Masks/a.tiff"),
                           at("Masks/b.tiff"), at(QString::fromUtf8("Masks/ä.tiff"))}));
    EXPECT_EQ(bundle.pathsForResources("", "Masks").size(), 7);
    EXPECT_TRUE(bundle.pathsForResources("tiff", "NoSuchFolder").isEmpty());
}

TEST_F(BundleTest, LocalizedResourcesComeFromThePreferredLanguageThenEnglish)
{
    put("de.lproj/About.rtf", "de");
    put("en.lproj/About.rtf", "en");
    put("en.lproj/Help.rtf", "en");
    Bundle bundle(dir.path());
    EXPECT_EQ(bundle.pathForResource("About", "rtf"), at("de.lproj/About.rtf"));
    EXPECT_EQ(bundle.pathForResource("Help", "rtf"), at("en.lproj/Help.rtf"));
    Bundle::setPreferredLanguages({"fr"});
    EXPECT_EQ(bundle.pathForResource("About", "rtf"), at("en.lproj/About.rtf"));
}

TEST_F(BundleTest, NestedBundlesAreFoldersOfTypeBundle)
{
    put("Frames.bundle/Info.plist", "<plist><dict><key>CFBundleName</key><string>Frames</string></dict></plist>");
    put("Frames.bundle/Wood.png");
    put("File.bundle"); // a file, not a folder
    Bundle bundle(dir.path());

    std::unique_ptr<Bundle> frames = nestedBundle(bundle, "Frames");
    ASSERT_TRUE(frames);
    EXPECT_EQ(frames->pathForResource("Wood", "png"), at("Frames.bundle/Wood.png"));
    EXPECT_EQ(frames->objectForInfoDictionaryKey("CFBundleName").toString(), "Frames");
    EXPECT_FALSE(nestedBundle(bundle, "File"));
    EXPECT_FALSE(nestedBundle(bundle, "Missing"));
    EXPECT_FALSE(Bundle(at("nowhere")).isValid());
    EXPECT_TRUE(Bundle(at("nowhere")).pathForResource("x", "y").isNull());
}

TEST_F(BundleTest, LocalizedStringsFallBackToEnglishThenValueThenKey)
{
    put("de.lproj/Localizable.strings", "\"Open\" = \"Öffnen\";\n");
    put("en.lproj/Localizable.strings", "\"Open\" = \"Open…\";\n\"Quit\" = \"Quit Sunnyside\";\n");
    put("de.lproj/Controls.strings", "\"Custom Image\" = \"Eigenes Bild\";");
    Bundle bundle(dir.path());

    EXPECT_EQ(bundle.localizedString("Open"), QString::fromUtf8("Öffnen"));
    EXPECT_EQ(bundle.localizedString("Quit"), "Quit Sunnyside");
    EXPECT_EQ(bundle.localizedString("Save", "Save As"), "Save As");
    EXPECT_EQ(bundle.localizedString("Save"), "Save");
    EXPECT_EQ(bundle.localizedString("Custom Image", {}, "Controls"), "Eigenes Bild");
    EXPECT_EQ(bundle.localizedString("Custom Image", {}, "Missing"), "Custom Image");
    EXPECT_EQ(bundle.localizedString("Open", {}, "Controls"), "Open");
}

TEST_F(BundleTest, AMalformedStringsTableIsReportedOnceAndIgnored)
{
    put("de.lproj/Localizable.strings", "\"Open\" = \"Öffnen\"\n\"Quit\" = \"Beenden\";");
    put("en.lproj/Localizable.strings", "\"Open\" = \"Open\";");
    Bundle bundle(dir.path());
    LogCapture log;
    EXPECT_EQ(bundle.localizedString("Open"), "Open");
    EXPECT_EQ(bundle.localizedString("Quit"), "Quit");
    ASSERT_EQ(log.lines().size(), 1); // parsed once, then cached
    EXPECT_TRUE(log.lines().first().startsWith("Error: malformed strings file"));
    EXPECT_TRUE(log.lines().first().contains("line 2"));
}

TEST_F(BundleTest, PreferredLanguagesTrySpellingsInTheUsersOrderThenEnglish)
{
    Bundle::setPreferredLanguages({"pt-BR", "en-GB", "de"});
    EXPECT_EQ(Bundle::preferredLanguages(), (QStringList{"pt-BR", "pt_BR", "pt", "en-GB", "en_GB", "en", "de"}));
    Bundle::setPreferredLanguages({"en", "de"});
    EXPECT_EQ(Bundle::preferredLanguages(), (QStringList{"en", "de"}));
    Bundle::setPreferredLanguages({"de"});
    EXPECT_EQ(Bundle::preferredLanguages(), (QStringList{"de", "en"}));
}

TEST(MainBundle, IsTheAssetsFolderWithTheApplicationsInformation)
{
    Bundle& main = Bundle::mainBundle();
    ASSERT_TRUE(main.isValid()) << main.bundlePath().toStdString();
    const QVariantMap info = main.infoDictionary();
    EXPECT_EQ(info.value("CFBundleName").toString(), "Sunnyside");
    EXPECT_EQ(info.value("CFBundleExecutable").toString(), "sunnyside");
    EXPECT_FALSE(info.value("CFBundleVersion").toString().isEmpty());
}
