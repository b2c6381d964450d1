#pragma once
// Registers font files for this process only (QFontDatabase application
// fonts), keeping our own record of the files registered, since Qt accepts
// the same file twice without complaint: a repeat is refused.
// Thread: main thread (needs a QGuiApplication).

#include <QString>
#include <QStringList>

namespace FontRegistry {

struct Result {
    bool ok = false;
    QString error;          // why it failed, in words for a log line; empty when ok
    QStringList families;   // the families the file added
};

// `path` must be absolute; a relative path is refused without being read.
Result registerFontFile(const QString& path);

} // namespace FontRegistry
