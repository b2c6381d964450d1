#include "graphics/LXShadowCatalog.h"

#include "graphics/LXColor.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/PropertyList.h"

LXShadowCatalog& LXShadowCatalog::sharedShadowCatalog()
{
    static LXShadowCatalog* catalog =
        new LXShadowCatalog(Bundle::mainBundle().pathForResource(QStringLiteral("Shadows"), QStringLiteral("plist")));
    return *catalog;
}

LXShadowCatalog::LXShadowCatalog(const QString& path)
{
    if (!path.isEmpty())
        m_shadows = PropertyList::read(path).toMap();
}

std::optional<Shadow> LXShadowCatalog::shadowWithDescritption(const QVariant& description)
{
    if (description.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap d = description.toMap();
    Shadow shadow;
    if (d.contains(QStringLiteral("color")))
        shadow.color = LXColor::colorFromDescription(d.value(QStringLiteral("color")).toString()).color();
    shadow.offset = QSizeF(d.value(QStringLiteral("offset.x")).toDouble(), d.value(QStringLiteral("offset.y")).toDouble());
    shadow.blurRadius = d.value(QStringLiteral("radius")).toDouble();
    return shadow;
}

std::optional<Shadow> LXShadowCatalog::shadowWithName(const QString& name) const
{
    if (!m_shadows.contains(name))
        return std::nullopt;
    return shadowWithDescritption(m_shadows.value(name));
}

QColor LXShadowCatalog::textColorForShadowWithName(const QString& name) const
{
    const QVariant text = m_shadows.value(name).toMap().value(QStringLiteral("textColor"));
    if (!text.isValid())
        return {};
    return LXColor::colorFromDescription(text.toString()).color();
}
