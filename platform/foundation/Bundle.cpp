#include "platform/foundation/Bundle.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/StringsFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>

namespace {

QStringList& languageOverride()
{
    static QStringList languages;
    return languages;
}

// "pt-BR" gives "pt-BR", "pt_BR", "pt": the spellings lproj folders use.
void addLanguage(QStringList& out, const QString& language)
{
    QString dashed = language;
    dashed.replace(QLatin1Char('_'), QLatin1Char('-'));
    QString underscored = language;
    underscored.replace(QLatin1Char('-'), QLatin1Char('_'));
    const QString base = dashed.section(QLatin1Char('-'), 0, 0);
    for (const QString& candidate : {dashed, underscored, base}) {
        if (!candidate.isEmpty() && !out.contains(candidate))
            out.append(candidate);
    }
}

QString joined(const QString& folder, const QString& subdirectory)
{
    return subdirectory.isEmpty() ? folder : folder + QLatin1Char('/') + subdirectory;
}

QString fileName(const QString& name, const QString& type)
{
    return type.isEmpty() ? name : name + QLatin1Char('.') + type;
}

// Names come from files and settings that strangers may write: a ".." step
// would lead out of the bundle.
bool leavesFolder(const QString& part)
{
    return part.split(QLatin1Char('/')).contains(QLatin1String(".."));
}

} // namespace

Bundle::Bundle(const QString& path)
    : m_path(QDir::cleanPath(QFileInfo(path).absoluteFilePath()))
    , m_valid(QFileInfo(path).isDir())
{
}

QString Bundle::locateMainResources()
{
    const QString fromEnv = qEnvironmentVariable("SUNNYSIDE_RESOURCES");
    if (!fromEnv.isEmpty())
        return fromEnv;
    const QString appDir = QCoreApplication::instance()
                               ? QCoreApplication::applicationDirPath()
                               : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    return QDir::cleanPath(appDir + QStringLiteral("/../share/sunnyside"));
}

Bundle& Bundle::mainBundle()
{
    static Bundle* bundle = [] {
        auto* b = new Bundle(locateMainResources());
        if (!b->isValid())
            Log::line(lcFoundation, QStringLiteral("Error: cannot find the application's resources at %1 "
                                                   "(set SUNNYSIDE_RESOURCES to the assets folder)")
                                        .arg(b->bundlePath()));
        return b;
    }();
    return *bundle;
}

QVariantMap Bundle::infoDictionary() const
{
    const QString path = m_path + QStringLiteral("/Info.plist");
    if (!QFileInfo::exists(path))
        return {};
    return PropertyList::read(path).toMap();
}

QVariant Bundle::objectForInfoDictionaryKey(const QString& key) const
{
    return infoDictionary().value(key);
}

QString Bundle::pathForResource(const QString& name, const QString& type,
                                const QString& subdirectory) const
{
    if (!m_valid || name.isEmpty() || leavesFolder(name) || leavesFolder(type) || leavesFolder(subdirectory))
        return {};
    const QString folder = joined(m_path, subdirectory);
    const QString file = fileName(name, type);
    QString path = folder + QLatin1Char('/') + file;
    if (QFileInfo::exists(path))
        return path;
    for (const QString& language : preferredLanguages()) {
        path = folder + QLatin1Char('/') + language + QStringLiteral(".lproj/") + file;
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

QUrl Bundle::urlForResource(const QString& name, const QString& type,
                            const QString& subdirectory) const
{
    const QString path = pathForResource(name, type, subdirectory);
    return path.isNull() ? QUrl() : QUrl::fromLocalFile(path);
}

QStringList Bundle::pathsForResources(const QString& type, const QString& subdirectory) const
{
    if (!m_valid)
        return {};
    const QDir dir(joined(m_path, subdirectory));
    QStringList names = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                      QDir::NoSort);
    if (!type.isEmpty()) {
        const QString suffix = QLatin1Char('.') + type;
        names.erase(std::remove_if(names.begin(), names.end(),
                                   [&](const QString& n) { return !n.endsWith(suffix) || n == suffix; }),
                    names.end());
    }
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.toUtf8() < b.toUtf8(); });
    QStringList paths;
    paths.reserve(names.size());
    for (const QString& n : names)
        paths.append(dir.filePath(n));
    return paths;
}

const Bundle::Table& Bundle::table(const QString& language, const QString& name) const
{
    const QString cacheKey = language + QLatin1Char('/') + name;
    auto it = m_tables.find(cacheKey);
    if (it == m_tables.end()) {
        const QString path = m_path + QLatin1Char('/') + language + QStringLiteral(".lproj/") + name
                             + QStringLiteral(".strings");
        Table entries = QFileInfo::exists(path) ? StringsFile::read(path) : Table();
        it = m_tables.insert(cacheKey, entries);
    }
    return *it;
}

QString Bundle::localizedString(const QString& key, const QString& value, const QString& tableName) const
{
    const QString name = tableName.isEmpty() ? QStringLiteral("Localizable") : tableName;
    if (m_valid) {
        for (const QString& language : preferredLanguages()) {
            const Table& entries = table(language, name);
            auto it = entries.constFind(key);
            if (it != entries.constEnd())
                return *it;
        }
    }
    return value.isEmpty() ? key : value;
}

QStringList Bundle::preferredLanguages()
{
    QStringList out;
    const QStringList source = languageOverride().isEmpty() ? QLocale::system().uiLanguages()
                                                             : languageOverride();
    for (const QString& language : source)
        addLanguage(out, language);
    // The user's order stands: English first means English texts.
    if (!out.contains(QStringLiteral("en")))
        out.append(QStringLiteral("en"));
    return out;
}

void Bundle::setPreferredLanguages(const QStringList& languages)
{
    languageOverride() = languages;
}

std::unique_ptr<Bundle> nestedBundle(const Bundle& parent, const QString& name, const QString& subdirectory)
{
    const QString path = parent.pathForResource(name, QStringLiteral("bundle"), subdirectory);
    if (path.isNull() || !QFileInfo(path).isDir())
        return nullptr;
    return std::make_unique<Bundle>(path);
}
