// The window's look: its undo steps, the menus' previews, the panel's
// Return, and the look kept from one window to the next.

#include "app/SWAppDelegate.h"
#include "effects/EffectSettingsView.h"
#include "effects/LXEffect.h"
#include "effects/LXEffectsCatalog.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/app/Session.h"
#include "tests/support/Files.h"
#include "tests/support/Images.h"
#include "ui/controls/LXSlider.h"
#include "util/UndoCoalescing.h"

#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QColor kBlue(90, 140, 200);

class LookWindow : public ::testing::Test {
protected:
    void SetUp() override { UserDefaults::standardUserDefaults().removeObjectForKey("look"); }
    void TearDown() override { UserDefaults::standardUserDefaults().removeObjectForKey("look"); }

    static std::unique_ptr<SWAppDelegate> openWindow()
    {
        SWAppDelegate::registerClasses();
        auto delegate = std::make_unique<SWAppDelegate>();
        EXPECT_TRUE(delegate->loadMainWindow());
        delegate->window()->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(delegate->window()));
        return delegate;
    }
};

QAction* itemOf(QMenu* menu, const QString& data)
{
    for (QAction* item : menu->actions())
        if (item->data().toString() == data || item->data().toMap().value("name").toString() == data)
            return item;
    return nullptr;
}

QStringList effectNames(const Look& look)
{
    QStringList names;
    for (const QVariant& e : look.effects)
        names << e.toMap().value("name").toString();
    return names;
}

QImage shownBitmap(SWAppDelegate& d)
{
    for (int turn = 0; turn < 3; ++turn) // the look's change is told in queued calls
        QCoreApplication::processEvents();
    d.dropView()->renderPendingBitmaps();
    return d.dropView()->sampleBitmap();
}

// The mean difference of two bitmaps' channels, in levels; 255 for different sizes.
double meanDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull())
        return 255;
    const QImage x = a.convertToFormat(QImage::Format_RGBA8888), y = b.convertToFormat(QImage::Format_RGBA8888);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int i = 0; i < x.width() * 4; ++i)
            sum += std::abs(x.constScanLine(row)[i] - y.constScanLine(row)[i]);
    return sum / (x.width() * x.height() * 4.0);
}

} // namespace

