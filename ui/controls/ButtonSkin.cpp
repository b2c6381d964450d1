#include "ui/controls/ButtonSkin.h"

#include "platform/foundation/Bundle.h"
#include "resources/BundleResources.h"

#include <QFileInfo>
#include <QPainter>

namespace {

// A picture file of that base name, or null; one that does not decode is null too.
Picture pictureAt(const QString& base)
{
    for (const char* extension : {".tiff", ".png"}) {
        const QString path = base + QLatin1String(extension);
        if (QFileInfo(path).isFile()) {
            const Picture picture = Picture::fromFile(path);
            if (!picture.isNull() && !picture.size().isEmpty())
                return picture;
        }
    }
    return {};
}

SkinImage skinImageAt(const QString& base)
{
    return {pictureAt(base), pictureAt(base + QStringLiteral("@2x"))};
}

ImageSet completeSet(const SkinImage& normal, const SkinImage& disabled, const SkinImage& down,
                     const SkinImage& hover)
{
    if (normal.isNull())
        return {};
    const SkinImage downOrNormal = down.isNull() ? normal : down;
    return {disabled.isNull() ? normal : disabled, normal,
            hover.isNull() ? ButtonSkin::hoverImage(normal, downOrNormal) : hover, downOrNormal};
}

Picture mixed(const Picture& normal, const Picture& down)
{
    if (normal.isNull())
        return {};
    const QSize pixels = normal.pixelSize();
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.drawImage(QRect(QPoint(0, 0), pixels), normal.toImage(pixels));
    if (!down.isNull()) {
        painter.setOpacity(0.5);
        painter.drawImage(QRect(QPoint(0, 0), pixels), down.toImage(pixels));
    }
    painter.end();
    return Picture(image, normal.size());
}

} // namespace

const Picture& SkinImage::forRatio(double pixelRatio) const
{
    if (one.isNull() || (pixelRatio > 1.25 && !two.isNull()))
        return two;
    return one;
}

namespace ButtonSkin {

ImageSet imagesForPath(const QString& prefix)
{
    return completeSet(skinImageAt(prefix + QStringLiteral("Normal")), skinImageAt(prefix + QStringLiteral("Disabled")),
                       skinImageAt(prefix + QStringLiteral("Down")), skinImageAt(prefix + QStringLiteral("Hover")));
}

ImageSet imagesForName(const Bundle& bundle, const QString& name)
{
    const auto named = [&bundle](const QString& n) {
        SkinImage image{imageNamedPrefer2X(bundle, n, false), imageNamedPrefer2X(bundle, n, true)};
        if (image.one.isSameAs(image.two))
            image.two = {};
        if (!image.one.isNull() && image.one.size().isEmpty())
            image = {};
        return image;
    };
    SkinImage normal = named(name);
    if (normal.isNull())
        normal = named(name + QStringLiteral("Normal"));
    return completeSet(normal, named(name + QStringLiteral("Disabled")), named(name + QStringLiteral("Down")),
                       named(name + QStringLiteral("Hover")));
}

SkinImage hoverImage(const SkinImage& normal, const SkinImage& down)
{
    return {mixed(normal.one, down.one.isNull() ? down.two : down.one),
            mixed(normal.two, down.two.isNull() ? down.one : down.two)};
}

ImageSet reordered(const ImageSet& set, const int (&order)[4])
{
    if (set.size() < 4)
        return {};
    return {set[order[0]], set[order[1]], set[order[2]], set[order[3]]};
}

SkinImage entry(const ImageSet& set, int state)
{
    return state >= 0 && state < set.size() ? set[state] : SkinImage{};
}

QVariantMap settingsFor(const QVariantMap& info, int state, bool on)
{
    static const char* const plain[] = {"disabled", "normal", "hover", "down"};
    const int index = std::clamp(state, 0, 3);
    const QString base = QLatin1String(plain[index]);
    for (const QString& key : {base + (on ? QStringLiteral(".on") : QStringLiteral(".off")), base,
                               QStringLiteral("normal")}) {
        const QVariant value = info.value(key);
        if (value.typeId() == QMetaType::QVariantMap)
            return value.toMap();
    }
    return {};
}

} // namespace ButtonSkin
