#pragma once
// Consecutive shades of a frame merged into one picture, so that a frame
// is drawn with one blend per run of mergeable shades. The merged picture
// holds every shade's intensity and is blended at intensity 1, so it draws
// exactly as the shades one after another.
//
// The description works on a private copy of the first shade's file in the
// temporary folder (registered with LXTempCleaner, deleted with the
// description); the merged picture is written there (PNG) when the release
// timer fires and stays in memory.
//
// null: canJoint() of a null shade is false. Ownership and thread: as
// LXShadeDescription; merges run on the main thread.

#include "frames/LXShadeDescription.h"

class LXCombinedShadeDescription : public LXShadeDescription {
public:
    // Geometry and name from `shadeURL`; picture from the same file. A copy
    // that fails logs a "Warning: " line; the picture is still the file's.
    LXCombinedShadeDescription(const QUrl& shadeURL, const QString& blendMode, double intensity);
    ~LXCombinedShadeDescription() override;

    // Same combinable blend mode, equal widths and picture extents, corners
    // and repeat counts equal or 0 on one side.
    static bool canJoint(LXShadeDescription* a, LXShadeDescription* b);

    // Lays `shade` over the merged picture; intensity becomes 1.
    void addDescription(LXShadeDescription* shade);

    // Writes the merged picture to the private file when it changed; the
    // picture stays in memory.
    void clearChachedImage(Timer* timer) override;

    bool hasChanges() const { return m_hasChanges; }

private:
    bool m_hasChanges = false;
};
