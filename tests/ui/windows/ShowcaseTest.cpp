// A whole window from an interface file: a filtered photo in an image view,
// a German menu, translated buttons, a hint line and a tooltip. With
// SUNNYSIDE_GRAB_DIR set it also writes what it shows to showcase.png.

#include "platform/foundation/Bundle.h"
#include "platform/image/CIFilter.h"
#include "platform/ui/InterfaceFile.h"
#include "ui/controls/ControlsClasses.h"
#include "ui/controls/LXImageView.h"
#include "ui/localization/LXLocalizeHelper.h"
#include "ui/windows/LXToolTipController.h"
#include "tests/support/Files.h"
#include "tests/support/LogCapture.h"

#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

class ShowcaseController : public LXWindowController {
    Q_OBJECT
    Q_PROPERTY(LXImageView* preview MEMBER preview)
    Q_PROPERTY(QLabel* hintLine MEMBER hintLine)
    Q_PROPERTY(QMenu* fileMenu MEMBER fileMenu)
public:
    using LXWindowController::LXWindowController;
    LXImageView* preview = nullptr;
    QLabel* hintLine = nullptr;
    QMenu* fileMenu = nullptr;
public slots:
    void apply(QObject*) {}
};

namespace {

const char* kShowcase = R"(<?xml version="1.0" encoding="UTF-8"?><ui version="4.0">
 <widget class="QMainWindow" name="window">
  <property name="geometry"><rect><x>80</x><y>60</y><width>700</width><height>440</height></rect></property>
  <property name="windowTitle"><string>Preview</string></property>
  <widget class="QWidget" name="central"><layout class="QVBoxLayout" name="column">
   <property name="spacing"><number>10</number></property>
   <item><widget class="LXImageView" name="preview">
     <property name="gravity"><number>256</number></property>
     <property name="aspectFit"><bool>true</bool></property>
     <property name="borderWidth"><double>1</double></property>
     <property name="borderColorName"><string>0.0 0.0 0.0 0.25</string></property>
     <property name="sizePolicy"><sizepolicy hsizetype="Expanding" vsizetype="Expanding"><horstretch>0</horstretch><verstretch>1</verstretch></sizepolicy></property>
   </widget></item>
   <item><widget class="LXTranslatingBox" name="options"><property name="title"><string>Options</string></property>
    <layout class="QHBoxLayout" name="optionRow">
     <item><widget class="QLabel" name="hintLine"><property name="styleSheet"><string notr="true">color: #6e6e73;</string></property></widget></item>
     <item><spacer name="gap"><property name="orientation"><enum>Qt::Horizontal</enum></property></spacer></item>
     <item><widget class="LXTranslatingButton" name="cancel"><property name="text"><string>Cancel</string></property></widget></item>
     <item><widget class="LXTranslatingButton" name="apply"><property name="text"><string>Set as Wallpaper</string></property>
       <property name="toolTip"><string>Put the Sunnyside logo in the top-left corner</string></property>
       <property name="default"><bool>true</bool></property>
       <property name="action" stdset="0"><string>apply</string></property></widget></item>
    </layout></widget></item>
   <item><widget class="LXMenuTranslationController" name="translator">
     <property name="outlet.menu" stdset="0"><string>menubar</string></property>
     <property name="releaseWhenDone" stdset="0"><bool>true</bool></property></widget></item>
  </layout></widget>
  <widget class="QMenuBar" name="menubar">
   <widget class="QMenu" name="fileMenu"><property name="title"><string>File</string></property>
    <addaction name="open"/><addaction name="setWallpaper"/><addaction name="separator"/><addaction name="close"/><addaction name="quit"/></widget>
   <widget class="QMenu" name="viewMenu"><property name="title"><string>View</string></property>
    <addaction name="scaleUp"/><addaction name="showLogo"/></widget>
   <widget class="QMenu" name="helpMenu"><property name="title"><string>Help</string></property><addaction name="help"/></widget>
   <addaction name="fileMenu"/><addaction name="viewMenu"/><addaction name="helpMenu"/>
  </widget>
  <action name="open"><property name="text"><string>Open…</string></property></action>
  <action name="setWallpaper"><property name="text"><string>Set as Wallpaper</string></property></action>
  <action name="close"><property name="text"><string>Close</string></property></action>
  <action name="quit"><property name="text"><string>Quit Sunnyside</string></property></action>
  <action name="scaleUp"><property name="checkable"><bool>true</bool></property><property name="text"><string>Scale Up Small Photos</string></property></action>
  <action name="showLogo"><property name="checkable"><bool>true</bool></property><property name="checked"><bool>true</bool></property><property name="text"><string>Show Logo</string></property></action>
  <action name="help"><property name="text"><string>Sunnyside Help</string></property></action>
 </widget></ui>)";

} // namespace

