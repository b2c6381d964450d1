#include "platform/foundation/Bundle.h"
#include "platform/ui/InterfaceFile.h"
#include "platform/ui/WindowEvents.h"
#include "ui/controls/ControlsClasses.h"
#include "ui/controls/LXImagePreviewer.h"
#include "ui/localization/LXLocalizeHelper.h"
#include "ui/windows/LXAboutBoxController.h"
#include "ui/windows/LXChildSupportWindow.h"
#include "ui/windows/LXNoteController.h"
#include "ui/windows/LXWindowController.h"
#include "tests/support/EventLoop.h"
#include "tests/support/Files.h"
#include "tests/support/LogCapture.h"

#include <QDirIterator>
#include <QLabel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class PanelA : public LXWindowController {
    Q_OBJECT
    Q_PROPERTY(QLabel* caption MEMBER caption)
public:
    using LXWindowController::LXWindowController;
    QLabel* caption = nullptr;
    QStringList journal;
protected:
    void windowWillLoad() override { journal << "will load"; }
    void windowDidLoad() override { journal << (caption ? "did load: " + caption->text() : "did load, no outlet"); }
    void windowDidClose() override { journal << "did close"; }
};

class PanelB : public PanelA {
    Q_OBJECT
public:
    using PanelA::PanelA;
};

class SideView : public LXViewController {
    Q_OBJECT
public:
    using LXViewController::LXViewController;
};

namespace {

std::shared_ptr<const Bundle> bundleWith(const QTemporaryDir& dir, const QString& file, const QByteArray& body)
{
    if (!file.isEmpty())
        writeInterfaceFile(dir.filePath(file), body);
    return std::make_shared<const Bundle>(dir.path());
}

const QByteArray kPanel = R"(<widget class="QWidget" name="window"><property name="windowTitle"><string>Settings</string></property>
  <layout class="QVBoxLayout" name="box"><item><widget class="QLabel" name="caption"><property name="text"><string>Hello</string></property></widget></item></layout></widget>)";

} // namespace

TEST(WindowController, FindsItsFileUpTheClassChainAndSaysWhenThereIsNone)
{
    QTemporaryDir withA, empty;
    PanelB b(QString(), bundleWith(withA, "PanelA.ui", kPanel));
    EXPECT_EQ(b.nibName(), "PanelA");
    ASSERT_NE(b.window(), nullptr);
    EXPECT_EQ(b.caption->text(), "Hello");

    PanelB lost(QString(), bundleWith(empty, {}, {}));
    LogCapture log;
    EXPECT_EQ(lost.window(), nullptr);
    EXPECT_EQ(log.lines(), QStringList{"Warning: PanelB could not load window from " + empty.path()
                                       + " in LXWindowController.nib"});
    SideView side(QString(), bundleWith(empty, {}, {}));
    log.clear();
    EXPECT_EQ(side.view(), nullptr);
    EXPECT_EQ(log.lines(), QStringList{"Warning: SideView could not load view from " + empty.path() + " in SideView"});
}

TEST(WindowController, RunsItsHooksInOrderAndClosesOnlyWhenAllowed)
{
    QTemporaryDir dir;
    Bundle::setPreferredLanguages({"de"});
    PanelA panel(QString(), bundleWith(dir, "PanelA.ui", kPanel));
    panel.close();
    EXPECT_EQ(panel.loadedWindow(), nullptr); // close never loads
    panel.showWindow();
    ASSERT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.window()->windowTitle(), "Einstellungen"); // through "Controls"
    EXPECT_EQ(panel.journal, (QStringList{"will load", "did load: Hello"}));

    setWindowShouldClose(panel.window(), [](QWidget*) { return false; });
    panel.close();
    EXPECT_TRUE(panel.isVisible());
    setWindowShouldClose(panel.window(), {});
    panel.close();
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(panel.journal.size(), 2); // the close hook waits for the loop
    EXPECT_TRUE(spinUntil([&] { return panel.journal.size() == 3; }));
    EXPECT_EQ(panel.journal.last(), "did close");
    Bundle::setPreferredLanguages({});

    // Handed to a new controller through the coder keys.
    LXWindowController copy(panel.encodeWithCoder());
    EXPECT_EQ(copy.nibBundle().bundlePath(), dir.path());
    const QVariantMap viewCoder = SideView("Side", bundleWith(dir, {}, {})).encodeWithCoder();
    EXPECT_EQ(viewCoder.keys(), (QStringList{"VCnibBundle", "VCnibName", "VCtopLevelObjects", "VCview"}));
    SideView side(viewCoder);
    EXPECT_EQ(side.nibName() + " in " + side.nibBundle().bundlePath(), "Side in " + dir.path());
}

