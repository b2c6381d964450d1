#pragma once
// Whole-file writes that never leave a partial file at the target: the data go
// to a temporary file beside it, which replaces the target only when complete.
// Failures (a full disk, a write cut short included) log one "Error: " line
// naming the path and the reason, put the reason into `reason` when given,
// and return false; the old file, if any, is left as it was, and no
// temporary file stays behind. Thread: any thread.

#include <QByteArray>
#include <QString>

namespace AtomicFile {

bool write(const QString& path, const QByteArray& data, QString* reason = nullptr);

} // namespace AtomicFile
