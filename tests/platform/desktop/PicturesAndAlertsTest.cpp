#include "DesktopTestKit.h"
#include "tests/support/LogCapture.h"

#include "platform/desktop/Alert.h"
#include "platform/desktop/DesktopPicture.h"
#include "platform/desktop/PicturesFolder.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

#include <gtest/gtest.h>

namespace {

// What the code writes to standard error while `action` runs.
template <typename Action>
QByteArray standardErrorOf(Action action)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("stderr");
    std::fflush(stderr);
    const int saved = ::dup(2);
    FILE* file = std::fopen(path.toLocal8Bit().constData(), "w");
    ::dup2(::fileno(file), 2);
    action();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    std::fclose(file);
    return readFile(path);
}

} // namespace

TEST(PicturesFolder, CreatedWhereTheUsersSettingsSayOrAFailureWithItsReason)
{
    // settings: ~/.config/user-dirs.dirs unless empty; blocker: a file where the folder would be;
    // folder: below home, or empty: none.
    struct Row { const char* name; QString settings, blocker, folder; };
    const Row rows[] = {
        {"created in the home when missing", {}, {}, "Pictures"},
        {"the user's folder settings", "XDG_PICTURES_DIR=\"$HOME/Bilder/Fotos\"\n", {}, "Bilder/Fotos"},
        {"a file in the way", {}, "Pictures", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SessionEnvironment environment;
        QTemporaryDir home;
        environment.set("HOME", home.path());
        if (!row.settings.isEmpty())
            makePictureFile(home, ".config/user-dirs.dirs", row.settings.toUtf8());
        if (!row.blocker.isEmpty())
            makePictureFile(home, row.blocker);
        LogCapture log;
        const Result<QString> result = picturesFolder();
        if (row.folder.isEmpty()) {
            EXPECT_FALSE(result.ok());
            EXPECT_EQ(result.reason(), home.filePath(row.blocker) + " exists and is not a folder");
            EXPECT_EQ(log.lines(), QStringList{"Error: no Pictures folder: " + result.reason()});
            continue;
        }
        ASSERT_TRUE(result.ok()) << result.reason().toStdString();
        EXPECT_EQ(result.value(), home.filePath(row.folder));
        EXPECT_TRUE(QFileInfo(result.value()).isDir());
        EXPECT_EQ(picturesFolder().value(), result.value()); // found again as it is
        EXPECT_TRUE(log.lines().isEmpty());
    }
}

TEST(Alert, AnInstalledPresenterReceivesEveryAlertUntilItGoes)
{
    QList<std::pair<QString, QString>> shown;
    {
        Alert::ScopedPresenter capture([&](const QString& title, const QString& text) { shown.append({title, text}); });
        const QByteArray written = standardErrorOf([] {
            Alert::show("Problem creating Wallpaper", "Could not set Desktop for this reason: no desktop session was found");
        });
        EXPECT_TRUE(written.isEmpty());
        {
            Alert::ScopedPresenter inner([&](const QString& title, const QString&) { shown.append({"inner", title}); });
            Alert::show("Problem creating Wallpaper Folder", "text");
        }
        Alert::show("Second", "again");
    }
    EXPECT_EQ(shown, (QList<std::pair<QString, QString>>{
                         {"Problem creating Wallpaper", "Could not set Desktop for this reason: no desktop session was found"},
                         {"inner", "Problem creating Wallpaper Folder"},
                         {"Second", "again"},
                     }));
}

TEST(Alert, WithoutAGuiTheTitleAndTextGoToStandardError)
{
    // The tests run a QGuiApplication on the offscreen platform: no dialog can show.
    EXPECT_FALSE(Alert::hasGui());
    const QByteArray written = standardErrorOf([] {
        Alert::show("Problem creating Wallpaper", "Picture Folder could not be found because: ünreadable");
    });
    EXPECT_EQ(QString::fromUtf8(written), "Problem creating Wallpaper\n"
                                          "Picture Folder could not be found because: ünreadable\n");
}

TEST(DesktopPicture, UsesTheBackendOfTheSessionWithTheAbsolutePath)
{
    SessionEnvironment environment;
    FakeCommands fakes;
    fakes.install("swaymsg");
    environment.set("XDG_CURRENT_DESKTOP", "sway");
    environment.set("WAYLAND_DISPLAY", "wayland-1");
    QTemporaryDir pictures;
    makePictureFile(pictures, "Beach.jpg");
    const QString saved = QDir::currentPath();
    QDir::setCurrent(pictures.path());

    const Result<> result = setDesktopImage("Beach.jpg", "DP-3");
    QDir::setCurrent(saved);
    EXPECT_TRUE(result.ok()) << result.reason().toStdString();
    EXPECT_TRUE(result.reason().isEmpty());
    EXPECT_EQ(fakes.calls("swaymsg"),
              (QList<QStringList>{{"output", "DP-3", "bg", pictures.filePath("Beach.jpg"), "fill"}}));
}

TEST(DesktopPicture, NoSessionOrNoFileIsAFailureForTheAlert)
{
    SessionEnvironment environment;
    FakeCommands fakes;
    QTemporaryDir pictures;
    const QString picture = makePictureFile(pictures, "Beach.jpg");

    LogCapture log;
    Result<> result = setDesktopImage(picture, QString());
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.reason(), "no desktop session was found");
    EXPECT_EQ(log.lines(), QStringList{"Error: could not set the desktop picture: no desktop session was found"});

    environment.set("XDG_CURRENT_DESKTOP", "GNOME");
    fakes.install("gsettings");
    result = setDesktopImage(pictures.filePath("Missing.jpg"), QString());
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.reason(), "the picture file " + pictures.filePath("Missing.jpg") + " does not exist");
    EXPECT_TRUE(fakes.calls("gsettings").isEmpty());
}
