// Kernel texts up to the GLSL handed to the driver (never the driver).
#include "FuzzSupport.h"
#include "platform/image/KernelTranslation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (const KernelTranslation::Routine& routine : KernelTranslation::translate(QString::fromUtf8(fuzzSetUp(data, size))))
        if (routine.error.isEmpty() == routine.source.isEmpty())
            __builtin_trap();
    return 0;
}
