#include "platform/ui/FontRegistry.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QSet>

namespace FontRegistry {

Result<QStringList> registerFontFile(const QString& path)
{
    static QSet<QString> registered; // canonical paths; never freed, like Qt's own list
    if (!QFileInfo(path).isAbsolute())
        return Result<QStringList>::failure(QStringLiteral("font path '%1' is not absolute").arg(path));
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty())
        return Result<QStringList>::failure(QStringLiteral("font file '%1' does not exist").arg(path));
    if (registered.contains(canonical))
        return Result<QStringList>::failure(QStringLiteral("font file '%1' is already registered").arg(path));
    const int id = QFontDatabase::addApplicationFont(canonical);
    if (id < 0)
        return Result<QStringList>::failure(QStringLiteral("font file '%1' could not be registered (not a font Qt reads)").arg(path));
    registered.insert(canonical);
    return Result<QStringList>::success(QFontDatabase::applicationFontFamilies(id));
}

} // namespace FontRegistry
