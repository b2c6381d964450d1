#pragma once
// Keys an overlay answers itself before the window's shortcuts see them
// (Return sets the wallpaper there). Main thread.

#include <QEvent>
#include <QKeyEvent>

#include <algorithm>
#include <initializer_list>

// True, with the event accepted, when `event` asks whether one of `keys`
// may go to the focused overlay instead of a shortcut.
inline bool claimsShortcutKey(QEvent* event, std::initializer_list<int> keys)
{
    if (event->type() != QEvent::ShortcutOverride
        || std::find(keys.begin(), keys.end(), static_cast<QKeyEvent*>(event)->key()) == keys.end())
        return false;
    event->accept();
    return true;
}
