#include "frames/LXTextureCatalog.h"

#include "resources/BundleResources.h"
#include "resources/StringResources.h"

#include <algorithm>

LXTextureCatalog::LXTextureCatalog(const QString& resourceType, const Bundle& bundle)
{
    const QString directory = directoryForResourceType(resourceType);
    if (directory.isNull())
        return;
    for (const QString& path : bundle.pathsForResources(QStringLiteral("jpg"), directory))
        addTextureWithFileName(path);
}

LXTextureCatalog& LXTextureCatalog::sharedTextureCatalog()
{
    static LXTextureCatalog* shared = new LXTextureCatalog(QStringLiteral("ALX-T"));
    return *shared;
}

const QStringList& LXTextureCatalog::sharedTextureNames()
{
    static const QStringList names = textureNames(sharedTextureCatalog());
    return names;
}

QStringList LXTextureCatalog::textureNames(const LXTextureCatalog& catalog)
{
    const Bundle& bundle = Bundle::mainBundle();
    QStringList list = catalog.textureIDNames();
    list << QStringLiteral("Paper -") << QStringLiteral("Wood -");
    // Headers sort in front of the entries whose display names begin with them.
    std::stable_sort(list.begin(), list.end(), [&](const QString& a, const QString& b) {
        return bundle.localizedString(a) < bundle.localizedString(b);
    });
    list.prepend(QStringLiteral("-"));
    list.prepend(QStringLiteral("Plain Color"));
    return list;
}

void LXTextureCatalog::addTextureWithFileName(const QString& path)
{
    const LXResourceInfo info = resourceInfo(path);
    const QString canonical = resourceIDNameFor(info);
    if (canonical.isEmpty() || m_details.contains(canonical))
        return; // a second file of one identifier would shadow the first
    m_textureIDNames.append(canonical);
    m_names.insert(info.name, canonical);
    const QString id = resourceIDForType(info.type, info.index);
    if (!id.isEmpty())
        m_ids.insert(id, canonical);
    m_details.insert(canonical, LXTextureDescription(path, TextureOptions::parse(info.options)));
}

const LXTextureDescription* LXTextureCatalog::textureForName(QString& name) const
{
    auto found = [&](const QString& canonical) -> const LXTextureDescription* {
        const auto it = m_details.constFind(canonical);
        name = it == m_details.constEnd() ? QString() : canonical;
        return it == m_details.constEnd() ? nullptr : &it.value();
    };
    if (const auto it = m_details.constFind(name); it != m_details.constEnd())
        return &it.value();
    // A bare ID ("ALX-T#010") parses as a type and a name, so it is looked up whole.
    if (m_ids.contains(name))
        return found(m_ids.value(name));
    // A plain name has no ID; it must not match a texture stored without one.
    if (const QString id = resourceID(name); !id.isEmpty() && m_ids.contains(id))
        return found(m_ids.value(id));
    return found(m_names.value(resourceInfo(name).name));
}
