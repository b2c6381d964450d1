#pragma once
// Runs one test of this test executable again, in a child process with
// `variables` added to the environment: for what only a fresh process shows
// (process-wide state, a machine without a driver). Main thread.

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

struct ChildRun {
    bool passed = false; // exited 0 with the test run, not skipped
    QString output;      // stdout, then stderr
};

inline ChildRun runTestInChild(const QString& test, std::initializer_list<std::pair<QString, QString>> variables)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : variables)
        environment.insert(name, value);
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=" + test});
    EXPECT_TRUE(child.waitForFinished(120000)) << test.toStdString();
    const QString output = QString::fromUtf8(child.readAllStandardOutput() + child.readAllStandardError());
    return {child.exitCode() == 0 && output.contains("[  PASSED  ] 1 test."), output};
}
