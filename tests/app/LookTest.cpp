#include "app/CommandLine.h"
#include "app/LookArguments.h"
#include "app/Look.h"
#include "app/LookChain.h"
#include "app/LookSettings.h"
#include "effects/LXEffect.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/image/CIContext.h"
#include "tests/app/Session.h"
#include "tests/support/Files.h"
#include "tests/support/LogCapture.h"

#include <QImage>
#include <QPainter>
#include <QSettings>

#include <gtest/gtest.h>

namespace {

// Stripes that every effect changes: a pure red for the colour keepers and
// replacers, a yellow, a blue, and a fine chequer that a blur of a pixel shows.
QString stripedPhoto(const QTemporaryDir& dir)
{
    QImage image(120, 80, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(0, 0, 30, 80, QColor(255, 0, 0));
    p.fillRect(30, 0, 30, 80, QColor(230, 200, 40));
    p.fillRect(60, 0, 30, 80, QColor(40, 80, 200));
    p.end();
    for (int y = 0; y < 80; ++y)
        for (int x = 90; x < 120; ++x)
            image.setPixel(x, y, (x + y) % 2 ? qRgb(240, 240, 240) : qRgb(30, 30, 30));
    const QString path = dir.filePath("stripes.png");
    image.save(path);
    return path;
}

// --render in this process; the picture, or null when it failed.
QImage render(const QString& photo, const QTemporaryDir& dir, const QStringList& look)
{
    const QString out = dir.filePath("out.png");
    QFile::remove(out);
    const int status = CommandLine::run(QStringList{"sunnyside", "--render", photo, "--size", "160x100", "--output", out, "--no-logo"} + look);
    return status == 0 ? QImage(out) : QImage();
}

// The share of pixels that differ by more than 16 levels where the plain
// wallpaper shows the photo (120 x 80 in the middle) and just around it,
// where a frame goes.
double changedAroundPhoto(const QImage& a, const QImage& b)
{
    int changed = 0;
    for (int y = 4; y < 96; ++y)
        for (int x = 12; x < 148; ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            changed += std::max({std::abs(p.red() - q.red()), std::abs(p.green() - q.green()), std::abs(p.blue() - q.blue())}) > 16;
        }
    return double(changed) / (92 * 136);
}

} // namespace

TEST(LookCommandLine, BadInputIsOneErrorLineAndNothingWritten)
{
    QTemporaryDir dir;
    const QString photo = stripedPhoto(dir);
    writeFile(dir.filePath("garbage.look"), "<plist><dict><key>effects</key>");
    writeFile(dir.filePath("odd.look"), "<plist><dict><key>rotation</key><string>five</string></dict></plist>");
    struct Row { const char* name; QStringList arguments; QString words; };
    const Row rows[] = {
        {"unknown effect", {"--effect", "Sparkle"}, "unknown effect 'Sparkle'"},
        {"unknown key", {"--effect", "SoftBlur:size=3"}, "effect 'SoftBlur' has no setting 'size'"},
        {"out of range", {"--effect", "SoftBlur:Radius=0.5"}, "'inputRadius' must be a number from 0 to 0.05, not '0.5'"},
        {"wrong type", {"--effect", "SoftBlur:forceInside=maybe"}, "'forceInside' must be yes or no"},
        {"not a colour", {"--effect", "Tint:inputColor=reddish"}, "'inputColor' must be a colour"},
        {"not an entry", {"--effect", "Texture:inputCompositeName=glitter"}, "'inputCompositeName' must be one of:"},
        {"a later effect", {"--effect", "Invert", "--effect", "HueShift:inputAngle=2"}, "from 0 to 1, not '2'"},
        {"crop outside", {"--crop", "0.5,0,0.8,1"}, "the crop 0.5, 0, 0.8, 1 does not lie inside the photo"},
        {"empty crop", {"--crop", "0.2,0.2,0,0.5"}, "does not lie inside the photo"},
        {"crop of three", {"--crop", "0,0,1"}, "--crop takes four fractions"},
        {"rotation not a number", {"--rotate", "left"}, "--rotate takes a number of degrees"},
        {"rotation endless", {"--rotate", "inf"}, "--rotate takes a number of degrees"},
        {"unknown frame", {"--frame", "Gilded"}, "unknown frame 'Gilded'"},
        {"frame's unknown key", {"--frame", "Border:depth=2"}, "effect 'Border' has no setting 'depth'"},
        {"look not a list", {"--look", dir.filePath("garbage.look")}, "garbage.look is not a property list"},
        {"look missing", {"--look", dir.filePath("none.look")}, "cannot read the look"},
        {"look's value", {"--look", dir.filePath("odd.look")}, "the rotation must be a finite number of degrees, not 'five'"},
    };
    for (const Row& row : rows) {
        LogCapture log;
        EXPECT_TRUE(render(photo, dir, row.arguments).isNull()) << row.name;
        EXPECT_FALSE(QFile::exists(dir.filePath("out.png"))) << row.name;
        ASSERT_EQ(log.lines().size(), 1) << row.name << " " << log.lines().join(" | ").toStdString();
        EXPECT_TRUE(log.lines()[0].startsWith("Error: ")) << row.name;
        EXPECT_TRUE(log.contains(row.words)) << row.name << ": " << log.lines()[0].toStdString();
    }
}

// The lists name what --effect and --frame take, ranges and entries included.
TEST(LookCommandLine, ListsNameWhatTheOptionsTake)
{
    const QString effects = LookArguments::effectsListing(), frames = LookArguments::framesListing();
    for (const QString& line : {QString("SoftBlur\tSoft Blur\n"), QString("    inputRadius (Radius): a number from 0 to 0.05; default 0.01\n"),
                                QString("    forceInside (Keep Edges): yes or no; default yes\n"), QString("\n    inputCompositeName (Blend Mode): one of: ")})
        EXPECT_TRUE(effects.contains(line)) << line.toStdString();
    for (const QString& line : {QString("ALX-F#001#Polaroid\tPolaroid\n"), QString("Leather - Brown\t"), QString("Border\tBorder\n")})
        EXPECT_TRUE(frames.contains(line)) << line.toStdString();
    EXPECT_FALSE(frames.contains("Leather -\t")); // a group header is no frame
}

// Each effect and frame with its default settings, alone: the wallpaper
// changes where the photo is.
TEST(LookCommandLine, EveryEffectAndFrameStylesThePhoto)
{
    QTemporaryDir dir;
    const QString photo = stripedPhoto(dir);
    const QImage plain = render(photo, dir, {});
    ASSERT_FALSE(plain.isNull());
    QList<QStringList> looks;
    for (const QString& name : lookEffectNames())
        looks << QStringList{"--effect", name};
    for (const LookFrameChoice& frame : lookFrameChoices())
        looks << QStringList{"--frame", frame.identifier};
    ASSERT_GE(looks.size(), 25);
    for (const QStringList& look : looks) {
        const QImage styled = render(photo, dir, look);
        ASSERT_FALSE(styled.isNull()) << look.join(' ').toStdString();
        EXPECT_GT(changedAroundPhoto(plain, styled), 0.02) << look.join(' ').toStdString();
    }
}

TEST(LookCommandLine, ALookSavedAndLoadedRendersIdentically)
{
    QTemporaryDir dir;
    const QString photo = stripedPhoto(dir);
    const QStringList options{"--effect", "Soft Blur:radius=0.02", "--effect", "Tint", "--frame", "ALX-F#001#Polaroid",
                              "--crop", "0.1,0,0.8,0.9", "--rotate", "7.5"};
    Look saved;
    saved.effects = {QVariantMap{{"name", "SoftBlur"}, {"inputRadius", 0.02}}, QVariantMap{{"name", "Tint"}}};
    saved.frame = {{"name", "PictureFrame"}, {"inputFrameName", "ALX-F#001#Polaroid"}};
    saved.crop = QRectF(0.1, 0, 0.8, 0.9);
    saved.rotation = 7.5;
    ASSERT_TRUE(saved.writeFile(dir.filePath("mine.look")).ok());
    const Result<Look> loaded = Look::readFile(dir.filePath("mine.look"));
    ASSERT_TRUE(loaded.ok()) << loaded.reason().toStdString();
    EXPECT_EQ(loaded.value(), saved);

    const QImage fromOptions = render(photo, dir, options);
    const QImage fromFile = render(photo, dir, {"--look", dir.filePath("mine.look")});
    ASSERT_FALSE(fromOptions.isNull());
    EXPECT_EQ(fromFile, fromOptions);
}

// What the window saves: every effect's settings as its panel shows them
// read back from the chain, which must load again.
TEST(LookChain, ALookReadBackFromShownPanelsLoadsAgain)
{
    for (const QString& name : lookEffectNames()) {
        LookChain chain;
        ASSERT_TRUE(chain.setLook(Look{{QVariantMap{{"name", name}}}, {}, {}, 0}).ok()) << name.toStdString();
        chain.effects().front()->settingsView(); // the panel fills in every control's setting
        const Result<Look> again = Look::fromPropertyList(chain.look().propertyList());
        EXPECT_TRUE(again.ok()) << again.reason().toStdString();
        EXPECT_EQ(again.value().effects.size(), 1) << name.toStdString();
    }
}

// Quadrants red, green (top) and blue, white (bottom); the crop counts from
// the top-left and the turn is counter-clockwise.
TEST(LookChain, CropsFromTheTopLeftAndTurnsCounterClockwise)
{
    QImage quadrants(40, 20, QImage::Format_RGB32);
    QPainter p(&quadrants);
    p.fillRect(0, 0, 20, 10, Qt::red);
    p.fillRect(20, 0, 20, 10, Qt::green);
    p.fillRect(0, 10, 20, 10, Qt::blue);
    p.fillRect(20, 10, 20, 10, Qt::white);
    p.end();
    struct Row { const char* name; QRectF crop; double rotation; QSize size; QPoint at; QColor colour; };
    const Row rows[] = {
        {"top-left quarter", {0, 0, 0.5, 0.5}, 0, {20, 10}, {10, 5}, Qt::red},
        {"bottom-right quarter", {0.5, 0.5, 0.5, 0.5}, 0, {20, 10}, {10, 5}, Qt::white},
        {"left half's top", {0, 0, 0.5, 1}, 0, {20, 20}, {10, 3}, Qt::red},
        {"a quarter turn: green top-left", {}, 90, {20, 40}, {3, 3}, Qt::green},
        {"a quarter turn: red bottom-left", {}, 90, {20, 40}, {3, 36}, Qt::red},
        {"cropped, then turned back", {0, 0.5, 1, 0.5}, -90, {10, 40}, {5, 3}, Qt::blue},
    };
    for (const Row& row : rows) {
        Look look;
        look.crop = row.crop;
        look.rotation = row.rotation;
        LookChain chain;
        ASSERT_TRUE(chain.setLook(look).ok());
        const CIImage styled = chain.apply(CIImage::imageWithQImage(quadrants));
        const QImage bitmap = CIContext().createCGImage(styled, styled.extent());
        ASSERT_EQ(bitmap.size(), row.size) << row.name;
        const QColor c = bitmap.pixelColor(row.at);
        EXPECT_LT(std::abs(c.red() - row.colour.red()) + std::abs(c.green() - row.colour.green()) + std::abs(c.blue() - row.colour.blue()), 12)
            << row.name << " " << c.name().toStdString();
    }
    const CIImage photo = CIImage::imageWithQImage(quadrants);
    EXPECT_EQ(LookChain().apply(photo), photo); // the plain look: the photo itself
}

TEST(LookChain, ATurnedPhotoLeavesNoEmptyCornersInsideItsFrame)
{
    QImage red(200, 100, QImage::Format_RGB32);
    red.fill(Qt::red);
    for (const double degrees : {10.0, -35.0, 100.0}) {
        Look look;
        look.rotation = degrees;
        look.frame = {{"name", "Border"}};
        LookChain chain;
        ASSERT_TRUE(chain.setLook(look).ok());
        const CIImage styled = chain.apply(CIImage::imageWithQImage(red));
        const QImage bitmap = CIContext().createCGImage(styled, styled.extent());
        // Just inside the border at each corner: the photo, not a gap.
        for (const QPointF at : {QPointF(0.1, 0.1), QPointF(0.9, 0.1), QPointF(0.1, 0.9), QPointF(0.9, 0.9)}) {
            const QColor c = bitmap.pixelColor(int(at.x() * bitmap.width()), int(at.y() * bitmap.height()));
            EXPECT_TRUE(c.alpha() == 255 && c.red() > 200 && c.green() < 60) << degrees << "° at " << at.x() << "," << at.y() << " " << c.name(QColor::HexArgb).toStdString();
        }
    }
}

// The size a mounted photo will have, told without rendering, is the one it gets.
TEST(LookChain, FramedSizeIsThePicturesSize)
{
    QImage photo(300, 200, QImage::Format_RGB32);
    photo.fill(Qt::gray);
    // A frame or border drawn outside the photo grows it too, by a share of its shorter side.
    const QVariantMap frames[] = {
        {{"name", "PictureFrame"}, {"inputFrameName", "ALX-F#003#Slide-Mount"}},
        {{"name", "Border"}},
        {{"name", "Frame"}, {"inputFrameName", "Plain Frame"}},
        {{"name", "Frame"}, {"inputFrameName", "Wood - Walnut Moulding"}},
    };
    QList<std::pair<QString, Look>> looks;
    for (const QVariantMap& frame : frames)
        looks.append({frame.value("name").toString(), Look{{}, frame, {}, 0}});
    // Frames chosen as effects grow it alike, one after the other and before the frame.
    looks.append({"border effect", Look{{QVariantMap{{"name", "Border"}}}, {}, {}, 0}});
    looks.append({"border and frame effects, then a mount",
                  Look{{QVariantMap{{"name", "Border"}, {"inputWidth", 0.1}}, QVariantMap{{"name", "Toning"}},
                        QVariantMap{{"name", "Frame"}, {"inputFrameName", "Plain Frame"}}},
                       frames[0], {}, 0}});
    for (const auto& [name, look] : std::as_const(looks)) {
        LookChain chain;
        ASSERT_TRUE(chain.setLook(look).ok());
        EXPECT_EQ(chain.framedSize(photo.size()), chain.apply(CIImage::imageWithQImage(photo)).extent().size())
            << name.toStdString();
    }
}

TEST(LookSetting, SurvivesARestartAndADamagedOneFallsBackAlone)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    Look look;
    look.effects = {QVariantMap{{"name", "Toning"}}};
    look.frame = {{"name", "Border"}, {"inputWidth", 0.1}};
    look.crop = QRectF(0.25, 0, 0.5, 1);
    look.rotation = -12.5;
    look.saveToUserDefaults();
    defaults.setBool(true, "scaleUp");
    UserDefaults restarted(defaults.filePath()); // what the next launch reads
    EXPECT_EQ(restarted.objectForKey("look"), defaults.objectForKey("look"));
    EXPECT_EQ(Look::fromUserDefaults(), look);

    struct Row { const char* name; QVariant stored; QString words; };
    const Row rows[] = {
        {"not a property list", "<plist><array>", "malformed property list"},
        {"an effect no longer offered", "<plist><dict><key>effects</key><array><dict><key>name</key><string>Sparkle</string>"
                                        "</dict></array></dict></plist>", "unknown effect 'Sparkle'"},
        {"a list, not a text", QStringList{"a", "b"}, "not the text of a property list"},
    };
    for (const Row& row : rows) {
        QSettings(defaults.filePath(), QSettings::IniFormat).setValue("look", row.stored);
        defaults.synchronize();
        LogCapture log;
        EXPECT_TRUE(Look::fromUserDefaults().isPlain()) << row.name;
        ASSERT_EQ(log.lines().size(), 1) << row.name;
        EXPECT_TRUE(log.lines()[0].startsWith("Warning: ")) << row.name;
        EXPECT_TRUE(log.contains(row.words)) << row.name << log.lines()[0].toStdString();
        EXPECT_TRUE(defaults.boolForKey("scaleUp")) << row.name; // nothing else lost
    }
    Look().saveToUserDefaults();
    EXPECT_FALSE(defaults.objectForKey("look").isValid());
}
