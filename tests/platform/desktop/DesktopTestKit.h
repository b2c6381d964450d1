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
#include <QHash>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <optional>

class QColor;

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

// A photo name that a tool parsing its argument like a shell word, a command
// or a list would misread, in every way at once.
QString hostilePhotoName();

// The places a "touch PWNED" smuggled into a name could have written to,
// besides `extra`; the ones where a PWNED file exists.
QStringList pwnedFiles(const QStringList& extra);

// A solid-colour JPEG of `colour` in `dir`, readable by everyone.
QString makeColourPicture(const QTemporaryDir& dir, const QString& name, const QColor& colour);

// `program`'s full path on the PATH as it is, empty when missing.
QString findProgram(const QString& program);

// Polls `condition` until it holds or `timeoutMs` passes.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 10000);

// Saves one environment variable and puts it back when it goes.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const QString& value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    QByteArray m_name;
    std::optional<QByteArray> m_saved;
};

// Stands for Plasma's shell: records the scripts; answers with `error` when
// set, or not at all while `answers` is false.
class FakePlasmaShell : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.PlasmaShell")
public:
    QStringList scripts;
    QString error;
    bool answers = true;

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
    explicit FakePortal(QDBusConnection bus) : m_bus(std::move(bus)) {}

    bool answers = true, replies = true;
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
