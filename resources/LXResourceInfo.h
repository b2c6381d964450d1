#pragma once
// A parsed resource identifier: "ALX-T#010#Wood-Light-Knots#R" is type
// "ALX-T", index 10, name "Wood-Light-Knots", options "R".
// type and options are null QStrings when absent; a missing index is NoIndex.
// Plain value; any thread.

#include <QString>
#include <QtGlobal>

class LXResourceInfo {
public:
    // The "not found" index: the largest signed 64-bit number.
    static constexpr quint64 NoIndex = 9223372036854775807ull;

    QString type;
    quint64 index = NoIndex;
    QString name;
    QString options;

    bool hasIndex() const { return index != NoIndex; }
    bool operator==(const LXResourceInfo&) const = default;
};
