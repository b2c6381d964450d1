#include "filters/LXFilter.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/image/CIGeometry.h"
#include "platform/image/CISampler.h"

#include <QFile>

#include <cmath>

#include <variant>

namespace {

// One routine, or several by name.
using KernelEntry = std::variant<CIKernelPtr, QHash<QString, CIKernelPtr>>;

struct Registries {
    QHash<QString, KernelEntry> kernels;
    QHash<QString, QString> bundles; // class name -> bundle folder
    QHash<QString, QStringList> copyKeys;
    QHash<QString, QStringList> inputKeys;
};

Registries& registries()
{
    static auto* r = new Registries;
    return *r;
}

QString describe(const QHash<QString, CIKernelPtr>& kernels)
{
    QStringList names = kernels.keys();
    names.sort();
    return QStringLiteral("{\n    ") + names.join(QStringLiteral(",\n    ")) + QStringLiteral("\n}");
}

// The routine stored last: the highest name, so that the choice is repeatable.
CIKernelPtr lastOf(const QHash<QString, CIKernelPtr>& kernels)
{
    QStringList names = kernels.keys();
    names.sort();
    return names.isEmpty() ? nullptr : kernels.value(names.last());
}

void storeKeys(QHash<QString, QStringList>& registry, const QMetaObject& cls, const QStringList& keys)
{
    const QString name = QString::fromLatin1(cls.className());
    if (&cls == &LXFilter::staticMetaObject)
        Log::line(lcFilters, QStringLiteral("Warning: cannot determing class, please use [self registerForCopying:]"));
    registry.insert(name, keys);
}

} // namespace

LXFilter::LXFilter(QObject* parent) : CIFilter(parent) {}

void LXFilter::registerForCopying(const QMetaObject& cls, const QStringList& keyPaths)
{
    storeKeys(registries().copyKeys, cls, keyPaths);
}

void LXFilter::registerInputKeys(const QMetaObject& cls, const QStringList& keys)
{
    storeKeys(registries().inputKeys, cls, keys);
}

QStringList LXFilter::copyKeysForClass(const QString& className)
{
    return registries().copyKeys.value(className);
}

// The class's cached routines, loaded on first request; nullptr when the
// class has no kernel text (nothing is cached, so the next call looks again).
static const KernelEntry* kernelEntry(const QString& className)
{
    LXFilter::loadKernels(className);
    const auto it = registries().kernels.constFind(className);
    return it == registries().kernels.constEnd() ? nullptr : &*it;
}

void LXFilter::loadKernels(const QString& className)
{
    Registries& r = registries();
    if (r.kernels.contains(className))
        return;
    const QString bundle = r.bundles.value(className);
    const QString path = bundle.isEmpty()
                           ? Bundle::mainBundle().pathForResource(className, QStringLiteral("cikernel"))
                           : Bundle(bundle).pathForResource(className, QStringLiteral("cikernel"));
    if (path.isNull())
        return; // no entry: the next instance looks again
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QList<CIKernelPtr> routines = CIKernel::kernelsWithString(QString::fromUtf8(file.readAll()));
    if (routines.isEmpty())
        return;
    if (routines.size() == 1) {
        r.kernels.insert(className, routines.first());
        return;
    }
    QHash<QString, CIKernelPtr> byName;
    for (const CIKernelPtr& routine : routines)
        byName.insert(routine->name(), routine); // a later routine of the same name wins
    r.kernels.insert(className, byName);
}

void LXFilter::setBundleForClass(const QString& className, const QString& bundlePath)
{
    registries().bundles.insert(className, bundlePath);
}

CIKernelPtr LXFilter::kernel() const
{
    const QString name = className();
    const KernelEntry* entry = kernelEntry(name);
    if (!entry)
        return nullptr;
    if (const auto* several = std::get_if<QHash<QString, CIKernelPtr>>(entry)) {
        Log::line(lcFilters, QStringLiteral("Warning: requesting single Kernel, even though the filter '%1 has "
                                            "multiple kernel in a Dictionary (%2)")
                                 .arg(name, describe(*several)));
        return lastOf(*several);
    }
    return std::get<CIKernelPtr>(*entry);
}

