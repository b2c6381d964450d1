#pragma once
// A ready-made picture of the main bundle (a frame, a shadow) found by its
// resource name in the folder of its type, with the numbers its file name's
// options carry ("ALX-F#001#Polaroid#60-190-880-880" has four).
// Main thread (reads the resource type table).

#include "platform/image/CIImage.h"
#include "resources/LXResourceInfo.h"

#include <QString>
#include <QVector>

struct PictureResource {
    QString path;           // null when nothing was found
    QString resourceIDName; // the found file's canonical name
    QStringList pieces;     // its options split at "-"; empty without options
    // The pieces as numbers; empty unless there are exactly `count`, all finite.
    QVector<double> numbers(int count) const;
};

// The first image in the folder of `type` whose path inside the bundle holds
// the type and index of `name` ("ALX-F#002", "ALX-F#002#Card") and not
// `avoiding` (null: nothing avoided).
// A name without type and index finds nothing. `subfolder` (null: none)
// looks in that folder inside the type's folder instead.
PictureResource findPictureResource(const QString& type, const QString& name, const QString& avoiding,
                                    const QString& subfolder = {});

// The resource names of every picture of `type` whose path inside the bundle
// does not hold `avoiding`.
QStringList pictureResourceNames(const QString& type, const QString& avoiding);

// The picture in the file at `path` as one image shared by every filter that
// shows it (the few last asked for are kept), so that a frame chosen again,
// or made again for another render, is decoded and uploaded once. A file
// changed since (its time or size) is read anew. Null when no file is there.
// Main thread only.
CIImage sharedPictureAt(const QString& path);
