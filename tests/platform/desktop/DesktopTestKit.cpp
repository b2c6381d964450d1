#include "DesktopTestKit.h"
#include "tests/support/Files.h"
#include "tests/support/Images.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

int g_connectionCount = 0;

} // namespace

ScopedVariable::ScopedVariable(const char* name, const std::optional<QString>& value)
    : m_name(name)
    , m_saved(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt)
{
    value ? qputenv(name, value->toLocal8Bit()) : qunsetenv(name);
}

ScopedVariable::~ScopedVariable()
{
    m_saved ? qputenv(m_name.constData(), *m_saved) : qunsetenv(m_name.constData());
}

SessionEnvironment::SessionEnvironment()
{
    for (const char* name : sessionVariables)
        m_saved.emplace_back(name, std::nullopt);
    for (const char* name : {"PATH", "HOME"})
        if (qEnvironmentVariableIsSet(name))
            m_saved.emplace_back(name, qEnvironmentVariable(name));
}

QList<QStringList> FakeCommands::calls(const QString& name) const
{
    QList<QStringList> calls;
    for (const QByteArrayList& call : fakeProgramCalls(folder(), name)) {
        calls.append(QStringList());
        for (const QByteArray& argument : call)
            calls.last() << QString::fromLocal8Bit(argument);
    }
    return calls;
}

TestBus::TestBus()
{
    // No <servicedir>: a name nobody owns fails at once instead of starting a real service.
    const QString configPath = m_dir.filePath(QStringLiteral("bus.conf"));
    writeFile(configPath, QStringLiteral(R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>session</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>
  <policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy>
</busconfig>
)").arg(m_dir.path()).toUtf8());

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
    if (m_address.isEmpty())
        std::fprintf(stderr, "dbus-daemon did not start: %s %s\n", qPrintable(m_daemon.errorString()), readFile(errors).constData());
}

TestBus::~TestBus()
{
    for (const QString& name : std::as_const(m_connections))
        QDBusConnection::disconnectFromBus(name);
    m_daemon.kill();
    m_daemon.waitForFinished(5000);
}

QDBusConnection TestBus::connect()
{
    const QString name = QStringLiteral("desktop-test-%1").arg(++g_connectionCount);
    m_connections << name;
    return QDBusConnection::connectToBus(m_address, name);
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
    const QString path = dir.filePath(name);
    if (!filled(64, 48, colour).save(path, "JPEG", 95))
        return {};
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return path;
}