TEST(Showcase, AWindowFromAFileShowsItsPictureMenuAndTooltip)
{
    registerControlsClasses();
    registerLocalizationClasses();
    Bundle::setPreferredLanguages({"de"});
    QTemporaryDir dir;
    writeFile(dir.filePath("ShowcaseController.ui"), kShowcase);
    LogCapture log;
    ShowcaseController controller(QString(), std::make_shared<const Bundle>(dir.path()));
    controller.showWindow();
    QWidget* window = controller.window();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(window->windowTitle(), "Vorschau");
    EXPECT_EQ(controller.fileMenu->title(), "Datei");

    // The sample photo, blurred by the engine.
    const CIImage photo = CIImage::imageWithContentsOfFile(Bundle::mainBundle().pathForResource("Sample", "jpg"));
    const std::shared_ptr<CIFilter> blur = CIFilter::filterWithName("CIGaussianBlur");
    blur->setValue(QVariant::fromValue(photo.imageByClampingToExtent()), "inputImage");
    blur->setValue(4.0, "inputRadius");
    const CIImage blurred = blur->valueForKey("outputImage").value<CIImage>().imageByCroppingToRect(photo.extent());
    controller.preview->setCIImage(blurred);
    LXHintController::addHintConrollerForWindow(window, controller.hintLine);
    LXHintController::sendHint("Turns a photo into a wallpaper for your screen", 1, window);

    // As a control asks when the pointer rests over the picture.
    LXToolTipController* tips = LXToolTipController::sharedController();
    const QPoint pointer = controller.preview->mapTo(window, QPoint(40, 120));
    tips->showTooltip(Bundle::mainBundle().localizedString("Drop a photo here to make it your wallpaper"), pointer,
                      controller.preview);
    ASSERT_NE(tips->loadedWindow(), nullptr);
    EXPECT_EQ(tips->loadedWindow()->geometry().topLeft(), window->mapToGlobal(pointer));
    QCoreApplication::sendPostedEvents(); // the layout takes the hint's width

    QImage shot = window->grab().toImage();
    const QPoint middle = controller.preview->geometry().center();
    EXPECT_NE(shot.pixelColor(middle), window->palette().window().color()); // the photo is there
    EXPECT_EQ(controller.hintLine->text(), "Macht aus einem Foto ein Hintergrundbild für Ihren Bildschirm");
    // Only our lines count: the offscreen platform chats about raise().
    EXPECT_EQ(log.lines().filter(QRegularExpression("^(Warning|Error): ")), QStringList());

    if (const QString out = qEnvironmentVariable("SUNNYSIDE_GRAB_DIR"); !out.isEmpty()) {
        controller.fileMenu->popup(window->mapToGlobal(QPoint(8, controller.fileMenu->parentWidget()->height())));
        QTest::qWaitForWindowExposed(controller.fileMenu);
        QPainter painter(&shot);
        const QPoint origin = window->mapToGlobal(QPoint());
        painter.drawImage(controller.fileMenu->pos() - origin, controller.fileMenu->grab().toImage());
        QWidget* tip = tips->loadedWindow();
        painter.drawImage(tip->pos() - origin, tip->grab().toImage());
        painter.end();
        shot.save(out + "/showcase.png");
        controller.fileMenu->hide();
    }
    tips->hideForView(controller.preview);
    Bundle::setPreferredLanguages({});
}

#include "ShowcaseTest.moc"