CIKernelPtr LXFilter::kernelWithName(const QString& routine) const
{
    const QString name = className();
    const KernelEntry* entry = kernelEntry(name);
    if (entry) {
        if (const auto* several = std::get_if<QHash<QString, CIKernelPtr>>(entry)) {
            if (CIKernelPtr k = several->value(routine))
                return k;
            Log::line(lcFilters, QStringLiteral("Warning: Filter '%1' has no Kernel named '%2':\n%3")
                                     .arg(name, routine, describe(*several)));
            return nullptr;
        }
    }
    Log::line(lcFilters, QStringLiteral("Warning: requesting named Kernel '%1' even thought '%2' has only one Kernel")
                             .arg(routine, name));
    return entry ? std::get<CIKernelPtr>(*entry) : nullptr;
}

QHash<QString, CIKernelPtr> LXFilter::kernelsOfClass(const QString& name)
{
    const KernelEntry* entry = kernelEntry(name);
    if (!entry)
        return {};
    if (const auto* several = std::get_if<QHash<QString, CIKernelPtr>>(entry))
        return *several;
    const CIKernelPtr single = std::get<CIKernelPtr>(*entry);
    return {{single->name(), single}};
}

QVariantList LXFilter::arrayForRect(const QRectF& rect)
{
    // An infinite extent (a clamp's, a generator's) stays infinite; no int
    // or float could hold it.
    const bool fits = !CIGeometry::isInfinite(rect) && std::abs(rect.x()) < 2e9 && std::abs(rect.y()) < 2e9
                   && std::abs(rect.width()) < 1e38 && std::abs(rect.height()) < 1e38;
    if (!fits)
        return {std::trunc(rect.x()), std::trunc(rect.y()), rect.width(), rect.height()};
    return {int(rect.x()), int(rect.y()), float(rect.width()), float(rect.height())};
}

QVariant LXFilter::sampler(const CIImage& image)
{
    return QVariant::fromValue(CISampler(image));
}

CIVector LXFilter::vectorForRect(const QRectF& rect)
{
    return CIVector(rect.x(), rect.y(), rect.width(), rect.height());
}

QVariant LXFilter::attributeDefault(const QString& key) const
{
    return customAttributes().value(key).toMap().value(kCIAttributeDefault);
}

double LXFilter::numberInput(const QVariant& value, const QString& key, double fallback) const
{
    if (value.isValid())
        return numberValue(value, fallback);
    return numberValue(attributeDefault(key), fallback);
}

CIColor LXFilter::colorInput(const QVariant& value, const QString& key) const
{
    const CIColor color = colorValue(value);
    return color.isNull() && !value.isValid() ? colorValue(attributeDefault(key)) : color;
}

CIImage LXFilter::applyOverImage(const CIKernelPtr& routine, const CIImage& image, const QVariantList& arguments,
                                 bool keepsAlpha) const
{
    if (image.isNull() || !routine)
        return {};
    QVariantMap options{{kCIApplyOptionDefinition, QVariant::fromValue(image.definition())},
                        {kCIApplyOptionExtent, arrayForRect(image.extent())}};
    if (keepsAlpha)
        options.insert(kCIApplyOptionAlphaOf, 0);
    return apply(routine, arguments, options);
}

QVariant LXFilter::settingsForKey(const QString& key) const
{
    const QVariant settings = attributes().value(key);
    return settings.typeId() == QMetaType::QVariantMap ? settings : QVariant();
}

QStringList LXFilter::inputKeys() const
{
    const auto it = registries().inputKeys.constFind(className());
    return it != registries().inputKeys.constEnd() ? *it : CIFilter::inputKeys();
}

QStringList LXFilter::outputKeys() const
{
    return {kCIOutputImageKey};
}

CIImage LXFilter::outputImage()
{
    return {};
}

std::shared_ptr<CIFilter> LXFilter::copy() const
{
    std::shared_ptr<CIFilter> twin = CIFilter::copy();
    if (!twin)
        return nullptr;
    // Values are immutable (images, numbers, vectors, pictures), so the
    // copy of a value is the value itself.
    for (const QString& keyPath : copyKeysForClass(className()))
        twin->setValue(valueForKey(keyPath), keyPath);
    return twin;
}
