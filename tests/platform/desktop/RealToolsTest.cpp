// The X11 tools, xfconf and gsettings, each real, given photo names that a
// shell, a parser or a list would misread; what the tool stored is read back
// with the tool itself.

#include "DesktopTestKit.h"
#include "tests/support/EventLoop.h"
#include "tests/support/Files.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Programs.h"

#include "platform/desktop/CommandBackends.h"

#include <QColor>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QImage>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

// ---- feh and xwallpaper on an X server of their own

struct XServer {
    QProcess process;
    std::optional<ScopedVariable> display;
    QString skipReason;

    explicit XServer(const QString& screen = QStringLiteral("320x200x24"))
    {
        for (const char* program : {"Xvfb", "feh", "xwallpaper", "sh"})
            if (findProgram(program).isEmpty()) {
                skipReason = QStringLiteral("%1 is not installed").arg(program);
                return;
            }
        // -displayfd 1: Xvfb picks a free display and prints its number when ready.
        process.start(findProgram("Xvfb"), {"-displayfd", "1", "-noreset", "-nolisten", "tcp", "-screen", "0", screen});
        while (!process.canReadLine() && process.waitForReadyRead(10000)) {
        }
        const bool ready = process.canReadLine();
        const QString number = QString::fromLatin1(process.readLine()).trimmed();
        if (!ready || number.isEmpty()) {
            skipReason = "Xvfb did not start: " + QString::fromLocal8Bit(process.readAllStandardError());
            return;
        }
        display.emplace("DISPLAY", ":" + number);
    }
    ~XServer()
    {
        process.terminate();
        process.waitForFinished(5000);
    }
};

class X11ToolsRunPhotoNamesAsCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!x.skipReason.isEmpty())
            GTEST_SKIP() << x.skipReason.toStdString();
    }
    XServer x;
    QTemporaryDir dir, work;
    const QString picture = makeColourPicture(dir, hostilePhotoName(), QColor(200, 40, 90));
};

} // namespace

TEST_F(X11ToolsRunPhotoNamesAsCommands, FehBgScriptRestoresTheRealFileAndRunsNothing)
{
    X11Backend feh(X11Backend::Tool::Feh);
    const Result<> result = feh.setImage(picture, QString());
    ASSERT_TRUE(result.ok()) << result.reason().toStdString();
    const QString script = QDir::home().filePath(".fehbg");
    ASSERT_TRUE(QFileInfo::exists(script));

    // What the shell makes of ~/.fehbg: the arguments it hands feh (the script
    // names feh by its full path; a copy names a recording stand-in instead).
    const QString sh = findProgram("sh");
    const QString realFeh = findProgram("feh");
    {
        QString text = QString::fromUtf8(readFile(script));
        FakeCommands fakes;
        fakes.install("feh");
        ASSERT_TRUE(text.contains("\n" + realFeh + " "));
        text.replace("\n" + realFeh + " ", "\n" + fakes.folder() + "/feh ");
        EXPECT_TRUE(programOutput(sh, {writeFile(work.filePath("fehbg"), text.toUtf8())}, {}, work.path()));
        EXPECT_EQ(fakes.calls("feh"), (QList<QStringList>{{"--no-fehbg", "--bg-fill", picture}}));
    }
    // And with the real feh, as a session start would run it.
    EXPECT_TRUE(programOutput(sh, {script}, {}, work.path()));
    EXPECT_EQ(pwnedFiles({work.path(), dir.path()}), QStringList());
}

TEST_F(X11ToolsRunPhotoNamesAsCommands, XwallpaperLoadsTheFileOnEveryOutputAndOne)
{
    LogCapture log;
    X11Backend xwallpaper(X11Backend::Tool::Xwallpaper);
    // Xvfb's one RandR output is "screen".
    for (const QString& screen : {QString(), QStringLiteral("screen")}) {
        const Result<> result = xwallpaper.setImage(picture, screen);
        EXPECT_TRUE(result.ok()) << result.reason().toStdString();
    }
    EXPECT_EQ(pwnedFiles({dir.path()}), QStringList());
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join("\n").toStdString();
}

// At scale 2 on a 1366 x 768 screen xwallpaper sheared the picture into stairs.
TEST(X11Tools, APictureOnA2732By1536RootIsNotSheared)
{
    XServer x(QStringLiteral("2732x1536x24"));
    if (!x.skipReason.isEmpty() || findProgram("xwd").isEmpty() || findProgram("convert").isEmpty())
        GTEST_SKIP() << "needs Xvfb, feh, xwallpaper, xwd and convert";
    QTemporaryDir dir;
    QImage halves(2732, 1536, QImage::Format_RGB32);
    halves.fill(Qt::blue);
    for (int y = 0; y < halves.height(); ++y)
        std::fill_n(reinterpret_cast<QRgb*>(halves.scanLine(y)), 1366, QColor(Qt::red).rgb());
    const QString picture = dir.filePath("halves.png");
    ASSERT_TRUE(halves.save(picture));
    ASSERT_TRUE(X11Backend(X11Backend::Tool::Xwallpaper).setImage(picture, QString()).ok());
    const QImage root = QImage::fromData(programOutput("sh", {"-c", "xwd -root -silent | convert xwd:- png:-"}).value_or(""), "PNG");
    ASSERT_EQ(root.size(), halves.size());
    int wrong = 0;
    for (int y = 8; y < root.height(); y += 64)
        for (int x = 8; x < root.width(); x += 64)
            wrong += root.pixel(x, y) != halves.pixel(x, y);
    EXPECT_EQ(wrong, 0) << "of " << (root.width() / 64 + 1) * (root.height() / 64);
}

