#pragma once
// What the window asks of the drop view beyond opening a file: taking
// pasted data the way a drop is taken, and hearing where a wallpaper was
// saved. The drop view grows these members; until it has them, a paste of
// local files opens the first through applyImageAt() and saves are not
// reported. Thread: main thread.

#include "app/SWDropView.h"

#include <QMimeData>
#include <QObject>

#include <functional>

namespace DropViewBridge {

// False when nothing in `data` could be taken (the view says why).
bool takeMimeData(SWDropView* view, const QMimeData* data);

// Calls `saved` with the path of each wallpaper the view saves.
void onWallpaperSaved(SWDropView* view, QObject* context, std::function<void(const QString&)> saved);

} // namespace DropViewBridge
