#pragma once
// Announcing a property change later: after the current event has been
// handled, observers of `key` on `object` are told to re-read it. A property
// with a notify signal gets that signal (with the current value when the
// signal takes it); any other key gets a QDynamicPropertyChangeEvent.
// Nothing arrives once the object is gone. Thread: main thread.

#include <QByteArray>

class QObject;

void delayedChangeValueForKey(QObject* object, const QByteArray& key);
