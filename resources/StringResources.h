#pragma once
// Resource identifiers in strings (a bare identifier, a file name or a path):
//   type (5 characters) "#" index (3 digits) "#" name [ "#" options ]
// Parsing never fails: missing fields are null / LXResourceInfo::NoIndex.
// Thread: any thread, except resourcePath() (reads the type table, main thread).

#include "resources/LXResourceInfo.h"

#include <QFont>
#include <QString>
#include <QStringList>
#include <QVector>

// The identifier at the start of the string's last path component, without
// its extension and one variant suffix ("-iPhone", "-iPad" or "@2x").
LXResourceInfo resourceInfo(const QString& string);

// "ALX-T#010": type, "#", the index as three digits at least; "" when both
// type and index are absent.
QString resourceID(const QString& string);
QString fileprefix(const QString& string); // the same as resourceID
// The resource ID, "#", the name; the name alone when the ID is empty.
QString resourceIDName(const QString& string);
// The directory registered for the string taken as a type code, or null.
QString resourcePath(const QString& string);

QString resourceIDForType(const QString& type, quint64 index);
QString resourceIDNameFor(const LXResourceInfo& info);

bool hasAnySubstringOf(const QString& string, const QStringList& substrings);

// Styled text for tool tips: runs of text with their fonts.
struct TextRun {
    QString text;
    QFont font;
    bool operator==(const TextRun&) const = default;
};
using AttributedString = QVector<TextRun>;

// The system font at 10 points, made once.
const QFont& defaultAttributes();
// `string` in `font` (default: defaultAttributes()), with every run between
// "<b>" and "</b>" in the bold face of the same family and size; the tags go.
AttributedString atrributedStringWithAtributes(const QString& string, const QFont* font = nullptr);
