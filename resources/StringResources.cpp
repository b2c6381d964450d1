#include "resources/StringResources.h"

#include "resources/BundleResources.h"

#include <QFontDatabase>

namespace {

QString withoutVariantSuffix(const QString& name)
{
    for (const char* suffix : {"-iPhone", "-iPad", "@2x"}) {
        const QLatin1String s(suffix);
        const qsizetype at = name.indexOf(s);
        if (at >= 0 && at + s.size() == name.size())
            return name.left(at);
    }
    return name;
}

} // namespace

LXResourceInfo resourceInfo(const QString& string)
{
    QString text = string.section(QLatin1Char('/'), -1);
    const qsizetype dot = text.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        text.truncate(dot);
    text = withoutVariantSuffix(text);

    LXResourceInfo info;
    if (text.indexOf(QLatin1Char('#')) == 5) {
        info.type = text.left(5);
        text = text.mid(6);
    }
    if (text.indexOf(QLatin1Char('#')) == 3) {
        // Leading digits only; no digits reads as 0.
        const QString digits = text.left(3);
        qsizetype n = 0;
        while (n < digits.size() && digits.at(n).isDigit())
            ++n;
        info.index = digits.left(n).toULongLong();
        text = text.mid(4);
    }
    const qsizetype hash = text.indexOf(QLatin1Char('#'));
    if (hash >= 0) {
        info.name = text.left(hash);
        info.options = text.mid(hash + 1);
    } else {
        info.name = text;
    }
    return info;
}

QString resourceIDForType(const QString& type, quint64 index)
{
    QString id = type.isNull() ? QString(QLatin1String("")) : type;
    if (index != LXResourceInfo::NoIndex)
        id += QStringLiteral("#%1").arg(index, 3, 10, QLatin1Char('0'));
    return id;
}

QString resourceIDNameFor(const LXResourceInfo& info)
{
    const QString id = resourceIDForType(info.type, info.index);
    return id.isEmpty() ? info.name : id + QLatin1Char('#') + info.name;
}

QString resourceID(const QString& string)
{
    const LXResourceInfo info = resourceInfo(string);
    return resourceIDForType(info.type, info.index);
}

QString fileprefix(const QString& string)
{
    return resourceID(string);
}

QString resourceIDName(const QString& string)
{
    return resourceIDNameFor(resourceInfo(string));
}

QString resourcePath(const QString& string)
{
    return directoryForResourceType(string);
}

bool hasAnySubstringOf(const QString& string, const QStringList& substrings)
{
    for (const QString& s : substrings)
        if (string.contains(s))
            return true;
    return false;
}

const QFont& defaultAttributes()
{
    static const QFont font = [] {
        QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        f.setPointSizeF(10);
        return f;
    }();
    return font;
}

AttributedString atrributedStringWithAtributes(const QString& string, const QFont* font)
{
    const QFont plain = font ? *font : defaultAttributes();
    QFont bold = plain;
    bold.setBold(true);

    AttributedString runs;
    auto append = [&runs](const QString& text, const QFont& f) {
        if (text.isEmpty())
            return;
        if (!runs.isEmpty() && runs.last().font == f)
            runs.last().text += text;
        else
            runs.append({text, f});
    };
    QString rest = string;
    for (;;) {
        const qsizetype open = rest.indexOf(QLatin1String("<b>"));
        const qsizetype close = rest.indexOf(QLatin1String("</b>"));
        if (open < 0 || close < 0 || close < open)
            break;
        append(rest.left(open), plain);
        append(rest.mid(open + 3, close - open - 3), bold);
        rest = rest.mid(close + 4);
    }
    append(rest, plain);
    return runs;
}
