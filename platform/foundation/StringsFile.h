#pragma once
// Strings tables: files of entries
//     /* comment */ "key" = "value";   // comment
// as translators write them. Keys and values are quoted (or bare words of
// letters, digits and _.$:/-); the escapes \" \\ \n \t \r \0 and \Uxxxx (a
// UTF-16 unit; surrogate pairs join) are understood; an entry "key"; maps the
// key to itself. Files are UTF-8, or UTF-16 with a byte-order mark.
//
// Failures: an unreadable file or a syntax error logs one "Error: " line with
// the path and line number, and gives an empty table (nothing half-read).
// Thread: any thread; no shared state.

#include <QByteArray>
#include <QHash>
#include <QString>

namespace StringsFile {

using Table = QHash<QString, QString>;

// The table of the file at `path`; `ok` (when given) tells whether it parsed.
Table read(const QString& path, bool* ok = nullptr);

// The table of the file's bytes; `origin` names it in the log line.
Table parse(const QByteArray& data, const QString& origin, bool* ok = nullptr);

} // namespace StringsFile
