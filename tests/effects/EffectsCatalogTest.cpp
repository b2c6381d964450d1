// The effects catalog and picker: the shipped list round-trips through real
// files, display names sort and stay current, stored settings find their
// effect, and the menu reports highlights and one ending.
#include "effects/LXEffect.h"
#include "effects/LXEffectPicker.h"
#include "effects/LXEffectsCatalog.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/PropertyList.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Pixels.h"

#include <QImageReader>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QVariantMap named(const QString& name, const QString& displayName) { return {{"name", name}, {"displayName", displayName}}; }

std::string logged(const LogCapture& log) { return log.lines().join('\n').toStdString(); }

struct Recorder : LXEffectPickerDelegate {
    QStringList events;
    void effectPickerPreviewing(LXEffectPicker*, const std::shared_ptr<LXEffect>& e) override { events << "preview " + (e ? e->name() : "none"); }
    void effectPickerDidSelectEffect(LXEffectPicker*, const std::shared_ptr<LXEffect>& e) override { events << "select " + (e ? e->name() : "none"); }
};

} // namespace

TEST(EffectsCatalog, EveryShippedEffectRoundTripsThroughAFile)
{
    QImageReader reader(Bundle::mainBundle().pathForResource("Sample", "jpg"));
    reader.setScaledSize(QSize(64, 36));
    const CIImage photo = CIImage::imageWithQImage(reader.read());
    QTemporaryDir folder;
    const LXEffectsCatalog& shipped = LXEffectsCatalog::sharedEffectsCatalog();
    ASSERT_EQ(shipped.sortedDisplayNames().size(), 19);
    for (const QString& name : shipped.catalog().keys()) {
        SCOPED_TRACE(name.toStdString());
        LogCapture log;
        const auto effect = shipped.effectForName(name);
        ASSERT_TRUE(effect) << logged(log);
        const QString path = folder.filePath(name + ".plist");
        ASSERT_TRUE(PropertyList::write(effect->settings(), path));
        const auto again = shipped.effectFromSettings(PropertyList::read(path).toMap());
        ASSERT_TRUE(again);
        EXPECT_EQ(again->settings(), effect->settings());
        for (const auto& made : {effect, again})
            made->setGlobalSettings({{"portion", 200}}), made->setInputImage(photo);
        EXPECT_EQ(renderDifference(again->outputImage(), effect->outputImage(), QRect(0, 0, 64, 36)), 0);
        EXPECT_GT(renderDifference(effect->outputImage(), photo, QRect(-24, -24, 112, 84)), 0.01) << "no visible change";
        EXPECT_EQ(logged(log), ""); // no "Neither Filter", nor any other warning
    }
}

