#include "util/LXFontLoader.h"
#include "tests/support/Files.h"
#include "tests/support/LogCapture.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(FontLoader, RegistersShippedFontsOnceAndReportsTheRest)
{
    const QString shipped = Bundle::mainBundle().bundlePath() + "/Fonts.bundle/Lato-Regular.ttf";
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path()); // a real font under a relative name must not be read
    ASSERT_TRUE(QFile::copy(shipped, "Crafted.ttf"));
    const QString text = writeFile(dir.filePath("Text.ttf"), "not a font");

    LogCapture log;
    EXPECT_FALSE(LXFontLoader::loadLocalFonts({}));
    LXFontLoader::loadFontsBundle();
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join('\n').toStdString();
    EXPECT_TRUE(QFontDatabase::families().contains("Lato"));

    const auto error = LXFontLoader::loadLocalFonts({"Nope.ttf", "Crafted.ttf", shipped, text});
    QDir::setCurrent(previous);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, 0);
    EXPECT_EQ(error->localizedDescription, "File missing: Nope.ttf\nFile missing: Crafted.ttf\n"
                                           "File loading problem: " + shipped + "\n"
                                           "File loading problem: " + text + "\n");
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_TRUE(log.lines()[0].startsWith("Error: font file '" + shipped + "' is already registered"));
    EXPECT_TRUE(log.lines()[1].startsWith("Error: "));
}
