#include "platform/desktop/Command.h"

#include <QProcess>
#include <QStandardPaths>

#include <csignal>
#include <unistd.h>

namespace {
int g_timeoutMs = Command::defaultTimeoutMs;
}

namespace Command {

int setTimeoutMs(int timeoutMs)
{
    const int previous = g_timeoutMs;
    g_timeoutMs = timeoutMs;
    return previous;
}

int timeoutMs()
{
    return g_timeoutMs;
}

Result<QString> run(const QString& program, const QStringList& arguments)
{
    const int limitMs = g_timeoutMs;
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return Result<QString>::failure(QStringLiteral("%1 is not installed").arg(program));

    QProcess process;
    process.setProgram(path);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    // English messages (the "No such key" test, the alert's text), the user's character set.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (environment.contains(QStringLiteral("LC_ALL"))) {
        environment.insert(QStringLiteral("LC_CTYPE"), environment.value(QStringLiteral("LC_ALL")));
        environment.remove(QStringLiteral("LC_ALL"));
    }
    environment.insert(QStringLiteral("LC_MESSAGES"), QStringLiteral("C"));
    process.setProcessEnvironment(environment);
    // A group of its own, so that a hung tool's helpers end with it.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    process.start();
    if (!process.waitForStarted(limitMs))
        return Result<QString>::failure(QStringLiteral("%1 could not be started: %2").arg(program, process.errorString()));
    if (!process.waitForFinished(limitMs)) {
        ::kill(-pid_t(process.processId()), SIGKILL);
        process.kill();
        process.waitForFinished(1000);
        return Result<QString>::failure(QStringLiteral("%1 did not finish within %2 seconds")
                                            .arg(program, QString::number(limitMs / 1000.0, 'g', 3)));
    }

    QString output = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QString errors = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    QString reason;
    if (process.exitStatus() != QProcess::NormalExit)
        reason = QStringLiteral("%1 crashed").arg(program);
    else if (process.exitCode() != 0)
        reason = QStringLiteral("%1 failed with exit status %2").arg(program).arg(process.exitCode());
    else
        return Result<QString>::success(std::move(output));
    if (!errors.isEmpty())
        reason += QStringLiteral(": ") + errors;
    return Result<QString>::failure(reason, std::move(output));
}

} // namespace Command
