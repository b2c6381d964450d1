#pragma once
// The common shape of the desktop-picture backends: one per kind of Linux
// desktop, each in its own file, chosen by DesktopSession.
// Thread: main thread. Every call into a desktop is bounded by a timeout.

#include "platform/foundation/Result.h"

#include <QString>
#include <QStringList>

class DesktopBackend {
public:
    virtual ~DesktopBackend() = default;

    // A short name for log lines and tests, e.g. "KDE Plasma".
    virtual QString name() const = 0;

    // Makes the image file at the absolute path `filePath` the desktop picture
    // of the screen whose connector name (QScreen::name()) is `screenName`;
    // an empty `screenName` means every screen. Logs one "Error: " line when
    // it fails, and returns the failure, its reason in words fit for the alert
    // "Could not set Desktop for this reason: %@".
    Result<> setImage(const QString& filePath, const QString& screenName);

protected:
    // The backend's own work; `setImage` adds the logging.
    virtual Result<> apply(const QString& filePath, const QString& screenName) = 0;
};

// The connector names of the screens as Qt lists them, the primary screen
// first (Qt's order); empty without a GUI application or without screens.
QStringList currentScreenNames();
