#pragma once
// The backends that set the desktop picture over D-Bus. Each is given the
// connection to talk on (the session bus in the application; a bus of their
// own in tests). Calls wait for their reply in a local event loop that skips
// user input, so the interface does not answer clicks meanwhile, and every
// wait is bounded.
// Thread: main thread.

#include "platform/desktop/DesktopBackend.h"

#include <QDBusConnection>

// KDE Plasma: a script run by org.kde.PlasmaShell.evaluateScript on
// /PlasmaShell that gives the desktops of one screen the image wallpaper.
// Plasma numbers its screens itself, primary first; we take the position of
// the connector name in `screens` (Qt's order, also primary first) as that
// number, which holds as long as both sides list the other screens in the same
// order. An empty screen name sets every desktop; a name not in `screens`
// fails.
class PlasmaBackend : public DesktopBackend {
public:
    PlasmaBackend(QDBusConnection bus, QStringList screens) : m_bus(std::move(bus)), m_screens(std::move(screens)) {}
    QString name() const override { return QStringLiteral("KDE Plasma"); }

    // How long Plasma may take to run the script.
    static constexpr int callTimeoutMs = 10000;

protected:
    Result<> apply(const QString& filePath, const QString& screenName) override;

private:
    QDBusConnection m_bus;
    QStringList m_screens;
};

// The XDG desktop portal: org.freedesktop.portal.Wallpaper.SetWallpaperFile
// with the open file, for the background only and without preview; the
// answer comes as the Response signal of the request object, awaited for at
// most `responseTimeoutMs` (the portal may ask the user first). The portal
// has no notion of screens: the screen name is not used.
class PortalBackend : public DesktopBackend {
public:
    static constexpr int defaultResponseTimeoutMs = 120000;
    explicit PortalBackend(QDBusConnection bus, int responseTimeoutMs = defaultResponseTimeoutMs)
        : m_bus(std::move(bus)), m_responseTimeoutMs(responseTimeoutMs) {}
    QString name() const override { return QStringLiteral("the desktop portal"); }

    static constexpr int callTimeoutMs = 10000;

protected:
    Result<> apply(const QString& filePath, const QString& screenName) override;

private:
    QDBusConnection m_bus;
    int m_responseTimeoutMs;
};
