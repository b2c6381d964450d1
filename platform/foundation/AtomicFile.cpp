#include "platform/foundation/AtomicFile.h"

#include "platform/foundation/Log.h"

#include <QSaveFile>

#include <algorithm>

namespace AtomicFile {

bool write(const QString& path, const QByteArray& data, QString* reason)
{
    QSaveFile file(path);
    // Unbuffered: a write that fails while the buffer is flushed on commit
    // would go unnoticed, and a cut-off file would replace the target.
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    // A full disk first writes part of the data; writing on brings out the reason.
    for (qint64 done = 0; ok && done < data.size();) {
        const qint64 written = file.write(data.constData() + done, data.size() - done);
        ok = written > 0;
        done += std::max<qint64>(written, 0);
    }
    if (!ok || !file.commit()) {
        const QString why = file.errorString();
        Log::line(lcFoundation, QStringLiteral("Error: cannot write %1: %2").arg(path, why));
        if (reason)
            *reason = why;
        return false;
    }
    return true;
}

} // namespace AtomicFile
