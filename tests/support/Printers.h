#pragma once
// Readable GoogleTest failure messages for Qt values.

#include <QDebug>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << "{ ";
    for (const QString& s : list)
        *os << '"' << s.toStdString() << "\" ";
    *os << '}';
}
inline void PrintTo(const QVariant& v, std::ostream* os)
{
    QString text;
    QDebug(&text) << v;
    *os << text.toStdString();
}
