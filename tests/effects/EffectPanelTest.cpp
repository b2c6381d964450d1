#include "effects/LXEffect.h"
#include "effects/EffectSettingsView.h"
#include "filters/LXFilter.h"
#include "platform/foundation/NotificationCenter.h"
#include "resources/LXTempCleaner.h"
#include "tests/support/Images.h"
#include "ui/controls/LXColorWell.h"
#include "ui/controls/LXSlider.h"
#include "util/UndoCoalescing.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QVariantMap row(int type, const char* input, QVariantMap more = {}) { return more.insert("type", type), more.insert("inputName", input), more; }

const QVariantMap kDropShadow{
    {"name", "Drop Shadow"}, {"ciName", "LXSimpleShadowFilter"}, {"relative", QStringList{"inputRadius", "inputDistance"}},
    {"defaultSettings", QVariantMap{{"inputRadius", 0.01}, {"inputDistance", 0.01}}},
    {"settingsUIOrder", QStringList{"Blur", "Distance", "Direction", "Color"}},
    {"settingsUI", QVariantMap{{"Blur", row(0, "inputRadius", {{"maxValue", 0.05}, {"expFactor", 3}})},
                               {"Distance", row(0, "inputDistance", {{"maxValue", 0.05}})},
                               {"Direction", row(4, "inputDirection")}, {"Color", row(2, "inputColor", {{"hasAlpha", true}})}}}};
const QVariantMap kToning{{"name", "Toning"}, {"ciName", "LXGradientMapFilter"}, {"settingsUIOrder", QStringList{"Color", "Gradient"}},
                          {"settingsUI", QVariantMap{{"Color", row(2, "inputColor")}, {"Gradient", row(5, "inputGradient")}}}};
const QVariantMap kBlend{{"name", "Blend"}, {"ciName", "LXAdjustableBlendFilter"}, {"settingsUIOrder", QStringList{"Mode", "Stretch"}},
                         {"settingsUI", QVariantMap{{"Mode", row(1, "inputBlendName", {{"choices", QStringList{"colorBurn"}}, {"customImage", true}, {"notification", "Reload"}})},
                                                    {"Stretch", row(1, "inputStretchToFit", {{"choices", QStringList{"A", "B"}}, {"notification", "Reload"}})}}}};

EffectSettingsView* panelOf(LXEffect& effect) { return qobject_cast<EffectSettingsView*>(effect.settingsView()); }

} // namespace

TEST(EffectPanel, APanelWithNoRowsIsNotNegativeAndRowsStackFromTheTop)
{
    const std::shared_ptr<LXEffect> none = LXEffect::effectWithDictionary({{"name", "Invert"}, {"ciName", "CIColorInvert"}});
    EXPECT_EQ(std::tuple(EffectSettingsView::heightForRows(0), none->settingsView()->height()), std::tuple(0, 0));
    const std::shared_ptr<LXEffect> shadow = LXEffect::effectWithDictionary(kDropShadow);
    EffectSettingsView* panel = panelOf(*shadow);
    EXPECT_EQ(panel->size(), QSize(300, 108)); // 103 cut the top row's pop-up short
    panel->show();
    panel->resize(400, 200); // sliders take the new width, the rest keep theirs
    for (const auto& [key, frame] : {std::pair{"inputRadius", QRect(110, 8, 290, 15)}, std::pair{"inputDistance", QRect(110, 35, 290, 15)},
                                     std::pair{"inputDirection", QRect(110, 59, 20, 20)}, std::pair{"inputColor", QRect(110, 86, 45, 22)}})
        EXPECT_EQ(panel->controlForKey(key)->geometry(), frame) << key;
}

TEST(EffectPanel, FiftySliderMovesInOneGestureAreOneUndoStepReachingTheFilter)
{
    UndoManager undo;
    std::shared_ptr<LXEffect> shadow = LXEffect::effectWithDictionary(kDropShadow);
    shadow->setUndoManager(&undo);
    shadow->setInputImage(CIImage::imageWithQImage(filled(200, 100, Qt::red)));
    auto* slider = qobject_cast<LXSlider*>(panelOf(*shadow)->controlForKey("inputDistance"));
    bool down = true;
    setLeftMouseButtonSource([&] { return down; });
    for (int move = 0; move < 50; ++move)
        QTest::keyClick(slider, Qt::Key_Right);
    down = false;
    gestureEndedFor(shadow.get());
    setLeftMouseButtonSource(nullptr);
    const double moved = slider->doubleValue();
    EXPECT_GT(moved, 0.01);
    EXPECT_NEAR(shadow->filter()->valueForKey("inputDistance").toDouble(), moved * 100, 1e-9);
    EXPECT_EQ(std::tuple(undo.undoCount(), undo.undoActionName()), std::tuple(1, QString("Drop Shadow Distance")));
    ASSERT_TRUE(undo.undo());
    EXPECT_NEAR(shadow->settings().value("inputDistance").toDouble(), 0.01, 1e-12);
    EXPECT_NEAR(slider->doubleValue(), 0.01, 1e-4);
    ASSERT_TRUE(undo.redo());
    EXPECT_NEAR(shadow->settings().value("inputDistance").toDouble(), moved, 1e-12);
    QWidget window; // a panel placed in a window outlives its effect, disabled
    panelOf(*shadow)->setParent(&window);
    shadow.reset();
    EXPECT_FALSE(slider->isEnabledTo(&window));
}

