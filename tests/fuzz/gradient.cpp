// Gradient descriptions, then what painters ask of the gradient.
#include "FuzzSupport.h"
#include "graphics/GradientStrings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Gradient gradient = gradientWithString(QString::fromUtf8(fuzzSetUp(data, size)));
    stringRepresentation(gradient);
    gradient.colorAt(0.5);
    gradient.linear({0, 0}, {1, 0});
    return 0;
}
