#include "frames/LXPictureFrameFilter.h"

#include "frames/FrameBand.h"
#include "frames/PictureResource.h"
#include "platform/foundation/Log.h"
#include "platform/image/CIBuiltinFilters.h"
#include "platform/image/CIColor.h"
#include "platform/image/CIGeometry.h"

#include <QFileInfo>

#include <cmath>
#include <limits>

namespace {

const QString frameType = QStringLiteral("ALX-F");
const QString maskText = QStringLiteral("Mask");
const QString portraitFolder = QStringLiteral("Portrait");
constexpr double kUnderFrame = 2.0; // pixels of photo reaching under the frame round the window

bool finiteArea(const QRectF& r)
{
    return !CIGeometry::isInfinite(r) && std::isfinite(r.width()) && std::isfinite(r.height()) && r.width() > 0
        && r.height() > 0;
}

// How far the proportions of two rectangles differ, the same for either
// turned; infinite unless both have area.
double proportionDistance(const QRectF& a, const QRectF& b)
{
    if (!finiteArea(a) || !finiteArea(b))
        return std::numeric_limits<double>::infinity();
    return std::abs(std::log(a.width() / a.height()) - std::log(b.width() / b.height()));
}

QVariant pictureAt(const QString& path)
{
    const CIImage picture = sharedPictureAt(path);
    return picture.isNull() ? QVariant() : QVariant::fromValue(picture);
}

QString maskPathOf(const PictureResource& found)
{
    return QFileInfo(found.path).absolutePath() + QLatin1Char('/') + found.resourceIDName + maskText
         + QStringLiteral(".png");
}

// Where a picture placed by `T` reads only its part `middle`: bilinear
// reads reach a texel past the point, a shrunk picture's reductions up to
// two texels a halving.
QRectF readsOnly(const QRectF& middle, const QTransform& T)
{
    const double s = std::min(std::abs(T.m11()), std::abs(T.m22()));
    if (middle.isEmpty() || !(s > 0))
        return {};
    const double m = s >= 1 ? 1 : 1 + 2 / s;
    if (middle.width() <= 2 * m || middle.height() <= 2 * m)
        return {};
    return T.mapRect(middle.adjusted(m, m, -m, -m));
}

// The placed mask's growth round the window's centre, `kUnderFrame` pixels
// a side (`T` places the frame, `L` is its window).
QTransform maskGrowth(const QTransform& T, const QRectF& L, const CIImage& frame)
{
    const QRectF window = T.mapRect(L.translated(frame.extent().topLeft()));
    const QPointF c = window.center();
    return QTransform::fromTranslate(-c.x(), -c.y())
         * QTransform::fromScale(1 + 2 * kUnderFrame / window.width(), 1 + 2 * kUnderFrame / window.height())
         * QTransform::fromTranslate(c.x(), c.y());
}

// The whole pixels inside `r`.
QRect innerPixels(const QRectF& r)
{
    if (r.isEmpty())
        return {};
    const QPoint a(int(std::ceil(r.left())), int(std::ceil(r.top())));
    const QPoint b(int(std::floor(r.right())) - 1, int(std::floor(r.bottom())) - 1);
    return b.x() < a.x() || b.y() < a.y() ? QRect() : QRect(a, b);
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
        frameImage = maskImage = portraitImage = portraitMaskImage = QVariant();
        frameLayout = portraitLayout = QRectF();
        return;
    }
    const PictureResource found = findPictureResource(frameType, name, maskText);
    if (found.path.isNull()) {
        Log::line(lcFrames, QStringLiteral("Warning: Picture Frame '%1' not found").arg(name));
        m_frameName = name;
        frameImage = maskImage = portraitImage = portraitMaskImage = QVariant();
        frameLayout = portraitLayout = QRectF();
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
    frameImage = QVariant::fromValue(sharedPictureAt(found.path));
    maskImage = pictureAt(maskPathOf(found));
    portraitImage = portraitMaskImage = QVariant();
    portraitLayout = QRectF();
    const PictureResource upright = findPictureResource(frameType, found.resourceIDName, maskText, portraitFolder);
    const QVector<double> uprightWindow = upright.numbers(4);
    if (upright.path.isNull() || uprightWindow.isEmpty())
        return;
    portraitImage = QVariant::fromValue(sharedPictureAt(upright.path));
    portraitMaskImage = pictureAt(maskPathOf(upright));
    portraitLayout = QRectF(uprightWindow[0], uprightWindow[1], uprightWindow[2], uprightWindow[3]);
}

LXPictureFrameFilter::Variant LXPictureFrameFilter::variantFor(const QRectF& photo) const
{
    const Variant landscape{imageValue(frameImage), imageValue(maskImage), frameLayout.toRectF()};
    const Variant upright{imageValue(portraitImage), imageValue(portraitMaskImage), portraitLayout.toRectF()};
    if (upright.frame.isNull()
        || !(proportionDistance(upright.layout, photo) < proportionDistance(landscape.layout, photo)))
        return landscape;
    return upright;
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

QRectF LXPictureFrameFilter::outputExtentFor(const QRectF& photo) const
{
    const Variant variant = variantFor(photo);
    if (variant.frame.isNull())
        return photo;
    const std::optional<QTransform> T = frameTransform(photo, variant.layout, variant.frame.extent());
    return T ? T->mapRect(variant.frame.extent()) : photo;
}

CIImage LXPictureFrameFilter::outputImage()
{
    const CIImage photo = imageValue(inputImage);
    if (photo.isNull())
        return photo;
    const QRectF I = photo.extent();
    const Variant variant = variantFor(I);
    const CIImage& frame = variant.frame;
    if (frame.isNull())
        return photo;
    const QRectF& L = variant.layout;
    const std::optional<QTransform> T = frameTransform(I, L, frame.extent());
    if (!T)
        return photo;

    const CIImage& mask = variant.mask;
    const QTransform placeMask = *T * maskGrowth(*T, L, frame);
    CIImage part;
    if (!mask.isNull()) {
        // Mask and photo reach a little under the frame, so that the window's
        // soft edge lies over photo and not over nothing, also where the
        // fitted window meets the photo's edge (its edge pixels continue).
        const CIImage placedMask = mask.imageByApplyingTransform(placeMask);
        CIBlendWithMask blend;
        blend.inputImage = QVariant::fromValue(photo.imageByClampingToExtent());
        blend.inputBackgroundImage = QVariant::fromValue(CIImage::imageWithColor(CIColor(0, 0, 0, 0)));
        blend.inputMaskImage = QVariant::fromValue(placedMask);
        // The transparent background has no end; the photo shows only inside the mask.
        const QRectF under = CIGeometry::intersect(CIGeometry::outset(I, kUnderFrame, kUnderFrame),
                                                   T->mapRect(frame.extent()));
        part = blend.outputImage().imageByCroppingToRect(CIGeometry::intersect(under, placedMask.extent()));
    } else {
        const double s = T->m11();
        part = photo.imageByCroppingToRect(QRectF(I.x() + (I.width() - s * L.width()) / 2,
                                                  I.y() + (I.height() - s * L.height()) / 2, s * L.width(),
                                                  s * L.height()));
    }
    CISourceOverCompositing over;
    over.inputImage = QVariant::fromValue(frame.imageByApplyingTransform(*T));
    over.inputBackgroundImage = QVariant::fromValue(part);
    const CIImage framed = over.outputImage();
    // Where the frame is clear and the mask white the picture is the photo
    // itself: an opaque one laid on top there is copied rather than drawn.
    if (!photo.isOpaque())
        return framed;
    QRectF photoShown = CIGeometry::intersect(readsOnly(middlesOf(frame).clear, *T), part.extent());
    if (!mask.isNull())
        photoShown = CIGeometry::intersect(photoShown, readsOnly(middlesOf(mask).white, placeMask));
    const QRect copied = innerPixels(CIGeometry::intersect(photoShown, I));
    return copied.isEmpty() ? framed : photo.imageByCroppingToRect(copied).imageByCompositingOverImage(framed);
}
