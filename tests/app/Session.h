#pragma once
// The user's desktop as the app tests see it: a private Pictures folder and
// either no desktop session or a sway session whose swaymsg is a fake that
// records its arguments. Nothing touches the machine's real desktop. Also
// what the app tests share: alerts caught instead of shown.

#include "platform/desktop/Alert.h"
#include "tests/platform/desktop/DesktopTestKit.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class DesktopSession {
public:
    DesktopSession()
    {
        m_environment.set("HOME", m_home.path());
        m_environment.set("XDG_CONFIG_HOME", m_home.path() + "/.config");
    }

    // A sway session; `exitCode` is what the fake swaymsg answers.
    void sway(int exitCode = 0)
    {
        installFakeProgram(m_home.filePath("bin"), "swaymsg",
                           exitCode ? QStringLiteral("echo 'Error: no such output' >&2; exit %1").arg(exitCode) : QString());
        m_environment.set("SWAYSOCK", m_home.path() + "/sway.sock");
        m_environment.set("PATH", m_home.filePath("bin") + ":" + qEnvironmentVariable("PATH"));
    }

    // What the fake swaymsg was handed, every argument ended by a NUL.
    QString swayLog() const { return QString::fromUtf8(readFile(m_home.filePath("bin/swaymsg.args"))); }
    QString home() const { return m_home.path(); }
    QString pictures() const { return m_home.path() + "/Pictures"; }
    QString wallpapers() const { return pictures() + "/Sunnyside"; }
    QStringList saved() const { return QDir(wallpapers()).entryList(QDir::Files, QDir::Name); }

private:
    QTemporaryDir m_home;
    SessionEnvironment m_environment;
};

// The alerts shown while it lives: their titles, and their texts.
struct Alerts {
    QStringList titles, texts;
    Alert::ScopedPresenter presenter{[this](const QString& t, const QString& x) { titles << t; texts << x; }};
};
