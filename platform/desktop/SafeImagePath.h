#pragma once
// A path to a picture that a desktop tool cannot misread. Some tools parse
// the path we hand them (sway expands it like a shell word; hyprpaper splits
// and trims it), so a photo's name must never reach them as written.
// Thread: main thread.

#include "platform/foundation/Result.h"

#include <QString>

// True when every character of `path` is one of A-Z a-z 0-9 . _ / -.
bool isSafePath(const QString& path);

// A path made only of safe characters: the absolute path of `filePath` when
// it is safe as it stands; otherwise a symbolic link to it, named after a
// hash of the path and the file's lower-case extension, in linkFolder().
// Links stay after we quit (a compositor re-reads the picture when outputs
// change); links of ours whose picture is gone are removed here. Fails (the backend logs it) when no
// private folder with a safe path can be had or the link cannot be made; the
// reason is for the alert.
Result<QString> safeImagePath(const QString& filePath);

// Where the links go: $XDG_RUNTIME_DIR/sunnyside when that path is safe,
// else the per-user temporary folder; it is made (mode 0700) when missing and
// used only when it is a real folder of ours that nobody else may write into.
// Fails when neither will do.
Result<QString> linkFolder();
