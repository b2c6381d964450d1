#pragma once
// The window's look: one LookChain (the current look) and the undo manager
// its changes go through, the look remembered in the "look" user default, and
// the hover preview the menus show before a choice.
//
// The current look is loaded from the user default (load), saved after every
// change (a drag's changes once, at its end), and follows the key when
// another process (the command line) writes it. Changes of the whole chain
// (an effect added or removed, a frame, a reset, a look file) are one undo
// step each, named as given; an effect's own settings register their steps
// themselves (a slider drag is one), and noteEdit() tells the editor that
// they may have changed.
//
// The preview: shownChain() is the current look while no preview is under
// way, else a second chain made from the previewed look. Previews never
// reach the current look, the setting or the undo stack.
//
// Signals: shownLookChanged when what the display shows may differ (coalesced
// to one per turn of the event loop), lookChanged once per change of the
// current look (after it was saved).
//
// null: a look that cannot be made changes nothing (false, one "Warning: "
// line). Ownership: owns both chains and the undo manager. Main thread.

#include "app/LookChain.h"
#include "util/UndoManager.h"

#include <QObject>

class LookEditor : public QObject {
    Q_OBJECT
public:
    explicit LookEditor(QObject* parent = nullptr);
    ~LookEditor() override;

    // Loads the remembered look (without an undo step) and follows the key.
    void load();

    LookChain& chain() { return m_chain; }
    const LookChain& chain() const { return m_chain; }
    Look look() const { return m_chain.look(); }
    const LookChain& shownChain() const { return m_previewing ? m_preview : m_chain; }
    bool previewing() const { return m_previewing; }
    UndoManager& undoManager() { return m_undo; }

    // Undoable changes of the current look, named `actionName`.
    bool changeLook(const Look& look, const QString& actionName);
    bool appendEffect(const QVariantMap& settings);
    bool removeEffect(int index);
    bool setFrame(const QVariantMap& frame);
    void reset();

    // Shows `look` instead of the current one until endPreview.
    void previewLook(const Look& look);
    void endPreview();

public slots:
    // The effects' settings may have changed: saved and told when they did.
    void noteEdit();

signals:
    void shownLookChanged();
    void lookChanged();

private:
    // Saves and tells a change of the current look; during a mouse gesture
    // only the display is told, and the save waits for the gesture's end.
    void commitEdit();
    void lookDidChange();
    void showChanged();
    // Calls `then` on the main queue's next turn, once however often asked
    // meanwhile (`queued` says a call is pending).
    void onceOnNextTurn(bool LookEditor::*queued, void (LookEditor::*then)());
    void takeDefault(const QVariant& value);

    LookChain m_chain, m_preview;
    UndoManager m_undo;
    Look m_saved;            // the look last saved or loaded
    bool m_previewing = false;
    bool m_editQueued = false, m_showQueued = false;
    int m_observer = 0;
    bool m_waitingForGesture = false; // a drag's changes wait for its end
};
