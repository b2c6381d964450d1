#include "frames/FrameClasses.h"

#include "filters/LXFilterConstructor.h"
#include "frames/LXFrameDescription.h"
#include "frames/LXPictureFrameFilter.h"
#include "frames/LXPictureShadowFilter.h"
#include "frames/LXShapedBorderFilter.h"
#include "frames/LXTextureCatalog.h"
#include "frames/LXTexturedFrameFilter.h"
#include "frames/LXTexturizeFilter.h"

void registerFrameClasses()
{
    LXFilterConstructor::sharedFilterConstructor(); // the kit's classes first
    LXFilterConstructor::registerClass(LXPictureFrameFilter::staticMetaObject);
    LXFilterConstructor::registerClass(LXPictureShadowFilter::staticMetaObject);
    LXFilterConstructor::registerClass(LXShapedBorderFilter::staticMetaObject);
    LXFilterConstructor::registerClass(LXTexturizeFilter::staticMetaObject);
    LXFilterConstructor::registerClass(LXTexturedFrameFilter::staticMetaObject);
    LXFrameDescription::setTextureResolver([](QString& name, HSVTriple& baseColor) {
        const LXTextureDescription* texture = LXTextureCatalog::sharedTextureCatalog().textureForName(name);
        if (texture)
            baseColor = texture->baseColor();
        return texture != nullptr;
    });
}
