#include "DesktopTestKit.h"
#include "tests/support/LogCapture.h"

#include "platform/desktop/Command.h"
#include "platform/desktop/CommandBackends.h"
#include "platform/desktop/SafeImagePath.h"

#include <QFileInfo>

#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

class CommandBackends : public ::testing::Test {
protected:
    SessionEnvironment environment;
    FakeCommands fakes;
    QTemporaryDir pictures;
    // Spaces and both quotes: each tool's own quoting must carry them.
    const QString picture = makePictureFile(pictures, QStringLiteral("My \"best\" photo's.jpg"));
    LogCapture log;
};

QStringList errorLines(const LogCapture& log)
{
    QStringList lines;
    for (const QString& line : log.lines())
        if (line.startsWith(QLatin1String("Error: ")))
            lines << line;
    return lines;
}

} // namespace

// The parsers behind swaymsg and hyprctl see only characters they take literally,
// and the path leads to the picture.
static ::testing::AssertionResult isSafeLinkTo(const QString& path, const QString& picture)
{
    if (!isSafePath(path))
        return ::testing::AssertionFailure() << path.toStdString() << " has characters a parser would read";
    if (QFileInfo(path).canonicalFilePath() != QFileInfo(picture).canonicalFilePath())
        return ::testing::AssertionFailure() << path.toStdString() << " does not lead to the picture";
    return ::testing::AssertionSuccess();
}

TEST_F(CommandBackends, SwayIsHandedAPathItCannotExpand)
{
    fakes.install("swaymsg");
    SwayBackend sway;
    EXPECT_TRUE(sway.setImage(picture, "HDMI-A-1").ok);
    EXPECT_TRUE(sway.setImage(picture, QString()).ok);

    const QList<QStringList> calls = fakes.calls("swaymsg");
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0].mid(0, 3), (QStringList{"output", "HDMI-A-1", "bg"}));
    EXPECT_EQ(calls[1].mid(0, 3), (QStringList{"output", "*", "bg"}));
    for (const QStringList& call : calls) {
        ASSERT_EQ(call.size(), 5);
        EXPECT_TRUE(isSafeLinkTo(call[3], picture));
        EXPECT_EQ(call[4], "fill");
    }
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(CommandBackends, HyprpaperSplitsAndTrimsPhotoNames)
{
    fakes.install("hyprctl", "echo ok");
    HyprlandBackend hyprland;
    // A comma, spaces at the end and a leading "~" are what hyprpaper would split, trim or expand.
    const QString awkward = makePictureFile(pictures, "~x, y .jpg ");
    EXPECT_TRUE(hyprland.setImage(awkward, "DP-2").ok);
    const QList<QStringList> calls = fakes.calls("hyprctl");
    ASSERT_EQ(calls.size(), 2);
    ASSERT_EQ(calls[0].size(), 3);
    EXPECT_EQ(calls[0].mid(0, 2), (QStringList{"hyprpaper", "preload"}));
    EXPECT_TRUE(isSafeLinkTo(calls[0][2], awkward));
    EXPECT_EQ(calls[1], (QStringList{"hyprpaper", "wallpaper", "DP-2," + calls[0][2]}));
}

TEST_F(CommandBackends, HyprpaperRefusingIsAFailureEvenWithExitStatusZero)
{
    fakes.install("hyprctl", "echo 'wallpaper failed (not preloaded)'");
    HyprlandBackend hyprland;
    const DesktopResult result = hyprland.setImage(picture, "DP-2");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorText, "hyprpaper answered: wallpaper failed (not preloaded)");
    EXPECT_EQ(fakes.calls("hyprctl").size(), 1); // no wallpaper call after a failed preload
}

TEST_F(CommandBackends, OneDesktopPictureForManyScreensIsSaidInAWarning)
{
    fakes.install("gsettings");
    GsettingsBackend gnome(GsettingsBackend::Desktop::Gnome, {"eDP-1", "HDMI-1"});
    EXPECT_TRUE(gnome.setImage(picture, "HDMI-1").ok);
    EXPECT_EQ(log.lines(), QStringList{"Warning: GNOME has one desktop picture for all screens; "
                                       "the picture is set for all 2 screens"});
}

TEST_F(CommandBackends, AnOlderGnomeWithoutTheDarkKeyStillSucceeds)
{
    fakes.install("gsettings", "case \"$3\" in picture-uri-dark) echo 'No such key \"picture-uri-dark\"' >&2; exit 1;; esac");
    GsettingsBackend gnome(GsettingsBackend::Desktop::Gnome, {});
    EXPECT_TRUE(gnome.setImage(picture, QString()).ok);
    EXPECT_TRUE(errorLines(log).isEmpty());
}

