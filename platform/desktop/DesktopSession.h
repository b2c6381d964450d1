#pragma once
// Which desktop the user's session runs, read from its environment, and the
// backend that sets the desktop picture there.
// Thread: main thread.

#include "platform/desktop/DesktopBackend.h"

#include <QDBusConnection>
#include <QProcessEnvironment>

#include <memory>

enum class DesktopKind {
    None,        // no desktop session at all (no display, no known desktop)
    Plasma,
    Xfce,
    Sway,
    Hyprland,
    Gnome,       // also Budgie, Pantheon and Unity, which share GNOME's keys
    Cinnamon,
    Mate,
    Xwallpaper,  // another X11 window manager, xwallpaper installed
    Feh,         // another X11 window manager, feh installed (xwallpaper not)
    Portal,      // anything else with a display: the XDG desktop portal
};

// The desktop of the session that `environment` describes. A named desktop
// (XDG_CURRENT_DESKTOP, then XDG_SESSION_DESKTOP and DESKTOP_SESSION) wins;
// then the compositors' own variables (SWAYSOCK, HYPRLAND_INSTANCE_SIGNATURE,
// KDE_FULL_SESSION, ...); then the display: Wayland gets the portal, X11 gets
// xwallpaper or feh when found on the environment's PATH, else the portal.
DesktopKind detectDesktop(const QProcessEnvironment& environment);

// The backend for `kind`; nullptr for DesktopKind::None. `bus` is used by the
// Plasma and portal backends, `screens` are the connector names in Qt's order
// (see currentScreenNames()). The caller owns the backend.
std::unique_ptr<DesktopBackend> makeDesktopBackend(DesktopKind kind, const QDBusConnection& bus, const QStringList& screens);
