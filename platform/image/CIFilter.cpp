#include "platform/image/CIFilter.h"

#include "platform/image/CIBuiltinFilters.h"
#include "platform/foundation/Log.h"

#include <QHash>
#include <QMetaProperty>

namespace {

struct Registration {
    CIFilter::Constructor constructor;
    QVariantMap classAttributes;
};

// Process-wide, made on first use, never freed.
QHash<QString, Registration>& registry()
{
    static auto* table = [] {
        auto* t = new QHash<QString, Registration>();
        CIBuiltinFilters::registerAll([t](const QString& name, CIFilter::Constructor c, const QVariantMap& a) {
            t->insert(name, {std::move(c), a});
        });
        return t;
    }();
    return *table;
}

QObject* objectIn(const QVariant& v)
{
    if (!v.isValid() || !(v.metaType().flags() & QMetaType::PointerToQObject))
        return nullptr;
    return v.value<QObject*>();
}

QVariant readProperty(const QObject* object, const QString& key, bool& found)
{
    const QMetaObject* meta = object->metaObject();
    const int index = meta->indexOfProperty(key.toUtf8().constData());
    found = index >= 0;
    if (!found)
        return {};
    return meta->property(index).read(object);
}

} // namespace

CIFilter::CIFilter(QObject* parent) : QObject(parent)
{
    static quint64 next = 0; // main thread only
    m_serial = ++next;
}
CIFilter::~CIFilter() = default;

std::shared_ptr<CIFilter> CIFilter::filterWithName(const QString& name)
{
    const auto found = registry().constFind(name);
    if (found == registry().constEnd() || !found->constructor)
        return nullptr;
    std::shared_ptr<CIFilter> filter = found->constructor(name);
    if (filter && filter->m_name.isEmpty())
        filter->m_name = name;
    return filter;
}

void CIFilter::registerFilterName(const QString& name, Constructor constructor, const QVariantMap& classAttributes)
{
    registry().insert(name, {std::move(constructor), classAttributes});
}

QStringList CIFilter::filterNames()
{
    QStringList names = registry().keys();
    names.sort();
    return names;
}

QString CIFilter::name() const
{
    return m_name.isEmpty() ? QString::fromLatin1(metaObject()->className()) : m_name;
}

QVariant CIFilter::valueForKey(const QString& key) const
{
    const qsizetype dot = key.indexOf(u'.');
    if (dot >= 0) {
        const QVariant head = valueForKey(key.left(dot));
        const QString rest = key.mid(dot + 1);
        if (auto* filter = qobject_cast<CIFilter*>(objectIn(head)))
            return filter->valueForKey(rest);
        if (QObject* object = objectIn(head)) {
            bool found = false;
            const QVariant v = readProperty(object, rest, found);
            if (found)
                return v;
        }
        Log::line(lcImage, QStringLiteral("Warning: filter '%1' has no value at key path '%2'").arg(name(), key));
        return {};
    }
    if (key == kCIOutputImageKey) {
        const CIImage image = const_cast<CIFilter*>(this)->outputImage();
        return image.isNull() ? QVariant() : QVariant::fromValue(image);
    }
    bool found = false;
    const QVariant v = readProperty(this, key, found);
    if (!found)
        Log::line(lcImage, QStringLiteral("Warning: filter '%1' has no key '%2'").arg(name(), key));
    return v;
}

void CIFilter::setValue(const QVariant& value, const QString& key)
{
    const qsizetype dot = key.lastIndexOf(u'.');
    if (dot >= 0) {
        const QVariant owner = valueForKey(key.left(dot));
        const QString last = key.mid(dot + 1);
        if (auto* filter = qobject_cast<CIFilter*>(objectIn(owner))) {
            filter->setValue(value, last);
            return;
        }
        if (QObject* object = objectIn(owner)) {
            const int index = object->metaObject()->indexOfProperty(last.toUtf8().constData());
            if (index >= 0 && object->metaObject()->property(index).write(object, value))
                return;
        }
        Log::line(lcImage, QStringLiteral("Warning: filter '%1' cannot set key path '%2'").arg(name(), key));
        return;
    }
    const int index = metaObject()->indexOfProperty(key.toUtf8().constData());
    if (index < 0) {
        Log::line(lcImage, QStringLiteral("Warning: filter '%1' has no key '%2'").arg(name(), key));
        return;
    }
    QMetaProperty property = metaObject()->property(index);
    // A QVariant property takes any value, null included.
    if (property.metaType() == QMetaType::fromType<QVariant>() || value.isValid()) {
        if (!property.write(this, value))
            Log::line(lcImage, QStringLiteral("Warning: filter '%1' cannot take that value for '%2'").arg(name(), key));
    } else {
        property.reset(this);
    }
}

