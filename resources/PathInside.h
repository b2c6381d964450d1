#pragma once
// Relative paths taken from files and callers (a store's "filename", a
// bundle's resource key) are joined to their folder only when they stay
// inside it.
// Thread: any.

#include <QString>

// `folder` + "/" + `relative` cleaned, when `relative` is not empty, not
// absolute, names something below `folder` (not the folder itself, no "..")
// and no folder on the way is a link leading out of `folder`. Null otherwise.
QString pathInsideFolder(const QString& folder, const QString& relative);

// Deletes the file, link (not what it points to) or folder tree at `path`;
// false with the reason in `error` when something stays.
bool removeItem(const QString& path, QString* error = nullptr);
