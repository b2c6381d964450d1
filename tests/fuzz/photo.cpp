// The photo loader's checks before decoding (format, header size, truncation).
#include "FuzzSupport.h"
#include "app/PhotoCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    photoProblem(fuzzFile(QStringLiteral("photo"), fuzzSetUp(data, size)));
    return 0;
}
