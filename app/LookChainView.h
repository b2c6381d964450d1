#pragma once
// The look's chain of effects as a compact list, the way the View menu shows
// it: one row per effect with its translated name, an enable switch and a
// remove button.
//
//  - The switch calls LXEffect::setEnabled (an undo step of the effect's
//    undo manager) and emits enabledChanged, so the owner renders again.
//  - Remove only asks: removeRequested(row); the owner takes the effect out
//    through its own undo step and calls setEffects again.
//  - Selecting a row (a click, or the keyboard focus reaching it) emits
//    effectSelected(row): the owner shows that effect's settings.
//  - The rows follow the undo managers their effects have when set (an undone
//    switch flips back); refresh() reads names and states again after any
//    other change; setEffects() after the chain itself changed.
// Keyboard: Tab and Up/Down move between rows, Space flips the row's switch,
// Delete or Backspace asks to remove it. Rows, switches and remove buttons
// carry accessible names. Colours come from the palette (light and dark).
//
// null: a null effect in the list shows as an empty, disabled row. Ownership:
// the effects are shared with the chain. Thread: main thread.

#include "app/LookChain.h"

#include <QWidget>

#include <memory>
#include <vector>

class LXEffect;
class QAbstractButton;
class QVBoxLayout;
class LookChainRow;

class LookChainView : public QWidget {
    Q_OBJECT
public:
    explicit LookChainView(QWidget* parent = nullptr);
    ~LookChainView() override;

    // The effects shown, in chain order; rows are kept for effects that stay.
    void setEffects(std::vector<std::shared_ptr<LXEffect>> effects);
    void setChain(const LookChain& chain) { setEffects(chain.effects()); }
    // Shows the effects' current names and states again.
    void refresh();

    int rowCount() const { return int(m_effects.size()); }
    std::shared_ptr<LXEffect> effectAt(int row) const;
    // The selected row; -1: none.
    int currentRow() const { return m_current; }
    // Selects without emitting effectSelected; -1 clears.
    void setCurrentRow(int row);
    // The row's widget (for focus and tests); null outside 0..rowCount()-1.
    QWidget* rowWidget(int row) const;
    QAbstractButton* switchAt(int row) const;
    QAbstractButton* removeButtonAt(int row) const;

    QSize sizeHint() const override;

signals:
    void effectSelected(int row);
    void enabledChanged(int row, bool enabled);
    void removeRequested(int row);

private:
    friend class LookChainRow;
    void rowActivated(LookChainRow* row);
    void rowSwitched(LookChainRow* row);
    void rowRemoveAsked(LookChainRow* row);
    void moveFocus(LookChainRow* row, int by);
    int indexOf(const LookChainRow* row) const;
    // The nearest widget before the list in the Tab order; null: none.
    QWidget* tabPredecessor() const;

    std::vector<std::shared_ptr<LXEffect>> m_effects;
    std::vector<LookChainRow*> m_rows; // children, in order
    std::vector<QMetaObject::Connection> m_undoWatches;
    QVBoxLayout* m_layout = nullptr;
    QWidget* m_placeholder = nullptr; // "No Effects", while the chain is empty
    int m_current = -1;
};
