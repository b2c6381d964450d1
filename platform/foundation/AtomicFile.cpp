#include "platform/foundation/AtomicFile.h"

#include "platform/foundation/Log.h"

#include <QSaveFile>

namespace AtomicFile {

bool write(const QString& path, const QByteArray& data)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        Log::line(lcFoundation, QStringLiteral("Error: cannot write %1: %2")
                                    .arg(path, file.errorString()));
        return false;
    }
    return true;
}

} // namespace AtomicFile
