// Strings tables in UTF-8 and UTF-16.
#include "FuzzSupport.h"
#include "platform/foundation/StringsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    StringsFile::parse(fuzzSetUp(data, size), QStringLiteral("fuzz.strings"));
    return 0;
}
