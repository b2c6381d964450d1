#pragma once
// The backends that set the desktop picture through a desktop's own
// command-line tool. Each runs its tool through Command::run (argument lists,
// no shell, bounded time) and returns the tool's failure as the reason.
// Thread: main thread.

#include "platform/desktop/DesktopBackend.h"

// Xfce: the xfconf property "last-image" of the monitor in the channel
// xfce4-desktop. Every workspace's property of that monitor is set; when
// the monitor has none yet, workspace 0's is created. An empty screen name
// means every monitor that has properties (or, with none, every screen in
// `screens`).
class XfceBackend : public DesktopBackend {
public:
    explicit XfceBackend(QStringList screens) : m_screens(std::move(screens)) {}
    QString name() const override { return QStringLiteral("Xfce"); }

protected:
    Result<> apply(const QString& filePath, const QString& screenName) override;

private:
    QStringList m_screens;
};

// sway: "swaymsg output NAME bg FILE fill", per output; an empty screen name
// means every output ("*"). FILE is safeImagePath()'s: sway expands it like a
// shell word.
class SwayBackend : public DesktopBackend {
public:
    QString name() const override { return QStringLiteral("sway"); }

protected:
    Result<> apply(const QString& filePath, const QString& screenName) override;
};

// Hyprland: hyprpaper's "preload FILE" then "wallpaper NAME,FILE" through
// hyprctl, per monitor; an empty screen name means every monitor. FILE is
// safeImagePath()'s: hyprpaper splits and trims it.
class HyprlandBackend : public DesktopBackend {
public:
    QString name() const override { return QStringLiteral("Hyprland"); }

protected:
    Result<> apply(const QString& filePath, const QString& screenName) override;
};

// GNOME, Cinnamon and MATE keep one desktop picture for all screens in their
// gsettings keys: the picture key (and GNOME's dark-style key) and the
// placement "zoom". With more than one screen in `screens` a "Warning: " line
// says that every screen gets the picture.
class GsettingsBackend : public DesktopBackend {
public:
    enum class Desktop { Gnome, Cinnamon, Mate };
    GsettingsBackend(Desktop desktop, QStringList screens) : m_desktop(desktop), m_screens(std::move(screens)) {}
    QString name() const override;

protected:
    Result<> apply(const QString& filePath, const QString& screenName) override;

private:
    Desktop m_desktop;
    QStringList m_screens;
};

// Plain X11 window managers: xwallpaper ("--output NAME --zoom FILE"; without
// a name, every output) or feh ("--bg-fill FILE", which fills every screen).
// Both take FILE as it is; feh's ~/.fehbg quotes it for the shell itself and
// must name the real file, which outlives any link of ours. On a root window
// where xwallpaper would shear the picture (rows not a multiple of 8 pixels,
// larger than one X request: 2732 x 1536), feh sets it when installed.
class X11Backend : public DesktopBackend {
public:
    enum class Tool { Xwallpaper, Feh };
    explicit X11Backend(Tool tool) : m_tool(tool) {}
    QString name() const override;

protected:
    Result<> apply(const QString& filePath, const QString& screenName) override;

private:
    Tool m_tool;
};
