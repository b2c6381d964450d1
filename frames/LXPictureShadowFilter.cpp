#include "frames/LXPictureShadowFilter.h"

#include "frames/PictureResource.h"
#include "platform/foundation/Log.h"
#include "platform/image/CIBuiltinFilters.h"
#include "platform/image/CIGeometry.h"

#include <cmath>

namespace {

const QString shadowType = QStringLiteral("ALX-S");

} // namespace

LXPictureShadowFilter::LXPictureShadowFilter(QObject* parent) : LXFilter(parent)
{
    static const bool registered = (registerInputKeys(staticMetaObject, {"inputImage", "inputShadowName"}), true);
    Q_UNUSED(registered);
}

const QStringList& LXPictureShadowFilter::shadowList()
{
    static const QStringList list = pictureResourceNames(shadowType, {});
    return list;
}

QVariantMap LXPictureShadowFilter::customAttributes() const
{
    QVariantMap name{{kLXAttributeChoices, shadowList()}};
    if (!shadowList().isEmpty())
        name.insert(kCIAttributeDefault, shadowList().last());
    return {{QStringLiteral("inputShadowName"), name}};
}

void LXPictureShadowFilter::setInputShadowName(const QVariant& value)
{
    const QString name = value.toString();
    if (name.isEmpty()) {
        m_shadowName = QVariant();
        shadowImage = QVariant();
        shadowMargin = QSizeF();
        return;
    }
    const PictureResource found = findPictureResource(shadowType, name, {});
    if (found.path.isNull()) {
        Log::line(lcFrames, QStringLiteral("Warning: Shadow Picture '%1' not found").arg(name));
        m_shadowName = name;
        shadowImage = QVariant();
        shadowMargin = QSizeF();
        return;
    }
    const QVector<double> margin = found.numbers(2);
    if (margin.isEmpty()) {
        Log::line(lcFrames, QStringLiteral("Error: Shadow %1 has wrong number of Name-Components %2 (%3)")
                                .arg(name)
                                .arg(found.pieces.size())
                                .arg(found.pieces.join(QStringLiteral(", "))));
        return;
    }
    m_shadowName = found.resourceIDName;
    shadowMargin = QSizeF(margin[0], margin[1]);
    shadowImage = QVariant::fromValue(sharedPictureAt(found.path));
}

std::optional<QTransform> LXPictureShadowFilter::shadowTransform(const QRectF& I, const QSizeF& margin,
                                                                 const QRectF& S)
{
    const double visible = S.width() - margin.width();
    if (CIGeometry::isInfinite(I) || CIGeometry::isInfinite(S) || !(I.width() > 0) || !(I.height() > 0)
        || !(visible > 0) || !std::isfinite(visible) || !std::isfinite(margin.height()))
        return std::nullopt;
    const double k = I.width() / visible;
    // The margin corner (S.x + mx, S.y + my) lands on the photo's origin.
    return QTransform::fromScale(k, k)
         * QTransform::fromTranslate(I.x() - k * (S.x() + margin.width()), I.y() - k * (S.y() + margin.height()));
}

CIImage LXPictureShadowFilter::outputImage()
{
    const CIImage photo = imageValue(inputImage);
    const CIImage shadow = imageValue(shadowImage);
    if (photo.isNull() || shadow.isNull())
        return photo;
    const std::optional<QTransform> T = shadowTransform(photo.extent(), shadowMargin.toSizeF(), shadow.extent());
    if (!T)
        return photo;
    CISourceOverCompositing over;
    over.inputImage = QVariant::fromValue(photo);
    over.inputBackgroundImage = QVariant::fromValue(shadow.imageByApplyingTransform(*T));
    return over.outputImage();
}
