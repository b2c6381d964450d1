#include "app/CommandLine.h"
#include "tests/app/Session.h"
#include "tests/support/Files.h"
#include "tests/support/Images.h"
#include "tests/support/Programs.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QtEndian>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>

namespace {

// The real executable, in a session without a desktop unless told otherwise,
// its environment changed by `adjust`.
ProgramRun sunnyside(const QStringList& arguments, const std::function<void(QProcessEnvironment&)>& adjust = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // LeakSanitizer's tracer can crash at exit on the renderer's and decoder's
    // thread storage; leaks are the in-process suites' business.
    environment.insert("ASAN_OPTIONS", "detect_leaks=0:abort_on_error=0");
    if (adjust)
        adjust(environment);
    return runProgram(QCoreApplication::applicationDirPath() + "/sunnyside", arguments, environment);
}

QString save(const QTemporaryDir& dir, const QString& name, const QImage& image, const char* format, int quality = -1)
{
    const QString path = dir.filePath(name);
    EXPECT_TRUE(image.save(path, format, quality));
    return path;
}

class CommandLine : public ::testing::Test {
protected:
    // A photo of one colour in the test's folder, its format from its name.
    QString photo(const QString& name, const QColor& colour, QSize size = {200, 100})
    {
        return save(dir, name, filled(size.width(), size.height(), colour), name.endsWith(".jpg") ? "JPEG" : "PNG", 95);
    }
    DesktopSession session;
    QTemporaryDir dir;
};

} // namespace