TEST(WindowController, ANewWindowOrViewDropsTheOldFilesObjects)
{
    // They came from the file of the widget replaced; one taken as the new widget stays.
    enum Next { Another, None, OneOfThem };
    const struct { const char* name; bool view; Next next; } rows[] = {
        {"another window", false, Another}, {"no window", false, None},
        {"window taken from the objects was deleted", false, OneOfThem},
        {"another view kept the objects", true, Another}, {"no view", true, None},
        {"view taken from the objects", true, OneOfThem}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QPointer<QObject> part(new QObject);
        QPointer<QWidget> taken(new QWidget);
        QWidget* next = row.next == Another ? new QWidget : row.next == OneOfThem ? taken.data() : nullptr;
        QWidget first;
        PanelA window;
        SideView view;
        const auto set = [&](QWidget* w) { row.view ? view.setView(w) : window.setWindow(w); };
        set(&first);
        const QList<QObject*> objects{part.data(), taken.data()};
        row.view ? view.setTopLevelObjects(objects) : window.setTopLevelObjects(objects);
        set(next);
        EXPECT_EQ(row.view ? view.loadedView() : window.loadedWindow(), next);
        EXPECT_TRUE((row.view ? view.topLevelObjects() : window.topLevelObjects()).isEmpty());
        EXPECT_FALSE(part);
        EXPECT_EQ(bool(taken), row.next == OneOfThem);
    }
}

TEST(WindowController, RestoredFromTheCoderOfALivingControllerLeavesOneOwner)
{
    // Restored while the first controller lives: the window or view and the
    // other objects change hands, the first forgets them and is told nothing more.
    QPointer<QWidget> window(new QWidget), view(new QWidget);
    QPointer<QObject> part(new QObject), viewPart(new QObject);
    auto first = std::make_unique<PanelA>(window.data());
    first->setTopLevelObjects({part.data()});
    auto firstView = std::make_unique<SideView>();
    firstView->setView(view);
    firstView->setTopLevelObjects({viewPart.data()});
    firstView->setTopLevelObjects(firstView->topLevelObjects()); // kept, not deleted
    auto second = std::make_unique<PanelA>(first->encodeWithCoder());
    auto secondView = std::make_unique<SideView>(firstView->encodeWithCoder());
    window->show();
    window->close();
    EXPECT_TRUE(spinUntil([&] { return !second->journal.isEmpty(); }));
    EXPECT_TRUE(first->journal.isEmpty());
    first.reset();
    firstView.reset();
    EXPECT_TRUE(window && part && view && viewPart);
    second.reset();
    secondView.reset();
    EXPECT_FALSE(window || part || view || viewPart);
}

TEST(InterfaceFiles, EveryShippedFileLoadsWithoutALogLine)
{
    registerControlsClasses();
    registerLocalizationClasses();
    registerWindowsClasses();
    LogCapture log;
    int files = 0;
    QDirIterator it(Bundle::mainBundle().bundlePath(), {"*.ui"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        // The main window belongs to the application: its tests load it with its delegate.
        if (path.contains("/source/") || path.endsWith("/MainWindow.ui"))
            continue;
        LXAboutBoxController aboutBox;
        LXImagePreviewer previewer;
        LXNoteController note;
        QObject* owner = path.endsWith("/SWAboutBox.ui") ? &aboutBox
                       : path.endsWith("/LXNoteController.ui") ? static_cast<QObject*>(&note) : nullptr;
        if (path.endsWith("/LXImagePreviewer.ui")) // its buttons call the previewer
            owner = &previewer;
        const InterfaceFile::Result loaded = InterfaceFile::loadFile(path, owner);
        EXPECT_NE(loaded.root, nullptr) << path.toStdString();
        delete loaded.root;
        ++files;
    }
    EXPECT_GT(files, 0);
    EXPECT_EQ(log.lines(), QStringList());
}

#include "WindowControllerTest.moc"
