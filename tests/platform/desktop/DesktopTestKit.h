#pragma once
// What the desktop tests stand on: a private session environment, fake
// desktop commands on PATH and a D-Bus bus of their own. Nothing here
// reaches the machine's real desktop. Main thread.

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

#include "tests/support/FakePrograms.h"

#include <list>
#include <optional>

class QColor;

// The variables that describe a desktop session.
inline constexpr const char* sessionVariables[] = {
    "XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP", "DESKTOP_SESSION", "XDG_SESSION_TYPE",
    "SWAYSOCK", "HYPRLAND_INSTANCE_SIGNATURE", "KDE_FULL_SESSION", "MATE_DESKTOP_SESSION_ID",
    "GNOME_DESKTOP_SESSION_ID", "WAYLAND_DISPLAY", "DISPLAY",
};

// Saves one environment variable, sets it (or unsets it: nullopt), and puts
// it back when it goes.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::optional<QString>& value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    QByteArray m_name;
    std::optional<QByteArray> m_saved;
};

// Clears the variables that describe a desktop session, and puts them (and
// PATH and HOME, which a test may set) back when it goes.
class SessionEnvironment {
public:
    SessionEnvironment();
    void set(const char* name, const QString& value) { qputenv(name, value.toLocal8Bit()); }

private:
    std::list<ScopedVariable> m_saved;
};

// A folder of fake desktop programs (tests/support/FakePrograms.h). PATH
// holds only this folder while it lives (so the real tools are never found).
class FakeCommands {
public:
    // Installs `name`, running the sh text `body` (empty: exit 0 quietly).
    void install(const QString& name, const QString& body = QString()) { installFakeProgram(folder(), name, body); }
    // The argument lists of every run of `name`, in order.
    QList<QStringList> calls(const QString& name) const;
    QString folder() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    ScopedVariable m_path{"PATH", m_dir.path()};
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
inline QString makePictureFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content = "JPEG bytes")
{
    return writeFile(dir.filePath(name), content);
}

// A photo name that a tool parsing its argument like a shell word, a command
// or a list would misread, in every way at once.
inline QString hostilePhotoName()
{
    return QStringLiteral("-rf \"q\" Tom's $(touch PWNED) `touch PWNED` $HOME & one;two  *~nobody,DP-1 Öl\\b.jpg");
}

// The places a "touch PWNED" smuggled into a name could have written to,
// besides `extra`; the ones where a PWNED file exists.
QStringList pwnedFiles(const QStringList& extra);

// A solid-colour JPEG of `colour` in `dir`, readable by everyone.
QString makeColourPicture(const QTemporaryDir& dir, const QString& name, const QColor& colour);

// `program`'s full path on the PATH as it is, empty when missing.
inline QString findProgram(const QString& program) { return QStandardPaths::findExecutable(program); }

// Stands for Plasma's shell: records the scripts; answers with `error` when
// set, or not at all while `answers` is false.
class FakePlasmaShell : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.PlasmaShell")
public:
    QStringList scripts;
    QString error;
    bool answers = true;

    // Serves on `bus` as Plasma's shell.
    bool serve(QDBusConnection bus)
    {
        return bus.registerObject("/PlasmaShell", this, QDBusConnection::ExportAllSlots)
               && bus.registerService("org.kde.plasmashell");
    }

public slots:
    void evaluateScript(const QString& script)
    {
        scripts << script;
        if (!answers)
            setDelayedReply(true); // and never reply
        else if (!error.isEmpty())
            sendErrorReply(QDBusError::Failed, error);
    }
};

// Stands for the desktop portal's Wallpaper interface: records what it was
// given and answers the request with `response`; while `answers` is false no
// answer follows the reply, and while `replies` is false no reply comes either.
class FakePortal : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Wallpaper")
public:
    // Serves on `bus` as the desktop portal.
    explicit FakePortal(QDBusConnection bus) : m_bus(std::move(bus))
    {
        serving = m_bus.registerObject("/org/freedesktop/portal/desktop", this, QDBusConnection::ExportAllSlots)
                  && m_bus.registerService("org.freedesktop.portal.Desktop");
    }

    bool serving, answers = true, replies = true;
    uint response = 0;
    int calls = 0;
    QString parentWindow, filePath; // the file the descriptor is open on
    QVariantMap options;

public slots:
    QDBusObjectPath SetWallpaperFile(const QString& parent, const QDBusUnixFileDescriptor& fd, const QVariantMap& givenOptions)
    {
        ++calls;
        parentWindow = parent;
        options = givenOptions;
        filePath = QFile::symLinkTarget(QStringLiteral("/proc/self/fd/%1").arg(fd.fileDescriptor()));
        if (!replies) {
            setDelayedReply(true);
            return {};
        }
        const QString path = "/org/freedesktop/portal/desktop/request/" + message().service().mid(1).replace('.', '_') + "/"
                           + givenOptions.value("handle_token").toString();
        if (answers) {
            // Sent before the reply, as a fast portal may: the caller must already listen.
            QDBusMessage signal = QDBusMessage::createSignal(path, "org.freedesktop.portal.Request", "Response");
            signal << response << QVariantMap();
            m_bus.send(signal);
        }
        return QDBusObjectPath(path);
    }

private:
    QDBusConnection m_bus;
};
