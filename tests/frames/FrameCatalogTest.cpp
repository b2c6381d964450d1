// The user frames file as another process reads it, after every change and
// undo; unreadable files, lost identifier counters and failed writes.

#include "frames/LXFrameCatalog.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/ChildTest.h"
#include "tests/support/Files.h"
#include "tests/support/LogCapture.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

const char* kFileVariable = "SUNNYSIDE_TEST_USER_FRAMES";

std::shared_ptr<LXFrameDescription> frame(const QString& name)
{
    return std::make_shared<LXFrameDescription>(QVariantMap{{"Name", name}, {"Inset", 0.05}}, QUrl(), true);
}

// Run by the parent below as a process of its own: prints what it reads.
TEST(FrameCatalogChild, PrintsTheFramesItReads)
{
    if (!qEnvironmentVariableIsSet(kFileVariable))
        GTEST_SKIP() << "run by FrameCatalogFile";
    const QString file = qEnvironmentVariable(kFileVariable);
    const LXFrameCatalog catalog(QFileInfo(file).path(), QUrl::fromLocalFile(file));
    for (const QString& id : catalog.frameIDs())
        if (const LXFrameDescription* f = catalog.frameWithName(id))
            printf("frame: %s=%s %g\n", qPrintable(id), qPrintable(f->name()), f->inset());
}

class FrameCatalogFile : public ::testing::Test {
protected:
    void SetUp() override { UserDefaults::standardUserDefaults().removeObjectForKey("CurrentFrameIndex"); }

    QStringList readByAnotherProcess() const
    {
        const ChildRun child = runTestInChild("FrameCatalogChild.*", {{kFileVariable, file}});
        EXPECT_TRUE(child.passed) << child.output.toStdString();
        QStringList frames;
        for (const QString& line : child.output.split(u'\n'))
            if (line.startsWith("frame: "))
                frames << line.mid(7);
        return frames;
    }

    QTemporaryDir folder;
    const QString file = folder.filePath("UserFrames.plist");
};

TEST_F(FrameCatalogFile, IsSavedAfterEveryChangeAndItsUndo)
{
    UndoManager undo;
    LXFrameCatalog catalog(folder.path(), QUrl::fromLocalFile(file));
    catalog.setUndoManager(&undo);
    const QString oak = "FRM-U#001#=Oak 0.05", pine = "FRM-U#002#=Pine 0.05";
    struct Row { const char* name; std::function<void()> change; QStringList expected; };
    const Row rows[] = {
        {"add", [&] { catalog.addFrame(frame("Oak")); }, {oak}},
        {"add another", [&] { catalog.addFrame(frame("Pine")); }, {oak, pine}},
        {"rename", [&] { EXPECT_TRUE(catalog.renameFrameID("Oak", "Walnut")); }, {pine, "FRM-U#001#=Walnut 0.05"}},
        {"undo rename", [&] { undo.undo(); }, {oak, pine}},
        {"frame change", [&] { catalog.frameWithName("Pine")->setInset(0.1); catalog.frameWithName("Pine")->sendChangeNotification(0); },
         {oak, "FRM-U#002#=Pine 0.1"}},
        {"remove", [&] { catalog.removeFrameName("Oak"); }, {"FRM-U#002#=Pine 0.1"}},
        {"undo remove", [&] { undo.undo(); }, {oak, "FRM-U#002#=Pine 0.1"}},
        {"redo remove", [&] { undo.redo(); }, {"FRM-U#002#=Pine 0.1"}},
    };
    for (const Row& row : rows) {
        row.change();
        undo.closeGroup();
        const auto timer = catalog.saveTimer();
        ASSERT_TRUE(timer) << row.name << " schedules a save";
        timer->fire();
        EXPECT_FALSE(catalog.isDirty()) << row.name;
        EXPECT_EQ(readByAnotherProcess(), row.expected) << row.name;
    }
}

TEST_F(FrameCatalogFile, NeverLosesOrReusesWhatTheFileHolds)
{
    const QByteArray held = PropertyList::toXml(QVariantMap{{"FRM-U#001#", QVariantMap{{"Name", "Held"}}}});
    struct Row { const char* name; QByteArray onDisk; QString newID; bool keptAside; };
    const Row rows[] = {
        {"lost counter", held, "FRM-U#002#", false},
        {"unreadable file", "not a property list", "FRM-U#001#", true},
    };
    for (const Row& row : rows) {
        QDir(folder.path()).removeRecursively();
        QDir().mkpath(folder.path());
        writeFile(file, row.onDisk);
        UserDefaults::standardUserDefaults().removeObjectForKey("CurrentFrameIndex");
        LogCapture log;
        LXFrameCatalog catalog(folder.path(), QUrl::fromLocalFile(file));
        EXPECT_EQ(catalog.addFrame(frame("New")), row.newID) << row.name;
        EXPECT_TRUE(catalog.saveCatalogInstantly(true)) << row.name;
        const QStringList aside = QDir(folder.path()).entryList({"UserFrames.plist.unreadable-*"});
        ASSERT_EQ(aside.size(), row.keptAside ? 1 : 0) << row.name;
        if (row.keptAside)
            EXPECT_EQ(readFile(folder.filePath(aside.value(0))), row.onDisk) << row.name;
        EXPECT_TRUE(readByAnotherProcess().contains(row.newID + "=New 0.05")) << row.name;
    }
}

TEST_F(FrameCatalogFile, StaysDirtyAfterAFailedWriteAndSavesAtQuit)
{
    LXFrameCatalog catalog(folder.path(), QUrl::fromLocalFile(file));
    catalog.addFrame(frame("Oak"));
    ASSERT_TRUE(QDir().mkdir(file)); // a folder in the way: the write fails
    {
        LogCapture log;
        EXPECT_FALSE(catalog.saveCatalogInstantly(true));
    }
    EXPECT_TRUE(catalog.isDirty());
    ASSERT_TRUE(QDir().rmdir(file));
    Application::postWillTerminate();
    EXPECT_EQ(readByAnotherProcess(), QStringList{"FRM-U#001#=Oak 0.05"});
}

} // namespace
