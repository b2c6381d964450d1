#pragma once
// Registers font files for this process only (QFontDatabase application
// fonts), keeping our own record of the files registered, since Qt accepts
// the same file twice without complaint: a repeat is refused.
// Thread: main thread (needs a QGuiApplication).

#include "platform/foundation/Result.h"

#include <QString>
#include <QStringList>

namespace FontRegistry {

// `path` must be absolute; a relative path is refused without being read.
// The value is the families the file added; the reason is in words for a
// log line.
Result<QStringList> registerFontFile(const QString& path);

} // namespace FontRegistry
