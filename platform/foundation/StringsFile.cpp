#include "platform/foundation/StringsFile.h"

#include "platform/foundation/Log.h"

#include <QFile>
#include <QStringDecoder>

#include <optional>

namespace {

QString decode(const QByteArray& data)
{
    if (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF")) {
        auto decoder = QStringDecoder(QStringDecoder::Utf16);
        return decoder(data);
    }
    QString text = QString::fromUtf8(data);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

class Parser {
public:
    Parser(const QString& text) : m_text(text) {}

    std::optional<StringsFile::Table> run()
    {
        StringsFile::Table table;
        for (;;) {
            skipSpaceAndComments();
            if (m_failed)
                return std::nullopt;
            if (atEnd())
                return table;
            std::optional<QString> key = token();
            if (!key)
                return std::nullopt;
            skipSpaceAndComments();
            QString value = *key;
            if (peek() == QLatin1Char('=')) {
                ++m_pos;
                skipSpaceAndComments();
                std::optional<QString> v = token();
                if (!v)
                    return std::nullopt;
                value = *v;
                skipSpaceAndComments();
            }
            if (peek() != QLatin1Char(';'))
                return fail("expected ';'");
            ++m_pos;
            table.insert(*key, value);
        }
    }

    int line() const { return int(m_text.left(m_pos).count(QLatin1Char('\n'))) + 1; }
    const QString& reason() const { return m_reason; }

private:
    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar peek(qsizetype ahead = 0) const
    {
        return m_pos + ahead < m_text.size() ? m_text.at(m_pos + ahead) : QChar();
    }

    std::nullopt_t fail(const char* reason)
    {
        m_failed = true;
        m_reason = QString::fromLatin1(reason);
        return std::nullopt;
    }

    void skipSpaceAndComments()
    {
        while (!atEnd()) {
            if (peek().isSpace()) {
                ++m_pos;
            } else if (peek() == QLatin1Char('/') && peek(1) == QLatin1Char('*')) {
                const qsizetype end = m_text.indexOf(QLatin1String("*/"), m_pos + 2);
                if (end < 0) {
                    fail("unterminated comment");
                    return;
                }
                m_pos = end + 2;
            } else if (peek() == QLatin1Char('/') && peek(1) == QLatin1Char('/')) {
                const qsizetype end = m_text.indexOf(QLatin1Char('\n'), m_pos);
                m_pos = end < 0 ? m_text.size() : end + 1;
            } else {
                return;
            }
        }
    }

    static bool isBareChar(QChar c)
    {
        return c.isLetterOrNumber() || QStringView(u"_.$:/-").contains(c);
    }

    std::optional<QString> token()
    {
        if (peek() == QLatin1Char('"'))
            return quoted();
        QString word;
        while (!atEnd() && isBareChar(peek()))
            word.append(m_text.at(m_pos++));
        if (word.isEmpty())
            return fail("expected a quoted string");
        return word;
    }

    std::optional<QString> quoted()
    {
        ++m_pos; // opening quote
        QString out;
        while (!atEnd()) {
            const QChar c = m_text.at(m_pos++);
            if (c == QLatin1Char('"'))
                return out;
            if (c != QLatin1Char('\\')) {
                out.append(c);
                continue;
            }
            if (atEnd())
                break;
            const QChar e = m_text.at(m_pos++);
            switch (e.unicode()) {
            case 'n': out.append(QLatin1Char('\n')); break;
            case 't': out.append(QLatin1Char('\t')); break;
            case 'r': out.append(QLatin1Char('\r')); break;
            case '0': out.append(QChar(0)); break;
            case 'U':
            case 'u': {
                bool ok = false;
                const uint unit = m_text.mid(m_pos, 4).toUInt(&ok, 16);
                if (!ok || m_pos + 4 > m_text.size())
                    return fail("bad \\U escape");
                m_pos += 4;
                out.append(QChar(char16_t(unit)));
                break;
            }
            default: out.append(e); break; // \" \\ \' and anything else: the character itself
            }
        }
        return fail("unterminated string");
    }

    const QString& m_text;
    qsizetype m_pos = 0;
    bool m_failed = false;
    QString m_reason;
};

} // namespace

namespace StringsFile {

Table read(const QString& path, bool* ok)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (ok)
            *ok = false;
        Log::line(lcFoundation, QStringLiteral("Error: cannot read strings file %1: %2")
                                    .arg(path, file.errorString()));
        return {};
    }
    return parse(file.readAll(), path, ok);
}

Table parse(const QByteArray& data, const QString& origin, bool* ok)
{
    const QString text = decode(data);
    Parser parser(text);
    std::optional<Table> table = parser.run();
    if (ok)
        *ok = table.has_value();
    if (!table) {
        Log::line(lcFoundation, QStringLiteral("Error: malformed strings file %1, line %2: %3")
                                    .arg(origin, QString::number(parser.line()), parser.reason()));
        return {};
    }
    return *table;
}

} // namespace StringsFile
