#include "frames/LXPictureFrameFilter.h"

#include "frames/PictureResource.h"
#include "platform/foundation/Log.h"
#include "platform/image/CIBuiltinFilters.h"
#include "platform/image/CIColor.h"
#include "platform/image/CIGeometry.h"

#include <QFileInfo>

#include <cmath>

namespace {

const QString frameType = QStringLiteral("ALX-F");
const QString maskText = QStringLiteral("Mask");

bool finiteArea(const QRectF& r)
{
    return !CIGeometry::isInfinite(r) && std::isfinite(r.width()) && std::isfinite(r.height()) && r.width() > 0
        && r.height() > 0;
}

} // namespace

LXPictureFrameFilter::LXPictureFrameFilter(QObject* parent) : LXFilter(parent)
{
    static const bool registered = (registerInputKeys(staticMetaObject, {"inputImage", "inputFrameName"}), true);
    Q_UNUSED(registered);
}

const QStringList& LXPictureFrameFilter::frameList()
{
    static const QStringList list = pictureResourceNames(frameType, maskText);
    return list;
}

QVariantMap LXPictureFrameFilter::customAttributes() const
{
    QVariantMap name{{kLXAttributeChoices, frameList()}};
    if (!frameList().isEmpty())
        name.insert(kCIAttributeDefault, frameList().last());
    return {{QStringLiteral("inputFrameName"), name}};
}

void LXPictureFrameFilter::setInputFrameName(const QVariant& value)
{
    const QString name = value.toString();
    if (name.isEmpty()) {
        m_frameName = QVariant();
        frameImage = maskImage = QVariant();
        frameLayout = QRectF();
        return;
    }
    const PictureResource found = findPictureResource(frameType, name, maskText);
    if (found.path.isNull()) {
        Log::line(lcFrames, QStringLiteral("Warning: Picture Frame '%1' not found").arg(name));
        m_frameName = name;
        frameImage = maskImage = QVariant();
        frameLayout = QRectF();
        return;
    }
    const QVector<double> window = found.numbers(4);
    if (window.isEmpty()) {
        // Another frame's window would misplace this picture: keep that frame whole.
        Log::line(lcFrames, QStringLiteral("Error: Picture Frame %1 has wrong number of Name-Components %2 (%3)")
                                .arg(name)
                                .arg(found.pieces.size())
                                .arg(found.pieces.join(QStringLiteral(", "))));
        return;
    }
    m_frameName = found.resourceIDName;
    frameLayout = QRectF(window[0], window[1], window[2], window[3]);
    frameImage = QVariant::fromValue(CIImage::imageWithContentsOfFile(found.path));
    const QString mask = QFileInfo(found.path).absolutePath() + QLatin1Char('/') + found.resourceIDName + maskText
                       + QStringLiteral(".png");
    maskImage = QFileInfo::exists(mask) ? QVariant::fromValue(CIImage::imageWithContentsOfFile(mask)) : QVariant();
}

std::optional<QTransform> LXPictureFrameFilter::frameTransform(const QRectF& I, const QRectF& L, const QRectF& F)
{
    if (!finiteArea(I) || !finiteArea(L) || !finiteArea(F) || !std::isfinite(L.x()) || !std::isfinite(L.y()))
        return std::nullopt;
    const double s = std::min(I.width() / L.width(), I.height() / L.height());
    // The window's corner (F.x + L.x, F.y + L.y) lands where the centred window begins.
    const double dx = I.x() + (I.width() - s * L.width()) / 2 - s * (L.x() + F.x());
    const double dy = I.y() + (I.height() - s * L.height()) / 2 - s * (L.y() + F.y());
    return QTransform::fromScale(s, s) * QTransform::fromTranslate(dx, dy);
}

CIImage LXPictureFrameFilter::outputImage()
{
    const CIImage photo = imageValue(inputImage);
    const CIImage frame = imageValue(frameImage);
    if (photo.isNull() || frame.isNull())
        return photo;
    const QRectF I = photo.extent();
    const QRectF L = frameLayout.toRectF();
    const std::optional<QTransform> T = frameTransform(I, L, frame.extent());
    if (!T)
        return photo;

    const CIImage mask = imageValue(maskImage);
    CIImage part;
    if (!mask.isNull()) {
        const CIImage placedMask = mask.imageByApplyingTransform(*T);
        CIBlendWithMask blend;
        blend.inputImage = QVariant::fromValue(photo);
        blend.inputBackgroundImage = QVariant::fromValue(CIImage::imageWithColor(CIColor(0, 0, 0, 0)));
        blend.inputMaskImage = QVariant::fromValue(placedMask);
        // The transparent background has no end; the photo shows only inside the mask.
        part = blend.outputImage().imageByCroppingToRect(CIGeometry::intersect(I, placedMask.extent()));
    } else {
        const double s = T->m11();
        part = photo.imageByCroppingToRect(QRectF(I.x() + (I.width() - s * L.width()) / 2,
                                                  I.y() + (I.height() - s * L.height()) / 2, s * L.width(),
                                                  s * L.height()));
    }
    CISourceOverCompositing over;
    over.inputImage = QVariant::fromValue(frame.imageByApplyingTransform(*T));
    over.inputBackgroundImage = QVariant::fromValue(part);
    return over.outputImage();
}
