#pragma once
// A shade: a light or shadow picture of a frame, laid over the frame's
// texture in a blend mode (LXAdjustableBlendFilter's names) at an intensity.
//
// null: a null URL makes a shade without picture.
// Ownership: shared (std::shared_ptr), as a frame's shades and their undo
// records hold them. Thread: as LXFrameImageDescription.

#include "frames/LXFrameImageDescription.h"

#include <QMetaType>

class LXShadeDescription : public LXFrameImageDescription {
public:
    // No file: "sourceOver" at intensity 1.
    LXShadeDescription();
    // An unknown blend mode name becomes "sourceOver"; the intensity is kept as given.
    LXShadeDescription(const QUrl& shadeURL, const QString& blendMode, double intensity);

    QString blendMode() const { return m_blendMode; }
    void setBlendMode(const QString& mode) { m_blendMode = mode; }
    double intensity() const { return m_intensity; }
    void setIntensity(double intensity) { m_intensity = intensity; }

private:
    QString m_blendMode = QStringLiteral("sourceOver");
    double m_intensity = 1.0;
};

Q_DECLARE_METATYPE(std::shared_ptr<LXShadeDescription>)
