#pragma once
// A small graph of filters packaged as one filter. Inner filters are wired
// output-to-input; chosen inner inputs and outputs are exported under names
// of the group. Reading an exported output pulls through the graph and
// re-wires only the inner filters whose sources changed since they were last
// wired.
//
// The group never works on the caller's filters: the first time a filter is
// connected or exported, the group keeps a copy of it (interning) under the
// filter's key, and all later work uses that copy; later changes to the
// caller's filter do not reach the group. A key is formed from the filter's
// serial, so a filter made at the address of a deleted one gets a key of its
// own.
//
// Wiring is tracked by generations: every interned filter counts the changes
// of its inputs, and every connection remembers the generation of its source
// it last handed on. Two outputs that share an upstream filter so each see
// its change. A connection that would close a cycle is refused.
//
// Failures log one "Warning: " line and leave the group unchanged. Main
// thread only, like every filter.

#include "platform/image/CIFilter.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

// The keys of a mapping record.
inline const QString kCIFilterGeneratorExportedKey = QStringLiteral("CIFilterGeneratorExportedKey");
inline const QString kCIFilterGeneratorExportedKeyTargetObject =
    QStringLiteral("CIFilterGeneratorExportedKeyTargetObject");

class LXGroupedFilter : public CIFilter {
    Q_OBJECT
public:
    Q_INVOKABLE explicit LXGroupedFilter(QObject* parent = nullptr);
    ~LXGroupedFilter() override;

    // The key the group files `filter` under ("filter-<serial>"): the same for
    // the same object, another for its copies.
    static QString keyForFilter(const CIFilter& filter);

    // Exports the inner input or output `key` of `filter` under `name` (empty:
    // under `key`). One input name may drive inputs of several filters; an
    // output name keeps its first record. Null `filter`: a warning.
    void exportKey(const QString& key, const std::shared_ptr<CIFilter>& filter, const QString& name = {});
    // Wires `source`'s output `sourceKey` to `target`'s input `targetKey`;
    // both filters are interned. Refused with a warning when it would close
    // a cycle, or when a filter is null or `sourceKey` is empty.
    void connectObject(const std::shared_ptr<CIFilter>& source, const QString& sourceKey,
                       const std::shared_ptr<CIFilter>& target, const QString& targetKey);
    // Sets `constant` as `target`'s input `targetKey` now (and in copies).
    void connectObject(const QVariant& constant, const std::shared_ptr<CIFilter>& target, const QString& targetKey);

    // An exported input sets every inner input mapped to it; other keys as
    // any filter's.
    void setValue(const QVariant& value, const QString& key) override;
    // An exported output: pulled through the graph; an exported input: the
    // first mapped inner input's value; other keys as any filter's.
    QVariant valueForKey(const QString& key) const override;
    // The exported output named "outputImage", pulled; null without one.
    CIImage outputImage() override;

    // The exported names, sorted.
    QStringList inputKeys() const override;
    QStringList outputKeys() const override;
    // Filter key -> interned copy. The copies stay owned by the group.
    QHash<QString, std::shared_ptr<CIFilter>> filters() const { return m_filters; }
    // Exported input name -> list of records, exported output name -> one
    // record; a record maps kCIFilterGeneratorExportedKeyTargetObject to a
    // filter key and kCIFilterGeneratorExportedKey to its inner key.
    QVariantMap mapping() const;
    // One record per accepted connection, in order: "sourceObject",
    // "sourceKey" (null for a constant), kCIFilterGeneratorExportedKeyTargetObject
    // and "targetKey".
    QVariantList connections() const;

    // "<- " and each input name followed by a blank, then "-> " and each
    // output name followed by a blank; names sorted.
    QString description() const;

    // Logs "Defaults"; changes nothing (inner filters keep their values).
    void setDefaults() override;
    // Logs "attributes"; the attributes of any filter.
    QVariantMap attributes() const override;

    // An independent group with the same graph: copies of this group's
    // interned filters, constants as they are now. Nothing is shared.
    std::shared_ptr<CIFilter> copy() const override;

private:
    struct Record {
        QString filter; // filter key
        QString key;    // inner key
    };
    struct Connection {
        QString source;    // filter key; empty for a constant
        QString sourceKey; // empty for a constant
        QVariant constant;
        QString target;
        QString targetKey;
        quint64 seen = 0; // the source generation last handed on
    };

    // The interned copy for `filter` (made on first use).
    CIFilter* intern(const std::shared_ptr<CIFilter>& filter);
    // True when `from` is `to` or is pulled, directly or not, from `to`.
    bool pullsFrom(const QString& from, const QString& to) const;
    // Brings `filter`'s wired inputs up to date, sources first.
    void refresh(const QString& filter) const;
    void touch(const QString& filter) const { ++m_generation[filter]; }

    QHash<QString, std::shared_ptr<CIFilter>> m_filters;
    QSet<QString> m_inputValues;
    QSet<QString> m_outputValues;
    QHash<QString, QList<Record>> m_inputMapping;
    QHash<QString, Record> m_outputMapping;
    // Pulls change the wiring and generations, not what the group means.
    mutable std::vector<Connection> m_connections;
    QHash<QString, QList<size_t>> m_inverseMapping; // target key -> wired connections
    mutable QHash<QString, quint64> m_generation;
};
