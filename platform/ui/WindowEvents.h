#pragma once
// Window closing and screen changes as notifications, the way controllers,
// cursor stacks and tooltips observe them.
//
// watchWindow() puts a small event filter on a top-level widget (once; it is
// the widget's child, so it dies with it). Then, when the window is asked to
// close (its close button, QWidget::close()):
//   1. the delegate set by setWindowShouldClose() is asked; false keeps the
//      window open and nothing is posted;
//   2. kWindowWillCloseNotification is posted with the window as object;
//   3. the window closes as usual.
// forceCloseWindow() skips step 1. When the window moves to another screen,
// kWindowDidChangeScreenNotification is posted.
//
// Registries keyed by window also connect to QObject::destroyed to purge
// their entries: a window may be deleted without ever closing.
// Thread: main thread.

#include <QString>

#include <functional>

class QWidget;

inline const QString kWindowWillCloseNotification = QStringLiteral("WindowWillClose");
inline const QString kWindowDidChangeScreenNotification = QStringLiteral("WindowDidChangeScreen");

// Starts watching `window` (its top-level widget when given a child). nullptr: nothing.
void watchWindow(QWidget* window);

// The delegate's "should this window close?"; an empty function always allows.
void setWindowShouldClose(QWidget* window, std::function<bool(QWidget*)> shouldClose);

// Closes `window` without asking its delegate (still posting the notification).
void forceCloseWindow(QWidget* window);
