#include "util/LXFontLoader.h"

#include "platform/foundation/Log.h"
#include "platform/ui/FontRegistry.h"

#include <QFileInfo>

namespace {

QString locate(const QString& entry, const Bundle& bundle)
{
    const QFileInfo info(entry);
    if (!info.isAbsolute()) {
        for (const QString& folder : {QStringLiteral("fonts"), QString()}) {
            const QString path = bundle.pathForResource(info.completeBaseName(), info.suffix(), folder);
            if (!path.isEmpty())
                return path;
        }
        return {};
    }
    return info.isFile() ? entry : QString();
}

} // namespace

void LXFontLoader::loadFontsBundle(const Bundle& bundle)
{
    const std::unique_ptr<Bundle> fonts = nestedBundle(bundle, QStringLiteral("Fonts"));
    if (!fonts)
        return;
    if (const auto error = loadLocalFonts(fonts->pathsForResources(QStringLiteral("ttf")), bundle))
        Log::line(lcUtil, QStringLiteral("Warning: Problems during loading Fonts!\n") + error->localizedDescription);
}

std::optional<FontLoaderError> LXFontLoader::loadLocalFonts(const QStringList& entries, const Bundle& bundle)
{
    QString report;
    for (const QString& entry : entries) {
        const QString path = locate(entry, bundle);
        if (path.isEmpty()) {
            report += QStringLiteral("%1: %2\n").arg(bundle.localizedString(QStringLiteral("File missing")), entry);
            continue;
        }
        const Result<QStringList> result = FontRegistry::registerFontFile(path);
        if (!result.ok()) {
            Log::line(lcUtil, QStringLiteral("Error: ") + result.reason());
            report += QStringLiteral("%1: %2\n").arg(bundle.localizedString(QStringLiteral("File loading problem")), entry);
        }
    }
    if (report.isEmpty())
        return std::nullopt;
    return FontLoaderError{0, report};
}
