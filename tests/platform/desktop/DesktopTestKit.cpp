#include "DesktopTestKit.h"
#include "tests/support/Files.h"

#include <QColor>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QStandardPaths>
#include <QThread>

#include <cstdio>

namespace {

const char* const sessionVariables[] = {
    "XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP", "DESKTOP_SESSION", "XDG_SESSION_TYPE",
    "SWAYSOCK", "HYPRLAND_INSTANCE_SIGNATURE", "KDE_FULL_SESSION", "MATE_DESKTOP_SESSION_ID",
    "GNOME_DESKTOP_SESSION_ID", "WAYLAND_DISPLAY", "DISPLAY",
};

int g_connectionCount = 0;

std::optional<QByteArray> saved(const char* name)
{
    return qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
}

void restore(const char* name, const std::optional<QByteArray>& value)
{
    value ? qputenv(name, *value) : qunsetenv(name);
}

} // namespace

SessionEnvironment::SessionEnvironment()
{
    for (const char* name : sessionVariables) {
        m_saved.insert(name, saved(name));
        qunsetenv(name);
    }
    for (const char* name : {"PATH", "HOME"})
        m_saved.insert(name, saved(name));
}

SessionEnvironment::~SessionEnvironment()
{
    for (auto it = m_saved.cbegin(); it != m_saved.cend(); ++it)
        restore(it.key().constData(), it.value());
}

void SessionEnvironment::set(const char* name, const QString& value)
{
    qputenv(name, value.toLocal8Bit());
}

FakeCommands::FakeCommands()
    : m_savedPath(qgetenv("PATH"))
{
    qputenv("PATH", m_dir.path().toLocal8Bit());
}

FakeCommands::~FakeCommands()
{
    qputenv("PATH", m_savedPath);
}

void FakeCommands::install(const QString& name, const QString& body)
{
    const QString log = m_dir.filePath(name + QStringLiteral(".calls"));
    QFile script(m_dir.filePath(name));
    if (!script.open(QIODevice::WriteOnly))
        return;
    // Only shell built-ins: PATH holds nothing else.
    script.write(QStringLiteral("#!/bin/sh\n"
                                "for a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '%1'\n"
                                "printf '%s\\n' '<end of call>' >> '%1'\n"
                                "%2\n")
                     .arg(log, body)
                     .toLocal8Bit());
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
}

QList<QStringList> FakeCommands::calls(const QString& name) const
{
    QFile log(m_dir.filePath(name + QStringLiteral(".calls")));
    QList<QStringList> calls;
    if (!log.open(QIODevice::ReadOnly))
        return calls;
    QStringList current;
    const QStringList lines = QString::fromLocal8Bit(log.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line == u"<end of call>") {
            calls << current;
            current.clear();
        } else if (!line.isEmpty()) {
            current << line;
        }
    }
    return calls;
}

TestBus::TestBus()
{
    const QString configPath = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly))
        return;
    // No <servicedir>: a name nobody owns fails at once instead of starting a real service.
    config.write(QStringLiteral(R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>session</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>
  <policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy>
</busconfig>
)").arg(m_dir.path()).toUtf8());
    config.close();

    m_daemon.setProgram(QStringLiteral("dbus-daemon"));
    m_daemon.setArguments({QStringLiteral("--config-file=") + configPath, QStringLiteral("--print-address"),
                           QStringLiteral("--nofork")});
    // Its chatter (e.g. about file limits it may not raise) is shown only when it fails.
    const QString errors = m_dir.filePath(QStringLiteral("dbus-daemon.log"));
    m_daemon.setStandardErrorFile(errors);
    m_daemon.start();
    if (m_daemon.waitForStarted(5000)) {
        while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000)) {
        }
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    if (m_address.isEmpty()) {
        QFile log(errors);
        log.open(QIODevice::ReadOnly);
        std::fprintf(stderr, "dbus-daemon did not start: %s %s\n", qPrintable(m_daemon.errorString()), log.readAll().constData());
    }
}

TestBus::~TestBus()
{
    for (const QString& name : std::as_const(m_connections))
        QDBusConnection::disconnectFromBus(name);
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000)) {
            m_daemon.kill();
            m_daemon.waitForFinished(5000);
        }
    }
}

QDBusConnection TestBus::connect()
{
    const QString name = QStringLiteral("desktop-test-%1").arg(++g_connectionCount);
    m_connections << name;
    return QDBusConnection::connectToBus(m_address, name);
}

QString makePictureFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content)
{
    return writeFile(dir.filePath(name), content);
}

QString hostilePhotoName()
{
    return QStringLiteral("-rf \"q\" Tom's $(touch PWNED) `touch PWNED` $HOME & one;two  *~nobody,DP-1 Öl\\b.jpg");
}

QStringList pwnedFiles(const QStringList& extra)
{
    QStringList places = extra;
    places << QDir::currentPath() << QDir::homePath() << QDir::tempPath() << QDir::rootPath()
           << qEnvironmentVariable("XDG_RUNTIME_DIR");
    QStringList found;
    for (const QString& place : std::as_const(places)) {
        const QString file = QDir(place).filePath(QStringLiteral("PWNED"));
        if (!place.isEmpty() && QFileInfo::exists(file) && !found.contains(file))
            found << file;
    }
    return found;
}

QString makeColourPicture(const QTemporaryDir& dir, const QString& name, const QColor& colour)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = dir.filePath(name);
    if (!image.save(path, "JPEG", 95))
        return {};
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return path;
}

QString findProgram(const QString& program)
{
    return QStandardPaths::findExecutable(program);
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

ScopedVariable::ScopedVariable(const char* name, const QString& value)
    : m_name(name)
    , m_saved(saved(name))
{
    qputenv(name, value.toLocal8Bit());
}

ScopedVariable::~ScopedVariable()
{
    restore(m_name.constData(), m_saved);
}
