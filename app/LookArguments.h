#pragma once
// The look on the command line:
//   --effect NAME[:key=value[,key=value...]]  (repeatable: a chain, in order)
//   --frame NAME[:key=value...]  (NAME "none": no frame)
//   --crop X,Y,W,H  (fractions of the photo from its top-left corner)
//   --rotate DEGREES  (counter-clockwise)
//   --look FILE  (a saved look; the options above change it)
// NAME is an identifier or a display name as --list-effects / --list-frames
// print them, in any case; a key is the setting's identifier or its row
// name. Failures name what was wrong in one sentence, fit for one "Error: "
// line. Main thread (effects are made to read their settings).

#include "app/Look.h"

#include <QCommandLineOption>
#include <QList>
#include <QStringList>

class QCommandLineParser;

namespace LookArguments {

// The options above, for a parser.
QList<QCommandLineOption> options();
// True for a look option ("--crop", "--crop=...").
bool isOption(const QString& argument);
// True for a look option written without its value ("--crop", not "--crop=...").
bool takesNextArgument(const QString& argument);
// The look options and their values among `arguments` (before "--"), in order.
QStringList lookArgumentsIn(const QStringList& arguments);

// True when `parser` holds any look option.
bool isGiven(const QCommandLineParser& parser);
// The look the parsed options describe: the --look file's, then the rest.
Result<Look> lookFrom(const QCommandLineParser& parser);
// The same for an argument list (the program's name first); other options
// are ignored.
Result<Look> lookFrom(const QStringList& arguments);

// What --list-effects and --list-frames print: one line per effect or frame,
// "identifier<TAB>display name"; an effect's settings follow, indented.
QString effectsListing();
QString framesListing();

} // namespace LookArguments
