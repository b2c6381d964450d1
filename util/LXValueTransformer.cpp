#include "util/LXValueTransformer.h"

#include "util/LXNegateValueTransformer.h"
#include "util/LXTimeValueTransformer.h"

#include <QHash>

namespace {

QHash<QString, std::shared_ptr<LXValueTransformer>>& registry()
{
    // Static libraries drop self-registering statics: the built-ins are added here.
    static auto* transformers = new QHash<QString, std::shared_ptr<LXValueTransformer>>{
        {QStringLiteral("LXTimeValueTransformer"), std::make_shared<LXTimeValueTransformer>()},
        {QStringLiteral("LXNegateValueTransformer"), std::make_shared<LXNegateValueTransformer>()},
    };
    return *transformers;
}

} // namespace

void LXValueTransformer::setValueTransformer(std::shared_ptr<LXValueTransformer> transformer, const QString& name)
{
    registry().insert(name, std::move(transformer));
}

LXValueTransformer* LXValueTransformer::valueTransformerForName(const QString& name)
{
    const auto found = registry().constFind(name);
    return found == registry().constEnd() ? nullptr : found->get();
}
