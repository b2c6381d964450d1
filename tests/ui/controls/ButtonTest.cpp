#include "platform/foundation/Bundle.h"
#include "platform/ui/InterfaceFile.h"
#include "ui/controls/ControlsClasses.h"
#include "ui/controls/LXDragButton.h"
#include "ui/controls/LXPopupButton.h"
#include "ui/controls/LXToolBarButton.h"
#include "ui/controls/LXToolBarView.h"
#include "ui/windows/LXToolTipController.h"
#include "util/LXCursorStack.h"
#include "tests/support/Files.h"
#include "tests/support/Images.h"
#include "tests/support/LogCapture.h"

#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace ButtonGeometry;

namespace {

void writePng(const QString& path, QColor colour, QSize size = {6, 20})
{
    ASSERT_TRUE(filled(size.width(), size.height(), colour, QImage::Format_ARGB32).save(path));
}

QRgb centre(const SkinImage& image)
{
    const QImage pixels = image.one.toImage();
    return pixels.pixel(pixels.width() / 2, pixels.height() / 2);
}

QImage grab(LXButton& button, QSize size, double ratio)
{
    button.resize(size);
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(QColor(236, 236, 238));
    QPainter painter(&image);
    button.drawButton(painter);
    return image;
}

} // namespace

class Recorder : public QObject {
    Q_OBJECT
public:
    QList<bool> hovers;
    int actions = 0, hoverActions = 0;
    bool deleteSender = false, disableSender = false;
public slots:
    void button(QObject*, bool hovered) { hovers << hovered; }
    void press(QObject* sender)
    {
        ++actions;
        if (disableSender)
            static_cast<QWidget*>(sender)->setEnabled(false);
        if (deleteSender)
            delete sender;
    }
    void presshover(QObject*) { ++hoverActions; }
};

TEST(Button, GeometryOfPiecesImageTitleAndSize)
{
    const ButtonPadding pad{2, 4, 6, 8};
    EXPECT_EQ(contentRect({0, 0, 100, 30}, pad), QRectF(6, 4, 86, 24));
    EXPECT_EQ(endWidth({10, 28}, 40), 14);     // 14.29 rounds down
    EXPECT_EQ(endWidth({10, 0}, 40), 0);       // an undecodable piece takes no room
    const Background natural = background({0, 0, 101, 41}, {10, 28}, {2, 28}, {10, 28}, true);
    EXPECT_EQ(natural.drawing, QRectF(40, 7, 22, 28)); // 39.5 and 6.5 round away from zero
    EXPECT_EQ(natural.mid, QRectF(50, 7, 2, 28));
    const Background stretched = background({0, 0, 200, 56}, {10, 28}, {2, 28}, {10, 28}, false);
    EXPECT_EQ(stretched.left, QRectF(0, 0, 20, 56));
    EXPECT_EQ(stretched.mid, QRectF(20, 0, 160, 56));
    struct ImageRow { const char* name; int alignment; QRectF expected; };
    for (const ImageRow& row : {ImageRow{"left", 0, {6, 4, 24, 24}}, ImageRow{"right", 1, {68, 4, 24, 24}},
                                ImageRow{"centre", 2, {37, 4, 24, 24}}})
        EXPECT_EQ(imageRectIn({0, 0, 100, 30}, pad, {16, 16}, row.alignment), row.expected) << row.name;
    EXPECT_EQ(imageRectIn({0, 0, 100, 30}, pad, {}, 0), QRectF());
    struct TitleRow { const char* name; int position, alignment; QRectF title, symbol; };
    const QRectF c(10, 5, 100, 20);
    const TitleRow rows[] = {
        {"left of the title, centred", 2, 2, {50, 10, 40, 10}, {30, 7, 16, 16}},
        {"left of the title, right", 2, 1, {70, 10, 40, 10}, {50, 7, 16, 16}},
        {"below the title, centred", 4, 2, {40, 15, 40, 10}, {52, 5, 16, 16}},
        {"overlapping", 0, 2, {10, 11, 100, 10}, {52, 7, 16, 16}}, // ceil(5 + 5) + 1 offset
    };
    for (const TitleRow& row : rows) {
        const TitleLayout layout = placeTitle(c, {40, 10}, {16, 16}, row.position, row.alignment, 4, row.position ? 0 : 1);
        EXPECT_EQ(std::pair(layout.title, layout.symbol), std::pair(row.title, row.symbol)) << row.name;
    }
    EXPECT_EQ(intrinsicSize(pad, 40.2, 16, 4, {20, 18}, {2, 28}), QSizeF(6 + 8 + 41 + 16 + 4, 28));
}

