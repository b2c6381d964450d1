#pragma once
// Runs one external program with an argument list (never through a shell) and
// tells whether it did its work. Used by the backends that drive a desktop
// through its own command-line tool.
// Thread: main thread (blocks until the program ends or the timeout passes).

#include <QString>
#include <QStringList>

struct CommandResult {
    bool ok = false;          // started, finished in time, exit status 0
    QString standardOutput;   // what it printed, whatever the outcome
    QString errorText;        // why it failed, with its standard error; empty when ok
};

namespace Command {

// How long a desktop tool may take before it is killed.
constexpr int defaultTimeoutMs = 10000;

// Runs `program` (looked up on PATH) with `arguments`. Fails when the program
// is not installed, cannot start, is killed by a signal, runs past the
// timeout (it is then killed, with every process it started) or exits with a non-zero status; the error
// text names the program and carries its standard error, trimmed.
CommandResult run(const QString& program, const QStringList& arguments);

// The command timeout for every backend; tests lower it. Returns the previous one.
int setTimeoutMs(int timeoutMs);
int timeoutMs();

} // namespace Command
