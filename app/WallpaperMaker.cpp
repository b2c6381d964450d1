#include "app/WallpaperMaker.h"

#include "app/LookChain.h"
#include "app/PhotoCheck.h"

#include "platform/desktop/Alert.h"
#include "platform/desktop/DesktopPicture.h"
#include "platform/desktop/PicturesFolder.h"
#include "platform/foundation/Bundle.h"
#include "platform/image/CIContext.h"
#include "platform/image/CIFilter.h"
#include "platform/image/CIGeometry.h"
#include "platform/image/CIImageAccumulator.h"
#include "platform/image/CIImageFile.h"
#include "resources/BundleResources.h"
#include "resources/LXBundleManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cmath>

namespace {

const QString problemTitle = QStringLiteral("Problem creating Wallpaper");
// Pictures up to this size are previews (the drawn display), not screens.
constexpr double kKeptBackdropPixels = 1.5e6;
const QString folderTitle = QStringLiteral("Problem creating Wallpaper Folder");

// A reason in the user's language: the fixed ones have translations, the
// others (with names or numbers in them) stay as they are.
QString localizedReason(const QString& reason)
{
    return Bundle::mainBundle().localizedString(reason, reason);
}

// The folder Pictures/Sunnyside, made when missing; empty after its alert.
QString wallpaperFolder()
{
    const Result<QString> pictures = picturesFolder();
    if (!pictures.ok()) {
        Alert::showLocalized(problemTitle, QStringLiteral("Picture Folder could not be found because: %@"),
                             {localizedReason(pictures.reason())});
        return {};
    }
    const QString folder = pictures.value() + QStringLiteral("/Sunnyside");
    const QFileInfo info(folder);
    QString format, argument;
    bool create = !info.exists() && !info.isSymLink();
    if ((info.exists() || info.isSymLink()) && !info.isDir()) {
        // Something else has the name: move it aside, keep it.
        const QString aside = folder + QStringLiteral(".error");
        QFile item(folder);
        if (QFileInfo::exists(aside) || QFileInfo(aside).isSymLink())
            argument = Alert::localizedText(QStringLiteral("%@ already exists"), {aside});
        else if (!item.rename(aside))
            argument = item.errorString();
        if (argument.isEmpty())
            create = true;
        else
            format = QStringLiteral("Your Picture folder includes a non-folder with the name 'Sunnyside' and I "
                                    "cannot rename it for this reason: %@");
    }
    if (format.isEmpty() && create && !QDir().mkpath(folder)) {
        format = QStringLiteral("Sunnyside Folder could not be found because: the folder %@ could not be created");
        argument = folder;
    }
    if (!format.isEmpty()) {
        Alert::showLocalized(folderTitle, format, {argument});
        return {};
    }
    return folder;
}

} // namespace

WallpaperMaker::WallpaperMaker()
{
    m_artistic.motionBlur = true;
    m_watermark.gravity = Gravity::Top | Gravity::Left;
    m_watermark.setWatermark(QVariant::fromValue(imageNamed(Bundle::mainBundle(), QStringLiteral("SunnysideWatermark"))));
    m_watermark.setOpacity(0.3);
}

