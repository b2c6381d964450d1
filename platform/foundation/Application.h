#pragma once
// Process-wide application events and folders.
//
// kApplicationWillTerminateNotification is posted on the default
// notification centre (object: nullptr) once, when the event loop is about to
// quit (QCoreApplication::aboutToQuit) or when postApplicationWillTerminate()
// is called first; registries that clean up at quit observe it.
// Thread: main thread.

#include <QString>

inline const QString kApplicationWillTerminateNotification = QStringLiteral("ApplicationWillTerminate");

namespace Application {

// Connects the notification to the running QCoreApplication's quit. Called
// by main() after the application object exists.
void installTerminationNotice();

// SIGTERM, SIGINT and SIGHUP then quit the event loop the normal way (a
// self-pipe read by a socket notifier), so that whatever cleans up at quit
// runs at logout too. Needs a QCoreApplication; once per process.
void quitOnTerminationSignals();

// Posts the notification now, at most once per process (command-line runs
// that end without an event loop call this themselves).
void postWillTerminate();

// The per-user temporary folder, "<system temp>/sunnyside-<uid>", made with
// owner-only permissions when missing; the system temp folder itself when it
// cannot be made.
QString temporaryDirectory();

} // namespace Application
