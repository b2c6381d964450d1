#pragma once
// Mouse-aware undo: all changes of one property of one object during one
// mouse gesture become a single undo step that restores the value from
// before the gesture, by key-value assignment through LXUndoForwarder.
//
// A gesture is open while the left mouse button is down (or, with the
// gesture flag, until gestureEndedFor() names its target); the next left
// press or release anywhere in the application, or the application turning
// inactive, closes it. A change for another object closes it first. While
// the manager undoes or redoes, the gesture is closed and every change
// registers, so each undone step leaves its redo step.
//
// null: a null target or manager registers nothing (result false).
// Ownership: the gesture holds its target weakly. Thread: main thread.
#include "util/UndoManager.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <functional>

// Call before changing `key` of `target`, with the value before the change.
// True when a step was registered, false when folded into this gesture's step.
bool registerMouseAwareUndoWithTarget(UndoManager* manager, QObject* target, const QVariant& value,
                                      const QString& key, bool gesture);
// An ordinary step: undo calls `target`'s slot or Q_INVOKABLE `method`
// (taking one QVariant) with `object`; the action name is the translation of
// the method's name (empty when untranslated).
void registerUndoWithTarget(UndoManager* manager, QObject* target, const QByteArray& method,
                            const QVariant& object);
// Closes the open gesture when its target is `target`.
void gestureEndedFor(QObject* target);
// True while a gesture waits for the mouse.
bool recordingInProgress();
// Runs `block` on the main queue once the gesture that waits for the mouse
// has closed; with none open, on the next turn.
void whenGestureEnds(std::function<void()> block);
// The left-button state the gesture reads; tests replace it (null: the real one).
void setLeftMouseButtonSource(std::function<bool()> isDown);

class LXUndoForwarder : public QObject {
    Q_OBJECT
public:
    // Made on first use, never freed.
    static LXUndoForwarder* sharedForwarder();
    // {"obj": QObject*, "val": value, "key": key}: assigns through the
    // object's own Q_INVOKABLE setValue(QVariant, QString) when it has one
    // (so overrides see the undo), else through its property.
    Q_INVOKABLE void performKeyValueUndo(const QVariantMap& entries);
};
