#pragma once
// The main window's size on a given screen: the designed size where the
// screen's free area has room for it and for the window's title bar and
// frame, else that room (as much wider as it is shorter, where the width
// allows, so that its texts take fewer lines); never below what the layout needs (the drawn
// display shrinks first, so the layout's need is small). Pure; any thread.

#include "platform/ui/ScreenRoom.h"

#include <QRect>
#include <QSize>

struct WindowFit {
    QSize size;    // the window's client size
    QSize minimum; // its least size
};

// `designed`: the size the window file gives; `needed`: the least the
// layout takes; `available`: the screen's free area in logical pixels
// (panels excluded; empty: no screen, the designed size stands).
WindowFit fitWindow(QSize designed, QSize needed, QRect available);
