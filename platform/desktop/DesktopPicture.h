#pragma once
// Setting the desktop picture: the one call the application makes.
// Thread: main thread; it blocks (with a bounded wait) until the desktop has
// answered.

#include "platform/desktop/DesktopBackend.h"

// Makes the image file at `filePath` the desktop picture of the screen whose
// connector name (QScreen::name()) is `screenName`, through the backend of
// the desktop this session runs (see DesktopSession.h); an empty
// `screenName` means every screen. Desktops that keep one picture for all
// screens (GNOME, Cinnamon, MATE, feh, the portal) set it everywhere.
// On failure (the file is missing, no desktop session was found, the desktop
// refused or did not answer) one "Error: " line is logged and the result's
// reason says why, for the alert "Could not set Desktop for this reason: %@".
Result<> setDesktopImage(const QString& filePath, const QString& screenName);
