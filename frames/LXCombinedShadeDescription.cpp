#include "frames/LXCombinedShadeDescription.h"

#include "filters/LXCombineFilters.h"
#include "platform/foundation/Log.h"
#include "graphics/ImageExtension.h"
#include "platform/foundation/AtomicFile.h"
#include "resources/LXTempCleaner.h"

#include <QBuffer>
#include <QFile>

#include <algorithm>

namespace {

// One filter for every merge, made on first use.
LXCombineFilter& combineFilter()
{
    static auto* filter = new LXCombineFilter;
    return *filter;
}

bool equalOrUnset(double a, double b) { return a == b || a == 0 || b == 0; }

} // namespace

LXCombinedShadeDescription::LXCombinedShadeDescription(const QUrl& shadeURL, const QString& blendMode,
                                                       double intensity)
    : LXShadeDescription(shadeURL, blendMode, intensity)
{
    const QUrl copy = LXTempCleaner::tempURLWithExtension(QStringLiteral("png"));
    QFile source(shadeURL.toLocalFile());
    if (!source.copy(copy.toLocalFile()))
        Log::line(lcFrames, QStringLiteral("Warning: Could not copy file '%1' to '%2 because of '%3'")
                                .arg(shadeURL.toString(), copy.toString(), source.errorString()));
    LXTempCleaner::addURL(copy);
    // The shared file is never written; merges read it through this picture.
    setCachedImage(shadeURL.isEmpty() ? CIImage() : CIImage::imageWithContentsOfURL(shadeURL));
    setFileURL(copy);
    updateCacheTimer();
}

LXCombinedShadeDescription::~LXCombinedShadeDescription()
{
    QFile::remove(imageURL().toLocalFile());
}

bool LXCombinedShadeDescription::canJoint(LXShadeDescription* a, LXShadeDescription* b)
{
    if (!a || !b || a->blendMode().isEmpty() || a->blendMode() != b->blendMode())
        return false;
    if (!LXCombineFilter::isCombinableBlendMode(a->blendMode()) || a->width() != b->width())
        return false;
    if (!equalOrUnset(a->corner(), b->corner()) || !equalOrUnset(double(a->repeatX()), double(b->repeatX()))
        || !equalOrUnset(double(a->repeatY()), double(b->repeatY())))
        return false;
    // Pictures of other sizes would be merged misaligned.
    const CIImage pa = a->image(), pb = b->image();
    return !pa.isNull() && !pb.isNull() && pa.extent() == pb.extent();
}

void LXCombinedShadeDescription::addDescription(LXShadeDescription* shade)
{
    if (!shade)
        return;
    LXCombineFilter& combine = combineFilter();
    combine.blendMode = blendMode();
    combine.inputBackgroundImage = QVariant::fromValue(image());
    combine.inputBackgroundIntensity = intensity();
    combine.inputImage = QVariant::fromValue(shade->image());
    combine.inputIntensity = shade->intensity();
    setCachedImage(combine.outputImage());
    // Filters hold no pictures between merges.
    combine.inputBackgroundImage = QVariant();
    combine.inputImage = QVariant();
    setIntensity(1.0);
    LXFrameImageOptions geometry{width(), std::max(corner(), shade->corner()),
                                 std::max(repeatX(), shade->repeatX()), std::max(repeatY(), shade->repeatY())};
    setGeometry(geometry);
    m_hasChanges = true;
}

void LXCombinedShadeDescription::clearChachedImage(Timer*)
{
    cancelTimer();
    if (!m_hasChanges)
        return;
    // A private cache file: a failure is logged (AtomicFile logs its own),
    // never alerted, and tried again at the next release.
    const QImage bitmap = newCGImage(cachedImage());
    QByteArray png;
    QBuffer buffer(&png);
    if (bitmap.isNull() || !buffer.open(QIODevice::WriteOnly) || !bitmap.save(&buffer, "PNG")) {
        Log::line(lcFrames, QStringLiteral("Warning: Could not draw the merged shade '%1'").arg(name()));
        return;
    }
    if (AtomicFile::write(imageURL().toLocalFile(), png))
        m_hasChanges = false;
}