// ---- xfconf: a real xfconfd on the test's own bus

namespace {

QString findXfconfd()
{
    QStringList folders{"/usr/lib/xfce4/xfconf", "/usr/libexec/xfce4/xfconf", "/usr/libexec"};
    for (const QString& triplet : QDir("/usr/lib").entryList({"*-linux-gnu*"}, QDir::Dirs))
        folders.prepend("/usr/lib/" + triplet + "/xfce4/xfconf");
    return QStandardPaths::findExecutable("xfconfd", folders);
}

} // namespace

TEST(XfconfMangledPhotoNames, TheStoredPathIsTheFilesPath)
{
    if (findProgram("xfconf-query").isEmpty() || findXfconfd().isEmpty())
        GTEST_SKIP() << "xfconf (xfconf-query, xfconfd) is not installed";
    TestBus bus;
    ASSERT_TRUE(bus.isRunning());
    ScopedVariable address("DBUS_SESSION_BUS_ADDRESS", bus.address());
    QTemporaryDir config, dir;
    ScopedVariable configHome("XDG_CONFIG_HOME", config.path());
    QProcess daemon; // killed when it goes
    daemon.start(findXfconfd(), {});
    QDBusConnection connection = bus.connect();
    ASSERT_TRUE(spinUntil([&] { return connection.interface()->isServiceRegistered("org.xfce.Xfconf").value(); }, 10000))
        << "xfconfd did not come up on the test bus";

    const QString picture = makePictureFile(dir, hostilePhotoName());
    XfceBackend xfce({"HDMI-1"});
    const Result<> result = xfce.setImage(picture, "HDMI-1");
    ASSERT_TRUE(result.ok()) << result.reason().toStdString();
    EXPECT_EQ(programOutput(findProgram("xfconf-query"),
                            {"-c", "xfce4-desktop", "-p", "/backdrop/screen0/monitorHDMI-1/workspace0/last-image"})
                  .value_or("(failed)"),
              (picture + "\n").toUtf8());
}

// ---- gsettings: the keyfile backend and schemas of the test's own

namespace {

const char* const schemas = R"(<schemalist>
  <schema id="org.gnome.desktop.background" path="/org/gnome/desktop/background/">
    <key name="picture-options" type="s"><default>'none'</default></key>
    <key name="picture-uri" type="s"><default>''</default></key>
    <key name="picture-uri-dark" type="s"><default>''</default></key>
  </schema>
  <schema id="org.cinnamon.desktop.background" path="/org/cinnamon/desktop/background/">
    <key name="picture-options" type="s"><default>'none'</default></key>
    <key name="picture-uri" type="s"><default>''</default></key>
  </schema>
  <schema id="org.mate.background" path="/org/mate/desktop/background/">
    <key name="picture-options" type="s"><default>'none'</default></key>
    <key name="picture-filename" type="s"><default>''</default></key>
  </schema>
</schemalist>
)";

} // namespace

TEST(GsettingsMangledPhotoNames, GnomeCinnamonAndMateStoreTheFile)
{
    if (findProgram("gsettings").isEmpty() || findProgram("glib-compile-schemas").isEmpty())
        GTEST_SKIP() << "gsettings and glib-compile-schemas (libglib2.0-bin) are not installed";
    QTemporaryDir schemaDir, config, dir;
    ScopedVariable schemaPath("GSETTINGS_SCHEMA_DIR", schemaDir.path()), keyfile("GSETTINGS_BACKEND", "keyfile"),
        configHome("XDG_CONFIG_HOME", config.path());
    writeFile(schemaDir.filePath("test.gschema.xml"), schemas);
    ASSERT_TRUE(programOutput(findProgram("glib-compile-schemas"), {schemaDir.path()}));
    const auto get = [](const QString& schema, const QString& key) {
        return QString::fromUtf8(programOutput(findProgram("gsettings"), {"get", schema, key}).value_or("(failed)")).trimmed();
    };
    const QString picture = makePictureFile(dir, R"(Tom's "best" `touch PWNED` $HOME & co; back\slash Ölmühle  x.jpg)");
    // As gsettings prints them: in double quotes (the string holds a single one), '"' and '\' escaped.
    const QString uri = "\"file://" + dir.path()
                      + R"(/Tom's%20%22best%22%20%60touch%20PWNED%60%20$HOME%20&%20co;%20back%5Cslash%20%C3%96lm%C3%BChle%20%20x.jpg")";
    const QString filename = "\"" + dir.path() + R"(/Tom's \"best\" `touch PWNED` $HOME & co; back\\slash Ölmühle  x.jpg")";

    LogCapture log;
    GsettingsBackend gnome(GsettingsBackend::Desktop::Gnome, {"eDP-1"});
    GsettingsBackend cinnamon(GsettingsBackend::Desktop::Cinnamon, {});
    GsettingsBackend mate(GsettingsBackend::Desktop::Mate, {});
    for (GsettingsBackend* backend : {&gnome, &cinnamon, &mate}) {
        const Result<> result = backend->setImage(picture, QString());
        EXPECT_TRUE(result.ok()) << result.reason().toStdString();
    }
    EXPECT_EQ(get("org.gnome.desktop.background", "picture-options"), "'zoom'");
    EXPECT_EQ(get("org.gnome.desktop.background", "picture-uri"), uri);
    EXPECT_EQ(get("org.gnome.desktop.background", "picture-uri-dark"), uri);
    EXPECT_EQ(get("org.cinnamon.desktop.background", "picture-uri"), uri);
    EXPECT_EQ(get("org.mate.background", "picture-options"), "'zoom'");
    EXPECT_EQ(get("org.mate.background", "picture-filename"), filename);
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join("\n").toStdString();
}
