// Resource identifiers in file names, and picture look-ups by name: a name
// never reaches a file outside the bundle.
#include "FuzzSupport.h"
#include "resources/BundleResources.h"
#include "resources/StringResources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(fuzzSetUp(data, size));
    resourceIDNameFor(resourceInfo(text));
    resourceID(text);
    const Bundle& bundle = Bundle::mainBundle();
    const QString path = pathForImageNamed(bundle, text);
    if (!path.isNull() && !QFileInfo(path).canonicalFilePath().startsWith(QFileInfo(bundle.bundlePath()).canonicalFilePath()))
        __builtin_trap();
    imageNamed(bundle, text);
    return 0;
}
