#include "util/ObjectExtension.h"

#include "platform/foundation/MainQueue.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaProperty>
#include <QPointer>

void delayedChangeValueForKey(QObject* object, const QByteArray& key)
{
    if (!object)
        return;
    MainQueue::async([target = QPointer<QObject>(object), key] {
        if (!target)
            return;
        const QMetaObject* meta = target->metaObject();
        const int index = meta->indexOfProperty(key.constData());
        if (index < 0 || !meta->property(index).hasNotifySignal()) {
            QDynamicPropertyChangeEvent event(key);
            QCoreApplication::sendEvent(target, &event);
            return;
        }
        const QMetaProperty property = meta->property(index);
        const QMetaMethod signal = property.notifySignal();
        if (signal.parameterCount() == 0) {
            signal.invoke(target, Qt::DirectConnection);
        } else if (signal.parameterCount() == 1 && signal.parameterMetaType(0) == property.metaType()) {
            QVariant value = property.read(target);
            signal.invoke(target, Qt::DirectConnection, QGenericArgument(property.typeName(), value.constData()));
        }
    });
}
