#include "filters/KitFilters.h"

#include "filters/LXAdjustableBlendFilter.h"
#include "filters/LXAffineTransformFilter.h"
#include "filters/LXArtisticExtend.h"
#include "filters/LXBlurCompositionFilter.h"
#include "filters/LXColorFilters.h"
#include "filters/LXCombineFilters.h"
#include "filters/LXFilterConstructor.h"
#include "filters/LXGaussianBlurFilter.h"
#include "filters/LXGradientFilters.h"
#include "filters/LXReflectionFilter.h"
#include "filters/LXSimpleShadowFilter.h"
#include "filters/LXWatermarkFilter.h"

void registerKitFilterClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    LXFilterConstructor::registerClass(LXAdjustableBlendFilter::staticMetaObject);
    LXFilterConstructor::registerClass(LXAffineTransformFilter::staticMetaObject);
    LXFilterConstructor::registerClass(LXArtisticExtend::staticMetaObject);
    LXFilterConstructor::registerClass(LXBlurCompositionFilter::staticMetaObject);
    LXFilterConstructor::registerClass(LXGaussianBlurFilter::staticMetaObject);
    LXFilterConstructor::registerClass(LXReflectionFilter::staticMetaObject);
    LXFilterConstructor::registerClass(LXSimpleShadowFilter::staticMetaObject);
    LXFilterConstructor::registerClass(LXWatermarkFilter::staticMetaObject);
    for (const QMetaObject* cls : {&LXDimmedBWFilter::staticMetaObject, &LXKeepColorFilter::staticMetaObject,
                                   &LXReplaceColorFilter::staticMetaObject, &LXRotateColorFilter::staticMetaObject,
                                   &LXSRGBConversionFilter::staticMetaObject, &LXColorMultiplyFilter::staticMetaObject,
                                   &LXGradientMapFilter::staticMetaObject, &LXGradientMultiplyFilter::staticMetaObject,
                                   &LXCombineFilter::staticMetaObject, &LXCombineMaskFilter::staticMetaObject,
                                   &LXImageOverlayFilter::staticMetaObject})
        LXFilterConstructor::registerClass(*cls);
}
