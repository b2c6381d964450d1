#pragma once
// The user's desktop as the app tests see it: a private Pictures folder and
// either no desktop session or a sway session whose swaymsg is a fake that
// records its arguments. Nothing touches the machine's real desktop.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class DesktopSession {
public:
    DesktopSession()
    {
        for (const char* var : {"XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP", "DESKTOP_SESSION", "SWAYSOCK",
                                "HYPRLAND_INSTANCE_SIGNATURE", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
                                "MATE_DESKTOP_SESSION_ID", "WAYLAND_DISPLAY", "DISPLAY", "XDG_SESSION_TYPE"})
            qunsetenv(var);
        m_path = qgetenv("PATH");
        qputenv("HOME", m_home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (m_home.path() + "/.config").toUtf8());
    }
    ~DesktopSession()
    {
        qunsetenv("SWAYSOCK");
        qputenv("PATH", m_path);
    }

    // A sway session; `exitCode` is what the fake swaymsg answers.
    void sway(int exitCode = 0)
    {
        const QString bin = m_home.filePath("bin");
        QDir().mkpath(bin);
        QFile script(bin + "/swaymsg");
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" >> '%1/swaymsg.log'\n%2exit %3\n")
                         .arg(m_home.path(), exitCode ? "echo 'Error: no such output' >&2\n" : "")
                         .arg(exitCode)
                         .toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("SWAYSOCK", (m_home.path() + "/sway.sock").toUtf8());
        qputenv("PATH", (bin + ":" + m_path).toUtf8());
    }

    QString swayLog() const
    {
        QFile f(m_home.filePath("swaymsg.log"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    QString home() const { return m_home.path(); }
    QString pictures() const { return m_home.path() + "/Pictures"; }
    QString wallpapers() const { return pictures() + "/Sunnyside"; }
    QStringList saved() const { return QDir(wallpapers()).entryList(QDir::Files, QDir::Name); }

private:
    QTemporaryDir m_home;
    QByteArray m_path;
};
