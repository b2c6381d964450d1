#include "effects/LXGroupedFilter.h"

#include "platform/foundation/Log.h"

#include <algorithm>

namespace {

QVariantMap recordMap(const QString& filter, const QString& key)
{
    return {{kCIFilterGeneratorExportedKeyTargetObject, filter}, {kCIFilterGeneratorExportedKey, key}};
}

void warn(const QString& text)
{
    Log::line(lcEffects, QStringLiteral("Warning: ") + text);
}

QStringList sorted(const QSet<QString>& names)
{
    QStringList list(names.cbegin(), names.cend());
    list.sort();
    return list;
}

} // namespace

LXGroupedFilter::LXGroupedFilter(QObject* parent) : CIFilter(parent) {}
LXGroupedFilter::~LXGroupedFilter() = default;

QString LXGroupedFilter::keyForFilter(const CIFilter& filter)
{
    return QStringLiteral("filter-%1").arg(filter.serial());
}

CIFilter* LXGroupedFilter::intern(const std::shared_ptr<CIFilter>& filter)
{
    const QString key = keyForFilter(*filter);
    auto found = m_filters.constFind(key);
    if (found != m_filters.constEnd())
        return found->get();
    std::shared_ptr<CIFilter> copy = filter->copy();
    if (!copy)
        return nullptr; // the copy logged why
    m_filters.insert(key, copy);
    m_generation.insert(key, 1);
    return copy.get();
}

void LXGroupedFilter::exportKey(const QString& key, const std::shared_ptr<CIFilter>& filter, const QString& name)
{
    if (!filter) {
        warn(QStringLiteral("LXGroupedFilter: Cannot export %1 of no filter.").arg(key));
        return;
    }
    CIFilter* inner = intern(filter);
    if (!inner)
        return;
    const QString filterKey = keyForFilter(*filter);
    const QString exported = name.isEmpty() ? key : name;
    if (inner->inputKeys().contains(key)) {
        if (m_outputValues.contains(exported)) {
            warn(QStringLiteral("LXGroupedFilter: Key %1 is already exported as an output key.").arg(exported));
            return;
        }
        m_inputValues.insert(exported);
        m_inputMapping[exported].append({filterKey, key});
    } else if (inner->outputKeys().contains(key)) {
        if (m_inputValues.contains(exported)) {
            warn(QStringLiteral("LXGroupedFilter: Key %1 is already exported as an input key.").arg(exported));
            return;
        }
        m_outputValues.insert(exported);
        if (m_outputMapping.contains(exported))
            warn(QStringLiteral("LXGroupedFilter: Mapping already exists for key %1.").arg(key));
        else
            m_outputMapping.insert(exported, {filterKey, key});
    } else {
        warn(QStringLiteral("LXGroupedFilter: Cannot export %1 as it is neither an input nor output key.").arg(key));
    }
}

bool LXGroupedFilter::pullsFrom(const QString& from, const QString& to) const
{
    if (from == to)
        return true;
    const QList<size_t> incoming = m_inverseMapping.value(from);
    return std::any_of(incoming.cbegin(), incoming.cend(),
                       [&](size_t i) { return pullsFrom(m_connections[i].source, to); });
}

void LXGroupedFilter::connectObject(const std::shared_ptr<CIFilter>& source, const QString& sourceKey,
                                    const std::shared_ptr<CIFilter>& target, const QString& targetKey)
{
    if (!source || !target || sourceKey.isEmpty()) {
        warn(QStringLiteral("LXGroupedFilter: Cannot connect %1 to %2: a filter or the source key is missing.")
                 .arg(sourceKey, targetKey));
        return;
    }
    const QString from = keyForFilter(*source);
    const QString to = keyForFilter(*target);
    // Checked before interning, so that a refused connection changes nothing.
    if (pullsFrom(from, to)) {
        warn(QStringLiteral("LXGroupedFilter: Connecting %1 of %2 to %3 of %4 would close a cycle; not connected.")
                 .arg(sourceKey, source->name(), targetKey, target->name()));
        return;
    }
    if (!intern(source) || !intern(target))
        return;
    m_connections.push_back({from, sourceKey, {}, to, targetKey});
    m_inverseMapping[to].append(m_connections.size() - 1);
}

void LXGroupedFilter::connectObject(const QVariant& constant, const std::shared_ptr<CIFilter>& target,
                                    const QString& targetKey)
{
    if (!target) {
        warn(QStringLiteral("LXGroupedFilter: Cannot connect a constant to %1 of no filter.").arg(targetKey));
        return;
    }
    CIFilter* inner = intern(target);
    if (!inner)
        return;
    const QString to = keyForFilter(*target);
    inner->setValue(constant, targetKey);
    touch(to); // what was pulled from it before is stale now
    m_connections.push_back({{}, {}, constant, to, targetKey});
}

