#pragma once
// Where a review of this program can be written: software centres show the
// reviews of an AppStream component and open "appstream://<id>" at its page.
// No store owns the program, so that page exists only when our metainfo is
// installed and some program handles the scheme; otherwise there is none and
// callers offer the feedback mail instead. Nothing here goes over the network.
//
// Looked up in the freedesktop.org places: metainfo in <data dir>/metainfo
// (or the older appdata) of $XDG_DATA_HOME and $XDG_DATA_DIRS; scheme
// handlers in mimeapps.list ($XDG_CONFIG_HOME, $XDG_CONFIG_DIRS, the data
// dirs' applications folders), mimeinfo.cache and the user's own desktop
// entries. Thread: any (reads files only).

#include <QString>
#include <QUrl>

namespace AppStream {

// The installed metainfo file of `appId`; null when there is none.
QString installedMetainfo(const QString& appId);

// True when some program is registered for "x-scheme-handler/<scheme>".
bool hasSchemeHandler(const QString& scheme);

// "appstream://<appId>" when both hold, else an empty URL.
QUrl reviewAddress(const QString& appId);

} // namespace AppStream
