#include "frames/LXShadeDescription.h"

#include "filters/LXAdjustableBlendFilter.h"

LXShadeDescription::LXShadeDescription() : LXFrameImageDescription(QUrl()) {}

LXShadeDescription::LXShadeDescription(const QUrl& shadeURL, const QString& blendMode, double intensity)
    : LXFrameImageDescription(shadeURL),
      m_blendMode(LXAdjustableBlendFilter::verifiedBlendMode(blendMode)),
      m_intensity(intensity)
{
}
