#include "graphics/GradientStrings.h"

#include "graphics/LXColor.h"
#include "platform/foundation/Log.h"

QString stringRepresentation(const Gradient& gradient)
{
    QStringList stops;
    for (const GradientStop& s : gradient.stops())
        stops << QString::asprintf("%f %f %f %f %f", s.location, s.red, s.green, s.blue, s.alpha);
    return stops.join(QLatin1Char(' '));
}

Gradient gradientWithString(const QString& text)
{
    const QStringList pieces = text.split(QLatin1Char(' '));
    const qsizetype n = pieces.size();
    if (n % 5 != 0) {
        if (n <= 4) {
            const QColor color = LXColor::colorFromDescription(text).color();
            return Gradient(color, color);
        }
        if (n == 8) {
            return Gradient(LXColor::colorFromDescription(pieces.mid(0, 4).join(QLatin1Char(' '))).color(),
                            LXColor::colorFromDescription(pieces.mid(4, 4).join(QLatin1Char(' '))).color());
        }
        Log::line(lcGraphics, QStringLiteral("Warning: Number of Gradient Components is not a multiple of 5:\n%1").arg(text));
    }
    QVector<GradientStop> stops;
    for (qsizetype i = 0; i + 5 <= n; i += 5) {
        auto at = [&](qsizetype k) { return LXColor::leadingNumber(pieces.at(i + k)); };
        stops.append({double(float(at(0))), at(1), at(2), at(3), at(4)});
    }
    return Gradient(stops);
}
