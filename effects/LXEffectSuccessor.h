#pragma once
// The next step of an effect chain: whatever takes an effect's output. An
// effect holds its successor weakly (std::weak_ptr), so a chain never keeps
// its later steps alive; LXEffect is itself a successor.
// Thread: main thread.

#include "platform/image/CIImage.h"

#include <QStringList>
#include <QVariantMap>

class LXEffectSuccessor {
public:
    virtual ~LXEffectSuccessor() = default;

    // The picture to work on; a null picture is ignored.
    virtual void setInputImage(const CIImage& image) = 0;
    // Settings shared by the whole chain ("portion" and the names an
    // effect's "globals" map); each step passes them on.
    virtual void setGlobalSettings(const QVariantMap& settings) = 0;
    // Drops the input picture here and further down the chain.
    virtual void removeImageInput() = 0;
    // Appends every picked-picture path (relative to the temporary folder)
    // not yet in `resources`.
    virtual void addResourcesToArray(QStringList& resources) const = 0;

    // True for a successor that asks for pictures when it needs them: an
    // effect then renders nothing when what it hands on changes, it only
    // calls pictureChanged, so that many changes before the next ask cost
    // one render.
    virtual bool takesPicturesLater() const { return false; }
    virtual void pictureChanged() {}
};
