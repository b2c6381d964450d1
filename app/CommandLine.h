#pragma once
// Sunnyside's command line:
//   sunnyside --render PHOTO --size WxH --output FILE [--scale-up] [--no-logo] [--secondary-screen] [LOOK]
//   sunnyside --apply PHOTO [--screen NAME] [LOOK]
//   sunnyside [LOOK] [PHOTO...]  the window, applying each photo in turn (as
//                              the file manager's "Open with" calls it);
//                              arguments after "--" are all photos; a LOOK
//                              given becomes the remembered look ("look")
//   sunnyside [LOOK] PHOTO     without a display: like --apply
//   sunnyside --list-effects | --list-frames
// LOOK: --effect, --frame, --crop, --rotate, --look (LookArguments.h);
// --apply without them uses the remembered look, --render only what is given.
//   sunnyside --ask-rating [PHOTO...]  the window, asking for a review or
//                              feedback at once
// Exit status: 0 done; 3 --apply wrote the picture but could not set the
// desktop picture; 1 any other failure (its alert on standard error).
// Main thread.

#include <QStringList>

#include <optional>

namespace CommandLine {

constexpr int kNotACommand = -1;


// The photos of a plain "sunnyside [PHOTO...]" as absolute paths (each a
// path, relative to `workingDirectory`, or a file: URL), in order; nullopt
// when the arguments hold an option (a command, --help, a mistake) before "--";
// --ask-rating and the look options with their values go with the window
// and are no photos.
std::optional<QStringList> photosToOpen(const QStringList& arguments, const QString& workingDirectory);

// True when the window's arguments (before "--") hold --ask-rating.
bool asksForRating(const QStringList& arguments);

// Runs the job the arguments name; kNotACommand when they name none.
// Needs a Q(Core/Gui)Application; --help and --version exit the process.
int run(const QStringList& arguments);

} // namespace CommandLine