QVariantMap CIFilter::attributes() const
{
    QVariantMap result;
    const auto found = registry().constFind(name());
    if (found != registry().constEnd())
        result = found->classAttributes;
    result.insert(kCIAttributeFilterName, name());
    const QVariantMap custom = customAttributes();
    for (auto it = custom.constBegin(); it != custom.constEnd(); ++it)
        result.insert(it.key(), it.value());
    return result;
}

QVariantMap CIFilter::customAttributes() const
{
    return {};
}

void CIFilter::setDefaults()
{
    const QVariantMap custom = customAttributes();
    for (auto it = custom.constBegin(); it != custom.constEnd(); ++it) {
        const QVariantMap entry = it.value().toMap();
        if (entry.contains(kCIAttributeDefault))
            setValue(entry.value(kCIAttributeDefault), it.key());
    }
}

QStringList CIFilter::inputKeys() const
{
    QStringList keys;
    const QMetaObject* meta = metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QString n = QString::fromLatin1(meta->property(i).name());
        if (n.startsWith(QLatin1String("input")))
            keys << n;
    }
    return keys;
}

QStringList CIFilter::outputKeys() const
{
    return {kCIOutputImageKey};
}

CIImage CIFilter::outputImage()
{
    return {};
}

std::shared_ptr<CIFilter> CIFilter::copy() const
{
    QObject* object = metaObject()->newInstance();
    auto* filter = qobject_cast<CIFilter*>(object);
    if (!filter) {
        delete object;
        Log::line(lcImage, QStringLiteral("Error: filter class '%1' cannot be copied (no Q_INVOKABLE constructor)")
                               .arg(QString::fromLatin1(metaObject()->className())));
        return nullptr;
    }
    std::shared_ptr<CIFilter> result(filter);
    result->m_name = m_name;
    for (const QString& key : inputKeys()) {
        const int index = metaObject()->indexOfProperty(key.toUtf8().constData());
        const QMetaProperty property = metaObject()->property(index);
        if (property.isWritable())
            property.write(filter, property.read(this));
    }
    return result;
}

CIImage CIFilter::apply(const CIKernelPtr& kernel, const QVariantList& arguments, const QVariantMap& options) const
{
    return kernel ? kernel->apply(arguments, options) : CIImage();
}

CIImage CIFilter::apply(const CIKernelPtr& kernel, const QRectF& extent, CIKernel::ROICallback roi,
                        const QVariantList& arguments, const QVariantMap& options) const
{
    return kernel ? kernel->applyWithExtent(extent, std::move(roi), arguments, options) : CIImage();
}

CIImage CIFilter::imageValue(const QVariant& value)
{
    return value.metaType() == QMetaType::fromType<CIImage>() ? value.value<CIImage>() : CIImage();
}

double CIFilter::numberValue(const QVariant& value, double fallback)
{
    if (!value.isValid())
        return fallback;
    bool ok = false;
    const double d = value.toDouble(&ok);
    return ok ? d : fallback;
}

bool CIFilter::boolValue(const QVariant& value, bool fallback)
{
    return value.isValid() ? value.toBool() : fallback;
}

CIVector CIFilter::vectorValue(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<CIVector>())
        return value.value<CIVector>();
    if (value.metaType() == QMetaType::fromType<QRectF>())
        return CIVector::vectorWithCGRect(value.toRectF());
    if (value.metaType() == QMetaType::fromType<QPointF>())
        return CIVector::vectorWithCGPoint(value.toPointF());
    return {};
}

CIColor CIFilter::colorValue(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<CIColor>())
        return value.value<CIColor>();
    if (value.metaType() == QMetaType::fromType<QColor>())
        return CIColor(value.value<QColor>());
    return {};
}

QTransform CIFilter::transformValue(const QVariant& value)
{
    return value.metaType() == QMetaType::fromType<QTransform>() ? value.value<QTransform>() : QTransform();
}
