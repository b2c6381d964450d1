#include "platform/desktop/DesktopSession.h"
#include "platform/desktop/CommandBackends.h"
#include "platform/desktop/DBusBackends.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

DesktopKind kindForName(const QString& rawName)
{
    // DESKTOP_SESSION may be a session file's path.
    const QString name = QFileInfo(rawName.trimmed()).fileName().toLower();
    if (name == u"kde" || name.startsWith(u"plasma"))
        return DesktopKind::Plasma;
    if (name == u"xfce" || name == u"xfce4" || name == u"xubuntu")
        return DesktopKind::Xfce;
    if (name == u"sway")
        return DesktopKind::Sway;
    if (name == u"hyprland")
        return DesktopKind::Hyprland;
    if (name == u"x-cinnamon" || name == u"cinnamon")
        return DesktopKind::Cinnamon;
    if (name == u"mate")
        return DesktopKind::Mate;
    if (name == u"gnome" || name.startsWith(u"gnome-") || name == u"ubuntu" || name == u"unity"
        || name == u"budgie" || name == u"budgie-desktop" || name == u"pantheon")
        return DesktopKind::Gnome;
    return DesktopKind::None;
}

bool isSet(const QProcessEnvironment& environment, const char* name)
{
    return !environment.value(QLatin1String(name)).isEmpty();
}

bool onPath(const QProcessEnvironment& environment, const QString& program)
{
    const QStringList paths = environment.value(QStringLiteral("PATH")).split(QDir::listSeparator(), Qt::SkipEmptyParts);
    // An empty list would make Qt search the process's own PATH.
    return !paths.isEmpty() && !QStandardPaths::findExecutable(program, paths).isEmpty();
}

} // namespace

DesktopKind detectDesktop(const QProcessEnvironment& environment)
{
    QStringList names = environment.value(QStringLiteral("XDG_CURRENT_DESKTOP")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    names << environment.value(QStringLiteral("XDG_SESSION_DESKTOP"))
          << environment.value(QStringLiteral("DESKTOP_SESSION"));
    for (const QString& name : std::as_const(names)) {
        const DesktopKind kind = kindForName(name);
        if (kind != DesktopKind::None)
            return kind;
    }

    if (isSet(environment, "SWAYSOCK"))
        return DesktopKind::Sway;
    if (isSet(environment, "HYPRLAND_INSTANCE_SIGNATURE"))
        return DesktopKind::Hyprland;
    if (isSet(environment, "KDE_FULL_SESSION"))
        return DesktopKind::Plasma;
    if (isSet(environment, "MATE_DESKTOP_SESSION_ID"))
        return DesktopKind::Mate;
    if (isSet(environment, "GNOME_DESKTOP_SESSION_ID"))
        return DesktopKind::Gnome;

    // X11 tools cannot draw on a Wayland desktop.
    if (isSet(environment, "WAYLAND_DISPLAY") || environment.value(QStringLiteral("XDG_SESSION_TYPE")) == u"wayland")
        return DesktopKind::Portal;
    if (isSet(environment, "DISPLAY")) {
        if (onPath(environment, QStringLiteral("xwallpaper")))
            return DesktopKind::Xwallpaper;
        if (onPath(environment, QStringLiteral("feh")))
            return DesktopKind::Feh;
        return DesktopKind::Portal;
    }
    return DesktopKind::None;
}

std::unique_ptr<DesktopBackend> makeDesktopBackend(DesktopKind kind, const QDBusConnection& bus, const QStringList& screens)
{
    switch (kind) {
    case DesktopKind::None: return nullptr;
    case DesktopKind::Plasma: return std::make_unique<PlasmaBackend>(bus, screens);
    case DesktopKind::Xfce: return std::make_unique<XfceBackend>(screens);
    case DesktopKind::Sway: return std::make_unique<SwayBackend>();
    case DesktopKind::Hyprland: return std::make_unique<HyprlandBackend>();
    case DesktopKind::Gnome: return std::make_unique<GsettingsBackend>(GsettingsBackend::Desktop::Gnome, screens);
    case DesktopKind::Cinnamon: return std::make_unique<GsettingsBackend>(GsettingsBackend::Desktop::Cinnamon, screens);
    case DesktopKind::Mate: return std::make_unique<GsettingsBackend>(GsettingsBackend::Desktop::Mate, screens);
    case DesktopKind::Xwallpaper: return std::make_unique<X11Backend>(X11Backend::Tool::Xwallpaper);
    case DesktopKind::Feh: return std::make_unique<X11Backend>(X11Backend::Tool::Feh);
    case DesktopKind::Portal: return std::make_unique<PortalBackend>(bus);
    }
    return nullptr;
}