void LXGroupedFilter::refresh(const QString& filter) const
{
    CIFilter* target = m_filters.value(filter).get();
    for (size_t i : m_inverseMapping.value(filter)) {
        refresh(m_connections[i].source);
        Connection& connection = m_connections[i];
        CIFilter* source = m_filters.value(connection.source).get();
        const quint64 generation = m_generation.value(connection.source);
        if (!source || !target || connection.seen == generation)
            continue;
        target->setValue(source->valueForKey(connection.sourceKey), connection.targetKey);
        connection.seen = generation;
        touch(filter);
    }
}

void LXGroupedFilter::setValue(const QVariant& value, const QString& key)
{
    if (!m_inputValues.contains(key)) {
        CIFilter::setValue(value, key);
        return;
    }
    for (const Record& record : m_inputMapping.value(key)) {
        if (CIFilter* inner = m_filters.value(record.filter).get()) {
            touch(record.filter);
            inner->setValue(value, record.key);
        }
    }
}

QVariant LXGroupedFilter::valueForKey(const QString& key) const
{
    if (m_outputValues.contains(key)) {
        const auto record = m_outputMapping.constFind(key);
        if (record == m_outputMapping.constEnd())
            return {};
        refresh(record->filter);
        const CIFilter* inner = m_filters.value(record->filter).get();
        return inner ? inner->valueForKey(record->key) : QVariant();
    }
    if (m_inputValues.contains(key)) {
        const QList<Record> records = m_inputMapping.value(key);
        const CIFilter* inner = records.isEmpty() ? nullptr : m_filters.value(records.first().filter).get();
        return inner ? inner->valueForKey(records.first().key) : QVariant();
    }
    return CIFilter::valueForKey(key);
}

CIImage LXGroupedFilter::outputImage()
{
    return m_outputValues.contains(kCIOutputImageKey) ? imageValue(valueForKey(kCIOutputImageKey)) : CIImage();
}

QStringList LXGroupedFilter::inputKeys() const
{
    return sorted(m_inputValues);
}

QStringList LXGroupedFilter::outputKeys() const
{
    return sorted(m_outputValues);
}

QVariantMap LXGroupedFilter::mapping() const
{
    QVariantMap result;
    for (auto it = m_inputMapping.cbegin(); it != m_inputMapping.cend(); ++it) {
        QVariantList records;
        for (const Record& record : it.value())
            records.append(recordMap(record.filter, record.key));
        result.insert(it.key(), records);
    }
    for (auto it = m_outputMapping.cbegin(); it != m_outputMapping.cend(); ++it)
        result.insert(it.key(), recordMap(it->filter, it->key));
    return result;
}

QVariantList LXGroupedFilter::connections() const
{
    QVariantList result;
    for (const Connection& c : m_connections)
        result.append(QVariantMap{{QStringLiteral("sourceObject"), c.source},
                                  {QStringLiteral("sourceKey"), c.sourceKey.isEmpty() ? QVariant() : c.sourceKey},
                                  {kCIFilterGeneratorExportedKeyTargetObject, c.target},
                                  {QStringLiteral("targetKey"), c.targetKey}});
    return result;
}

QString LXGroupedFilter::description() const
{
    QString text = QStringLiteral("<- ");
    for (const QString& name : inputKeys())
        text += name + u' ';
    text += QStringLiteral("-> ");
    for (const QString& name : outputKeys())
        text += name + u' ';
    return text;
}

void LXGroupedFilter::setDefaults()
{
    warn(QStringLiteral("Defaults"));
}

QVariantMap LXGroupedFilter::attributes() const
{
    warn(QStringLiteral("attributes"));
    return CIFilter::attributes();
}

std::shared_ptr<CIFilter> LXGroupedFilter::copy() const
{
    auto group = std::make_shared<LXGroupedFilter>();
    group->setName(name());
    for (const Connection& c : m_connections) {
        const std::shared_ptr<CIFilter>& target = m_filters.value(c.target);
        if (c.sourceKey.isEmpty())
            group->connectObject(target->valueForKey(c.targetKey), target, c.targetKey);
        else
            group->connectObject(m_filters.value(c.source), c.sourceKey, target, c.targetKey);
    }
    for (const QString& name : sorted(m_inputValues))
        for (const Record& record : m_inputMapping.value(name))
            group->exportKey(record.key, m_filters.value(record.filter), name);
    for (const QString& name : sorted(m_outputValues))
        if (m_outputMapping.contains(name)) {
            const Record record = m_outputMapping.value(name);
            group->exportKey(record.key, m_filters.value(record.filter), name);
        }
    return group;
}
