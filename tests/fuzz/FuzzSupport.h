#pragma once
// Shared by the fuzz targets: on the first input, log lines are silenced
// (FUZZ_LOG=1 keeps them) and one QApplication is made on the offscreen
// platform; it lives as long as the process. Main thread.

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

inline QByteArray fuzzSetUp(const uint8_t* data, size_t size)
{
    static const bool ready = [] {
        if (!qEnvironmentVariableIsSet("FUZZ_LOG"))
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv) != nullptr;
    }();
    (void)ready;
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// `bytes` written to `name` in a folder of the process's own; the file's path.
inline QString fuzzFile(const QString& name, const QByteArray& bytes)
{
    static QTemporaryDir folder;
    QFile file(folder.filePath(name));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return file.fileName();
}
