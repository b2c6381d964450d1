#pragma once
// Finding image resources by identifier: in a bundle's folders (by type
// directory, prefix, name and screen scale) and in a plain directory tree that
// may continue elsewhere through a symbolic link named "Base.lnk".
//
// Type table: type code -> directory name, filled once with the framework's
// ten types ("ALX-T" -> "Textures", "FRM-I" -> "InternalMasks", ...).
// Image extensions are searched in the order "tiff", "png", "jpg", "pdf".
// Nothing found gives a null QString / empty list / null Picture, silently,
// except the directory-tree look-up, which logs why a listing or a link failed.
// Thread: main thread (the type table is not locked).

#include "platform/foundation/Bundle.h"
#include "platform/ui/Picture.h"

#include <QString>
#include <QStringList>
#include <QUrl>

// The type table.
void registerResourceDirectory(const QString& directory, const QString& type);
QString directoryForResourceType(const QString& type); // null when unknown

// The first image file in `basePath`/`directory` whose name (without
// extension) starts with `prefix` and does not end with `avoiding`; else the
// same search below the folder "Base.lnk" of `basePath` points to. Empty URL
// when none. Null `prefix` / `avoiding` mean no condition.
QUrl URLForImageResourceIn(const QString& basePath, const QString& prefix, const QString& directory,
                           const QString& avoiding);

// In a bundle, prefix and avoided text match anywhere in the path inside the
// bundle (never in the folders the bundle itself lies in).
QString pathForImageResourceWithPrefix(const Bundle& bundle, const QString& prefix, const QString& directory,
                                       const QString& avoiding);
QStringList pathsForImageResourcesAvoding(const Bundle& bundle, const QString& avoiding, const QString& directory);
QStringList resourceIDNamesForImageResourcesAvoding(const Bundle& bundle, const QString& avoiding,
                                                    const QString& directory);

// Pictures by name: with `prefer2X` the "@2x" file first; without it the
// "@2x" file only when the plain one is missing and the active window's
// screen has a device pixel ratio below 1.5 (no window counts as 0).
Picture imageNamedForTypePrefer2X(const Bundle& bundle, const QString& name, const QString& type, bool prefer2X);
Picture imageNamedForType(const Bundle& bundle, const QString& name, const QString& type);
Picture imageNamedPrefer2X(const Bundle& bundle, const QString& name, bool prefer2X);
Picture imageNamed(const Bundle& bundle, const QString& name);
QString pathForImageNamed(const Bundle& bundle, const QString& name); // the "tiff" file

// The top-level "tiff" resource whose path contains `prefix`, by its base name.
Picture imageWithPrefix(const Bundle& bundle, const QString& prefix);
QString pathForImageWithPrefix(const Bundle& bundle, const QString& prefix);

// The "tiff" files of `directory` (relative to the bundle), variants ("@2x",
// "~iPad", "~iPhone") collapsed onto their base file when it exists.
QStringList imagePathsInDirectory(const Bundle& bundle, const QString& directory);

// The device pixel ratio used above; tests may replace it (a negative value
// restores the real one).
double screenScaleFactor();
void setScreenScaleFactorForTesting(double factor);
