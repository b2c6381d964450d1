#pragma once
// The one-line log of the whole system. A line is written exactly as given
// (callers pass texts such as "Warning: cannot ..." or "Error: ..."), one per
// call, to standard error, through the Qt logging category of its subsystem so
// that tests can capture it with a message handler. A line beginning "Error: "
// is logged as critical, anything else as a warning.
// Thread: any thread (Qt's logging is thread-safe).

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcFoundation)
Q_DECLARE_LOGGING_CATEGORY(lcImage)
Q_DECLARE_LOGGING_CATEGORY(lcDesktop)
Q_DECLARE_LOGGING_CATEGORY(lcUi)
Q_DECLARE_LOGGING_CATEGORY(lcFilters)
Q_DECLARE_LOGGING_CATEGORY(lcResources)
Q_DECLARE_LOGGING_CATEGORY(lcEffects)
Q_DECLARE_LOGGING_CATEGORY(lcFrames)
Q_DECLARE_LOGGING_CATEGORY(lcGraphics)
Q_DECLARE_LOGGING_CATEGORY(lcControls)
Q_DECLARE_LOGGING_CATEGORY(lcWindows)
Q_DECLARE_LOGGING_CATEGORY(lcLocalization)
Q_DECLARE_LOGGING_CATEGORY(lcUtil)
Q_DECLARE_LOGGING_CATEGORY(lcApp)

namespace Log {

// A subsystem's category, e.g. lcFoundation.
using Category = const QLoggingCategory& (*)();

// Writes `text` as one log line in `category`.
void line(Category category, const QString& text);

// Makes Qt print messages as they stand, without a category prefix.
// Called once by every executable's main() before anything is logged.
void setUp();

} // namespace Log
