#pragma once
// One user's machine for runs of the real executable: a private home with
// its XDG folders and temporary folder, fake desktop programs on PATH, and
// the faults a real machine has (a full disk, another user's rights, a kill).
// The environment is the child's alone; the test process keeps its own.
// Main thread.

#include "tests/support/FakePrograms.h"

#include <QByteArrayList>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <memory>

struct Outcome {
    int status = -1;
    bool crashed = false; // ended by a signal
    QString out, err;
};

struct ChildFaults {
    qint64 fileSizeLimit = -1; // bytes (RLIMIT_FSIZE, SIGXFSZ ignored: writes fail with EFBIG)
    bool killedPastLimit = false; // SIGXFSZ kills the child in the write that passes the limit
    bool ordinaryUser = false; // when the tests run as root: the child runs as nobody, so file modes hold
};

class Machine {
public:
    Machine();
    ~Machine();

    QString root() const { return m_dir.path(); }
    QString home() const { return root() + QStringLiteral("/home"); }
    QString wallpapers() const { return home() + QStringLiteral("/Pictures/Sunnyside"); }
    QProcessEnvironment& environment() { return m_environment; }

    // A small photo named `name` in root()/photos; its absolute path.
    QString photo(const QString& name = QStringLiteral("Photo.png"));

    // Installs the fake desktop program `name` in root()/bin, running `body`
    // (tests/support/FakePrograms.h); the argument lists of its runs.
    void fakeProgram(const QString& name, const QString& body = QString()) { installFakeProgram(root() + "/bin", name, body); }
    QList<QByteArrayList> calls(const QString& name) const { return fakeProgramCalls(root() + "/bin", name); }

    // Starts `program` (default: the sunnyside executable) with `arguments`.
    std::unique_ptr<QProcess> start(const QStringList& arguments, const ChildFaults& faults = {},
                                    const QString& program = QString());

private:
    QTemporaryDir m_dir;
    QProcessEnvironment m_environment;
};

// Waits for `process` with the event loop running (services of this process
// on D-Bus keep answering); a process still running after `timeoutMs` is killed.
Outcome finish(QProcess& process, int timeoutMs = 180000);

// Runs sunnyside on `machine` to its end.
inline Outcome sunnyside(Machine& machine, const QStringList& arguments, const ChildFaults& faults = {})
{
    return finish(*machine.start(arguments, faults));
}

// Every entry of `folder`, hidden ones too, sorted.
inline QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}
