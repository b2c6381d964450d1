#include "DesktopTestKit.h"
#include "tests/support/LogCapture.h"

#include "platform/desktop/CommandBackends.h"

#include <memory>

#include <gtest/gtest.h>

namespace {

class CommandBackends : public ::testing::Test {
protected:
    SessionEnvironment environment;
    FakeCommands fakes;
    QTemporaryDir pictures;
    // Spaces and both quotes: each tool's own quoting must carry them.
    const QString picture = makePictureFile(pictures, QStringLiteral("My \"best\" photo's.jpg"));
    // sway and hyprpaper are handed a link for such a name (the fault tests follow it).
    const QString plain = makePictureFile(pictures, QStringLiteral("Beach.jpg"));
    LogCapture log;
};

} // namespace

TEST_F(CommandBackends, EachToolGetsItsArgumentsInOrder)
{
    const QString xfceList = "case \"$3\" in -l) printf '%s\\n' "
                             "/backdrop/screen0/monitorDP-1/workspace0/last-image "
                             "/backdrop/screen0/monitorDP-1/workspace0/image-style "
                             "/backdrop/screen0/monitorDP-1/workspace1/last-image "
                             "/backdrop/screen0/monitorDP-10/workspace0/last-image "
                             "/backdrop/screen0/monitorHDMI-1/workspace0/last-image;; esac";
    const auto xfceSet = [&](const QString& monitor, int workspace) {
        return QStringList{"-c", "xfce4-desktop", "-p",
                           QString("/backdrop/screen0/monitor%1/workspace%2/last-image").arg(monitor).arg(workspace),
                           "-n", "-t", "string", "-s", picture};
    };
    const QStringList list{"-c", "xfce4-desktop", "-l"};
    struct Row { const char* name; std::shared_ptr<DesktopBackend> backend; QString tool, body, screen;
                 QList<QStringList> calls; } rows[] = {
        {"xfce: every workspace of the one monitor", std::make_shared<XfceBackend>(QStringList{"DP-1", "HDMI-1"}),
         "xfconf-query", xfceList, "DP-1", {list, xfceSet("DP-1", 0), xfceSet("DP-1", 1)}},
        {"xfce: a new monitor's property is created", std::make_shared<XfceBackend>(QStringList{"HDMI-1", "eDP-1"}),
         "xfconf-query", "case \"$3\" in -l) echo /backdrop/screen0/monitorHDMI-1/workspace0/last-image;; esac", "eDP-1",
         {list, xfceSet("eDP-1", 0)}},
        {"xwallpaper zooms on the output", std::make_shared<X11Backend>(X11Backend::Tool::Xwallpaper),
         "xwallpaper", "", "VGA-1", {{"--output", "VGA-1", "--zoom", picture}}},
        {"xwallpaper zooms on every screen", std::make_shared<X11Backend>(X11Backend::Tool::Xwallpaper),
         "xwallpaper", "", "", {{"--zoom", picture}}},
        {"sway on every output", std::make_shared<SwayBackend>(), "swaymsg", "", "", {{"output", "*", "bg", plain, "fill"}}},
        {"hyprpaper preloads, then sets", std::make_shared<HyprlandBackend>(), "hyprctl", "echo ok", "DP-2",
         {{"hyprpaper", "preload", plain}, {"hyprpaper", "wallpaper", "DP-2," + plain}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeCommands fakes;
        fakes.install(row.tool, row.body);
        EXPECT_TRUE(row.backend->setImage(row.calls[0].contains(plain) ? plain : picture, row.screen).ok());
        EXPECT_EQ(fakes.calls(row.tool), row.calls);
    }
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(CommandBackends, FailuresOfEveryToolReachTheErrorTextAndOneErrorLine)
{
    // calls: it stops at the first failure.
    struct Row { const char* name; std::shared_ptr<DesktopBackend> backend; QString tool, body, reason;
                 int calls; } rows[] = {
        {"gsettings", std::make_shared<GsettingsBackend>(GsettingsBackend::Desktop::Gnome, QStringList{}),
         "gsettings", "echo 'No such schema \"org.gnome.desktop.background\"' >&2; exit 1",
         "gsettings failed with exit status 1: No such schema \"org.gnome.desktop.background\"", 1},
        {"hyprpaper refusing with exit status zero", std::make_shared<HyprlandBackend>(), "hyprctl",
         "echo 'wallpaper failed (not preloaded)'", "hyprpaper answered: wallpaper failed (not preloaded)", 1},
        {"a missing tool is named", std::make_shared<SwayBackend>(), "", "", "swaymsg is not installed", 0},
        {"swaymsg", std::make_shared<SwayBackend>(), "swaymsg", "", "", 1},
        {"xfconf-query", std::make_shared<XfceBackend>(QStringList{"DP-1"}), "xfconf-query", "", "", 1},
        {"xwallpaper", std::make_shared<X11Backend>(X11Backend::Tool::Xwallpaper), "xwallpaper", "", "", 1},
        {"feh", std::make_shared<X11Backend>(X11Backend::Tool::Feh), "feh", "", "", 1},
        {"hyprctl", std::make_shared<HyprlandBackend>(), "hyprctl", "", "", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeCommands fakes;
        if (!row.tool.isEmpty())
            fakes.install(row.tool, row.body.isEmpty() ? "echo 'cannot reach the compositor' >&2; exit 2" : row.body);
        log.clear();
        const Result<> result = row.backend->setImage(picture, "DP-1");
        EXPECT_FALSE(result.ok());
        if (row.reason.isEmpty())
            EXPECT_TRUE(result.reason().endsWith("failed with exit status 2: cannot reach the compositor"))
                << result.reason().toStdString();
        else
            EXPECT_EQ(result.reason(), row.reason);
        EXPECT_EQ(fakes.calls(row.tool).size(), row.calls);
        EXPECT_EQ(log.lines(), QStringList{"Error: could not set the desktop picture through " + row.backend->name() + ": "
                                           + result.reason()});
    }
}

TEST_F(CommandBackends, OneDesktopPictureForManyScreensIsSaidInAWarning)
{
    fakes.install("gsettings");
    GsettingsBackend gnome(GsettingsBackend::Desktop::Gnome, {"eDP-1", "HDMI-1"});
    EXPECT_TRUE(gnome.setImage(picture, "HDMI-1").ok());
    EXPECT_EQ(log.lines(), QStringList{"Warning: GNOME has one desktop picture for all screens; "
                                       "the picture is set for all 2 screens"});
}

TEST_F(CommandBackends, AnOlderGnomeWithoutTheDarkKeyStillSucceeds)
{
    fakes.install("gsettings", "case \"$3\" in picture-uri-dark) echo 'No such key \"picture-uri-dark\"' >&2; exit 1;; esac");
    GsettingsBackend gnome(GsettingsBackend::Desktop::Gnome, {});
    EXPECT_TRUE(gnome.setImage(picture, QString()).ok());
    EXPECT_TRUE(log.lines().isEmpty());
}
