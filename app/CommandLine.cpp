#include "app/CommandLine.h"

#include "app/LookArguments.h"
#include "app/LookChain.h"
#include "app/WallpaperMaker.h"
#include "platform/desktop/Alert.h"
#include "platform/foundation/LargePages.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/image/CIContext.h"
#include "resources/LXBundleManager.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QUrl>

#include <cstdio>
#include <utility>

namespace {

const QString usageTitle = QStringLiteral("Sunnyside");
const QString kAskRating = QStringLiteral("--ask-rating");

int fail(const QString& text)
{
    Alert::show(usageTitle, text);
    return 1;
}

// A mistake in the look options: one line, nothing written.
int lookFailure(const QString& reason)
{
    Log::line(lcApp, QStringLiteral("Error: ") + reason);
    return 1;
}

QString baseName(const QString& path)
{
    return QFileInfo(path).completeBaseName();
}

// The screen --apply makes the picture for: the named one, else the primary
// one; 2560 x 1600 when there is no screen at all.
bool chooseScreen(const QString& name, WallpaperScreen* screen, QString* error)
{
    const bool hasScreens = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                         && !QGuiApplication::screens().isEmpty()
                         && QGuiApplication::platformName() != QLatin1String("offscreen")
                         && QGuiApplication::platformName() != QLatin1String("minimal");
    if (!hasScreens) {
        *screen = {QSizeF(2560, 1600), true, name};
        return true;
    }
    const QList<QScreen*> screens = QGuiApplication::screens();
    QScreen* chosen = name.isEmpty() ? QGuiApplication::primaryScreen() : nullptr;
    QStringList names;
    for (QScreen* s : screens) {
        names << s->name();
        if (s->name() == name)
            chosen = s;
    }
    if (!chosen) {
        *error = QStringLiteral("There is no screen named '%1'. The screens are: %2.").arg(name, names.join(QStringLiteral(", ")));
        return false;
    }
    *screen = {QSizeF(chosen->geometry().size()), chosen == screens.first(), chosen->name(), chosen->devicePixelRatio()};
    return true;
}

} // namespace