QSizeF WallpaperMaker::framedBoxFor(const QSizeF& screenPixels, const LookChain& look, const QSizeF& photo)
{
    const QRectF crop = look.crop().isNull() ? QRectF(0, 0, 1, 1) : look.crop();
    const double W = screenPixels.width(), H = screenPixels.height();
    const QSizeF cut(photo.width() * crop.width(), photo.height() * crop.height());
    if (cut.isEmpty() || screenPixels.isEmpty())
        return {};
    const double shown = std::min(1.0, std::min(W / cut.width(), H / cut.height()));
    const QSizeF framed = look.framedSize(cut * shown);
    if (framed.isEmpty() || (framed.width() <= W && framed.height() <= H))
        return {};
    const double k = shown * std::min(W / framed.width(), H / framed.height());
    // Whole pixels, rounded down: the fit into it is then whole pixels too,
    // as the decode averages the photo to it.
    const QSizeF box(std::floor(photo.width() * k), std::floor(photo.height() * k));
    // A framed picture whose side differs from the screen's in parity is
    // centred between pixels, its photo blended half a pixel off: the box
    // is a pixel less on such a side where that mends it (a photo uncut
    // and unturned, whose framed size is known exactly).
    if (!look.keepsWholePhoto())
        return box;
    const auto sameParity = [](double a, double b) { return std::fmod(std::abs(a - b), 2.0) == 0; };
    for (const QSizeF less : {QSizeF(0, 0), QSizeF(1, 0), QSizeF(0, 1), QSizeF(1, 1)}) {
        if ((box - less).isEmpty())
            continue;
        const QSizeF fitted = look.framedSize(centredFitSize(photo, box - less));
        if (fitted.width() <= W && fitted.height() <= H && sameParity(fitted.width(), W) && sameParity(fitted.height(), H))
            return box - less;
    }
    return box;
}

QSizeF WallpaperMaker::decodeSizeFor(const QSizeF& screenPixels, const LookChain* look, const QSizeF& photo)
{
    if (!look || screenPixels.isEmpty())
        return screenPixels;
    // A frame that does not fit the screen shrinks the photo: decoded at that size, not reduced again.
    if (const QSizeF box = framedBoxFor(screenPixels, *look, photo); !box.isEmpty())
        return box;
    if (look->crop().isNull())
        return screenPixels;
    const QRectF crop = look->crop();
    return QSizeF(screenPixels.width() / std::max(crop.width(), 0.01), screenPixels.height() / std::max(crop.height(), 0.01));
}

QSizeF WallpaperMaker::uprightSizeAt(const QString& path)
{
    // Only a regular file: a pipe would block the reader.
    if (!QFileInfo(path).isFile())
        return {};
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QSize size = reader.size();
    if (!size.isValid())
        return {};
    if (reader.transformation() & QImageIOHandler::TransformationRotate90)
        size.transpose();
    return QSizeF(size);
}

// Relative settings make the size irrelevant to the look. `fills`: a crop
// with the screen's ratio.
CIImage WallpaperMaker::styled(const CIImage& photo, const LookChain& look, double W, double H, bool* fills)
{
    const QRectF extent = photo.extent();
    const QRectF crop = look.crop().isNull() ? QRectF(0, 0, 1, 1) : look.crop();
    const double shown = std::min(W / (extent.width() * crop.width()), H / (extent.height() * crop.height()));
    QSizeF scale(std::min(shown, 1.0), std::min(shown, 1.0));
    // A mount round the photo is shrunk to fit as well: style it at that
    // size, the photo fitted into the box its decode was made for.
    if (const QSizeF box = framedBoxFor(QSizeF(W, H), look, extent.size()); !box.isEmpty())
        if (const QSizeF fit = centredFitSize(extent.size(), box); !fit.isEmpty())
            scale = QSizeF(fit.width() / extent.width(), fit.height() / extent.height());
    if (m_reduced.photo != photo || m_reduced.scale != scale) {
        CIImage reduced = scale.width() < 1 ? photo.imageByApplyingTransform(QTransform::fromScale(scale.width(), scale.height()))
                                            : photo;
        // Whole pixels only: a part-covered edge would be half transparent,
        // and the unstyled photo under it would colour the extension.
        const QRectF e = reduced.extent();
        const QRectF whole = CIGeometry::wholePixelsInside(e);
        if (whole != e && !whole.isEmpty())
            reduced = reduced.imageByCroppingToRect(whole);
        m_reduced = {photo, scale, reduced};
    }
    const CIImage result = look.apply(m_reduced.image);
    const QRectF e = result.extent();
    *fills = !look.crop().isNull() && e.height() > 0 && std::abs(e.width() / e.height() / (W / H) - 1) < 0.01;
    return result;
}

