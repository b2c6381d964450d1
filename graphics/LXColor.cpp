#include "graphics/LXColor.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "resources/BundleResources.h"

#include <QHash>
#include <QRegularExpression>

double LXColor::leadingNumber(const QString& text)
{
    static const QRegularExpression number(
        QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?"));
    const QRegularExpressionMatch match = number.match(text);
    return match.hasMatch() ? match.captured(0).trimmed().toDouble() : 0.0;
}

QBrush LXColor::colorFromDescription(const QString& text)
{
    QStringList pieces = text.split(QLatin1Char('/'));
    if (pieces.size() == 1)
        pieces = text.split(QLatin1Char(' '));
    auto at = [&](int i) { return leadingNumber(pieces.at(i)); };

    double r, g, b, a = 1.0;
    switch (pieces.size()) {
    case 1: r = g = b = at(0); break;
    case 2: r = g = b = at(0); a = at(1); break;
    case 3: r = at(0); g = at(1); b = at(2); break;
    case 4: r = at(0); g = at(1); b = at(2); a = at(3); break;
    default: r = at(0); g = at(1); b = at(2); break;
    }
    if (r == 0) {
        // Descriptions repeat (every draw of a shadowed label asks again) and
        // the bundle does not change: look each text up among the pictures once.
        // Texts come from skin and plist files, so the table is bounded.
        static QHash<QString, QBrush> patterns;
        auto it = patterns.constFind(text);
        if (it == patterns.constEnd()) {
            if (patterns.size() >= 256)
                patterns.clear();
            const Picture picture = imageNamed(Bundle::mainBundle(), text);
            it = patterns.insert(text, picture.isNull() ? QBrush() : QBrush(picture.toImage()));
        }
        if (it->style() != Qt::NoBrush)
            return *it;
    }
    return QBrush(QColor::fromRgbF(float(r), float(g), float(b), float(a)));
}

QString LXColor::descriptionForNSColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return QString::asprintf("%f %f %f %f", rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF());
}

QBrush LXColor::noiseColor()
{
    static const QBrush noise = [] {
        const Picture picture = imageNamedForType(Bundle::mainBundle(), QStringLiteral("NoiseFull"), QStringLiteral("png"));
        if (picture.isNull()) {
            Log::line(lcGraphics, QStringLiteral("Warning: noise image 'NoiseFull.png' is not in bundle"));
            return QBrush();
        }
        return QBrush(picture.toImage());
    }();
    return noise;
}

QColor LXColor::colorFromHsv(const HSVTriple& hsv)
{
    const RGBTriple c = rgbFromHSV(hsv);
    return QColor::fromRgbF(float(c.red), float(c.green), float(c.blue), 1.0f);
}
