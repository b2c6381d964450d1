#pragma once
// Opening addresses (web pages, "mailto:" mails) with the user's programs,
// through QDesktopServices; tests catch a scheme with
// QDesktopServices::setUrlHandler. Nothing is sent by this program.
// Thread: main thread (needs a QGuiApplication).

#include <QUrl>

namespace Workspace {

// False when no program took the address (the caller says so to the user).
bool openURL(const QUrl& url);

// Shows the file selected in the user's file manager
// (org.freedesktop.FileManager1.ShowItems on the session bus), else opens
// its folder. False, with a "Warning: " line, when neither worked.
bool showInFolder(const QString& path);

} // namespace Workspace
