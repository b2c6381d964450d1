#include "platform/image/CIImageFile.h"

#include "platform/image/EngineSources.h"

#include <algorithm>
#include <cmath>

CIImage imageWithContentsOfFileDrawnAt(const QString& path, const QSizeF& drawnSize, bool centredFit)
{
    auto node = Engine::SourceNode::fromFile(path, drawnSize, centredFit);
    return node ? CIImage(node) : CIImage();
}

QSizeF centredFitSize(const QSizeF& picture, const QSizeF& box)
{
    if (picture.isEmpty() || box.isEmpty())
        return {};
    const double s = std::min(box.width() / picture.width(), box.height() / picture.height());
    const auto side = [](double exact, double room) {
        const double rounded = room - 2 * std::round((room - exact) / 2);
        return rounded >= 1 ? rounded : exact;
    };
    return {side(picture.width() * s, box.width()), side(picture.height() * s, box.height())};
}
