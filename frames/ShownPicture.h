#pragma once
// A ready-made picture (a frame, its mask, a shadow) as it is shown: moved
// and scaled by its transform, rendered once over the whole pixels it
// touches and kept there as a bitmap image, so that every later render
// reads its texels one to a pixel instead of scaling the picture again.
// Made anew when the picture (its recipe node) or the transform changes.
// The bitmap's bytes differ from reading the picture scaled by at most the
// rounding to 8 bits. Value type; main thread (renders).

#include "platform/image/CIImage.h"

#include <QTransform>

class ShownPicture {
public:
    // `picture` under `transform`; null for a null picture, one with no
    // finite area or a failed render (the engine logs it).
    const CIImage& of(const CIImage& picture, const QTransform& transform);

private:
    CIImage m_picture, m_shown;
    QTransform m_transform;
};
