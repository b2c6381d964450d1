// Shadow lists (name -> colour, offset, radius), each shadow drawn under text.
#include "FuzzSupport.h"
#include "graphics/LXShadowCatalog.h"
#include "platform/ui/ShadowText.h"

#include <QImage>
#include <QPainter>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const LXShadowCatalog catalog(fuzzFile(QStringLiteral("Shadows.plist"), fuzzSetUp(data, size)));
    QImage image(48, 16, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    for (const QString& name : {QStringLiteral("a"), QStringLiteral("TextWhite0px")}) {
        catalog.textColorForShadowWithName(name);
        if (const auto shadow = catalog.shadowWithName(name))
            drawTextWithShadow(painter, QRectF(0, 0, 48, 16), Qt::AlignCenter, QStringLiteral("Ag"), *shadow);
    }
    return 0;
}
