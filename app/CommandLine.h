#pragma once
// Sunnyside's command line:
//   sunnyside --render PHOTO --size WxH --output FILE [--scale-up] [--no-logo] [--secondary-screen]
//   sunnyside --apply PHOTO [--screen NAME]
//   sunnyside PHOTO            (as the file manager's "Open with" calls it)
// Exit status: 0 done; 3 --apply wrote the picture but could not set the
// desktop picture; 1 any other failure (its alert on standard error).
// Main thread.

#include <QStringList>

namespace CommandLine {

constexpr int kNotACommand = -1;

// True when the arguments ask for a command-line job (no window).
bool wantsCommand(const QStringList& arguments);

// The photo of a plain "sunnyside PHOTO" (a path or a file: URL; the last
// one when several are given), empty when the arguments hold any option.
QString photoToOpen(const QStringList& arguments);

// Runs the job the arguments name; kNotACommand when they name none.
// Needs a Q(Core/Gui)Application; --help and --version exit the process.
int run(const QStringList& arguments);

} // namespace CommandLine
