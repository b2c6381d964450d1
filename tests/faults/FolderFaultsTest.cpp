#include "tests/faults/FaultKit.h"
#include "tests/support/Files.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QRegularExpression>

#include <functional>

#include <gtest/gtest.h>

namespace {

void readOnly(const QString& folder)
{
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
}

} // namespace

// Folders the program cannot use: each run ends with its reason on standard
// error, never a crash, and whatever was in the way is kept.
TEST(Faults, UnusableFoldersAreExplained)
{
    // said: on standard error, "%H" standing for the home folder.
    struct Row { const char* name; std::function<void(Machine&)> fault; int status; QString said, photoName = "Photo.png"; };
    const QList<Row> rows{
        {"PicturesReadOnly", [](Machine& m) { readOnly(m.home() + "/Pictures"); }, 1,
         "Problem creating Wallpaper Folder\nSunnyside Folder could not be found because: the folder %H/Pictures/Sunnyside could not be created"},
        {"SunnysideIsAFile", [](Machine& m) { writeFile(m.wallpapers(), "my notes"); }, 3, "Saved %H/Pictures/Sunnyside/Photo.jpg"},
        {"SunnysideAndItsAsideAreFiles",
         [](Machine& m) {
             writeFile(m.wallpapers(), "my notes");
             writeFile(m.wallpapers() + ".error", "older notes");
         },
         1, "cannot rename it for this reason: %H/Pictures/Sunnyside.error already exists"},
        {"HomeUnset",
         [](Machine& m) {
             for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"})
                 m.environment().remove(name);
         },
         1, "Picture Folder could not be found because: the HOME variable does not name your home folder"},
        {"HomeReadOnly", [](Machine& m) { readOnly(m.home()); }, 1,
         "Picture Folder could not be found because: the folder %H/Pictures could not be created"},
        // The link that sway needs for a name with a space cannot be made.
        {"TemporaryFolderReadOnly",
         [](Machine& m) {
             readOnly(m.root() + "/tmp");
             m.environment().remove("XDG_RUNTIME_DIR");
             m.environment().insert("SWAYSOCK", m.root() + "/sway.sock");
             m.fakeProgram("swaymsg");
         },
         3, "Could not set Desktop for this reason: could not make the link", "My Photo.png"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Machine machine;
        const QString photo = machine.photo(row.photoName);
        row.fault(machine);
        const QByteArray inTheWay = readFile(machine.wallpapers());
        const Outcome run = sunnyside(machine, {"--apply", photo}, {.ordinaryUser = true});
        EXPECT_FALSE(run.crashed);
        EXPECT_EQ(run.status, row.status) << run.err.toStdString();
        QString said = row.said;
        said.replace("%H", machine.home());
        EXPECT_TRUE(run.out.contains(said) || run.err.contains(said)) << run.out.toStdString() << run.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists("/Pictures/Sunnyside"));
        // Nothing in the way is lost: moved aside, or left where it was.
        if (!inTheWay.isEmpty())
            EXPECT_TRUE(readFile(machine.wallpapers() + ".error") == inTheWay || readFile(machine.wallpapers()) == inTheWay);
        if (row.status == 3)
            EXPECT_EQ(QImageReader(machine.wallpapers() + "/" + QFileInfo(photo).completeBaseName() + ".jpg").size(), QSize(2560, 1600));
    }
}

// A damaged settings file: the defaults apply (the picture is the one made
// without any settings), a warning names the file, and its bytes stay.
TEST(Faults, ADamagedSettingsFileGivesTheDefaultsAndStaysAsItIs)
{
    struct Row { const char* name; QByteArray bytes; };
    QByteArray garbage(512, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 167 + 13) & 0xff);
    const QList<Row> rows{
        {"BinaryGarbage", garbage},
        {"CutOffInAValue", "[General]\nshowLogo=tr"},
        {"UnclosedSection", "[General\nscaleUp=true\nshowLogo=false\n"},
    };
    Machine clean;
    ASSERT_EQ(sunnyside(clean, {"--apply", clean.photo()}).status, 3);
    const QByteArray expected = readFile(clean.wallpapers() + "/Photo.jpg");
    ASSERT_FALSE(expected.isEmpty());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Machine machine;
        const QString settings = machine.home() + "/.config/sunnyside/sunnyside.conf";
        writeFile(settings, row.bytes);
        const Outcome run = sunnyside(machine, {"--apply", machine.photo()});
        EXPECT_EQ(run.status, 3) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QRegularExpression("Warning: .*" + QRegularExpression::escape(settings))))
            << run.err.toStdString();
        EXPECT_EQ(readFile(settings), row.bytes);
        EXPECT_TRUE(readFile(machine.wallpapers() + "/Photo.jpg") == expected);
    }
}
