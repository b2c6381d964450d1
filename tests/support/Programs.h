#pragma once
// Real programs a test runs to their end, as a user's session would.

#include <QProcess>

#include <optional>

// Runs `program` (two minutes at most) in `environment`, empty: this
// process's own; its standard output, or nothing when it fails, crashes or hangs.
inline std::optional<QByteArray> programOutput(const QString& program, const QStringList& arguments,
                                               const QProcessEnvironment& environment = {},
                                               const QString& workingDirectory = QString())
{
    QProcess process;
    if (!environment.isEmpty())
        process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}