TEST_F(CommandLine, RenderWritesTheWallpaperAndNothingElse)
{
    const ProgramRun run = sunnyside({"--render", photo("photo.jpg", QColor(30, 90, 160), {300, 150}), "--size", "320x200",
                                   "--output", dir.filePath("out.png"), "--no-logo"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const QImage out(dir.filePath("out.png"));
    ASSERT_EQ(out.size(), QSize(320, 200));
    const QColor centre = out.pixelColor(160, 100);
    EXPECT_NEAR(centre.red(), 30, 4);
    EXPECT_NEAR(centre.blue(), 160, 4);
    EXPECT_FALSE(QFileInfo::exists(session.wallpapers())); // nothing saved into Pictures
    EXPECT_TRUE(session.swayLog().isEmpty());
    EXPECT_FALSE(readFile(session.home() + "/.config/sunnyside/sunnyside.conf").contains("rate.")); // no launch counted
}

TEST_F(CommandLine, AFirstRenderCompilesFewProgramsAndVariants)
{
    // Each program, and each pairing of texture formats and sides llvmpipe
    // compiles it for, is an entry in an empty shader cache and tens of
    // milliseconds of a first render.
    QTemporaryDir cache;
    const ProgramRun run = sunnyside({"--render", photo("photo.jpg", QColor(30, 90, 160), {600, 300}), "--size", "640x400",
                                      "--output", dir.filePath("out.png")},
                                     [&](QProcessEnvironment& e) { e.insert("MESA_SHADER_CACHE_DIR", cache.path()); });
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    int entries = 0;
    for (QDirIterator it(cache.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        entries += it.next().endsWith("/index") ? 0 : 1;
    if (entries == 0)
        GTEST_SKIP() << "Mesa keeps no shader cache here";
    EXPECT_LE(entries, 12);
}

TEST_F(CommandLine, UsableOddPhotosMakeProperWallpapers)
{
    const QColor grey(128, 128, 128);
    QImage alpha = filled(64, 48, QColor(255, 0, 255, 0), QImage::Format_ARGB32); // transparent, a loud colour underneath
    QPainter(&alpha).fillRect(8, 8, 48, 32, grey);
    const QStringList photos{save(dir, "grey.jpg", filled(64, 48, grey, QImage::Format_Grayscale8), "JPEG", 95),
                             save(dir, "alpha.png", alpha, "PNG"), save(dir, "tiny.png", filled(1, 1, grey), "PNG")};
    for (const QString& photo : photos) {
        const QString output = dir.filePath(QFileInfo(photo).baseName() + "-out.jpg");
        const ProgramRun run = sunnyside({"--render", photo, "--size", "160x100", "--output", output, "--no-logo"});
        ASSERT_EQ(run.status, 0) << photo.toStdString() << run.err.toStdString();
        const QImage out(output);
        ASSERT_EQ(out.size(), QSize(160, 100)) << photo.toStdString();
        // Grey in, grey out: no colour fringe, no black holes.
        int worst = 0, darkest = 255;
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) {
                const QColor c = out.pixelColor(x, y);
                worst = std::max({worst, std::abs(c.red() - c.green()), std::abs(c.blue() - c.green())});
                darkest = std::min(darkest, c.green());
            }
        EXPECT_LE(worst, 6) << photo.toStdString();
        // Where the photo itself is transparent the JPEG shows black, as the
        // desktop would; nowhere else.
        if (!photo.endsWith("alpha.png"))
            EXPECT_GT(darkest, 20) << photo.toStdString();
        EXPECT_NEAR(out.pixelColor(80, 50).green(), 128, 6) << photo.toStdString();
    }
}

TEST_F(CommandLine, BadPhotosEndInAnAlertAndNothingWritten)
{
    const QByteArray jpeg = readFile(photo("good.jpg", Qt::darkGreen));
    const QStringList bad{
        writeFile(dir.filePath("empty.jpg"), ""),
        writeFile(dir.filePath("notes.jpg"), "these are my notes, not a photo"),
        writeFile(dir.filePath("cut.jpg"), jpeg.left(jpeg.size() / 2)),
        // A PNG header claiming 100000 x 100000 pixels.
        writeFile(dir.filePath("huge.png"), QByteArray::fromHex("89504e470d0a1a0a0000000d49484452000186a0000186a00806000000a8520bc8")),
        dir.filePath("missing.jpg"),
    };
    for (const QString& photo : bad) {
        const ProgramRun render = sunnyside({"--render", photo, "--size", "160x100", "--output", dir.filePath("out.jpg")});
        EXPECT_EQ(render.status, 1) << photo.toStdString();
        EXPECT_TRUE(QString(render.err).contains("Problem creating Wallpaper\nThe photo '" + photo + "' could not be used: "))
            << render.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("out.jpg")));
    }
}

// Photos whose headers are fine but whose pixel data is damaged: only the
// render finds out, and then nothing may be written or set.
TEST_F(CommandLine, CorruptPhotoDataFailsTheWallpaperInsteadOfMakingItBlack)
{
    QImage image(256, 256, QImage::Format_RGB32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            image.setPixel(x, y, qRgb(x, y, (x ^ y) & 255));
    // Garbage over a stretch of the file, its framing left intact.
    auto damaged = [&](const QString& name, const char* format, auto stretch) {
        const QString path = save(dir, name, image, format, 90);
        const auto [from, to] = stretch(readFile(path));
        scribble(path, from, to);
        return path;
    };
    const QStringList photos{
        // The first IDAT chunk's compressed data (its length, type and CRC kept).
        damaged("png.png", "PNG", [](const QByteArray& d) {
            const qsizetype type = d.indexOf("IDAT");
            const qsizetype length = qFromBigEndian<quint32>(d.constData() + type - 4);
            return std::pair<qsizetype, qsizetype>(type + 4 + 2, type + 4 + length);
        }),
        // The JPEG's scan after its headers, its end marker kept.
        damaged("jpeg.jpg", "JPEG", [](const QByteArray& d) { return std::pair<qsizetype, qsizetype>(700, d.size() - 2); }),
    };
    for (const QString& photo : photos) {
        const QString output = dir.filePath("out.jpg");
        const ProgramRun render = sunnyside({"--render", photo, "--size", "160x100", "--output", output});
        EXPECT_EQ(render.status, 1) << photo.toStdString();
        EXPECT_TRUE(render.err.contains("Problem creating Wallpaper\nThe wallpaper could not be made: "))
            << render.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(output));

        session.sway();
        const ProgramRun apply = sunnyside({"--apply", photo});
        EXPECT_EQ(apply.status, 1) << photo.toStdString() << apply.err.toStdString();
        EXPECT_TRUE(session.saved().isEmpty());
        EXPECT_TRUE(session.swayLog().isEmpty()); // the desktop is left alone
    }
    // A few wrong bytes that the decoder gets past with a warning: still a photo.
    const QString scratched = damaged("scratched.jpg", "JPEG", [](const QByteArray&) {
        return std::pair<qsizetype, qsizetype>(900, 904);
    });
    const ProgramRun run = sunnyside({"--render", scratched, "--size", "160x100", "--output", dir.filePath("ok.jpg")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
}

TEST_F(CommandLine, SizesBeyondTheEnginesReachAreRefusedUpFront)
{
    const QString photo = this->photo("p.png", Qt::darkGreen, {64, 64});
    for (const char* size : {"16384x16", "8193x100", "100x99999", "99999999999x1"}) {
        const ProgramRun run = sunnyside({"--render", photo, "--size", size, "--output", dir.filePath("out.png")});
        EXPECT_EQ(run.status, 1) << size;
        EXPECT_TRUE(run.err.contains("--size")) << run.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("out.png"))) << size;
    }
    const ProgramRun tall = sunnyside({"--render", photo, "--size", "8x8192", "--output", dir.filePath("tall.png"), "--no-logo"});
    EXPECT_EQ(tall.status, 0) << tall.err.toStdString();
    EXPECT_EQ(QImageReader(dir.filePath("tall.png")).size(), QSize(8, 8192));
}

// The desktop entry's "Open with" runs "sunnyside %f": the photo becomes the wallpaper,
// as with --apply (which may name the screen).
TEST_F(CommandLine, APhotoOpenedFromTheFileManagerBecomesTheWallpaper)
{
    session.sway();
    const QString photo = this->photo("Lake.png", QColor(20, 90, 160));
    for (const QStringList& arguments : {QStringList{photo}, QStringList{QUrl::fromLocalFile(photo).toString()},
                                         QStringList{"--apply", photo, "--screen", "DP-2"}}) {
        const ProgramRun run = sunnyside(arguments);
        EXPECT_EQ(run.status, 0) << arguments.join(' ').toStdString() << run.err.toStdString();
    }
    EXPECT_EQ(session.saved(), (QStringList{"Lake 1.jpg", "Lake 2.jpg", "Lake.jpg"}));
    EXPECT_TRUE(session.swayLog().contains("DP-2"));
    EXPECT_EQ(sunnyside({dir.filePath("missing.png")}).status, 1);
}

// The frames catalog read before any effect was made lost its textures.
TEST_F(CommandLine, ATexturedFrameNamedFirstKeepsItsTexture)
{
    const ProgramRun run = sunnyside({"--render", photo("p.png", Qt::darkGreen), "--size", "160x100", "--output",
                                      dir.filePath("framed.png"), "--frame", "Leather - Brown"});
    EXPECT_EQ(run.status, 0);
    EXPECT_FALSE(run.err.contains("Warning: ")) << run.err.toStdString();
}

TEST_F(CommandLine, UsageMistakesAreExplained)
{
    const ProgramRun run = sunnyside({"--render", "x.jpg", "--size", "wide", "--output", "/tmp/x.jpg"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("--size WxH"));
}

// --apply where Qt cannot reach the display (the session's platform, its
// compositor not running): the wallpaper gets the default size, and one
// warning says why.
TEST_F(CommandLine, ApplyWithoutADisplayMakesTheDefaultSizeWithOneWarning)
{
    session.sway();
    const QString beach = photo("Beach.png", QColor(20, 120, 60));
    const ProgramRun run = sunnyside({"--apply", beach}, [](QProcessEnvironment& environment) {
        environment.insert("WAYLAND_DISPLAY", "no-compositor-here"); // a socket that does not exist
        environment.remove("QT_QPA_PLATFORM");
    });
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(QImageReader(session.wallpapers() + "/Beach.jpg").size(), QSize(2560, 1600));
    EXPECT_EQ(QString(run.err).split('\n').filter(QRegularExpression("^(Warning|Error): ")),
              QStringList{"Warning: cannot reach the display through Qt's wayland platform; "
                          "making the wallpaper for a 2560 x 1600 screen"})
        << run.err.toStdString();
    EXPECT_TRUE(session.swayLog().contains("*")); // set on every output, there being no screen to name
}

TEST(CommandLineArguments, AskRatingGoesWithTheWindowAndIsNoPhoto)
{
    struct Row { const char* name; QStringList arguments; std::optional<QStringList> photos; bool asks; };
    const Row rows[] = {
        {"the window, asking", {"sunnyside", "--ask-rating", "a.jpg"}, QStringList{"/w/a.jpg"}, true},
        {"after -- it is a photo", {"sunnyside", "--", "--ask-rating"}, QStringList{"/w/--ask-rating"}, false},
        {"a command is no window", {"sunnyside", "--render", "a.jpg", "--ask-rating"}, std::nullopt, true},
        {"a look goes with the window", {"sunnyside", "--effect", "Invert", "--crop=0,0,1,0.5", "a.jpg"}, QStringList{"/w/a.jpg"}, false},
        {"a look option without its value", {"sunnyside", "a.jpg", "--rotate"}, std::nullopt, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(::CommandLine::photosToOpen(row.arguments, "/w"), row.photos) << row.name;
        EXPECT_EQ(::CommandLine::asksForRating(row.arguments), row.asks) << row.name;
    }
}
