#pragma once
// Fake desktop programs: small sh scripts that record every run's arguments
// byte for byte (each ended by a NUL, the run by a newline) in
// <folder>/<name>.args, then run a body of sh text. Only shell built-ins.

#include "tests/support/Files.h"

#include <QByteArrayList>
#include <QFile>
#include <QList>

inline void installFakeProgram(const QString& folder, const QString& name, const QString& body = QString())
{
    const QString path = writeFile(folder + "/" + name,
                                   QStringLiteral("#!/bin/sh\n{ for a in \"$@\"; do printf '%s\\0' \"$a\"; done; printf '\\n'; }"
                                                  " >> '%1/%2.args'\n%3\n")
                                       .arg(folder, name, body)
                                       .toLocal8Bit());
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
}

// The argument lists of every run of `name`, as raw bytes.
inline QList<QByteArrayList> fakeProgramCalls(const QString& folder, const QString& name)
{
    QList<QByteArrayList> calls;
    QByteArrayList current;
    QByteArray argument;
    // A run ends with a newline right after an argument's NUL (or at once, without arguments).
    for (const char c : readFile(folder + "/" + name + ".args")) {
        if (c == '\0')
            current << std::exchange(argument, {});
        else if (c == '\n' && argument.isEmpty())
            calls << std::exchange(current, {});
        else
            argument += c;
    }
    return calls;
}
