#pragma once
// The inner shadow of the frame filters: their mask blurred by the named
// blur filter over `radius` pixels and inverted, cropped to `extent`.
// Null when the mask is null or a filter is missing. Main thread.

#include "platform/image/CIImage.h"

#include <QRectF>
#include <QString>

CIImage innerShadowOf(const CIImage& mask, const QString& blurName, double radius, const QRectF& extent);
