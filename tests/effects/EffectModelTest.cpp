#include "effects/EffectSettingsForm.h"
#include "effects/LXEffect.h"
#include "filters/LXFilter.h"
#include "graphics/ImageExtension.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/image/CIGeometry.h"
#include "tests/support/Images.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

const QVariantMap kSoftBlur{{"name", "Soft Blur"}, {"ciName", "LXGaussianBlurFilter"}, {"relative", QStringList{"inputRadius"}},
                            {"defaultSettings", QVariantMap{{"inputRadius", 0.01}}},
                            {"settingsUI", QVariantMap{{"Radius", QVariantMap{{"type", 0}, {"inputName", "inputRadius"}, {"maxValue", 0.05}}}}}};

CIImage square(int width, int height, QColor colour = Qt::red) { return CIImage::imageWithQImage(filled(width, height, colour)); }
QRgb firstPixel(const CIImage& image) { return newCGImage(image).pixel(0, 0) & 0xffffff; }

} // namespace

TEST(EffectModel, EveryKitAndFrameClassIsCreatableByItsName)
{
    ASSERT_TRUE(LXEffect::effectWithName("LXGaussianBlurFilter")); // the effects engine registers them on first use
    for (const char* name : {"LXAdjustableBlendFilter", "LXAffineTransformFilter", "LXArtisticExtend", "LXBlurCompositionFilter", "LXGaussianBlurFilter",
                             "LXReflectionFilter", "LXSimpleShadowFilter", "LXWatermarkFilter", "LXDimmedBWFilter", "LXKeepColorFilter",
                             "LXReplaceColorFilter", "LXRotateColorFilter", "LXSRGBConversionFilter", "LXColorMultiplyFilter", "LXGradientMapFilter",
                             "LXGradientMultiplyFilter", "LXCombineFilter", "LXCombineMaskFilter", "LXImageOverlayFilter", "LXPictureFrameFilter",
                             "LXPictureShadowFilter", "LXShapedBorderFilter", "LXTexturizeFilter", "LXTexturedFrameFilter"}) {
        const std::shared_ptr<CIFilter> filter = CIFilter::filterWithName(name);
        EXPECT_TRUE(filter && QString(filter->metaObject()->className()) == name) << name;
    }
}

TEST(EffectModel, CreationFallsBackToTheFilterSuffixOrFailsWithTheTwoNameWarning)
{
    CIFilter::registerFilterName("SepiaFilter", [](const QString&) { return CIFilter::filterWithName("LXColorMultiplyFilter"); });
    LogCapture log;
    const std::shared_ptr<LXEffect> sepia = LXEffect::effectWithName("Sepia");
    ASSERT_TRUE(sepia);
    EXPECT_EQ(QString(sepia->filter()->metaObject()->className()), "LXColorMultiplyFilter");
    EXPECT_FALSE(LXEffect::effectWithName("Nothing"));
    EXPECT_EQ(log.lines(), QStringList({"Warning: Filter with name Sepia not found, SepiaFilter used instead",
                                        "Warning: Neither Filter with name Nothing nor NothingFilter found"}));
}

TEST(EffectModel, ReferenceLengthIsNeverZeroNorInfinite)
{
    // A proportion, the smaller side and no input at all: the relative settings test below.
    struct Row { const char* name; double proportion; QRectF extent; bool input; double length; };
    for (const Row& row : {Row{"empty input", 0, {0, 0, 0, 5}, true, 1}, Row{"infinite input", 0, CIGeometry::infiniteRect(), true, 1},
                           Row{"negative proportion", -3, {}, false, 1}})
        EXPECT_EQ(EffectSettingsForm::referenceLength(row.proportion, row.extent, row.input), row.length) << row.name;
}

TEST(EffectModel, RelativeSettingsAreNotDividedAgainOnReadBack)
{
    for (int combo = 0; combo < 32; ++combo) {
        const bool panel = combo & 1, successor = combo & 2, enabled = combo & 4, input = combo & 8, portion = combo & 16;
        const QString row = QString("panel %1 successor %2 enabled %3 input %4 portion %5").arg(panel).arg(successor).arg(enabled).arg(input).arg(portion);
        UndoManager undo;
        const std::shared_ptr<LXEffect> effect = LXEffect::effectWithDictionary(kSoftBlur), next = LXEffect::effectWithName("CIColorInvert");
        effect->setUndoManager(&undo);
        effect->setGlobalSettings({{"portion", portion ? 500.0 : 0.0}});
        if (successor)
            effect->setSuccessor(next);
        effect->setEnabled(enabled);
        if (input)
            effect->setInputImage(square(200, 100));
        if (panel)
            effect->settingsView();
        const double length = portion ? 500 : input ? 100 : 1;
        const auto check = [&](bool done, const char* step) {
            EXPECT_TRUE(done) << qPrintable(row) << " " << step;
            EXPECT_NEAR(effect->settings().value("inputRadius").toDouble(), 0.01, 1e-12) << qPrintable(row) << " " << step;
            EXPECT_NEAR(effect->filter()->valueForKey("inputRadius").toDouble(), 0.01 * length, 1e-9) << qPrintable(row) << " " << step;
        };
        effect->setValue(effect->settings(), "settings");
        check(true, "set");
        check(undo.undo(), "undo");
        check(undo.redo(), "redo");
        NotificationCenter::defaultCenter().post(LXFilterSettingsChangedNotification, effect->filter().get());
        check(true, "posted");
    }
}

