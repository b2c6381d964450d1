#include "util/LXValueBinder.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"
#include "util/ValueTransformer.h"

#include <QMetaProperty>
#include <QObject>
#include <QPointer>

namespace {

// One property bound to one key; lives as a child of the bound object.
class Binding : public QObject {
    Q_OBJECT
public:
    Binding(QObject* object, QMetaProperty property, QString key, QString transformerName, UserDefaults& defaults)
        : QObject(object), m_object(object), m_property(property), m_key(std::move(key)),
          m_transformerName(std::move(transformerName)), m_defaults(&defaults)
    {
        m_token = defaults.addKeyObserver(m_key, [this](const QVariant& value) { show(value); });
        show(defaults.objectForKey(m_key));
    }
    ~Binding() override
    {
        if (m_defaults)
            m_defaults->removeKeyObserver(m_token);
    }

public slots:
    void propertyChanged()
    {
        if (m_showing || !m_object || !m_defaults)
            return;
        QVariant value = m_property.read(m_object);
        if (ValueTransformer* transformer = this->transformer()) {
            if (!transformer->allowsReverseTransformation())
                return;
            value = transformer->reverseTransformedValue(value);
            if (!value.isValid())
                return; // unreadable text: the stored value stays
        }
        m_defaults->setObject(value, m_key);
    }

private:
    ValueTransformer* transformer() const
    {
        return m_transformerName.isEmpty() ? nullptr : ValueTransformer::valueTransformerForName(m_transformerName);
    }
    void show(const QVariant& stored)
    {
        ValueTransformer* transformer = this->transformer();
        const QVariant shown = transformer ? transformer->transformedValue(stored) : stored;
        m_showing = true; // our own write is no change of the user's
        m_property.write(m_object, shown);
        m_showing = false;
    }

    QPointer<QObject> m_object;
    QMetaProperty m_property;
    QString m_key, m_transformerName;
    QPointer<UserDefaults> m_defaults;
    int m_token = 0;
    bool m_showing = false;
};

} // namespace

namespace LXValueBinder {

void bindObject(QObject* object, UserDefaults& defaults)
{
    if (!object || object->metaObject()->indexOfClassInfo("LXBindsItself") >= 0)
        return; // "bind." means something else to such an object
    for (const QByteArray& name : object->dynamicPropertyNames()) {
        if (!name.startsWith("bind."))
            continue;
        const QByteArray propertyName = name.mid(5);
        const QString key = object->property(name).toString();
        const QString transformerName = object->property("transformer." + propertyName).toString();
        const QMetaObject* meta = object->metaObject();
        const int index = meta->indexOfProperty(propertyName.constData());
        if (index < 0 || key.isEmpty()) {
            Log::line(lcUtil, QStringLiteral("Warning: cannot bind %1 of %2 to '%3': no such property")
                                  .arg(QString::fromLatin1(propertyName), object->objectName(), key));
            continue;
        }
        if (!transformerName.isEmpty() && !ValueTransformer::valueTransformerForName(transformerName))
            Log::line(lcUtil, QStringLiteral("Warning: no value transformer named '%1'; %2 shows the stored value")
                                  .arg(transformerName, QString::fromLatin1(propertyName)));
        const QMetaProperty property = meta->property(index);
        auto* binding = new Binding(object, property, key,
                                    ValueTransformer::valueTransformerForName(transformerName) ? transformerName : QString(),
                                    defaults);
        if (!property.hasNotifySignal()) {
            Log::line(lcUtil, QStringLiteral("Warning: %1 of %2 has no change signal; it is bound one way")
                                  .arg(QString::fromLatin1(propertyName), object->objectName()));
            continue;
        }
        const int slot = binding->metaObject()->indexOfSlot("propertyChanged()");
        QMetaObject::connect(object, property.notifySignalIndex(), binding, slot);
    }
}

void bindObjects(const QList<QPointer<QObject>>& objects, UserDefaults& defaults)
{
    for (const QPointer<QObject>& object : objects)
        bindObject(object, defaults);
}

} // namespace LXValueBinder

#include "LXValueBinder.moc"
