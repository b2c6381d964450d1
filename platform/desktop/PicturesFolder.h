#pragma once
// The user's Pictures folder (XDG's pictures directory, usually ~/Pictures).
// Thread: main thread.

#include "platform/foundation/Result.h"

#include <QString>

// Finds the Pictures folder and creates it (with its parents) when missing;
// the value is its absolute path. Without an absolute HOME there is none
// (never a folder at the root). On failure the reason is for the alert
// "Picture Folder could not be found because: %@" (one "Error: " line is
// also logged).
Result<QString> picturesFolder();
