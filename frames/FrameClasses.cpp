#include "frames/FrameClasses.h"

#include "filters/LXFilterConstructor.h"
#include "frames/LXPictureFrameFilter.h"
#include "frames/LXPictureShadowFilter.h"

void registerFrameClasses()
{
    LXFilterConstructor::registerClass(LXPictureFrameFilter::staticMetaObject);
    LXFilterConstructor::registerClass(LXPictureShadowFilter::staticMetaObject);
}
