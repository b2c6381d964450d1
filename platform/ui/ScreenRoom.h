#pragma once
// How much of a screen a window may take: its free area (panels excluded)
// less what the desktop's title bar and frame take around the client area,
// at most, on the desktops in use (server-side and client-side decorations
// alike). Main thread.

#include <QSize>

class QScreen;
class QWidget;

constexpr int kTitleBarRoom = 48;
constexpr int kFrameRoom = 16;

// The client area's room on `screen`; an empty size for null.
QSize clientRoom(const QScreen* screen);

// Sizes a dialog that is about to open so that it fits its parent's screen
// (Qt's own file dialog opens at a fixed size, taller than a small screen at
// scale 2). Its least size stands where the screen is smaller still.
void fitDialogToScreen(QWidget& dialog);
