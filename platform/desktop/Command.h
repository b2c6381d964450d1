#pragma once
// Runs one external program with an argument list (never through a shell) and
// tells whether it did its work. Used by the backends that drive a desktop
// through its own command-line tool.
// Thread: main thread (blocks until the program ends or the timeout passes).

#include "platform/foundation/Result.h"

#include <QString>
#include <QStringList>

namespace Command {

// How long a desktop tool may take before it is killed.
constexpr int defaultTimeoutMs = 10000;

// Runs `program` (looked up on PATH) with `arguments`; the value is what it
// printed on standard output, whatever the outcome. Fails when the program
// is not installed, cannot start, is killed by a signal, runs past the
// timeout (it is then killed, with every process it started) or exits with a non-zero status; the
// reason names the program and carries its standard error, trimmed.
Result<QString> run(const QString& program, const QStringList& arguments);

// The command timeout for every backend; tests lower it. Returns the previous one.
int setTimeoutMs(int timeoutMs);
int timeoutMs();

} // namespace Command
