#include "filters/KitFilters.h"

#include "filters/LXAdjustableBlendFilter.h"
#include "filters/LXAffineTransformFilter.h"
#include "filters/LXArtisticExtend.h"
#include "filters/LXBlurCompositionFilter.h"
#include "filters/LXFilterConstructor.h"
#include "filters/LXGaussianBlurFilter.h"
#include "filters/LXReflectionFilter.h"
#include "filters/LXSimpleShadowFilter.h"
#include "filters/LXWatermarkFilter.h"

void registerKitFilterClasses()
{
    LXFilterConstructor::registerClass(LXAdjustableBlendFilter::staticMetaObject);
    LXFilterConstructor::registerClass(LXAffineTransformFilter::staticMetaObject);
    LXFilterConstructor::registerClass(LXArtisticExtend::staticMetaObject);
    LXFilterConstructor::registerClass(LXBlurCompositionFilter::staticMetaObject);
    LXFilterConstructor::registerClass(LXGaussianBlurFilter::staticMetaObject);
    LXFilterConstructor::registerClass(LXReflectionFilter::staticMetaObject);
    LXFilterConstructor::registerClass(LXSimpleShadowFilter::staticMetaObject);
    LXFilterConstructor::registerClass(LXWatermarkFilter::staticMetaObject);
}