TEST_F(LookWindow, EveryChangeOfTheLookIsOneNamedStepThatUndoesAndRedoes)
{
    auto d = openWindow();
    LookEditor& look = d->lookEditor();
    UndoManager& undo = look.undoManager();
    const auto slide = [&] { // five moves of one drag
        d->lookPanel()->showEffect(look.chain().effects().front()); // the redo made it anew
        auto* view = qobject_cast<EffectSettingsView*>(d->lookPanel()->effect()->settingsView());
        auto* slider = qobject_cast<LXSlider*>(view->settingsControls().value(0));
        ASSERT_TRUE(slider);
        const Look saved = Look::fromUserDefaults();
        QSignalSpy shown(&look, &LookEditor::shownLookChanged);
        bool down = true;
        setLeftMouseButtonSource([&] { return down; });
        for (int move = 0; move < 5; ++move) {
            QTest::keyClick(slider, Qt::Key_Right);
            QCoreApplication::processEvents();
        }
        QCoreApplication::processEvents(); // the display is told a turn later
        EXPECT_EQ(shown.count(), 5); // it follows every move
        EXPECT_EQ(Look::fromUserDefaults(), saved); // the settings file waits for the drag's end
        down = false;
        gestureEndedFor(d->lookPanel()->effect().get());
        setLeftMouseButtonSource(nullptr);
    };
    struct Row { const char* name; std::function<void()> act; QString step; } rows[] = {
        {"an effect added", [&] { d->effectChosen(LXEffectsCatalog::sharedEffectsCatalog().effectForName("HueShift")); },
         "Add Hue Shift"},
        {"a slider drag", slide, "Hue Shift Hue"},
        {"a frame chosen", [&] {
             d->frameMenu()->popup({0, 0}); // fills it
             d->frameMenu()->actions().last()->trigger();
             d->frameMenu()->hide();
         }, "Change Frame"},
        {"an effect removed", [&] {
             d->lookPanel()->showEffect(look.chain().effects().front());
             d->lookPanel()->removeButton()->click();
         }, "Remove Hue Shift"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Look before = look.look();
        const int steps = undo.undoCount();
        row.act();
        undo.closeGroup();
        QCoreApplication::processEvents();
        const Look after = look.look();
        EXPECT_NE(after, before);
        EXPECT_EQ(std::tuple(undo.undoCount(), undo.undoActionName()), std::tuple(steps + 1, row.step));
        EXPECT_EQ(Look::fromUserDefaults(), after); // saved at once
        ASSERT_TRUE(undo.undo());
        QCoreApplication::processEvents();
        EXPECT_EQ(look.look(), before);
        EXPECT_EQ(Look::fromUserDefaults(), before);
        ASSERT_TRUE(undo.redo());
        QCoreApplication::processEvents();
        EXPECT_EQ(look.look(), after);
    }
}

TEST_F(LookWindow, HoveringPreviewsOnlyTheDisplayAndClosingTheMenuRestoresIt)
{
    DesktopSession session;
    session.sway();
    auto d = openWindow();
    QMenu* effects = d->effectsMenu();
    const QImage plain = shownBitmap(*d);
    ASSERT_FALSE(plain.isNull());
    d->setAsWallpaper();

    effects->popup(d->window()->mapToGlobal(QPoint(10, 10)));
    effects->setActiveAction(itemOf(effects, "Invert"));
    EXPECT_GT(meanDifference(shownBitmap(*d), plain), 20);
    d->setAsWallpaper(); // what would be saved meanwhile has no preview in it
    EXPECT_TRUE(Look::fromUserDefaults().isPlain());
    effects->hide();
    EXPECT_LT(meanDifference(shownBitmap(*d), plain), 0.5);
    const QStringList saved = session.saved();
    ASSERT_EQ(saved.size(), 2);
    EXPECT_EQ(readFile(session.wallpapers() + "/" + saved[0]), readFile(session.wallpapers() + "/" + saved[1]));

    // Chosen with the keyboard, then Return in its panel: the wallpaper has it.
    effects->popup(d->window()->mapToGlobal(QPoint(10, 10)));
    effects->setActiveAction(itemOf(effects, "Invert"));
    QTest::keyClick(effects, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(effectNames(d->lookEditor().look()), QStringList{"Invert"});
    ASSERT_TRUE(d->lookPanel()->isShown());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(session.saved().size(), 3);

    // In a narrow window the chain list keeps clear of the settings panel.
    d->window()->resize(d->window()->minimumSizeHint().width(), d->window()->height());
    QCoreApplication::processEvents();
    d->showChain();
    d->lookPanel()->showEffect(d->lookEditor().chain().effects().front());
    const QMargins shadow(12, 12, 12, 12);
    EXPECT_FALSE(d->chainPanel()->geometry().marginsRemoved(shadow).intersects(
        d->lookPanel()->overlay()->geometry().marginsRemoved(shadow)));

    // Straightening hides the panels over the photo; Escape brings the chain list back.
    d->straighten();
    ASSERT_TRUE(d->lookOverlay());
    EXPECT_FALSE(d->chainPanel()->parentWindow());
    EXPECT_FALSE(d->lookPanel()->isShown());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(d->lookOverlay());
    EXPECT_TRUE(d->chainPanel()->parentWindow());
}

TEST_F(LookWindow, TheLookOutlivesTheWindowReachesTheNextPhotoAndBadLookFilesChangeNothing)
{
    DesktopSession session;
    session.sway();
    QTemporaryDir dir;
    ASSERT_TRUE(filled(120, 90, kBlue).save(dir.filePath("Beach.png")));
    writeFile(dir.filePath("Broken.look"), "<plist><dict><key>effects</key>");
    {
        auto first = openWindow();
        first->effectChosen(LXEffectsCatalog::sharedEffectsCatalog().effectForName("Invert"));
        ASSERT_TRUE(first->saveLookFile(dir.filePath("Mine.look")));
    }
    auto d = openWindow();
    EXPECT_EQ(effectNames(d->lookEditor().look()), QStringList{"Invert"});
    Alerts alerts;
    EXPECT_FALSE(d->openLookFile(dir.filePath("Broken.look")));
    EXPECT_EQ(alerts.titles, QStringList{"Could not open the look"});
    // In German, whole: no English reason with the path in it.
    Bundle::setPreferredLanguages({"de"});
    EXPECT_FALSE(d->openLookFile(dir.filePath("Broken.look")));
    EXPECT_FALSE(d->saveLookFile(dir.filePath("none/Mine.look")));
    Bundle::setPreferredLanguages({});
    EXPECT_EQ(alerts.texts.mid(1, 1), QStringList{"Der Stil „Broken.look“ ist nicht verwendbar: die Datei ist keine Stildatei."});
    ASSERT_EQ(alerts.texts.size(), 3);
    EXPECT_FALSE(alerts.texts[2].contains("written")) << alerts.texts[2].toStdString();
    EXPECT_EQ(effectNames(d->lookEditor().look()), QStringList{"Invert"});
    d->resetLook(nullptr);
    EXPECT_TRUE(d->openLookFile(dir.filePath("Mine.look")));
    EXPECT_EQ(effectNames(d->lookEditor().look()), QStringList{"Invert"});

    ASSERT_TRUE(d->dropView()->applyImageAt(QUrl::fromLocalFile(dir.filePath("Beach.png"))));
    const QImage wallpaper(session.wallpapers() + "/Beach.jpg");
    ASSERT_FALSE(wallpaper.isNull());
    const QColor middle = wallpaper.pixelColor(wallpaper.rect().center());
    // The photo inverted, in linear light as the engine works: 90 -> 243, 200 -> 173.
    EXPECT_NEAR(middle.red(), 243, 4);
    EXPECT_NEAR(middle.blue(), 173, 4);
}

// In German the frame panel's pop-up cut "Passepartout mit Schrägschnitt" short.
TEST_F(LookWindow, TheFramePanelShowsItsLongestChoiceWholeInGerman)
{
    DesktopSession session;
    Bundle::setPreferredLanguages({"de"});
    {
        auto d = openWindow();
        d->frameMenu()->popup({0, 0}); // fills it
        const QList<QAction*> items = d->frameMenu()->actions();
        const auto mat = std::find_if(items.begin(), items.end(), [](QAction* item) {
            return item->data().toMap().value("inputFrameName") == "ALX-F#002#Bevelled-Mat";
        });
        ASSERT_NE(mat, items.end());
        (*mat)->trigger();
        d->frameMenu()->hide();
        ASSERT_TRUE(d->lookPanel()->isShown());
        const auto* popUp = d->lookPanel()->effect()->settingsView()->findChild<QComboBox*>();
        ASSERT_TRUE(popUp);
        EXPECT_EQ(popUp->currentText(), "Passepartout mit Schrägschnitt");
        EXPECT_GE(popUp->width(), popUp->sizeHint().width());
        EXPECT_LE(d->lookPanel()->overlay()->width(), d->window()->width());
    }
    Bundle::setPreferredLanguages({});
}
