// Colour descriptions ("1 0 0", "0.5/0.25", a picture's name).
#include "FuzzSupport.h"
#include "graphics/LXColor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QBrush brush = LXColor::colorFromDescription(QString::fromUtf8(fuzzSetUp(data, size)));
    LXColor::descriptionForNSColor(brush.color());
    return 0;
}
