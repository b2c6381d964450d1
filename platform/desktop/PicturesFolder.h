#pragma once
// The user's Pictures folder (XDG's pictures directory, usually ~/Pictures).
// Thread: main thread.

#include <QString>

// `path` is the folder's absolute path, empty when it cannot be had; then
// `errorText` says why, for the alert "Picture Folder could not be found
// because: %@" (one "Error: " line is also logged).
struct PicturesFolderResult {
    QString path;
    QString errorText;

    bool ok() const { return !path.isEmpty(); }
};

// Finds the Pictures folder and creates it (with its parents) when missing.
// Without an absolute HOME there is none (never a folder at the root).
PicturesFolderResult picturesFolder();
