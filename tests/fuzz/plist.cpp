// Property lists, XML and binary: whatever reads must be writable again.
#include "FuzzSupport.h"
#include "platform/foundation/PropertyList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QVariant tree = PropertyList::fromData(fuzzSetUp(data, size));
    if (tree.isValid() && PropertyList::toXml(tree).isEmpty())
        __builtin_trap();
    return 0;
}
