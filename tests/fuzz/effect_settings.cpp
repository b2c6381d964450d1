// Stored effect settings, as a settings file or a command line hands them
// over: whatever makes an effect renders, and its settings can be stored.
#include "FuzzSupport.h"
#include "effects/LXEffect.h"
#include "effects/LXEffectsCatalog.h"
#include "platform/foundation/PropertyList.h"
#include "platform/image/CIContext.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzzSetUp(data, size);
    const auto effect = LXEffectsCatalog::effectForSettings(PropertyList::fromData(bytes).toMap());
    if (!effect)
        return 0;
    effect->setInputImage(CIImage::imageWithColor(CIColor(0.2, 0.5, 0.7, 1)).imageByCroppingToRect({0, 0, 12, 8}));
    CIContext().createCGImage(effect->outputImage(), {0, 0, 12, 8});
    if (PropertyList::toXml(effect->settings()).isEmpty())
        __builtin_trap(); // stored settings must stay storable
    return 0;
}
