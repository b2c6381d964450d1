#include "platform/foundation/Bundle.h"
#include "platform/ui/InterfaceFile.h"
#include "ui/localization/LXLocalizeHelper.h"
#include "tests/support/Files.h"
#include "tests/support/LogCapture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The main bundle of this test: the real tables, plus a language "xx" whose
// translations are themselves keys, to catch a second translation.
class TestBundle : public ::testing::Environment {
public:
    void SetUp() override
    {
        const QString assets = Bundle::locateMainResources();
        for (const char* lang : {"en.lproj", "de.lproj"})
            QFile::link(QDir(assets).filePath(lang), dir.filePath(lang));
        QDir(dir.path()).mkdir("xx.lproj");
        writeFile(dir.filePath("xx.lproj/Controls.strings"), "\"Open\" = \"Save\";\n\"Save\" = \"Sichern\";\n\"Options\" = \"Settings\";\n"
                    "\"Settings\" = \"Einstellungen\";\n\"Tip\" = \"Close\";\n\"Close\" = \"Schließen\";\n");
        QFile::link(QDir(assets).filePath("de.lproj/Menu.strings"), dir.filePath("xx.lproj/Menu.strings"));
        qputenv("SUNNYSIDE_RESOURCES", dir.path().toUtf8());
    }
    QTemporaryDir dir;
};
const auto* environment = ::testing::AddGlobalTestEnvironment(new TestBundle);

QStringList titles(QWidget* menu)
{
    QStringList out;
    for (QAction* item : menu->actions()) {
        out << item->text();
        if (item->menu())
            out << titles(item->menu());
    }
    return out;
}

} // namespace

TEST(MenuTranslation, TranslatesWholeTreesOnlyAwayFromEnglish)
{
    struct Row { const char* name; QStringList languages, expected; };
    const QStringList english{"File", "Open…", "Open Recent", "Window", "Help", "Sunnyside Help", "Missing Key"};
    const Row rows[] = {
        {"German", {"de"}, {"Datei", "Öffnen …", "Zuletzt geöffnet", "Fenster", "Hilfe", "Sunnyside-Hilfe", "Missing Key"}},
        {"English", {"en"}, english},
        {"English before German", {"en", "de"}, english},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bundle::setPreferredLanguages(row.languages);
        QMenuBar bar;
        QMenu* file = bar.addMenu("File");
        file->addAction("Open…");
        QMenu* recent = file->addMenu("Open Recent");
        QMenu* window = recent->addMenu("Window"); // three deep
        QMenu* help = window->addMenu("Help");
        help->addAction("Sunnyside Help");
        help->addAction("Missing Key");
        LXMenuTranslationController::translateMenuWithTable(&bar, "Menu");
        EXPECT_EQ(titles(&bar), row.expected);
    }
    // A menu that contains itself ends.
    Bundle::setPreferredLanguages({"de"});
    QMenu a("File"), b("Help");
    a.addMenu(&b);
    b.addMenu(&a);
    LXMenuTranslationController::translateMenuWithTable(&a, "Menu");
    EXPECT_EQ(a.title(), "Datei");
    EXPECT_EQ(b.title(), "Hilfe");
    Bundle::setPreferredLanguages({});
}

TEST(MenuTranslation, ControlsFromAFileTranslateOnceAsTheyLoad)
{
    registerLocalizationClasses();
    Bundle::setPreferredLanguages({"xx"});
    QTemporaryDir dir;
    const QString path = writeInterfaceFile(dir.filePath("Chooser.ui"), R"(
      <widget class="QMainWindow" name="window">
        <widget class="QWidget" name="central"><layout class="QVBoxLayout" name="box">
          <item><widget class="LXTranslatingBox" name="options"><property name="title"><string>Options</string></property>
            <layout class="QVBoxLayout" name="inner"><item><widget class="LXTranslatingButton" name="open">
              <property name="text"><string>Open</string></property><property name="toolTip"><string>Tip</string></property>
            </widget></item></layout></widget></item>
          <item><widget class="LXMenuTranslationController" name="translator">
            <property name="outlet.menu" stdset="0"><string>menubar</string></property>
            <property name="releaseWhenDone" stdset="0"><bool>true</bool></property></widget></item>
        </layout></widget>
        <widget class="QMenuBar" name="menubar"><widget class="QMenu" name="fileMenu">
          <property name="title"><string>File</string></property><addaction name="quit"/></widget>
          <addaction name="fileMenu"/></widget>
        <action name="quit"><property name="text"><string>Quit Sunnyside</string></property></action>
      </widget>)");
    LogCapture log;
    std::unique_ptr<QWidget> window(InterfaceFile::loadFile(path, nullptr).root);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(log.lines(), QStringList());
    EXPECT_EQ(window->findChild<LXTranslatingButton*>("open")->text(), "Save");
    EXPECT_EQ(window->findChild<LXTranslatingButton*>("open")->toolTip(), "Close");
    EXPECT_EQ(window->findChild<LXTranslatingBox*>("options")->title(), "Settings");
    auto* fileMenu = window->findChild<QMenu*>("fileMenu");
    EXPECT_EQ(fileMenu->title(), "Datei");
    EXPECT_EQ(fileMenu->actions().value(0)->text(), "Sunnyside beenden");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->findChild<LXMenuTranslationController*>(), nullptr); // released when done
    Bundle::setPreferredLanguages({});
}

TEST(LocalizeHelper, AnOverrideIsLookedUpInsteadOfTheSource)
{
    Bundle::setPreferredLanguages({"de"});
    LXLocalizeHelper::setLocalizedString("Unnamed Background", "Untitled");
    EXPECT_EQ(LXLocalizeHelper::localizedString("Untitled"), "Unbenannter Hintergrund");
    LXLocalizeHelper::setLocalizedString(QString(), "Untitled");
    EXPECT_EQ(LXLocalizeHelper::localizedString("Untitled"), "Untitled");
    Bundle::setPreferredLanguages({});
}
