#pragma once
// Whole-file writes that never leave a partial file at the target: the data go
// to a temporary file beside it, which replaces the target only when complete.
// Failures log one "Error: " line naming the path and the reason, and return
// false; the old file, if any, is left as it was. Thread: any thread.

#include <QByteArray>
#include <QString>

namespace AtomicFile {

bool write(const QString& path, const QByteArray& data);

} // namespace AtomicFile
