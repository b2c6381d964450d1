// The stores of resource bundles (the instance side of LXBundleManager).
#include "resources/LXBundleManager.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"
#include "resources/PathInside.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>

namespace {

const QString filenameKey = QStringLiteral("filename");

} // namespace

LXBundleManager& LXBundleManager::sharedBundleManager()
{
    static LXBundleManager* shared = [] {
        const QString support = applicationSupportDirectory();
        return initForDictionaryPath(support.isNull() ? QString() : support + QStringLiteral("/BundleManager.plist"))
            .release();
    }();
    return *shared;
}

LXBundleManager& LXBundleManager::bundleManagerForType(const QString& type, const QString& directory)
{
    static QHash<QString, LXBundleManager*> registry;
    LXBundleManager*& store = registry[type];
    if (!store)
        store = initForBundleType(type, directory).release();
    return *store;
}

std::unique_ptr<LXBundleManager> LXBundleManager::initForDictionaryPath(const QString& path)
{
    std::unique_ptr<LXBundleManager> store(new LXBundleManager);
    store->m_savePath = path;
    if (!path.isEmpty() && QFileInfo(path).isFile())
        store->m_shadow = PropertyList::read(path).toMap();
    return store;
}

std::unique_ptr<LXBundleManager> LXBundleManager::initForBundleType(const QString& type, const QString& directory)
{
    std::unique_ptr<LXBundleManager> store(new LXBundleManager);
    store->m_typeStore = true;
    store->m_savePath = directory;
    for (const QString& path : Bundle::mainBundle().pathsForResources(type, directory))
        store->m_shadow.insert(QFileInfo(path).completeBaseName(), QUrl::fromLocalFile(path));
    store->m_names = store->m_shadow.keys(); // QVariantMap keeps its keys in plain ascending order
    return store;
}

QString LXBundleManager::baseFolder() const
{
    return m_savePath.isEmpty() ? QString() : QFileInfo(m_savePath).absolutePath();
}

QStringList LXBundleManager::names() const
{
    return m_typeStore ? m_names : m_shadow.keys();
}

QUrl LXBundleManager::URLForName(const QString& name) const
{
    const QVariant entry = m_shadow.value(name);
    if (m_typeStore)
        return entry.toUrl();
    const QString path = pathInsideFolder(baseFolder(), entry.toMap().value(filenameKey).toString());
    return path.isNull() ? QUrl() : QUrl::fromLocalFile(path);
}

std::unique_ptr<Bundle> LXBundleManager::bundleForName(const QString& name) const
{
    const QString path = URLForName(name).toLocalFile();
    if (path.isEmpty() || !QFileInfo(path).isDir()) {
        Log::line(lcResources, QStringLiteral("Warning: Requested bundle does not exist: %1").arg(name));
        return nullptr;
    }
    return std::make_unique<Bundle>(path);
}

Picture LXBundleManager::previewForName(const QString& name) const
{
    const std::unique_ptr<Bundle> bundle = bundleForName(name);
    return bundle ? previewForBundle(*bundle) : Picture();
}

QVariantMap LXBundleManager::decriptionForName(const QString& name) const
{
    const std::unique_ptr<Bundle> bundle = bundleForName(name);
    return bundle ? decriptionForBundle(*bundle) : QVariantMap();
}

void LXBundleManager::setMarked(bool marked, const QString& name)
{
    if (m_typeStore || !m_shadow.contains(name))
        return;
    QVariantMap entry = m_shadow.value(name).toMap();
    entry.insert(QStringLiteral("marked"), marked);
    entry.insert(QStringLiteral("modification_time"), QDateTime::currentDateTimeUtc());
    m_shadow.insert(name, entry);
    saveShadowDictionary();
}

void LXBundleManager::removeShadowWithName(const QString& name)
{
    if (m_typeStore)
        return;
    if (m_shadow.contains(name)) {
        const QString filename = m_shadow.value(name).toMap().value(filenameKey).toString();
        const QString path = pathInsideFolder(baseFolder(), filename);
        QString why;
        if (path.isNull())
            Log::line(lcResources, QStringLiteral("Warning: not deleting '%1' of bundle '%2': it is no path inside '%3'")
                                       .arg(filename, name, baseFolder()));
        else if (!removeItem(path, &why))
            Log::line(lcResources, QStringLiteral("Warning: Could not delete file '%1' (%2)").arg(path, why));
    }
    m_shadow.remove(name);
    saveShadowDictionary();
}

bool LXBundleManager::saveShadowDictionary() const
{
    if (m_typeStore)
        return false; // the application's resources are read-only
    if (m_savePath.isEmpty() || !PropertyList::write(m_shadow, m_savePath)) {
        Log::line(lcResources, QStringLiteral("Warning: could not save the bundle list to '%1'").arg(m_savePath));
        return false;
    }
    return true;
}
