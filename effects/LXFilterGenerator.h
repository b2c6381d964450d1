#pragma once
// The builder of a grouped filter: collects exports and connections and hands
// out the finished group.
//
//     LXFilterGenerator generator = LXFilterGenerator::filterGenerator();
//     generator.connectObject(blur, kCIOutputImageKey, tint, kCIInputImageKey);
//     generator.exportKey(kCIInputImageKey, blur, {});
//     generator.exportKey(kCIOutputImageKey, tint, {});
//     std::shared_ptr<LXGroupedFilter> group = generator.filter();
//
// The group is made with the builder and is the same object on every call;
// what is built on after handing it out reaches the group too. Main thread.

#include "effects/LXGroupedFilter.h"

#include <memory>

class LXFilterGenerator {
public:
    LXFilterGenerator();
    // A new builder with an empty group.
    static LXFilterGenerator filterGenerator() { return {}; }

    // As LXGroupedFilter's, on the group.
    void exportKey(const QString& key, const std::shared_ptr<CIFilter>& filter, const QString& name = {});
    void connectObject(const std::shared_ptr<CIFilter>& source, const QString& sourceKey,
                       const std::shared_ptr<CIFilter>& target, const QString& targetKey);
    void connectObject(const QVariant& constant, const std::shared_ptr<CIFilter>& target, const QString& targetKey);

    // The group (never null).
    std::shared_ptr<LXGroupedFilter> filter() const { return m_generatedFilter; }

private:
    std::shared_ptr<LXGroupedFilter> m_generatedFilter;
};
