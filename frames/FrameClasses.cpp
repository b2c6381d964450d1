#include "frames/FrameClasses.h"

#include "filters/LXFilterConstructor.h"

void registerFrameClasses()
{
}