TEST_F(CommandBackends, XfceSetsEveryWorkspaceOfTheOneMonitor)
{
    fakes.install("xfconf-query", "case \"$3\" in -l) printf '%s\\n' "
                                  "/backdrop/screen0/monitorDP-1/workspace0/last-image "
                                  "/backdrop/screen0/monitorDP-1/workspace0/image-style "
                                  "/backdrop/screen0/monitorDP-1/workspace1/last-image "
                                  "/backdrop/screen0/monitorDP-10/workspace0/last-image "
                                  "/backdrop/screen0/monitorHDMI-1/workspace0/last-image;; esac");
    XfceBackend xfce({"DP-1", "HDMI-1"});
    EXPECT_TRUE(xfce.setImage(picture, "DP-1").ok);

    const auto set = [&](const QString& property) {
        return QStringList{"-c", "xfce4-desktop", "-p", property, "-n", "-t", "string", "-s", picture};
    };
    EXPECT_EQ(fakes.calls("xfconf-query"), (QList<QStringList>{
                                               {"-c", "xfce4-desktop", "-l"},
                                               set("/backdrop/screen0/monitorDP-1/workspace0/last-image"),
                                               set("/backdrop/screen0/monitorDP-1/workspace1/last-image"),
                                           }));
}

TEST_F(CommandBackends, XfceCreatesThePropertyOfANewMonitor)
{
    fakes.install("xfconf-query", "case \"$3\" in -l) echo /backdrop/screen0/monitorHDMI-1/workspace0/last-image;; esac");
    XfceBackend xfce({"HDMI-1", "eDP-1"});
    EXPECT_TRUE(xfce.setImage(picture, "eDP-1").ok);
    const QList<QStringList> calls = fakes.calls("xfconf-query");
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[1], (QStringList{"-c", "xfce4-desktop", "-p", "/backdrop/screen0/monitoreDP-1/workspace0/last-image",
                                     "-n", "-t", "string", "-s", picture}));
}

TEST_F(CommandBackends, X11ToolsZoomOnTheOutputOrFillEveryScreen)
{
    fakes.install("xwallpaper");
    fakes.install("feh");
    X11Backend xwallpaper(X11Backend::Tool::Xwallpaper);
    X11Backend feh(X11Backend::Tool::Feh);
    EXPECT_TRUE(xwallpaper.setImage(picture, "VGA-1").ok);
    EXPECT_TRUE(xwallpaper.setImage(picture, QString()).ok);
    EXPECT_TRUE(feh.setImage(picture, "VGA-1").ok);
    EXPECT_EQ(fakes.calls("xwallpaper"), (QList<QStringList>{
                                             {"--output", "VGA-1", "--zoom", picture},
                                             {"--zoom", picture},
                                         }));
    EXPECT_EQ(fakes.calls("feh"), (QList<QStringList>{{"--bg-fill", picture}}));
}

TEST_F(CommandBackends, AFailingToolGivesItsMessageAndOneErrorLine)
{
    fakes.install("gsettings", "echo 'No such schema \"org.gnome.desktop.background\"' >&2; exit 1");
    GsettingsBackend gnome(GsettingsBackend::Desktop::Gnome, {});
    const DesktopResult result = gnome.setImage(picture, QString());
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorText, "gsettings failed with exit status 1: No such schema \"org.gnome.desktop.background\"");
    EXPECT_EQ(fakes.calls("gsettings").size(), 1); // stops at the first failure
    EXPECT_EQ(errorLines(log), QStringList{"Error: could not set the desktop picture through GNOME: " + result.errorText});
    EXPECT_EQ(log.lines().size(), 1);
}

TEST_F(CommandBackends, FailuresOfEveryToolReachTheErrorText)
{
    for (const char* tool : {"swaymsg", "xfconf-query", "xwallpaper", "feh", "hyprctl"})
        fakes.install(tool, "echo 'cannot reach the compositor' >&2; exit 2");
    SwayBackend sway;
    XfceBackend xfce({"DP-1"});
    X11Backend xwallpaper(X11Backend::Tool::Xwallpaper);
    X11Backend feh(X11Backend::Tool::Feh);
    HyprlandBackend hyprland;
    for (DesktopBackend* backend : std::initializer_list<DesktopBackend*>{&sway, &xfce, &xwallpaper, &feh, &hyprland}) {
        const DesktopResult result = backend->setImage(picture, "DP-1");
        EXPECT_FALSE(result.ok) << backend->name().toStdString();
        EXPECT_TRUE(result.errorText.endsWith("failed with exit status 2: cannot reach the compositor"))
            << result.errorText.toStdString();
    }
    EXPECT_EQ(errorLines(log).size(), 5);
}

TEST_F(CommandBackends, AMissingToolIsNamed)
{
    SwayBackend sway;
    const DesktopResult result = sway.setImage(picture, "DP-1");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorText, "swaymsg is not installed");
}

TEST_F(CommandBackends, AHangingToolIsStoppedAtTheTimeout)
{
    // Looked up before PATH is the fake folder only.
    environment.set("PATH", "/usr/bin:/bin");
    const QString sleep = QStandardPaths::findExecutable("sleep");
    environment.set("PATH", fakes.folder());
    ASSERT_FALSE(sleep.isEmpty());
    fakes.install("swaymsg", "exec '" + sleep + "' 30");

    const int previous = Command::setTimeoutMs(300);
    SwayBackend sway;
    const DesktopResult result = sway.setImage(picture, "DP-1");
    Command::setTimeoutMs(previous);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorText, "swaymsg did not finish within 0.3 seconds");
}