TEST(EffectModel, TheChainHandsOverByEnabledAndDisablingIsOneNamedUndoStep)
{
    UndoManager undo;
    const std::shared_ptr<LXEffect> invert = LXEffect::effectWithDictionary({{"name", "Invert"}, {"ciName", "CIColorInvert"}});
    const std::shared_ptr<LXEffect> next = LXEffect::effectWithName("CIColorInvert");
    invert->setUndoManager(&undo);
    invert->setSuccessor(next);
    invert->setInputImage(square(8, 8));
    EXPECT_EQ(firstPixel(next->inputImage()), 0x00ffffu); // processed
    invert->setEnabled(false);
    EXPECT_EQ(firstPixel(next->inputImage()), 0xff0000u); // unprocessed
    EXPECT_EQ(undo.undoActionName(), "Disable Invert");
    ASSERT_TRUE(undo.undo());
    EXPECT_EQ(std::tuple(invert->enabled(), firstPixel(next->inputImage())), std::tuple(true, 0x00ffffu));
    EXPECT_EQ(undo.redoActionName(), "Disable Invert");
    ASSERT_TRUE(undo.redo());
    invert->removeImageInput(); // clears the chain
    EXPECT_TRUE(invert->inputImage().isNull() && next->inputImage().isNull());
}

TEST(EffectModel, AReentrantObserverOfTheUpdateRequestDoesNotRecurse)
{
    const std::shared_ptr<LXEffect> effect = LXEffect::effectWithDictionary(kSoftBlur);
    int posts = 0;
    NotificationCenter::defaultCenter().addObserver(&posts, kEffectNeedsUpdateNotification, effect.get(), [&](const Notification&) {
        if (++posts < 5) // guards the test itself against the fault's endless recursion
            effect->outputImage();
    });
    EXPECT_TRUE(effect->outputImage().isNull() && effect->outputImage().isNull());
    NotificationCenter::defaultCenter().removeObserver(&posts);
    EXPECT_EQ(posts, 1);
}

TEST(EffectModel, HostileStoredSettingsGiveOneWarningEachAndLoseNothing)
{
    struct Row { const char* name; QVariantMap settings; const char* warning; };
    for (const Row& row : {Row{"name not a string", {{"name", 5}}, "takes settings named '5'"},
                           Row{"unknown key", {{"inputFromTheFuture", 1}}, "has no setting 'inputFromTheFuture'"},
                           Row{"string for a number", {{"inputRadius", "wide"}}, "cannot use wide for 'inputRadius'"},
                           Row{"resource escaping", {{"resource", QVariantMap{{"inputImage", "../../etc/passwd"}}}}, "drops the picture path"},
                           Row{"resource absolute", {{"resource", QVariantMap{{"inputImage", "/etc/passwd"}}}}, "drops the picture path"},
                           Row{"resource deep", {{"resource", QVariantMap{{"inputImage", "a/b/c"}}}}, "drops the picture path"},
                           Row{"resource not a dictionary", {{"resource", "a/b"}}, "\"resource\" that is not a dictionary"}}) {
        LogCapture log;
        const std::shared_ptr<LXEffect> effect = LXEffect::effectWithDictionary(kSoftBlur, row.settings);
        ASSERT_TRUE(effect) << row.name;
        EXPECT_EQ(log.lines().size(), 1) << row.name << ": " << qPrintable(log.lines().join('\n'));
        EXPECT_TRUE(log.contains(row.warning)) << row.name;
        QStringList resources;
        effect->addResourcesToArray(resources);
        const QVariantMap stored = effect->settings();
        EXPECT_EQ(std::tuple(resources, stored.value("name"), stored.value("inputRadius")),
                  std::tuple(QStringList{}, QVariant("Soft Blur"), QVariant(0.01))) << row.name;
    }
}
