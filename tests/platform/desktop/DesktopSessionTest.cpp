#include "DesktopTestKit.h"

#include "platform/desktop/DesktopSession.h"

#include <gtest/gtest.h>

TEST(DesktopSession, TheNamedDesktopDecidesThenDisplayAndInstalledTools)
{
    QTemporaryDir bothDir, fehDir, noneDir; // folders for PATH holding these tools
    for (const QTemporaryDir* dir : {&bothDir, &fehDir})
        installFakeProgram(dir->path(), "feh");
    installFakeProgram(bothDir.path(), "xwallpaper");
    const QByteArray both = bothDir.path().toLatin1(), feh = fehDir.path().toLatin1(), none = noneDir.path().toLatin1();
    struct Row { const char* name; std::vector<std::pair<const char*, const char*>> variables; DesktopKind kind; };
    const Row rows[] = {
        {"KDE", {{"XDG_CURRENT_DESKTOP", "KDE"}, {"DISPLAY", ":0"}}, DesktopKind::Plasma},
        {"XFCE", {{"XDG_CURRENT_DESKTOP", "XFCE"}}, DesktopKind::Xfce},
        {"sway", {{"XDG_CURRENT_DESKTOP", "sway"}}, DesktopKind::Sway},
        {"Hyprland", {{"XDG_CURRENT_DESKTOP", "Hyprland"}}, DesktopKind::Hyprland},
        {"GNOME", {{"XDG_CURRENT_DESKTOP", "GNOME"}}, DesktopKind::Gnome},
        {"ubuntu:GNOME", {{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}}, DesktopKind::Gnome},
        {"X-Cinnamon", {{"XDG_CURRENT_DESKTOP", "X-Cinnamon"}}, DesktopKind::Cinnamon},
        {"MATE", {{"XDG_CURRENT_DESKTOP", "MATE"}}, DesktopKind::Mate},
        {"session desktop KDE", {{"XDG_SESSION_DESKTOP", "KDE"}}, DesktopKind::Plasma},
        {"session plasmawayland", {{"DESKTOP_SESSION", "plasmawayland"}}, DesktopKind::Plasma},
        {"session path", {{"DESKTOP_SESSION", "/usr/share/xsessions/plasma"}}, DesktopKind::Plasma},
        {"session cinnamon", {{"DESKTOP_SESSION", "cinnamon"}}, DesktopKind::Cinnamon},
        {"sway socket", {{"SWAYSOCK", "/run/user/1000/sway-ipc.sock"}}, DesktopKind::Sway},
        {"Hyprland signature", {{"HYPRLAND_INSTANCE_SIGNATURE", "abc_123"}}, DesktopKind::Hyprland},
        {"KDE_FULL_SESSION", {{"KDE_FULL_SESSION", "true"}}, DesktopKind::Plasma},
        {"MATE_DESKTOP_SESSION_ID", {{"MATE_DESKTOP_SESSION_ID", "this-is-deprecated"}}, DesktopKind::Mate},
        {"GNOME_DESKTOP_SESSION_ID", {{"GNOME_DESKTOP_SESSION_ID", "this-is-deprecated"}}, DesktopKind::Gnome},
        {"a sway socket left over in GNOME", {{"XDG_CURRENT_DESKTOP", "GNOME"}, {"SWAYSOCK", "/tmp/s"}}, DesktopKind::Gnome},
        {"an unknown name falls through", {{"XDG_CURRENT_DESKTOP", "Wayfire"}, {"DESKTOP_SESSION", "xfce"}}, DesktopKind::Xfce},
        {"X11 with both tools", {{"DISPLAY", ":0"}, {"PATH", both.constData()}}, DesktopKind::Xwallpaper},
        {"X11 with feh", {{"DISPLAY", ":0"}, {"PATH", feh.constData()}}, DesktopKind::Feh},
        {"X11 without tools", {{"DISPLAY", ":0"}, {"PATH", none.constData()}}, DesktopKind::Portal},
        // The X11 tools would only draw on XWayland's root window.
        {"Wayland", {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}, {"PATH", both.constData()}}, DesktopKind::Portal},
        {"Wayland session type", {{"XDG_SESSION_TYPE", "wayland"}}, DesktopKind::Portal},
        {"nothing", {}, DesktopKind::None},
        {"no display, an unknown desktop", {{"XDG_CURRENT_DESKTOP", "Unknown"}, {"PATH", "/usr/bin"}}, DesktopKind::None},
    };
    for (const Row& row : rows) {
        QProcessEnvironment environment;
        for (const auto& [name, value] : row.variables)
            environment.insert(QString::fromLatin1(name), QString::fromLatin1(value));
        EXPECT_EQ(detectDesktop(environment), row.kind) << row.name;
    }
    EXPECT_EQ(makeDesktopBackend(DesktopKind::None, QDBusConnection(QString()), {}), nullptr);
}
