#pragma once
// Fixture files of the tests: written whole; a failed write fails the test
// that asked for it.

#include <QFile>
#include <QString>

#include <gtest/gtest.h>

inline QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) << path.toStdString();
    return path;
}

// An interface file whose <ui> element holds `body`.
inline QString writeInterfaceFile(const QString& path, const QByteArray& body)
{
    return writeFile(path, R"(<?xml version="1.0" encoding="UTF-8"?><ui version="4.0">)" + body + "</ui>");
}
