#include "util/ValueTransformer.h"

#include "util/LXNegateValueTransformer.h"
#include "util/LXTimeValueTransformer.h"

#include <QHash>

namespace {

QHash<QString, std::shared_ptr<ValueTransformer>>& registry()
{
    // Static libraries drop self-registering statics: the built-ins are added here.
    static auto* transformers = new QHash<QString, std::shared_ptr<ValueTransformer>>{
        {QStringLiteral("LXTimeValueTransformer"), std::make_shared<LXTimeValueTransformer>()},
        {QStringLiteral("LXNegateValueTransformer"), std::make_shared<LXNegateValueTransformer>()},
    };
    return *transformers;
}

} // namespace

void ValueTransformer::setValueTransformer(std::shared_ptr<ValueTransformer> transformer, const QString& name)
{
    registry().insert(name, std::move(transformer));
}

ValueTransformer* ValueTransformer::valueTransformerForName(const QString& name)
{
    const auto found = registry().constFind(name);
    return found == registry().constEnd() ? nullptr : found->get();
}
