#pragma once
// Feedback by e-mail: a "mailto:" address with a subject naming the
// application and its version and a body holding a short system report,
// opened in the user's mail program, where the user sees and edits it
// (nothing is sent by this program).
//
// The report holds only: the application's name and version, the OS's pretty
// name, kernel release and architecture, the device model, processors,
// memory, Qt's version and platform, the desktop and session type, and the
// image engine's OpenGL renderer and version. Never the host name, user
// names, home paths, serials, network addresses or the environment.
// Thread: main thread.

#include <QByteArray>
#include <QString>

class LXSystemInfo {
public:
    static QString appName();    // the running process's name
    static QString appVersion(); // the main bundle's "CFBundleVersion"
    static QString modelIdentifier(); // the device model; null when unknown

    // The report, one fact a line, ending with an empty line.
    static QString systemReport();

    // "mailto:<recipient>?SUBJECT=<subject>&BODY=<body>", each part in UTF-8
    // with every byte but letters, digits and "-._~" (and the recipient's
    // "@") percent-encoded, so no text can end a field or add header fields.
    static QByteArray feedbackAddress(const QString& recipient, const QString& subject, const QString& body);

    // Opens the feedback mail to `recipient` (null: the main bundle's
    // "SWFeedbackAddress"). When no program takes it, logs a "Warning: " line
    // and shows an alert naming the address; returns whether it opened.
    static bool sendFeedbackTo(const QString& recipient = {});
};