CIImage WallpaperMaker::enhancedImageFor(const CIImage& photo, const WallpaperScreen& screen, bool scaleUp, bool showWatermark,
                                         const LookChain* look)
{
    if (photo.isNull())
        return {};
    // Laid out in points, made in device pixels: a 4K screen at scale 2 gets 3840 x 2160.
    const double k = screen.scale > 0 ? screen.scale : 1;
    const double W = screen.size.width() * k, H = screen.size.height() * k;
    const auto px = [k](double x, double y, double w) { return QRectF(x * k, y * k, w * k, 0); };
    if (screen.isMain)
        m_watermark.setAdjustment(px(40, 50, 150), QSizeF(2560, 1600) * k, px(20, 40, 100), QSizeF(1440, 900) * k);
    else
        m_watermark.setAdjustment(px(40, 30, 150), QSizeF(2560, 1600) * k, px(20, 20, 100), QSizeF(1440, 900) * k);

    bool fills = false;
    const bool isStyled = look && !look->isPlain();
    if (!isStyled)
        m_reduced = {}; // no photo held for a look that is gone
    const CIImage source = isStyled ? styled(photo, *look, W, H, &fills) : photo;
    if (source.isNull())
        return {};
    const QRectF extent = source.extent();
    const double w = extent.width(), h = extent.height();
    // The photo stretched over the screen, its edges extended without end.
    const auto clamp = CIFilter::filterWithName(QStringLiteral("CIAffineClamp"));
    if (!clamp || w <= 0 || h <= 0)
        return {};
    // A styled photo may be transparent at its edges (turned, shadowed): the
    // photo itself, stretched under it, gives the extension its colours there.
    // An opaque one (a photo framed whole, kept rendered as every look's
    // result is, so opaque at any detail) hides it. Both are laid over
    // the screen from the styled picture's corner, wherever it starts.
    // The photo covers whole pixels, even in number, so that the composite
    // is kept at half detail (below): drawn on a coarser grid, a picture
    // whose edge falls inside a texel has that texel partly clear, and the
    // clamp would repeat it over the whole extension (a darkened JPEG).
    const QRectF p = photo.extent();
    QRect under = CIGeometry::integral(extent);
    under.setWidth(under.width() + under.width() % 2);
    under.setHeight(under.height() + under.height() % 2);
    CIImage backdrop = source == photo || source.isOpaque()
                           ? source
                           : source.imageByCompositingOverImage(photo.imageByApplyingTransform(
                                 QTransform::fromTranslate(-p.x(), -p.y())
                                 * QTransform::fromScale(under.width() / p.width(), under.height() / p.height())
                                 * QTransform::fromTranslate(under.x(), under.y())));
    // The composite is drawn once and kept: the extension reads it at two
    // levels of detail, and would draw it twice. A preview's is kept whole, a
    // screen's at half detail, the finest the extension reads it at (a whole
    // copy would cost its memory; this one costs a quarter of the picture's
    // pixels until the next picture is made), where its texels then cover it
    // exactly: whole, even sides. Elsewhere a read near its edge would fade.
    const bool preview = W * H <= kKeptBackdropPixels;
    const QRectF b = backdrop.extent();
    const bool halvesExactly = QRectF(CIGeometry::integral(b)) == b && int(b.width()) % 2 == 0 && int(b.height()) % 2 == 0;
    if (backdrop != source && (preview || halvesExactly))
        if (const CIImage kept = preview ? CIImageAccumulator::flatten(backdrop, b)
                                         : CIImageAccumulator::flattenReduced(backdrop, 0.5);
            !kept.isNull())
            backdrop = kept;
    clamp->setValue(QVariant::fromValue(backdrop), kCIInputImageKey);
    clamp->setValue(QVariant::fromValue(QTransform::fromTranslate(-extent.x(), -extent.y()) * QTransform::fromScale(W / w, H / h)),
                    kCIInputTransformKey);
    m_artistic.inputBackgroundImage = QVariant::fromValue(clamp->outputImage().imageByCroppingToRect(QRectF(0, 0, W, H)));

    // The photo itself, shrunk to fit, enlarged only when asked; a crop
    // chosen for this screen covers it (the ratios differ by under 1 %).
    CIImage foreground = source;
    if (fills) {
        foreground = source.imageByApplyingTransform(QTransform::fromScale(W / w, H / h));
    } else if (scaleUp || w > W || h > H) {
        // Centred on whole pixels (proportions within a pixel), so that it
        // is drawn one texel a pixel as the photo's decode was averaged.
        const QSizeF fit = centredFitSize(QSizeF(w, h), QSizeF(W, H));
        foreground = source.imageByApplyingTransform(QTransform::fromScale(fit.width() / w, fit.height() / h));
    }
    m_artistic.inputImage = QVariant::fromValue(foreground);
    m_artistic.forDisplay = screen.display;

    if (!showWatermark)
        return m_artistic.outputImage();
    m_watermark.setInputBackgroundImage(QVariant::fromValue(m_artistic.outputImage()));
    return m_watermark.outputImage();
}

