#pragma once
// An undo manager of our own: stacks of groups of steps, each step a weakly
// held target and a call on it. Callers register the inverse of a change
// before making it; a step run by undo() registers its own inverse, which
// goes to the redo stack (and one run by redo() back to the undo stack).
//
//  - Grouping: registrations outside undo/redo join the open group, which
//    closes when control returns to the event loop (one group per turn) or
//    at the next undo()/redo()/closeGroup(). Empty groups are dropped.
//  - A new registration outside undo/redo clears the redo stack.
//  - A step whose target is gone is dropped, never called; a group left
//    without steps is dropped too.
//  - changed() fires whenever what canUndo()/canRedo() or the action names
//    would answer may have changed; connectActions() keeps two QActions'
//    texts ("Undo <name>", "Redo <name>", the verbs from the "Menu" table)
//    and enabled states up to date.
//
// null: a null target registers nothing. Ownership: the manager owns its
// steps, never their targets. Thread: main thread.
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QAction;

class UndoManager : public QObject {
    Q_OBJECT
public:
    using Call = std::function<void(QObject* target)>;

    explicit UndoManager(QObject* parent = nullptr);
    ~UndoManager() override;

    void registerUndo(QObject* target, Call call);

    bool isUndoing() const { return m_undoing; }
    bool isRedoing() const { return m_redoing; }
    bool canUndo() const;
    bool canRedo() const;
    // Runs the top group's steps, newest first. False when there is none.
    bool undo();
    bool redo();
    // Closes the open group now (it would close at the end of this turn).
    void closeGroup();
    void removeAllActions();

    // Names the group being recorded: the redo group while undoing, else the undo group.
    void setActionName(const QString& name);
    QString undoActionName() const;
    QString redoActionName() const;
    // Number of closed and open groups, for tests and menus.
    int undoCount() const;
    int redoCount() const { return int(m_redo.size()); }

    // Keeps `undo` and `redo` (either may be null) in step with the stacks.
    void connectActions(QAction* undo, QAction* redo);

signals:
    void changed();

private:
    struct Step {
        QPointer<QObject> target;
        Call call;
    };
    struct Group {
        std::vector<Step> steps;
        QString name;
    };
    void purge(std::vector<Group>& stack) const;
    bool run(std::vector<Group>& from, std::vector<Group>& to, bool& flag);

    // Mutable: dead steps are purged on every look.
    mutable std::vector<Group> m_undo, m_redo;
    Group* m_recording = nullptr; // the group registrations go to during undo/redo
    mutable bool m_groupOpen = false; // the top of m_undo is the open group
    bool m_undoing = false, m_redoing = false;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