TEST(Button, LoadsSkinsWithFallbacksAndSettingsChain)
{
    QTemporaryDir dir;
    const QDir d(dir.path());
    for (const char* piece : {"Left-", "Mid-", "Right-"})
        writePng(d.filePath(QString(piece) + "Normal.png"), QColor(200, 40, 40));
    writePng(d.filePath("Mid-Off-Normal.png"), QColor(40, 200, 40));
    writePng(d.filePath("Right-Down.png"), QColor(0, 0, 200));
    writePng(d.filePath("Right-On-Normal.png"), QColor(250, 250, 0));
    writeFile(d.filePath("Left-On-Normal.png"), "not a picture");
    writeFile(d.filePath("Info.plist"), R"(<?xml version="1.0"?><plist version="1.0"><dict>
        <key>autoswitch</key><true/>
        <key>normal</key><dict><key>text.color</key><string>1 0 0</string><key>padding.left</key><real>7</real></dict>
        <key>normal.on</key><dict><key>text.color</key><string>0 0 1</string></dict>
        <key>hover</key><dict><key>padding.top</key><real>3</real></dict></dict></plist>)");
    LogCapture log;
    LXButton button;
    button.loadButtonInDirectory(dir.path());
    EXPECT_TRUE(button.isSwitchButton());
    ASSERT_EQ(button.leftImagesOff.size(), 4);
    EXPECT_EQ(centre(button.midImagesOff[1]), QColor(40, 200, 40).rgb()) << "-Off- preferred";
    EXPECT_NEAR(qGreen(centre(button.leftImagesOff[2])), 40, 1) << "hover: normal mixed with itself";
    EXPECT_NEAR(qBlue(centre(button.rightImagesOff[2])), 120, 1) << "hover: half normal, half down";
    EXPECT_EQ(centre(button.rightImagesOn[0]), QColor(250, 250, 0).rgb()) << "on set: disabled falls back to normal";
    EXPECT_TRUE(button.leftImagesOn[1].one.isSameAs(button.leftImagesOff[1].one)) << "corrupt on set counts as missing";
    EXPECT_TRUE(log.contains("Warning: ")) << "the undecodable file is named";

    struct Row { const char* name; int state, buttonState; QColor colour; ButtonPadding padding; };
    const Row rows[] = {
        {"off, normal", 0, 1, Qt::red, {0, 0, 7, 0}},
        {"on, normal: already normal still applies", 1, 1, Qt::blue, {0, 0, 0, 0}},
        {"on, hover: the plain key", 1, 2, Qt::blue, {3, 0, 0, 0}},
        {"off, down: missing, normal", 0, 3, Qt::red, {0, 0, 7, 0}},
    };
    for (const Row& row : rows) {
        button.setState(row.state);
        button.setButtonState(row.buttonState);
        EXPECT_EQ(std::pair(button.textColor(), button.padding()), std::pair(row.colour, row.padding)) << row.name;
    }
}

