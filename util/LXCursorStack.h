#pragma once
// Per-window stacks of mouse cursors, each pushed under a key chosen by its
// owner (usually the control itself, as a QObject* in a QVariant); the top
// cursor is the one the window shows, and an owner pops only its own entry.
//
// Cursors are set with QWidget::setCursor on the window (never the
// process-wide override cursor), so widgets with cursors of their own keep
// them. When a window's stack is made, the window's own cursor is noted;
// when the stack empties or goes away, that cursor comes back.
//
// null: a missing cursor is std::nullopt, a missing key an invalid QVariant.
// Ownership: the registry owns the stacks; a stack lives from the first push
// for its window until the window will close or is destroyed.
// Thread: main thread.

#include <QCursor>
#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <optional>

class LXCursorStack {
public:
    using Cursor = std::optional<QCursor>;

    ~LXCursorStack();
    LXCursorStack(const LXCursorStack&) = delete;
    LXCursorStack& operator=(const LXCursorStack&) = delete;

    // Moves `key`'s entry to the top with `cursor` and shows it.
    void pushCursor(const Cursor& cursor, const QVariant& key);
    // Changes `key`'s cursor in place; shown only when that entry is the top.
    void replaceCursor(const Cursor& cursor, const QVariant& key);
    // Drops `key`'s entry; the new top (or the window's own cursor) shows.
    void popCursorForKey(const QVariant& key);

    // "Cursor stack (<LXCursorStack: 0x...>) with Cursor for <top key>".
    QString description() const;

    const QList<QCursor>& cursors() const { return m_cursors; }
    const QList<QVariant>& keys() const { return m_keys; }
    QWidget* window() const { return m_window; }

    // The window's stack, or nullptr.
    static LXCursorStack* cursorStackForWindow(QWidget* window);
    // Makes the window's stack when needed; nullptr window: nothing.
    static void pushCursor(const Cursor& cursor, const QVariant& key, QWidget* window);
    static void replaceCursor(const Cursor& cursor, const QVariant& key, QWidget* window);
    static void popCursorForKey(const QVariant& key, QWidget* window);
    // Gives the window its own cursor back and deletes its stack.
    static void removeCursorStackForWindow(QWidget* window);

    // How keys and cursors read in messages ("(null)" for null).
    static QString describe(const QVariant& key);
    static QString describe(const Cursor& cursor);

private:
    explicit LXCursorStack(QWidget* window);
    bool check(const Cursor& cursor, const QVariant& key) const;
    void show();

    QPointer<QWidget> m_window;
    QList<QCursor> m_cursors;
    QList<QVariant> m_keys;
    bool m_windowHadCursor = false;
    QCursor m_windowCursor;
    QMetaObject::Connection m_destroyed;
};
