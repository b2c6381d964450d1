#pragma once
// A frame's mask: the external (outer) mask picture, its opening shaped by
// the internal (inner) one. The external picture gives the outer outline;
// the internal picture counts only inside its own border (its extent inset
// by its width), where the picture lies. Masks are white with alpha.
// Geometry: width is the external width; scale = external width / internal
// width; the inner corner width is the larger of the internal corner and
// width; corner and repeats are the larger of the two masks'.
//
// null: without an internal mask URL the "FRM-I#000#" mask of the external
// mask's resource folder is used; when there is none either, image() is
// the external mask alone (one "Warning: " line). An internal width of 0
// gives scale 1 (one "Warning: " line). Without external mask, image() is
// the internal mask picture.
// Ownership and thread: as LXFrameImageDescription.

#include "frames/LXFrameImageDescription.h"

class LXMaskDescription : public LXFrameImageDescription {
public:
    LXMaskDescription(const QUrl& externalMaskURL, const QUrl& internalMaskURL);

    // The joined picture; kept until the release timer of the internal
    // picture fires.
    CIImage image() override;

    QUrl externalMaskURL() const { return m_externalMaskURL; }
    double scale() const { return m_scale; }
    double innerCornerWidth() const { return m_innerCornerWidth; }

private:
    QUrl m_externalMaskURL;
    double m_scale = 1.0;
    double m_innerCornerWidth = 0.0;
    double m_internalWidth = 0.0;
    bool m_joined = false; // the cached picture is the joined mask
};