TEST(Button, StateMachineSideEffectsAndSwitching)
{
    QWidget window;
    window.resize(300, 100);
    auto* hintLine = new QLabel(&window);
    LXHintController::addHintConrollerForWindow(&window, hintLine);
    Recorder recorder;
    const auto makeButton = [&] {
        auto* made = new LXButton(&window);
        made->setGeometry(10, 10, 100, 30);
        made->setTarget(&recorder);
        made->setAction("press");
        return made;
    };
    auto* button = makeButton();
    button->setHint("Makes it bigger");
    button->setToolTip("Scale up");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QVariant key = QVariant::fromValue<QObject*>(button);
    const auto cursorKeys = [&] {
        LXCursorStack* stack = LXCursorStack::cursorStackForWindow(&window);
        return stack ? stack->keys() : QList<QVariant>();
    };

    QEnterEvent enter(QPointF(5, 5), QPointF(15, 15), QPointF(15, 15));
    QApplication::sendEvent(button, &enter);
    EXPECT_EQ(hintLine->text(), "Makes it bigger");
    EXPECT_EQ(cursorKeys(), QList<QVariant>{key});
    ASSERT_NE(button->insideTimer(), nullptr);
    button->insideTimer()->fire();
    EXPECT_EQ(LXToolTipController::sharedController()->focusView(), button);

    QTest::mouseClick(button, Qt::LeftButton, {}, {50, 15});
    EXPECT_EQ(recorder.actions, 1);
    EXPECT_EQ(button->buttonState(), LXButton::kHover);

    button->setIsSwitchButton(true);
    QTest::mousePress(button, Qt::LeftButton, {}, {50, 15});
    QTest::mouseRelease(button, Qt::LeftButton, {}, {250, 80});
    EXPECT_EQ(recorder.actions, 1) << "released outside: no action";
    EXPECT_EQ(button->state(), 0) << "and no toggle";
    EXPECT_EQ(recorder.hovers, (QList<bool>{true, false})) << "one report in, one out";
    EXPECT_TRUE(cursorKeys().isEmpty());
    EXPECT_TRUE(hintLine->text().isEmpty());
    QTest::mouseClick(button, Qt::LeftButton, {}, {50, 15});
    EXPECT_EQ(button->state(), 1);

    recorder.disableSender = true; // the target changes the button inside its action
    QTest::mouseClick(button, Qt::LeftButton, {}, {50, 15});
    EXPECT_EQ(button->buttonState(), LXButton::kDisabled);
    EXPECT_TRUE(cursorKeys().isEmpty());
    QTest::mouseClick(button, Qt::LeftButton, {}, {50, 15});
    EXPECT_EQ(recorder.actions, 3) << "a disabled button ignores the mouse";
    button->setDisableTracking(true);
    button->setEnabled(true);
    EXPECT_EQ(button->buttonState(), LXButton::kNormal) << "re-enabled without tracking";

    // Hovered, then deleted: by its parent, then by its own action.
    button->setDisableTracking(false);
    recorder.disableSender = false;
    QApplication::sendEvent(button, &enter);
    ASSERT_FALSE(cursorKeys().isEmpty());
    delete button;
    EXPECT_TRUE(cursorKeys().isEmpty());
    EXPECT_TRUE(hintLine->text().isEmpty());
    EXPECT_EQ(LXToolTipController::sharedController()->focusView(), nullptr);
    auto* doomed = makeButton();
    doomed->show();
    recorder.deleteSender = true;
    QTest::mouseClick(doomed, Qt::LeftButton, {}, {50, 15});
    EXPECT_TRUE(cursorKeys().isEmpty());
}

