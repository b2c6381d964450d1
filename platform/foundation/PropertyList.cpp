#include "platform/foundation/PropertyList.h"

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Log.h"

#include <QDateTime>
#include <QFile>
#include <QTimeZone>

#include <plist/plist.h>

#include <limits>
#include <memory>

namespace {

// Property-list dates count seconds from 2001-01-01 00:00:00 UTC.
const QDateTime& referenceDate()
{
    static const QDateTime date(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return date;
}

struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

QVariant toVariant(plist_t node)
{
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return bool(value);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return qint64(value); // negative integers come back two's complement
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return value;
    }
    case PLIST_STRING: {
        // By length: a string may hold NUL characters (libplist asserts on
        // them when asked for a C string).
        uint64_t length = 0;
        const char* value = plist_get_string_ptr(node, &length);
        return value ? QString::fromUtf8(value, qsizetype(length)) : QString(QLatin1String(""));
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        return referenceDate().addSecs(sec).addMSecs(usec / 1000);
    }
    case PLIST_DATA: {
        char* value = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &value, &length);
        QByteArray data(value ? value : "", qsizetype(length));
        free(value);
        return data;
    }
    case PLIST_UID: {
        uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return qint64(value);
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t size = plist_array_get_size(node);
        list.reserve(size);
        for (uint32_t i = 0; i < size; ++i)
            list.append(toVariant(plist_array_get_item(node, i)));
        return list;
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, it, &key, &value);
            if (!key)
                break;
            map.insert(QString::fromUtf8(key), toVariant(value));
            free(key);
        }
        free(it);
        return map;
    }
    default:
        return {};
    }
}

// libplist aborts when asked for a dictionary key that holds a NUL character.
// Its XML writer ends every text at its first NUL, so the tree read back from
// that text is safe to walk. Null when it cannot be read back.
plist_t withoutNulCharacters(plist_t root)
{
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &xml, &length);
    plist_t clean = nullptr;
    if (xml)
        plist_from_xml(xml, length, &clean);
    plist_to_xml_free(xml);
    return clean;
}

plist_t fromVariant(const QVariant& value, const QString& path);

QString childPath(const QString& path, const QString& part)
{
    return path.isEmpty() ? part : path + u'/' + part;
}

// The node of an entry at `path` (a key path such as "effects/0/inputColor");
// null, after one warning naming the path, when the entry has no list form.
plist_t entryNode(const QVariant& value, const QString& path)
{
    plist_t node = fromVariant(value, path);
    if (!node)
        Log::line(lcFoundation, QStringLiteral("Warning: property list entry '%1' was left out: a %2 value "
                                               "has no property list form")
                                    .arg(path, value.isValid() ? QString::fromLatin1(value.typeName())
                                                               : QStringLiteral("nil")));
    return node;
}

// Null when the value itself has no property-list form; entries of lists and
// dictionaries without one are left out (one bad setting must not make a whole
// document unsaveable).
plist_t fromVariant(const QVariant& value, const QString& path)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return plist_new_bool(value.toBool());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::Char:
    case QMetaType::SChar:
        return plist_new_uint(uint64_t(value.toLongLong()));
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::ULong:
    case QMetaType::UChar: {
        const qulonglong v = value.toULongLong();
        if (v > qulonglong(std::numeric_limits<qint64>::max()))
            return nullptr;
        return plist_new_uint(v);
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(value.toDouble());
    case QMetaType::QString:
        return plist_new_string(value.toString().toUtf8().constData());
    case QMetaType::QByteArray: {
        const QByteArray data = value.toByteArray();
        return plist_new_data(data.constData(), uint64_t(data.size()));
    }
    case QMetaType::QDateTime: {
        const qint64 ms = referenceDate().msecsTo(value.toDateTime());
        return plist_new_date(int32_t(ms / 1000), int32_t((ms % 1000) * 1000));
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        PlistPtr array(plist_new_array());
        const QVariantList items = value.toList();
        for (qsizetype i = 0; i < items.size(); ++i)
            if (plist_t node = entryNode(items[i], childPath(path, QString::number(i))))
                plist_array_append_item(array.get(), node);
        return array.release();
    }
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        PlistPtr dict(plist_new_dict());
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            if (plist_t node = entryNode(it.value(), childPath(path, it.key())))
                plist_dict_set_item(dict.get(), it.key().toUtf8().constData(), node);
        return dict.release();
    }
    default:
        return nullptr;
    }
}

} // namespace

namespace PropertyList {

QVariant read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Log::line(lcFoundation, QStringLiteral("Error: cannot read property list %1: %2")
                                    .arg(path, file.errorString()));
        return {};
    }
    return fromData(file.readAll(), path);
}

QVariant fromData(const QByteArray& data, const QString& origin)
{
    QString reason;
    const QVariant tree = fromData(data, origin, &reason);
    if (!reason.isEmpty())
        Log::line(lcFoundation, QStringLiteral("Error: ") + reason);
    return tree;
}

QVariant fromData(const QByteArray& data, const QString& origin, QString* reason)
{
    const QString malformed = QStringLiteral("malformed property list %1").arg(origin.isEmpty() ? QStringLiteral("data") : origin);
    plist_t root = nullptr;
    if (!data.isEmpty() && data.size() <= std::numeric_limits<uint32_t>::max())
        plist_from_memory(data.constData(), uint32_t(data.size()), &root);
    if (!root) {
        *reason = malformed;
        return {};
    }
    PlistPtr owner(root);
    PlistPtr clean(withoutNulCharacters(root));
    if (!clean) {
        *reason = malformed;
        return {};
    }
    reason->clear();
    return toVariant(clean.get());
}

QByteArray toXml(const QVariant& value)
{
    PlistPtr root(fromVariant(value, QString()));
    if (!root)
        return {};
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    QByteArray out(xml, qsizetype(length));
    plist_to_xml_free(xml);
    return out;
}

bool write(const QVariant& value, const QString& path)
{
    const QByteArray xml = toXml(value);
    if (xml.isEmpty()) {
        Log::line(lcFoundation, QStringLiteral("Error: cannot write property list %1: "
                                               "a value has no property list form")
                                    .arg(path));
        return false;
    }
    return AtomicFile::write(path, xml);
}

} // namespace PropertyList
