#include "filters/LXFilterConstructor.h"

#include "filters/KitFilters.h"

#include <QHash>

namespace {

QHash<QString, const QMetaObject*>& classes()
{
    static auto* table = new QHash<QString, const QMetaObject*>;
    return *table;
}

} // namespace

void LXFilterConstructor::registerClass(const QMetaObject& cls)
{
    const QString className = QString::fromLatin1(cls.className());
    classes().insert(className, &cls);
    // Creatable under the class name itself, without a description.
    CIFilter::registerFilterName(className, [&cls](const QString&) -> std::shared_ptr<CIFilter> {
        QObject* object = cls.newInstance();
        auto* filter = qobject_cast<CIFilter*>(object);
        if (!filter)
            delete object;
        return std::shared_ptr<CIFilter>(filter);
    });
}

LXFilterConstructor::LXFilterConstructor()
{
    registerKitFilterClasses();
}

LXFilterConstructor& LXFilterConstructor::sharedFilterConstructor()
{
    static auto* constructor = new LXFilterConstructor;
    return *constructor;
}

void LXFilterConstructor::registerDescription(const QVariantMap& description)
{
    const QVariantMap list = description.value(QStringLiteral("CIPlugInFilterList")).toMap();
    for (auto it = list.cbegin(); it != list.cend(); ++it)
        m_descriptions.insert(it.key(), it.value());
    for (auto it = list.cbegin(); it != list.cend(); ++it) {
        const QString className = it.value().toMap().value(QStringLiteral("CIFilterClass")).toString();
        auto make = [this](const QString& name) { return filterWithName(name); };
        if (!className.isEmpty())
            CIFilter::registerFilterName(className, make);
        CIFilter::registerFilterName(it.key(), make);
    }
}

QVariantMap LXFilterConstructor::descriptionForClassName(const QString& className) const
{
    for (const QVariant& description : m_descriptions) {
        const QVariantMap map = description.toMap();
        if (map.value(QStringLiteral("CIFilterClass")).toString() == className)
            return map;
    }
    return {};
}

std::shared_ptr<CIFilter> LXFilterConstructor::filterWithName(const QString& name) const
{
    QVariantMap description = m_descriptions.value(name).toMap();
    if (description.isEmpty())
        description = descriptionForClassName(name);
    const QMetaObject* cls = classes().value(description.value(QStringLiteral("CIFilterClass")).toString());
    if (!cls)
        return nullptr;
    QObject* object = cls->newInstance();
    auto* filter = qobject_cast<CIFilter*>(object);
    if (!filter) {
        delete object;
        return nullptr;
    }
    filter->setName(name);
    return std::shared_ptr<CIFilter>(filter);
}
