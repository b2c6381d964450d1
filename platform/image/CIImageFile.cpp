#include "platform/image/CIImageFile.h"

#include "platform/image/EngineSources.h"

CIImage imageWithContentsOfFileDrawnAt(const QString& path, const QSizeF& drawnSize)
{
    auto node = Engine::SourceNode::fromFile(path, drawnSize);
    return node ? CIImage(node) : CIImage();
}
