#pragma once
// Fixture files of the tests: written whole, read whole, damaged on purpose;
// a failed write fails the test that asked for it.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <gtest/gtest.h>

// Makes the file's folder when missing.
inline QString writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) << path.toStdString();
    return path;
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Overwrites bytes [from, to) of the file at `path` with garbage, keeping
// its size; a negative `to` counts from its end.
inline void scribble(const QString& path, qsizetype from, qsizetype to)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite)) << path.toStdString();
    QByteArray garbage((to < 0 ? file.size() + to : to) - from, '\0');
    for (qsizetype i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 151 + 7) & 0xff);
    file.seek(from);
    file.write(garbage);
}

// An interface file whose <ui> element holds `body`.
inline QString writeInterfaceFile(const QString& path, const QByteArray& body)
{
    return writeFile(path, R"(<?xml version="1.0" encoding="UTF-8"?><ui version="4.0">)" + body + "</ui>");
}