TEST(EffectsCatalog, NamesSortAndStayCurrent)
{
    const QVariant beta = named("b", "beta"), alpha = named("a", "Alpha"), zeta = named("z", "Zeta");
    const struct {
        const char* name;
        QVariant list;
        QVariantMap added;
        QStringList catalogOrder, pickerOrder;
        const char* warning;
    } rows[] = {
        {"case_insensitive_in_catalog", QVariantList{beta, alpha, zeta}, {}, {"Alpha", "beta", "Zeta"}, {"Alpha", "Zeta", "beta"}, nullptr},
        {"sorted_names_stale_after_add", QVariantList{beta}, named("a", "alpha"), {"alpha", "beta"}, {"alpha", "beta"}, nullptr},
        {"readded_name_keeps_old_display_name", QVariantList{beta}, named("b", "Bravo"), {"Bravo"}, {"Bravo"}, nullptr},
        {"description_without_name", QVariantList{QVariantMap{{"name", 5}}}, {}, {}, {}, "Warning: No Name! Skipping Effect {name = 5;}"},
        {"relative_setting_in_pixels", QVariantList{QVariantMap{{"name", "B"}, {"relative", QVariantList{"inputRadius"}}}}, {},
         {"B"}, {"B"}, "Warning: Effect 'B' has no fractional default and range for its relative setting 'inputRadius'"},
        {"effects_list_not_an_array", QVariantMap{}, {}, {}, {}, "Warning: the effects list L is not an array; no effects"},
        {"empty_menu_never_ends_the_showing", QVariantList{}, {}, {}, {}, nullptr},
        {"effects_list_entry_not_a_dictionary", QVariantList{alpha, 7}, {}, {"Alpha"}, {"Alpha"}, "Warning: entry 1 of the effects list L"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        LogCapture log;
        LXEffectsCatalog catalog(LXEffectsCatalog::descriptionsInList(row.list, "L"));
        LXEffectPicker picker(catalog);
        picker.listMenu();
        if (!row.added.isEmpty())
            catalog.addEffectWithDescription(row.added);
        EXPECT_EQ(catalog.sortedDisplayNames(), row.catalogOrder);
        EXPECT_EQ(picker.effectDisplayNames(), row.pickerOrder);
        EXPECT_EQ(picker.listMenu()->actions().size(), row.pickerOrder.size());
        if (QWidget view; row.pickerOrder.isEmpty()) {
            auto delegate = std::make_shared<Recorder>();
            view.show(), picker.showPickerOver(&view, nullptr, delegate), QCoreApplication::processEvents();
            EXPECT_EQ(delegate->events, QStringList{"select none"});
        }
        EXPECT_EQ(log.lines().size(), row.warning ? 1 : 0) << logged(log);
        EXPECT_TRUE(!row.warning || log.lines().value(0).startsWith(row.warning)) << logged(log);
    }
}

TEST(EffectsCatalog, StoredSettingsFindTheirEffect)
{
    const struct {
        const char* name;
        QVariantMap stored;
        QString result; // the effect's stored name, or the one warning when there is no effect
    } rows[] = {
        {"stored_settings_without_string_name", {{"name", 5}}, "Warning: stored effect settings without a name; no effect"},
        {"found_with_Filter_appended", {{"name", "Blur"}, {"inputRadius", 0.1}}, "BlurFilter"},
        {"replaced_effect_upgraded", {{"name", "LXColorMultiplyFilter"}, {"inputColor", "1 0 0 1"}}, "LXGradientMultiplyFilter"},
    };
    LXEffectsCatalog catalog({QVariantMap{{"name", "BlurFilter"}, {"ciName", "LXGaussianBlurFilter"}}});
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        LogCapture log;
        const auto effect = catalog.effectFromSettings(row.stored);
        EXPECT_EQ(effect ? effect->settings().value("name").toString() : log.lines().join('\n'), row.result);
        EXPECT_TRUE(!effect || log.lines().isEmpty()) << logged(log); // an input left behind would be warned about
    }
}

TEST(EffectPicker, ReportsHighlightsAndOneEndingUnderItsView)
{
    const struct {
        const char* name;
        std::function<void(QMenu*)> drive;
        QStringList events;
    } rows[] = {
        {"chosen_by_action_not_by_text",
         [](QMenu* menu) {
             for (QAction* item : menu->actions())
                 if (item->data() == "BlackAndWhite") // a desktop's own accelerators change the text
                     item->setText("&Black && W&hite"), menu->setActiveAction(item);
             QTest::keyClick(menu, Qt::Key_Return); // hides, then triggers
         },
         {"preview BlackAndWhite", "select BlackAndWhite"}},
        {"keyboard_highlight_previews", [](QMenu* menu) { QTest::keyClick(menu, Qt::Key_Down), menu->close(); },
         {"preview BlackAndWhite", "select none"}},
        {"dismissal_reported_once", [](QMenu* menu) { menu->hide(), menu->show(), menu->hide(); }, {"select none"}},
    };
    QWidget window;
    auto* view = new QWidget(&window);
    window.show();
    LXEffectPicker& picker = LXEffectPicker::sharedEffectPicker();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto delegate = std::make_shared<Recorder>();
        picker.showPickerOver(view, &window, delegate);
        QMenu* menu = picker.listMenu();
        EXPECT_EQ(menu->windowHandle()->transientParent(), window.windowHandle());
        EXPECT_EQ(menu->pos(), view->mapToGlobal(QPoint(0, view->height())));
        row.drive(menu);
        QCoreApplication::processEvents();
        EXPECT_EQ(delegate->events, row.events);
        EXPECT_EQ(delegate.use_count(), 1); // released after the ending
    }
}
