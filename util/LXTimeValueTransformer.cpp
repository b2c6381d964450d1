#include "util/LXTimeValueTransformer.h"

#include "platform/foundation/Log.h"

#include <QRegularExpression>

#include <cmath>

QVariant LXTimeValueTransformer::transformedValue(const QVariant& value) const
{
    const double seconds = value.toDouble();
    // Whole milliseconds first, so 59.9996 s is a minute, not 59 s and 1000 ms.
    const double milliseconds = std::round(seconds * 1000);
    if (!std::isfinite(milliseconds) || std::fabs(milliseconds) >= 9.0e18)
        return QString();
    const qint64 total = qint64(milliseconds);
    qint64 hours = total / 3600000;
    if (total % 3600000 < 0)
        --hours; // floor, so the other fields stay positive
    const qint64 rest = total - hours * 3600000;
    return QString::asprintf("%02lld:%02lld:%02lld'%03lld", hours, rest / 60000, rest / 1000 % 60, rest % 1000);
}

QVariant LXTimeValueTransformer::reverseTransformedValue(const QVariant& value) const
{
    static const QRegularExpression form(QStringLiteral("^\\s*(-?\\d+):(\\d+):(\\d+)'(\\d+)\\s*$"));
    const QString text = value.toString();
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return {};
    const double hours = match.captured(1).toDouble(), minutes = match.captured(2).toDouble(),
                 seconds = match.captured(3).toDouble(), milliseconds = match.captured(4).toDouble();
    const double result = (hours * 60 + minutes) * 60 + seconds + milliseconds / 1000;
    if (!std::isfinite(result))
        return {};
    Log::line(lcUtil, QStringLiteral("%1 -> %2").arg(text).arg(result, 0, 'f', 6));
    return result;
}