WallpaperMaker::SaveResult WallpaperMaker::saveAsBackground(const CIImage& picture, const QString& name,
                                                                const QString& screenName, QString* savedPath)
{
    const QString path = writeBackground(picture, name);
    if (savedPath)
        *savedPath = path;
    // Only a written file may become the desktop picture: a missing one shows black.
    if (path.isEmpty())
        return SaveResult::Failed;
    return installBackground(path, screenName) ? SaveResult::Installed : SaveResult::WrittenOnly;
}

QImage WallpaperMaker::renderPicture(const CIImage& picture)
{
    const QRectF extent = picture.extent();
    QString reason;
    QImage bitmap;
    if (picture.isNull() || CIGeometry::isInfinite(extent) || CIGeometry::isEmpty(extent)) {
        reason = QStringLiteral("there is no picture");
    } else {
        const CIContext context;
        // A screen-sized render is where an empty shader cache is felt.
        context.compileAhead(picture, extent);
        bitmap = context.createCGImage(picture, extent);
        CIContext::compileAheadFinished();
        reason = context.lastError();
    }
    if (bitmap.isNull()) {
        Alert::showLocalized(problemTitle, QStringLiteral("The wallpaper could not be made: %@."), {localizedReason(reason)});
        return {};
    }
    return bitmap;
}

QString WallpaperMaker::writeBackground(const CIImage& picture, const QString& name)
{
    // Rendered first: a photo that turns out damaged leaves no file behind.
    const QImage bitmap = renderPicture(picture);
    if (bitmap.isNull())
        return {};
    const QString folder = wallpaperFolder();
    if (folder.isEmpty())
        return {};
    const QUrl target = LXBundleManager::uniqueFileURL(name + QStringLiteral(".jpg"), QUrl::fromLocalFile(folder));
    return LXBundleManager::saveBitmapRep(bitmap, target) ? target.toLocalFile() : QString();
}

bool WallpaperMaker::installBackground(const QString& path, const QString& screenName)
{
    const Result<> desktop = setDesktopImage(path, screenName);
    if (!desktop.ok())
        Alert::showLocalized(problemTitle, QStringLiteral("Could not set Desktop for this reason: %@"), {desktop.reason()});
    return desktop.ok();
}

CIImage WallpaperMaker::loadPhoto(const QUrl& url, const QSizeF& screenPixels)
{
    QString reason;
    const QString path = url.toLocalFile();
    const CIImage photo = readPhoto(path, &reason, screenPixels);
    if (photo.isNull())
        Alert::showLocalized(problemTitle, QStringLiteral("The photo '%@' could not be used: %@."), {path, localizedReason(reason)});
    return photo;
}

CIImage WallpaperMaker::readPhoto(const QString& path, QString* reason, const QSizeF& screenPixels)
{
    *reason = photoProblem(path);
    if (!reason->isEmpty())
        return {};
    // The picture never needs more of the photo than the screen shows, and
    // shows a shrunk photo centred on whole pixels (enhancedImageFor).
    CIImage photo = imageWithContentsOfFileDrawnAt(path, screenPixels, true);
    if (photo.isNull() || photo.extent().isEmpty()) {
        *reason = QStringLiteral("it could not be read as an image");
        return {};
    }
    return photo;
}
