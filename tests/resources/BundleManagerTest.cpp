#include "platform/desktop/Alert.h"
#include "resources/LXBundleManager.h"
#include "resources/LXTempCleaner.h"
#include "tests/support/ChildTest.h"
#include "tests/support/Files.h"
#include "tests/support/LogCapture.h"

#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>

namespace {

QImage filled(bool alpha)
{
    QImage image(8, 6, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.fill(alpha ? QColor(0, 0, 255, 128) : QColor(200, 100, 50));
    return image;
}

struct AlertLog {
    QStringList titles, texts;
    Alert::ScopedPresenter presenter{[this](const QString& title, const QString& text) {
        titles << title;
        texts << text;
    }};
};

class BundleManagerTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QUrl url(const QString& name) const { return QUrl::fromLocalFile(dir.filePath(name)); }
};

} // namespace

TEST_F(BundleManagerTest, TheExtensionThenAlphaChooseTheTypeAndTheLowerCaseName)
{
    AlertLog alerts;
    struct Row { const char* asked; bool alpha; const char* written; QByteArray format; } rows[] = {
        {"a.jpeg", false, "a.jpg", "jpeg"}, {"b.JPG", false, "b.jpg", "jpeg"}, {"c.PNG", false, "c.png", "png"},
        {"d.tiff", true, "d.png", "png"},   {"e.tiff", false, "e.jpg", "jpeg"}, {"f", true, "f.png", "png"},
        {"g", false, "g.jpg", "jpeg"},      {"h.jpg", true, "h.jpg", "jpeg"}, // the extension wins over alpha
    };
    for (const Row& row : rows) {
        EXPECT_TRUE(LXBundleManager::saveBitmapRep(filled(row.alpha), url(row.asked))) << row.asked;
        EXPECT_EQ(QImageReader(dir.filePath(row.written)).format(), row.format) << row.asked;
    }
    EXPECT_TRUE(alerts.titles.isEmpty());
}