TEST(Button, DragDistancesAndPopupSelection)
{
    LXDragButton drag;
    drag.dragStarted({10, 10});
    // Each row: the mouse moved to, then the distances from the start and from the last move.
    for (const auto& [to, full, last] : {std::tuple{QPointF(13.4, 10), QSizeF(3, 0), QSizeF(3, 0)},
                                         {QPointF(15.6, 12), QSizeF(6, 2), QSizeF(3, 2)}}) {
        drag.dragMoved(to);
        EXPECT_EQ(drag.fullDragDistance(), full);
        EXPECT_EQ(drag.lastDragDistance(), last);
    }
    drag.dragEnded();
    EXPECT_EQ(drag.dragState(), 2);
    EXPECT_EQ(drag.lastDragDistance(), QSizeF(0, 0));
    EXPECT_EQ(drag.fullDragDistance(), QSizeF(6, 2));

    LXPopupButton popup;
    Recorder recorder;
    popup.setTarget(&recorder);
    popup.setAction("press");
    auto* menu = new QMenu;
    for (const char* title : {"Small", "Medium", "Large"})
        menu->addAction(title);
    popup.setMenu(menu);
    EXPECT_EQ(popup.title(), "Small");
    QAction* medium = menu->actions()[1];
    popup.menuWillOpen();
    popup.menuWillHighlightItem(medium);
    EXPECT_EQ(recorder.hoverActions, 1);
    popup.menuDidClose();
    medium->trigger();
    EXPECT_EQ(recorder.actions, 1);
    EXPECT_EQ(popup.selectedIndex(), 1);
    EXPECT_EQ(popup.title(), "Medium");
    popup.menuWillOpen();
    popup.menuDidClose();
    EXPECT_EQ(popup.selectedItem(), medium) << "an earlier highlight does not come back";
    popup.setKeepTitle(true);
    popup.setSelectedItem(menu->actions()[2]);
    EXPECT_EQ(popup.title(), "Medium");
    QAction* huge = popup.inserItemWithTitle("Huge", 99);
    EXPECT_EQ(huge, menu->actions().last()) << "past the end: appended";
}

TEST(Button, ToolBarButtonsFindTheirSkinInTheBarAndRegister)
{
    LXToolBarView bar;
    auto* button = new LXToolBarButton(&bar);
    button->setName("Tool");
    EXPECT_TRUE(button->midImagesOff.isEmpty()) << "nothing loads before the bar's name";
    button->setBarName("Toolbar");
    EXPECT_EQ(button->midImagesOff.size(), 4);
    button->setCutsBar(true);
    EXPECT_EQ(bar.barButtons(), QList<LXToolBarButton*>{button});
    button->setParent(nullptr);
    EXPECT_TRUE(bar.barButtons().isEmpty());
    button->setParent(&bar);
    EXPECT_EQ(bar.barButtons(), QList<LXToolBarButton*>{button});
}

TEST(Button, DrawsUnstretchedEndsAndReadableTitleAndLoadsFromInterfaceFiles)
{
    registerControlsClasses();
    QTemporaryDir dir;
    writeFile(dir.filePath("Buttons.ui"), R"(<ui version="4.0"><widget class="QWidget" name="view">
        <widget class="LXButton" name="push"><property name="name"><string>PushButton</string></property>
        <property name="text"><string>Open a photo</string></property>
        <property name="imagePosition"><number>4</number></property>
        <property name="alignment"><number>1</number></property></widget></widget></ui>)");
    QObject owner;
    const InterfaceFile::Result loaded = InterfaceFile::loadFile(dir.filePath("Buttons.ui"), &owner);
    std::unique_ptr<QWidget> root(loaded.root);
    auto* push = root ? root->findChild<LXButton*>("push") : nullptr;
    ASSERT_NE(push, nullptr);
    EXPECT_EQ(push->imagePosition(), 4);
    EXPECT_EQ(push->alignment(), 1);
    EXPECT_EQ(push->leftImagesOff.size(), 4) << "the bundle's PushButton skin";
    push->setAlignment(2);
    push->setImagePosition(0);
    for (double ratio : {1.0, 2.0}) {
        SCOPED_TRACE(ratio);
        const QImage narrow = grab(*push, {110, 28}, ratio), wide = grab(*push, {220, 28}, ratio);
        const int cap = int(10 * ratio);
        EXPECT_EQ(narrow.copy(0, 0, cap, narrow.height()), wide.copy(0, 0, cap, wide.height())) << "left end";
        EXPECT_EQ(narrow.copy(narrow.width() - cap, 0, cap, narrow.height()),
                  wide.copy(wide.width() - cap, 0, cap, wide.height())) << "right end";
        int dark = 0;
        for (int x = 0; x < wide.width(); ++x)
            dark += qGray(wide.pixel(x, wide.height() / 2)) < 110;
        EXPECT_GT(dark, 4 * ratio) << "the title shows in dark text";
    }
}

#include "ButtonTest.moc"
