#pragma once
// The photo a benchmark works on: $SUNNYSIDE_BENCH_PHOTO, else the named one
// of ../shared/testdata/photos beside the checkout. Main thread.

#include "platform/image/CIContext.h"
#include "platform/image/CIImage.h"

#include <QFileInfo>
#include <QString>

inline QString benchPhotoPath(const char* name)
{
    const QString fromEnv = qEnvironmentVariable("SUNNYSIDE_BENCH_PHOTO");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QFileInfo(QStringLiteral(SUNNYSIDE_SOURCE_DIR "/../shared/testdata/photos/") + QLatin1String(name))
        .absoluteFilePath();
}

// The photo at `path`, decoded now so that timings leave the decoding out;
// null when it cannot be read.
inline CIImage decodedBenchPhoto(const QString& path)
{
    const CIImage loaded = CIImage::imageWithContentsOfFile(path);
    if (!loaded.isNull())
        CIContext().createCGImage(loaded, QRectF(0, 0, 1, 1)); // decoded and kept from here on
    return loaded;
}
