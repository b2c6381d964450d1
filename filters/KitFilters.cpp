#include "filters/KitFilters.h"

#include "filters/LXAdjustableBlendFilter.h"
#include "filters/LXArtisticExtend.h"
#include "filters/LXFilterConstructor.h"
#include "filters/LXWatermarkFilter.h"

void registerKitFilterClasses()
{
    LXFilterConstructor::registerClass(LXAdjustableBlendFilter::staticMetaObject);
    LXFilterConstructor::registerClass(LXArtisticExtend::staticMetaObject);
    LXFilterConstructor::registerClass(LXWatermarkFilter::staticMetaObject);
}
