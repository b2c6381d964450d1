#include "resources/LXLocalizeHelper.h"

#include "platform/foundation/Bundle.h"

#include <QHash>

namespace {

QHash<QString, QString>& overrides()
{
    static auto* table = new QHash<QString, QString>;
    return *table;
}

} // namespace

void LXLocalizeHelper::setLocalizedString(const QString& replacement, const QString& source)
{
    if (source.isNull())
        return;
    if (replacement.isNull())
        overrides().remove(source);
    else
        overrides().insert(source, replacement);
}

QString LXLocalizeHelper::localizedString(const QString& source)
{
    const QString key = overrides().value(source, source);
    return Bundle::mainBundle().localizedString(key);
}
