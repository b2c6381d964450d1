#pragma once
// What the desktop tests stand on: a private session environment, fake
// desktop commands on PATH and a D-Bus bus of their own. Nothing here
// reaches the machine's real desktop. Main thread.

#include <QDBusConnection>
#include <QHash>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// Saves the variables that describe a desktop session (and PATH and HOME),
// clears the session ones, and puts everything back when it goes.
class SessionEnvironment {
public:
    SessionEnvironment();
    ~SessionEnvironment();
    SessionEnvironment(const SessionEnvironment&) = delete;
    SessionEnvironment& operator=(const SessionEnvironment&) = delete;

    void set(const char* name, const QString& value);

private:
    QHash<QByteArray, std::optional<QByteArray>> m_saved;
};

// A folder of small shell scripts standing for the desktops' tools. PATH
// holds only this folder while it lives (so the real tools are never found).
// Every script records its arguments, then runs its body.
class FakeCommands {
public:
    FakeCommands();
    ~FakeCommands();
    FakeCommands(const FakeCommands&) = delete;
    FakeCommands& operator=(const FakeCommands&) = delete;

    // Installs `name`; `body` is sh text run after the arguments are recorded
    // (empty: exit 0 quietly).
    void install(const QString& name, const QString& body = QString());

    // The argument lists of every run of `name`, in order.
    QList<QStringList> calls(const QString& name) const;

    QString folder() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_savedPath;
};

// A dbus-daemon of the test's own, with no service activation, stopped (and
// its connections closed) when this goes.
class TestBus {
public:
    TestBus();
    ~TestBus();
    TestBus(const TestBus&) = delete;
    TestBus& operator=(const TestBus&) = delete;

    bool isRunning() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }

    // A new connection to this bus.
    QDBusConnection connect();

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};

// A file that stands for a written wallpaper, in `dir`, named `name`.
QString makePictureFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content = "JPEG bytes");
