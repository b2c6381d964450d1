#pragma once
// Opening addresses (web pages, "mailto:" mails) with the user's programs,
// through QDesktopServices; tests catch a scheme with
// QDesktopServices::setUrlHandler. Nothing is sent by this program.
// Thread: main thread (needs a QGuiApplication).

#include <QUrl>

namespace Workspace {

// False when no program took the address (the caller says so to the user).
bool openURL(const QUrl& url);

} // namespace Workspace
