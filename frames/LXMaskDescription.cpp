#include "frames/LXMaskDescription.h"

#include "platform/image/CIGeometry.h"
#include "platform/foundation/Log.h"
#include "resources/BundleResources.h"
#include "resources/StringResources.h"

#include <QFileInfo>

#include <algorithm>

namespace {

QUrl defaultInternalMaskURL(const QUrl& externalMaskURL)
{
    if (externalMaskURL.isEmpty())
        return {};
    // <base>/<ExternalMasks>/<file>: the base folder is two levels up.
    const QString base = QFileInfo(QFileInfo(externalMaskURL.toLocalFile()).path()).path();
    return URLForImageResourceIn(base, QStringLiteral("FRM-I#000#"), directoryForResourceType(QStringLiteral("FRM-I")),
                                 {});
}

} // namespace

LXMaskDescription::LXMaskDescription(const QUrl& externalMaskURL, const QUrl& internalMaskURL)
    : LXFrameImageDescription(internalMaskURL.isEmpty() ? defaultInternalMaskURL(externalMaskURL) : internalMaskURL),
      m_externalMaskURL(externalMaskURL)
{
    if (m_externalMaskURL.isEmpty())
        return;
    if (imageURL().isEmpty())
        Log::line(lcFrames, QStringLiteral("Warning: No internal mask for '%1'; the external mask is used alone")
                                .arg(m_externalMaskURL.toLocalFile()));
    const LXFrameImageOptions external =
        optionsFromString(resourceInfo(m_externalMaskURL.toLocalFile()).options);
    m_internalWidth = width();
    if (width() > 0) {
        m_scale = external.width / width();
    } else {
        if (!imageURL().isEmpty())
            Log::line(lcFrames, QStringLiteral("Warning: Internal mask '%1' has width 0; its scale is 1")
                                    .arg(imageURL().toLocalFile()));
        m_scale = 1.0;
    }
    m_innerCornerWidth = std::max(corner(), width());
    LXFrameImageOptions joined;
    joined.corner = std::max(external.corner, corner());
    joined.repeatX = std::max(external.repeatX, repeatX());
    joined.repeatY = std::max(external.repeatY, repeatY());
    joined.width = external.width;
    setGeometry(joined);
}

CIImage LXMaskDescription::image()
{
    if (m_joined && isCached())
        return cachedImage();
    const CIImage internal = LXFrameImageDescription::image();
    m_joined = false;
    if (m_externalMaskURL.isEmpty())
        return internal;
    const CIImage external = CIImage::imageWithContentsOfURL(m_externalMaskURL);
    if (external.isNull())
        return internal;
    if (internal.isNull()) {
        // Kept like a joined mask, so the file is not decoded again per render.
        setCachedImage(external);
        m_joined = true;
        updateCacheTimer();
        return external;
    }
    // The external mask draws the outer outline (scallops, rounded corners);
    // the internal one only shapes the opening, so it counts inside the
    // picture's rectangle alone: its extent inset by its border width.
    const double w = std::max(0.0, m_internalWidth);
    const QRectF opening = CIGeometry::outset(internal.extent(), -w, -w);
    const CIImage joined = CIGeometry::isEmpty(opening)
                               ? external
                               : internal.imageByCroppingToRect(opening).imageByCompositingOverImage(external);
    setCachedImage(joined);
    m_joined = !joined.isNull();
    return joined;
}
