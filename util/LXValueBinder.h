#pragma once
// Binds properties of objects loaded from interface files to user defaults,
// as their dynamic properties ask:
//   "bind.<property>"        the user default's key
//   "transformer.<property>" the name of a registered ValueTransformer (optional)
// The property shows the (transformed) default at once and whenever it
// changes; a change of the property (its notify signal) writes the value
// back, reverse-transformed, where the transformer allows it. A value that
// cannot be read back (null) leaves the stored one as it is. An unknown
// transformer name or a property without a notify signal gives a
// "Warning: " line (the binding then runs one way or not at all).
// Ownership: each binding is a child of its object and ends with it.
// Thread: main thread.

#include <QList>
#include <QPointer>

class QObject;
class UserDefaults;

namespace LXValueBinder {

void bindObject(QObject* object, UserDefaults& defaults);
// Every object of a loaded interface file (InterfaceFile::Result::objects).
void bindObjects(const QList<QPointer<QObject>>& objects, UserDefaults& defaults);

} // namespace LXValueBinder
