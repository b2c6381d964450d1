#pragma once
// Real programs a test runs to their end, as a user's session would.

#include <QProcess>

#include <optional>

struct ProgramRun {
    int status = -1; // -1: it crashed or hung
    QByteArray out, err;
};

// Runs `program` (two minutes at most) in `environment`, empty: this process's own.
inline ProgramRun runProgram(const QString& program, const QStringList& arguments,
                             const QProcessEnvironment& environment = {}, const QString& workingDirectory = QString())
{
    QProcess process;
    if (!environment.isEmpty())
        process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    const bool ended = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1, process.readAllStandardOutput(), process.readAllStandardError()};
}

// Its standard output, or nothing when it fails, crashes or hangs.
inline std::optional<QByteArray> programOutput(const QString& program, const QStringList& arguments,
                                               const QProcessEnvironment& environment = {},
                                               const QString& workingDirectory = QString())
{
    ProgramRun run = runProgram(program, arguments, environment, workingDirectory);
    return run.status == 0 ? std::optional(run.out) : std::nullopt;
}
