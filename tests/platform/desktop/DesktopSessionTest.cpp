#include "DesktopTestKit.h"

#include "platform/desktop/DesktopSession.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

QProcessEnvironment session(std::initializer_list<std::pair<const char*, const char*>> variables)
{
    QProcessEnvironment environment;
    for (const auto& [name, value] : variables)
        environment.insert(QString::fromLatin1(name), QString::fromLatin1(value));
    return environment;
}

// A folder holding executables of the given names, for PATH.
QString toolFolder(const QTemporaryDir& dir, const QStringList& tools)
{
    for (const QString& tool : tools) {
        QFile file(dir.filePath(tool));
        if (file.open(QIODevice::WriteOnly)) {
            file.write("#!/bin/sh\n");
            file.close();
            file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        }
    }
    return dir.path();
}

} // namespace

TEST(DesktopSession, TheNamedDesktopDecides)
{
    struct Case {
        const char* variable;
        const char* value;
        DesktopKind kind;
    };
    const Case cases[] = {
        {"XDG_CURRENT_DESKTOP", "KDE", DesktopKind::Plasma},
        {"XDG_CURRENT_DESKTOP", "XFCE", DesktopKind::Xfce},
        {"XDG_CURRENT_DESKTOP", "sway", DesktopKind::Sway},
        {"XDG_CURRENT_DESKTOP", "Hyprland", DesktopKind::Hyprland},
        {"XDG_CURRENT_DESKTOP", "GNOME", DesktopKind::Gnome},
        {"XDG_CURRENT_DESKTOP", "ubuntu:GNOME", DesktopKind::Gnome},
        {"XDG_CURRENT_DESKTOP", "GNOME-Classic:GNOME", DesktopKind::Gnome},
        {"XDG_CURRENT_DESKTOP", "Budgie:GNOME", DesktopKind::Gnome},
        {"XDG_CURRENT_DESKTOP", "X-Cinnamon", DesktopKind::Cinnamon},
        {"XDG_CURRENT_DESKTOP", "MATE", DesktopKind::Mate},
        {"XDG_SESSION_DESKTOP", "KDE", DesktopKind::Plasma},
        {"DESKTOP_SESSION", "plasmawayland", DesktopKind::Plasma},
        {"DESKTOP_SESSION", "/usr/share/xsessions/plasma", DesktopKind::Plasma},
        {"DESKTOP_SESSION", "xfce", DesktopKind::Xfce},
        {"DESKTOP_SESSION", "cinnamon", DesktopKind::Cinnamon},
        {"DESKTOP_SESSION", "mate", DesktopKind::Mate},
        {"DESKTOP_SESSION", "gnome", DesktopKind::Gnome},
        {"SWAYSOCK", "/run/user/1000/sway-ipc.sock", DesktopKind::Sway},
        {"HYPRLAND_INSTANCE_SIGNATURE", "abc_123", DesktopKind::Hyprland},
        {"KDE_FULL_SESSION", "true", DesktopKind::Plasma},
        {"MATE_DESKTOP_SESSION_ID", "this-is-deprecated", DesktopKind::Mate},
        {"GNOME_DESKTOP_SESSION_ID", "this-is-deprecated", DesktopKind::Gnome},
    };
    for (const Case& c : cases)
        EXPECT_EQ(detectDesktop(session({{c.variable, c.value}, {"DISPLAY", ":0"}})), c.kind)
            << c.variable << "=" << c.value;
}

TEST(DesktopSession, XdgCurrentDesktopWinsOverOtherHints)
{
    // A sway socket left over in a GNOME session does not make it sway.
    EXPECT_EQ(detectDesktop(session({{"XDG_CURRENT_DESKTOP", "GNOME"}, {"SWAYSOCK", "/tmp/s"}})), DesktopKind::Gnome);
    // An unknown name falls through to the next hint.
    EXPECT_EQ(detectDesktop(session({{"XDG_CURRENT_DESKTOP", "Wayfire"}, {"DESKTOP_SESSION", "xfce"}})), DesktopKind::Xfce);
}

TEST(DesktopSession, AnUnknownDesktopFallsBackByDisplayAndInstalledTools)
{
    QTemporaryDir both, fehOnly, none;
    const QString bothPath = toolFolder(both, {"xwallpaper", "feh"});
    const QString fehPath = toolFolder(fehOnly, {"feh"});

    EXPECT_EQ(detectDesktop(session({{"DISPLAY", ":0"}, {"PATH", bothPath.toLatin1().constData()}})), DesktopKind::Xwallpaper);
    EXPECT_EQ(detectDesktop(session({{"DISPLAY", ":0"}, {"PATH", fehPath.toLatin1().constData()}})), DesktopKind::Feh);
    EXPECT_EQ(detectDesktop(session({{"DISPLAY", ":0"}, {"PATH", none.path().toLatin1().constData()}})), DesktopKind::Portal);
    // On Wayland the X11 tools would only draw on XWayland's root window.
    EXPECT_EQ(detectDesktop(session({{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"},
                                     {"PATH", bothPath.toLatin1().constData()}})),
              DesktopKind::Portal);
    EXPECT_EQ(detectDesktop(session({{"XDG_SESSION_TYPE", "wayland"}})), DesktopKind::Portal);
}

TEST(DesktopSession, NoDisplayAndNoDesktopIsNoSession)
{
    EXPECT_EQ(detectDesktop(QProcessEnvironment()), DesktopKind::None);
    EXPECT_EQ(detectDesktop(session({{"XDG_CURRENT_DESKTOP", "Unknown"}, {"PATH", "/usr/bin"}})), DesktopKind::None);
    EXPECT_EQ(makeDesktopBackend(DesktopKind::None, QDBusConnection(QString()), {}), nullptr);
}