TEST(EffectPanel, RefreshedSettingsStayAPropertyListWithoutNils)
{
    for (const QVariantMap& description : {kDropShadow, kToning, kBlend}) {
        const std::shared_ptr<LXEffect> effect = LXEffect::effectWithDictionary(description);
        const QString key = panelOf(*effect)->boundSettings().first();
        effect->filter()->setValue(QVariant(), key); // the filter holds null now
        NotificationCenter::defaultCenter().post(LXFilterSettingsChangedNotification, effect->filter().get());
        const QVariantMap stored = effect->settings();
        EXPECT_FALSE(stored.contains(key)) << qPrintable(key);
        for (const QVariant& value : stored) // what a list cannot hold would be dropped from it silently
            EXPECT_TRUE(value.isValid() && value.metaType() != QMetaType::fromType<CIColor>()) << qPrintable(effect->name());
    }
}

TEST(EffectPanel, GreyColoursKeepTheirValueAndOpacity)
{
    const std::shared_ptr<LXEffect> shadow = LXEffect::effectWithDictionary(kDropShadow);
    auto* well = qobject_cast<LXColorWell*>(panelOf(*shadow)->controlForKey("inputColor"));
    well->setColor(QColor::fromHsvF(0, 0, 0, 0.5));
    emit well->changed();
    EXPECT_TRUE(shadow->settings().value("inputColor").toString().startsWith("0 0 0 0.5")); // 16-bit alpha
}

TEST(EffectPanel, ACustomImageSurvivesAReloadOfEveryPopUpAndACancelChangesNothing)
{
    QTemporaryDir dir;
    const QString photo = dir.filePath("photo.png");
    ASSERT_TRUE(filled(6, 4, Qt::blue).save(photo));
    QString answer;
    LXEffect::setOpenPanel([&](QWidget*) { return answer; });
    UndoManager undo;
    const std::shared_ptr<LXEffect> blend = LXEffect::effectWithDictionary(kBlend, {{"inputBlendName", "colorBurn"}});
    blend->setUndoManager(&undo);
    EffectSettingsView* panel = panelOf(*blend);
    auto* mode = qobject_cast<QComboBox*>(panel->controlForKey("inputBlendName"));
    QTest::keyClick(mode, Qt::Key_End); // cancelled
    EXPECT_EQ(std::tuple(mode->currentIndex(), undo.undoCount()), std::tuple(0, 0));
    answer = photo;
    QTest::keyClick(mode, Qt::Key_End);
    const QString copy = blend->imageResources().value("inputBlendName").toString();
    EXPECT_TRUE(copy.contains("EffectResource-") && QFile::exists(LXTempCleaner::sharedTempCleaner().resourcePath() + "/../" + copy)) << qPrintable(copy);
    EXPECT_EQ(blend->settings().value("inputBlendName"), copy);

    NotificationCenter::defaultCenter().post("Reload"); // both pop-ups of the notification reload
    EXPECT_GT(panel->popUpEntries("inputBlendName").size(), 1);
    EXPECT_EQ(panel->popUpEntries("inputStretchToFit"), QStringList({"A", "B"})); // no entries offered: unchanged
    EXPECT_EQ(std::tuple(mode->currentIndex(), undo.undoCount()), std::tuple(mode->count() - 1, 1)); // still the picture, no new step
    ASSERT_TRUE(undo.undo());
    EXPECT_EQ(std::tuple(blend->settings().value("inputBlendName"), blend->imageResources()), std::tuple(QVariant("colorBurn"), QVariantMap{}));
    EXPECT_EQ(mode->currentText(), mode->itemText(panel->popUpEntries("inputBlendName").indexOf("colorBurn")));
    LXEffect::setOpenPanel(nullptr);
}

TEST(EffectPanel, PanelsReadOnLightAndDarkDesktopsAtRatioOneAndTwo)
{
    const QPalette desktop = QApplication::palette();
    const QString shots = qEnvironmentVariable("SUNNYSIDE_SHOTS");
    for (const bool dark : {false, true}) {
        QApplication::setPalette(dark ? QPalette(QColor(40, 40, 44), QColor(30, 30, 32)) : desktop);
        for (const QVariantMap& description : {kDropShadow, kToning}) {
            const std::shared_ptr<LXEffect> effect = LXEffect::effectWithDictionary(description);
            QWidget* panel = effect->settingsView();
            for (const int ratio : {1, 2}) {
                QImage shot(panel->size() * ratio, QImage::Format_ARGB32_Premultiplied);
                shot.setDevicePixelRatio(ratio);
                panel->render(&shot);
                const QString name = QString("%1-%2-%3x").arg(effect->name(), dark ? "dark" : "light").arg(ratio);
                if (!shots.isEmpty())
                    shot.save(QDir(shots).filePath(name + ".png"));
                EXPECT_GT(qGray(shot.pixel(106 * ratio, 10 * ratio)), 200) << qPrintable(name); // own light background
                int darkest = 255;
                for (int y = 0; y < 20 * ratio; ++y)
                    for (int x = 3 * ratio; x < 100 * ratio; ++x)
                        darkest = std::min(darkest, qGray(shot.pixel(x, y)));
                EXPECT_NEAR(darkest, 71, 25) << qPrintable(name); // grey label text
            }
        }
    }
    QApplication::setPalette(desktop);
}
