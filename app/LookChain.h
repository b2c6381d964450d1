#pragma once
// The live form of a look: its effects made once and kept, so that their
// filters keep their caches (frames, textures, reduced pictures) from one
// render to the next, and so that the window's panels and undo steps work on
// the very objects that render. The command line makes one for a single
// render; the window keeps one for as long as it shows.
//
// setLook reuses an effect whose name is in the same place of the chain and
// gives it the new settings; others are made anew. look() reads the effects'
// current settings back, so a change made through a panel is in it.
// apply: crop, then turn, then the enabled effects in order, then the frame;
// with a frame, the turned photo is cut to the largest upright rectangle of
// its own proportions inside it, so the frame holds no empty corners;
// the plain look returns the photo itself (the same image, untouched).
// Relative settings and the frame's width are fractions of the shorter side
// of the cropped, turned photo (the chain's "portion"). Each step keeps its
// picture between renders: a change made through a panel renders nothing
// at once; the next apply renders the chain from the first changed step on,
// once however many changes came before (a slider's many moves), and apply
// with the same photo (the same image) and no change returns the kept
// result; setLook starts afresh.
//
// null: a null photo gives a null image. Ownership: the chain owns its
// effects (shared with panels and undo steps). Thread: main thread.

#include "app/Look.h"
#include "platform/image/CIImage.h"

#include <memory>
#include <vector>

class LXEffect;
class LookChainLink;
class UndoManager;

class LookChain {
public:
    LookChain() = default;
    // Failure (nothing changed) when an effect or the frame cannot be made.
    Result<> setLook(const Look& look);
    Look look() const;
    // Nothing to do: apply returns the photo itself.
    bool isPlain() const;
    QRectF crop() const { return m_crop; }
    // Neither cut nor turned: its picture is the whole photo, upright.
    bool keepsWholePhoto() const;

    const std::vector<std::shared_ptr<LXEffect>>& effects() const { return m_effects; }
    const std::shared_ptr<LXEffect>& frame() const { return m_frame; }

    // The effects' undo manager (held weakly by them); null: none.
    void setUndoManager(UndoManager* manager);

    // The size of apply's picture for a cropped, turned photo of `size`
    // (whole pixels), without rendering: a picture frame's mount and a
    // frame or border drawn outside the photo grow it, as the frame or as
    // effects, other steps are taken to keep it. So a photo is styled no
    // larger than it is shown.
    QSizeF framedSize(const QSizeF& size) const;

    // The styled photo, at the photo's own scale.
    CIImage apply(const CIImage& photo) const;

private:
    std::vector<std::shared_ptr<LXEffect>> m_effects;
    std::shared_ptr<LXEffect> m_frame;
    QRectF m_crop;
    double m_rotation = 0;
    UndoManager* m_undoManager = nullptr;
    // The photo cut and turned as the look says.
    CIImage cutAndTurned(const CIImage& photo) const;

    std::vector<std::shared_ptr<LookChainLink>> m_links; // one after each step (the effects, then the frame)
    mutable CIImage m_lastPhoto;                         // what the steps' pictures were made from
};
