#include "util/LXCursorStack.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/WindowEvents.h"

#include <QMetaEnum>

namespace {

struct Entry {
    QWidget* window; // identity only: the window may be gone when the entry is purged
    LXCursorStack* stack;
};

QList<Entry>& registry()
{
    static auto* entries = new QList<Entry>;
    return *entries;
}

qsizetype indexOf(QWidget* window)
{
    for (qsizetype i = 0; i < registry().size(); ++i)
        if (registry()[i].window == window)
            return i;
    return -1;
}

} // namespace

LXCursorStack::LXCursorStack(QWidget* window) : m_window(window)
{
    m_windowHadCursor = window->testAttribute(Qt::WA_SetCursor);
    m_windowCursor = window->cursor();
    watchWindow(window);
    NotificationCenter::defaultCenter().addObserver(this, kWindowWillCloseNotification, window,
                                                    [window](const Notification&) {
                                                        removeCursorStackForWindow(window);
                                                    });
    // A window deleted without closing takes its entry with it.
    m_destroyed = QObject::connect(window, &QObject::destroyed, [window] {
        const qsizetype i = indexOf(window);
        if (i >= 0)
            delete registry().takeAt(i).stack;
    });
}

LXCursorStack::~LXCursorStack()
{
    QObject::disconnect(m_destroyed);
    NotificationCenter::defaultCenter().removeObserver(this);
}

bool LXCursorStack::check(const Cursor& cursor, const QVariant& key) const
{
    if (cursor && key.isValid())
        return true;
    Log::line(lcUtil, QStringLiteral("Warning: Neither Cursor (%1) nor key (%2) can be nil.")
                          .arg(describe(cursor), describe(key)));
    return false;
}

void LXCursorStack::show()
{
    if (!m_window)
        return;
    if (!m_cursors.isEmpty())
        m_window->setCursor(m_cursors.last());
    else if (m_windowHadCursor)
        m_window->setCursor(m_windowCursor);
    else
        m_window->unsetCursor();
}

void LXCursorStack::pushCursor(const Cursor& cursor, const QVariant& key)
{
    if (!check(cursor, key))
        return;
    if (const qsizetype i = m_keys.indexOf(key); i >= 0) {
        m_keys.removeAt(i);
        m_cursors.removeAt(i);
    }
    m_keys.append(key);
    m_cursors.append(*cursor);
    show();
}

void LXCursorStack::replaceCursor(const Cursor& cursor, const QVariant& key)
{
    if (!check(cursor, key))
        return;
    const qsizetype i = m_keys.indexOf(key);
    if (i < 0)
        return;
    m_cursors[i] = *cursor;
    if (i == m_keys.size() - 1)
        show();
}

void LXCursorStack::popCursorForKey(const QVariant& key)
{
    const qsizetype i = m_keys.indexOf(key);
    if (i < 0)
        return;
    const bool wasTop = i == m_keys.size() - 1;
    m_keys.removeAt(i);
    m_cursors.removeAt(i);
    if (wasTop)
        show();
}

QString LXCursorStack::description() const
{
    const QString self = QStringLiteral("<LXCursorStack: 0x%1>").arg(quintptr(this), 0, 16);
    return QStringLiteral("Cursor stack (%1) with Cursor for %2")
        .arg(self, describe(m_keys.isEmpty() ? QVariant() : m_keys.last()));
}

QString LXCursorStack::describe(const QVariant& key)
{
    if (!key.isValid())
        return QStringLiteral("(null)");
    if (key.metaType().flags() & QMetaType::PointerToQObject) {
        const QObject* object = key.value<QObject*>();
        return object ? QStringLiteral("<%1: 0x%2>").arg(QString::fromLatin1(object->metaObject()->className()))
                            .arg(quintptr(object), 0, 16)
                      : QStringLiteral("(null)");
    }
    return key.toString();
}

QString LXCursorStack::describe(const Cursor& cursor)
{
    if (!cursor)
        return QStringLiteral("(null)");
    const QMetaEnum shapes = QMetaEnum::fromType<Qt::CursorShape>();
    return QStringLiteral("<QCursor: %1>").arg(QString::fromLatin1(shapes.valueToKey(cursor->shape())));
}

LXCursorStack* LXCursorStack::cursorStackForWindow(QWidget* window)
{
    const qsizetype i = indexOf(window);
    return i >= 0 ? registry()[i].stack : nullptr;
}

void LXCursorStack::pushCursor(const Cursor& cursor, const QVariant& key, QWidget* window)
{
    if (!window)
        return;
    window = window->window();
    LXCursorStack* stack = cursorStackForWindow(window);
    if (!stack) {
        stack = new LXCursorStack(window);
        registry().append({window, stack});
    }
    stack->pushCursor(cursor, key);
}

void LXCursorStack::replaceCursor(const Cursor& cursor, const QVariant& key, QWidget* window)
{
    if (LXCursorStack* stack = window ? cursorStackForWindow(window->window()) : nullptr)
        stack->replaceCursor(cursor, key);
}

void LXCursorStack::popCursorForKey(const QVariant& key, QWidget* window)
{
    if (LXCursorStack* stack = window ? cursorStackForWindow(window->window()) : nullptr)
        stack->popCursorForKey(key);
}

void LXCursorStack::removeCursorStackForWindow(QWidget* window)
{
    const qsizetype i = indexOf(window ? window->window() : nullptr);
    if (i < 0)
        return;
    LXCursorStack* stack = registry().takeAt(i).stack;
    stack->m_cursors.clear();
    stack->m_keys.clear();
    stack->show();
    delete stack;
}
