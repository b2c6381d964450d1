#pragma once
// The user's desktop as the app tests see it: a private Pictures folder and
// either no desktop session or a sway session whose swaymsg is a fake that
// records its arguments. Nothing touches the machine's real desktop. Also
// what the app tests share: alerts caught instead of shown, launches of the
// real executable on a test's own session bus.

#include "platform/desktop/Alert.h"
#include "platform/desktop/SingleInstance.h"
#include "tests/platform/desktop/DesktopTestKit.h"
#include "tests/support/EventLoop.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Why a test on a real X server cannot run here, or "" when it can: no X
// server (run under xvfb-run, ctest -L x11) or one of `tools` missing.
inline QString whyNoX11(std::initializer_list<const char*> tools)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return QStringLiteral("needs an X server: run under xvfb-run (ctest -L x11)");
    for (const char* tool : tools)
        if (QStandardPaths::findExecutable(tool).isEmpty())
            return QStringLiteral("needs %1 (scripts/bootstrap installs it)").arg(tool);
    return {};
}

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

// Starts the real executable in `dir` with the session bus at `bus`, the
// display and Qt platform given. LeakSanitizer's tracer crashes on the
// exiting D-Bus thread; leaks are the unit tests' business.
struct Launcher {
    QString dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    Launcher(const QString& dir, const QString& bus, const QString& display, const QString& platform,
             const QString& asan = QStringLiteral("detect_leaks=0"))
        : dir(dir)
    {
        env.insert("DBUS_SESSION_BUS_ADDRESS", bus);
        env.insert("DISPLAY", display);
        env.insert("QT_QPA_PLATFORM", platform);
        env.insert("ASAN_OPTIONS", asan);
    }
    void start(QProcess& p, const QStringList& args) const
    {
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir);
        p.start(QCoreApplication::applicationDirPath() + "/sunnyside", args);
        ASSERT_TRUE(p.waitForStarted());
    }
};

// Whether a launch owns the single-instance name on `bus` within a minute.
inline bool nameOwned(TestBus& bus)
{
    QDBusConnection probe = bus.connect();
    return spinUntil([&] { return probe.interface()->isServiceRegistered(SingleInstance::serviceName()).value(); }, 60000);
}
