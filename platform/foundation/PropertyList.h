#pragma once
// Property lists as QVariant trees.
//
// Mapping: dict <-> QVariantMap, array <-> QVariantList, string <-> QString,
// integer <-> qint64, real <-> double, true/false <-> bool, date <-> QDateTime
// (UTC, whole seconds), data <-> QByteArray. XML and binary lists are read;
// lists are written as XML. A string or key holding a NUL character ends
// there; a binary list's UID reads as the dictionary { "CF$UID": number }.
//
// Failures: an unreadable or malformed file, or a value that has no property
// list form, logs one "Error: " line and gives an invalid QVariant / false.
// An entry of a dictionary or array that has no list form (null, a colour, a
// QObject ...) is left out with one "Warning: " line naming its key path
// ("effects/0/inputColor"), and the rest is written: callers that mean to keep
// colours store their text forms.
// Writing is atomic: the target is either the old file or the whole new one.
// Thread: any thread; no shared state.

#include <QByteArray>
#include <QString>
#include <QVariant>

namespace PropertyList {

// The tree of the list at `path`; invalid when it cannot be read or parsed.
QVariant read(const QString& path);

// The tree of XML or binary list data; invalid when malformed.
// `origin` names the data in the log line (a path, or empty).
QVariant fromData(const QByteArray& data, const QString& origin = {});
// The same without the log line: what is wrong goes to `reason` instead,
// for callers that say it in their own words.
QVariant fromData(const QByteArray& data, const QString& origin, QString* reason);

// XML list data for `value`; empty when `value` itself has no list form (an
// invalid QVariant, a QObject, ...); entries without one are left out.
QByteArray toXml(const QVariant& value);

// Writes `value` as an XML list to `path`, atomically. False on failure.
bool write(const QVariant& value, const QString& path);

} // namespace PropertyList