namespace CommandLine {

bool asksForRating(const QStringList& arguments)
{
    const qsizetype end = arguments.indexOf(QStringLiteral("--"));
    return arguments.mid(1, end < 0 ? -1 : end - 1).contains(kAskRating);
}

std::optional<QStringList> photosToOpen(const QStringList& arguments, const QString& workingDirectory)
{
    QStringList photos;
    bool onlyFiles = false, skipValue = false;
    for (const QString& a : arguments.mid(1)) {
        if (!onlyFiles && a == QLatin1String("--")) {
            onlyFiles = true;
            continue;
        }
        if (!onlyFiles && a == kAskRating)
            continue;
        if (!onlyFiles && skipValue) {
            skipValue = false;
            continue;
        }
        if (!onlyFiles && LookArguments::takesNextArgument(a)) {
            skipValue = true; // the look goes to the window
            continue;
        }
        if (!onlyFiles && LookArguments::isOption(a))
            continue;
        if (!onlyFiles && a.startsWith(QLatin1Char('-')))
            return std::nullopt;
        const QUrl url(a);
        const QString path = url.isLocalFile() ? url.toLocalFile() : a;
        photos << QDir::cleanPath(QFileInfo(QDir(workingDirectory), path).absoluteFilePath());
    }
    if (skipValue)
        return std::nullopt; // a look option without its value: a mistake
    return photos;
}

int run(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Turns a photograph into a desktop picture for your screen: the photo in the middle, an artistic\n"
        "extension of it all around, the Sunnyside logo top left. Without options the window opens.\n\n"
        "Exit status: 0 done; 3 --apply saved the picture but could not set the desktop picture;\n"
        "1 any other failure."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption render(QStringLiteral("render"), QStringLiteral("Write the wallpaper of PHOTO to --output, nothing else."),
                                    QStringLiteral("PHOTO"));
    const QCommandLineOption size(QStringLiteral("size"), QStringLiteral("The screen size for --render, in points (each side at most 8192)."),
                                  QStringLiteral("WxH"));
    const QCommandLineOption output(QStringLiteral("output"),
                                    QStringLiteral("The file --render writes (.jpg or .png; other names as the picture's alpha decides)."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption scaleUp(QStringLiteral("scale-up"), QStringLiteral("Enlarge a photo smaller than the screen to fit it."));
    const QCommandLineOption noLogo(QStringLiteral("no-logo"), QStringLiteral("Leave the logo out."));
    const QCommandLineOption secondary(QStringLiteral("secondary-screen"),
                                       QStringLiteral("Place the logo as on a screen that is not the main one."));
    const QCommandLineOption apply(QStringLiteral("apply"),
                                   QStringLiteral("Save the wallpaper of PHOTO into Pictures/Sunnyside and make it the desktop picture."),
                                   QStringLiteral("PHOTO"));
    const QCommandLineOption screenOption(QStringLiteral("screen"),
                                          QStringLiteral("The screen for --apply, by connector name (default: the primary one)."),
                                          QStringLiteral("NAME"));
    const QCommandLineOption askRating(QStringLiteral("ask-rating"),
                                       QStringLiteral("With the window: ask for a review or feedback at this launch."));
    const QCommandLineOption listEffects(QStringLiteral("list-effects"),
                                         QStringLiteral("List the effects for --effect: identifier, name, settings."));
    const QCommandLineOption listFrames(QStringLiteral("list-frames"), QStringLiteral("List the frames for --frame: identifier, name."));
    parser.addOptions({render, size, output, scaleUp, noLogo, secondary, apply, screenOption, askRating, listEffects, listFrames});
    parser.addOptions(LookArguments::options());
    parser.process(arguments);

    if (parser.isSet(listEffects) || parser.isSet(listFrames)) {
        std::fputs(qPrintable(parser.isSet(listEffects) ? LookArguments::effectsListing() : LookArguments::framesListing()), stdout);
        return 0;
    }
    if (parser.isSet(render) == parser.isSet(apply))
        return parser.isSet(render) ? fail(QStringLiteral("Use --render or --apply, not both.")) : kNotACommand;

    // A one-shot job: the engine's textures may take huge pages.
    LargePages::reserveForLargeAllocations(size_t(512) << 20);

    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    // Given looks are checked before anything is read or written; --apply
    // without one uses the look the window remembers.
    const Result<Look> look = LookArguments::isGiven(parser) || parser.isSet(render) ? LookArguments::lookFrom(parser)
                                                                                       : Result<Look>::success(Look::fromUserDefaults());
    if (!look.ok())
        return lookFailure(look.reason());
    LookChain chain;
    if (const Result<> made = chain.setLook(look.value()); !made.ok())
        return lookFailure(made.reason());

    // The photo is decoded on a worker while the maker (and with it the
    // image engine) starts, so the photo is asked for first.
    if (parser.isSet(render)) {
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("^(\\d{1,9})x(\\d{1,9})$")).match(parser.value(size));
        if (!m.hasMatch() || m.captured(1).toInt() <= 0 || m.captured(2).toInt() <= 0)
            return fail(QStringLiteral("--render needs --size WxH (for example --size 2560x1600), got '%1'.").arg(parser.value(size)));
        if (m.captured(1).toInt() > WallpaperMaker::kMaxScreenSide || m.captured(2).toInt() > WallpaperMaker::kMaxScreenSide)
            return fail(QStringLiteral("--size %1 is too large: each side can be at most %2 pixels.")
                            .arg(parser.value(size))
                            .arg(WallpaperMaker::kMaxScreenSide));
        if (parser.value(output).isEmpty())
            return fail(QStringLiteral("--render needs --output FILE."));
        const WallpaperScreen screen{QSizeF(m.captured(1).toInt(), m.captured(2).toInt()), !parser.isSet(secondary), QString()};
        QImage bitmap = [&] {
            const CIImage photo = WallpaperMaker::loadPhoto(
                QUrl::fromLocalFile(parser.value(render)),
                WallpaperMaker::decodeSizeFor(screen.pixelSize(), &chain, WallpaperMaker::uprightSizeAt(parser.value(render))));
            if (photo.isNull())
                return QImage();
            WallpaperMaker maker;
            return WallpaperMaker::renderPicture(
                maker.enhancedImageFor(photo, screen, parser.isSet(scaleUp), !parser.isSet(noLogo), &chain));
        }();
        if (bitmap.isNull())
            return 1;
        // The engine's textures are not needed to encode: its peak is not added to the encoder's.
        CIContext::releaseWorkingMemory();
        return LXBundleManager::saveBitmapRep(bitmap,
                                              QUrl::fromLocalFile(QFileInfo(parser.value(output)).absoluteFilePath()))
                 ? 0
                 : 1;
    }

    WallpaperScreen screen;
    QString error;
    if (!chooseScreen(parser.value(screenOption), &screen, &error))
        return fail(error);
    const QString path = parser.value(apply);
    const CIImage photo = WallpaperMaker::loadPhoto(
        QUrl::fromLocalFile(path), WallpaperMaker::decodeSizeFor(screen.pixelSize(), &chain, WallpaperMaker::uprightSizeAt(path)));
    if (photo.isNull())
        return 1;
    WallpaperMaker maker;
    const CIImage picture = maker.enhancedImageFor(photo, screen, defaults.boolForKey(QStringLiteral("scaleUp")),
                                                   defaults.boolForKey(QStringLiteral("showLogo")), &chain);
    const QString saved = WallpaperMaker::writeBackground(picture, baseName(path));
    if (saved.isEmpty())
        return 1;
    std::printf("Saved %s\n", qPrintable(saved));
    std::fflush(stdout);
    if (!WallpaperMaker::installBackground(saved, screen.name)) {
        std::printf("The desktop picture was not set.\n");
        return 3;
    }
    std::printf("The desktop picture is set.\n");
    return 0;
}

} // namespace CommandLine