TEST_F(BundleManagerTest, AFailedWriteAlertsOnceLeavesNoFileAndKeepsTheOldOne)
{
    QString locked = dir.filePath("locked");
    ASSERT_TRUE(QDir().mkdir(locked));
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    if (::access(locked.toLocal8Bit().constData(), W_OK) == 0)
        locked = "/proc"; // root ignores permission bits, but not a read-only file system
    const QStringList before = QDir(locked).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    AlertLog alerts;
    EXPECT_FALSE(LXBundleManager::saveBitmapRep(filled(false), QUrl::fromLocalFile(locked + "/x.jpg")));
    ASSERT_EQ(alerts.titles, QStringList{"Could not save File"});
    EXPECT_TRUE(alerts.texts[0].contains("'" + locked + "/x.jpg'"));
    EXPECT_FALSE(QFileInfo::exists(locked + "/x.jpg"));
    if (locked != "/proc") {
        EXPECT_EQ(QDir(locked).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
    }

    // Nothing to encode: the old file stays whole. Null: no alert.
    ASSERT_TRUE(LXBundleManager::saveBitmapRep(filled(false), url("keep.png")));
    const auto read = [&] { QFile f(dir.filePath("keep.png")); return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("unread"); };
    const QByteArray kept = read();
    EXPECT_FALSE(LXBundleManager::saveBitmapRep(QImage(), url("keep.png")));
    EXPECT_EQ(alerts.titles.size(), 2);
    EXPECT_EQ(read(), kept);
    EXPECT_FALSE(LXBundleManager::saveImage(Picture(), url("nil.png")));
    EXPECT_EQ(alerts.titles.size(), 2);
}

TEST_F(BundleManagerTest, UniqueNamesCountUpAndFillGaps)
{
    const QUrl folder = QUrl::fromLocalFile(dir.path());
    auto unique = [&](const QString& name) { return LXBundleManager::uniqueFileURL(name, folder).toLocalFile(); };
    // Each row: a file made, then the name asked for and the free name expected.
    for (const auto& [made, asked, expected] : std::initializer_list<std::array<const char*, 3>>{
             {nullptr, "Beach.jpg", "Beach.jpg"}, {"Beach.jpg", "Beach.jpg", "Beach 1.jpg"},
             {"Beach 2.jpg", "Beach.jpg", "Beach 1.jpg"} /* the gap first */, {"Beach 1.jpg", "Beach.jpg", "Beach 3.jpg"},
             {"Notes", "Notes", "Notes 1"}, {"archive.tar.gz", "archive.tar.gz", "archive.tar 1.gz"}}) {
        if (made)
            writeFile(dir.filePath(made), {});
        EXPECT_EQ(unique(asked), dir.filePath(expected));
    }
    QDir().mkdir(dir.filePath("Folder.jpg")); // a folder counts as taken
    EXPECT_EQ(unique("Folder.jpg"), dir.filePath("Folder 1.jpg"));
}

TEST(BundleManager, RandomStringsUseTheAlphabetAndAvoidTheGivenOnes)
{
    const QString first = LXBundleManager::randomStringWithLength(10);
    EXPECT_NE(LXBundleManager::randomStringWithLength(10, {first}), first);
    EXPECT_EQ(LXBundleManager::randomStringWithLength(0), "");
    EXPECT_EQ(LXBundleManager::randomStringWithLength(-3), "");
    // With two characters of 62 and the most likely ones excluded, it still ends.
    QStringList taken;
    for (int i = 0; i < 3000; ++i)
        taken << LXBundleManager::randomStringWithLength(2);
    EXPECT_FALSE(taken.contains(LXBundleManager::randomStringWithLength(2, taken)));
}

// Run by the test below in fresh processes of this executable.
TEST(BundleManager, PrintsOneRandomName)
{
    if (qEnvironmentVariableIsEmpty("SUNNYSIDE_PRINT_RANDOM_NAME"))
        GTEST_SKIP() << "helper of RandomNamesDifferBetweenProcesses";
    printf("name=%s\n", qPrintable(LXBundleManager::randomStringWithLength(10)));
}

TEST(BundleManager, RandomNamesDifferBetweenProcesses)
{
    // Processes started in the same second must not share temporary names.
    QStringList names;
    for (int i = 0; i < 2; ++i) {
        const ChildRun child =
            runTestInChild("BundleManager.PrintsOneRandomName", {{"SUNNYSIDE_PRINT_RANDOM_NAME", "1"}});
        const QRegularExpressionMatch m = QRegularExpression("name=(\\w{10})").match(child.output);
        ASSERT_TRUE(m.hasMatch());
        names << m.captured(1);
    }
    EXPECT_NE(names[0], names[1]);
}

TEST(TempFiles, ImagesGoToTheTemporaryFolderAndAreDeletedAtQuit)
{
    const Picture picture(filled(true));
    const QUrl plain = LXBundleManager::tempFileForImage(picture);
    const QFileInfo plainInfo(plain.toLocalFile());
    EXPECT_TRUE(QRegularExpression("^[a-zA-Z0-9]{10}\\.jpg$").match(plainInfo.fileName()).hasMatch());
    EXPECT_TRUE(plainInfo.exists());

    const QUrl named = LXBundleManager::tempFileForImage(picture, "a.png");
    const QFileInfo namedInfo(named.toLocalFile());
    EXPECT_EQ(namedInfo.fileName(), "a.png");
    EXPECT_EQ(namedInfo.dir().dirName().size(), 10);
    EXPECT_EQ(QImageReader(namedInfo.filePath()).format(), "png");
    EXPECT_EQ(namedInfo.dir().absolutePath().section('/', 0, -2), plainInfo.absolutePath());

    EXPECT_TRUE(LXBundleManager::tempFileForImage(picture, "pic.gif").toLocalFile().endsWith("/pic.gif.jpg"));
    EXPECT_TRUE(LXBundleManager::tempFileForImage(picture, "pic.JPG").toLocalFile().endsWith("/pic.JPG.jpg"));

    LXTempCleaner::sharedTempCleaner().flush();
    EXPECT_FALSE(QFileInfo::exists(plainInfo.filePath()));
    EXPECT_FALSE(QFileInfo::exists(named.toLocalFile()));
    EXPECT_FALSE(QFileInfo::exists(namedInfo.absolutePath())); // emptied folder removed
    EXPECT_TRUE(LXTempCleaner::sharedTempCleaner().registered().isEmpty());
}

TEST(SupportDirectory, IsCreatedUnderTheDataFolder)
{
    const QString path = LXBundleManager::applicationSupportDirectory();
    ASSERT_FALSE(path.isNull());
    EXPECT_TRUE(path.endsWith("/sunnyside"));
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_TRUE(path.startsWith(QDir::homePath()) || path.startsWith(qEnvironmentVariable("XDG_DATA_HOME")));

    QString error = "stale";
    EXPECT_TRUE(LXBundleManager::directoryPath(99, 1, "x", &error).isNull());
    EXPECT_EQ(error, "stale"); // unknown kinds leave the error alone

    // A file where the folder should be: creation fails, the reason comes back.
    QTemporaryDir dir;
    writeFile(dir.filePath("file"), {});
    EXPECT_FALSE(createDirectoryAtURL(QUrl::fromLocalFile(dir.filePath("file")), true, &error));
    EXPECT_TRUE(error.contains("not a folder"));
    EXPECT_TRUE(createDirectoryAtURL(QUrl::fromLocalFile(dir.filePath("a/b/c")), true, &error));
    EXPECT_TRUE(QFileInfo(dir.filePath("a/b/c")).isDir());
}

TEST_F(BundleManagerTest, JpegOfEachDirectLayoutKeepsColoursProfileAndDensity)
{
    // Quadrants red, green, blue, half-transparent white (premultiplied: grey
    // over black; opaque formats: white). Each layout the encoder takes as it is.
    const struct {
        const char* name;
        QImage::Format format;
        int lastGrey;
    } rows[] = {{"argb32pm", QImage::Format_ARGB32_Premultiplied, 128},
                {"rgba8888pm", QImage::Format_RGBA8888_Premultiplied, 128},
                {"rgb888", QImage::Format_RGB888, 255}};
    for (const auto& row : rows) {
        QImage image(32, 32, row.format);
        const QColor colours[] = {Qt::red, Qt::green, Qt::blue, QColor(255, 255, 255, 128)};
        for (int q = 0; q < 4; ++q)
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    image.setPixelColor(x + q % 2 * 16, y + q / 2 * 16, colours[q]);
        image.setColorSpace(QColorSpace(QColorSpace::SRgb));
        image.setDotsPerMeterX(5906); // 150 dpi
        image.setDotsPerMeterY(5906);
        ASSERT_TRUE(LXBundleManager::saveBitmapRep(image, url(QString::fromLatin1(row.name) + ".jpg"))) << row.name;
        QImageReader reader(dir.filePath(QString::fromLatin1(row.name) + ".jpg"));
        const QImage written = reader.read();
        ASSERT_FALSE(written.isNull()) << row.name;
        const QColor expected[] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255),
                                   QColor(row.lastGrey, row.lastGrey, row.lastGrey)};
        for (int q = 0; q < 4; ++q) {
            const QColor got = written.pixelColor(8 + q % 2 * 16, 8 + q / 2 * 16);
            EXPECT_LE(std::max({std::abs(got.red() - expected[q].red()), std::abs(got.green() - expected[q].green()),
                                std::abs(got.blue() - expected[q].blue())}), 6)
                << row.name << " quadrant " << q;
        }
        EXPECT_EQ(written.colorSpace(), QColorSpace(QColorSpace::SRgb)) << row.name;
        EXPECT_NEAR(written.dotsPerMeterX(), 5906, 20) << row.name;
    }
}

TEST(TempFiles, NamesThatArePathsAreRefusedAndNothingIsWritten)
{
    QTemporaryDir outside;
    const Picture picture(filled(false));
    const QString escape = "../../../../../../../.." + outside.path() + "/escaped.jpg";
    for (const QString& name : {escape, QString("a/b.png"), QString(".."), QString(".")}) {
        LogCapture log;
        EXPECT_TRUE(LXBundleManager::tempFileForImage(picture, name).isEmpty()) << name.toStdString();
        ASSERT_EQ(log.lines().size(), 1) << name.toStdString();
        EXPECT_TRUE(log.lines()[0].startsWith("Error: the temporary file name")) << log.lines()[0].toStdString();
    }
    EXPECT_TRUE(QDir(outside.path()).isEmpty());
    // Dots inside a name are fine.
    EXPECT_TRUE(LXBundleManager::tempFileForImage(picture, "..hidden.png").toLocalFile().endsWith("/..hidden.png"));
}
