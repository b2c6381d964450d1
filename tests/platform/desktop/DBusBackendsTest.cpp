#include "DesktopTestKit.h"
#include "tests/support/LogCapture.h"

#include "platform/desktop/DBusBackends.h"

#include <QUrl>

#include <gtest/gtest.h>

namespace {

class DBusBackends : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus.isRunning() && service.isConnected() && client.isConnected()) << "dbus-daemon did not start";
    }

    TestBus bus;
    QDBusConnection service = bus.connect();
    QDBusConnection client = bus.connect();
    QTemporaryDir pictures;
    const QString picture = makePictureFile(pictures, QStringLiteral("Beach.jpg"));
    LogCapture log;
};

} // namespace

TEST_F(DBusBackends, PlasmaGetsAScriptForTheScreenOfTheConnectorName)
{
    FakePlasmaShell shell;
    ASSERT_TRUE(shell.serve(service));
    PlasmaBackend plasma(client, {"eDP-1", "HDMI-A-1", "DP-2"});
    const Result<> result = plasma.setImage(picture, "HDMI-A-1");
    EXPECT_TRUE(result.ok()) << result.reason().toStdString();
    ASSERT_EQ(shell.scripts.size(), 1);
    const QString script = shell.scripts.first();
    const QString url = QUrl::fromLocalFile(picture).toString(QUrl::FullyEncoded);
    EXPECT_TRUE(script.contains("var image = \"" + url + "\";")) << script.toStdString();
    EXPECT_TRUE(script.contains("var screen = 1;")) << script.toStdString();
    EXPECT_TRUE(script.contains("d.screen != screen"));
    EXPECT_TRUE(script.contains("writeConfig(\"Image\", image)"));
    EXPECT_TRUE(log.lines().isEmpty());

    // No name: every desktop.
    EXPECT_TRUE(plasma.setImage(picture, QString()).ok());
    ASSERT_EQ(shell.scripts.size(), 2);
    EXPECT_TRUE(shell.scripts[1].contains("var screen = -1;"));
}

TEST_F(DBusBackends, PlasmaFailuresReachTheErrorText)
{
    FakePlasmaShell shell;
    shell.error = "Error: Plasma has no desktop on screen 0";
    ASSERT_TRUE(shell.serve(service));
    PlasmaBackend plasma(client, {"eDP-1"});

    Result<> result = plasma.setImage(picture, "eDP-1");
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.reason(), "Plasma did not take the picture: Error: Plasma has no desktop on screen 0 "
                                "(org.freedesktop.DBus.Error.Failed)");
    EXPECT_EQ(log.lines(), QStringList{"Error: could not set the desktop picture through KDE Plasma: " + result.reason()});

    // A screen Qt does not know is refused before asking Plasma.
    result = plasma.setImage(picture, "VGA-7");
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.reason(), "there is no screen named VGA-7");
    EXPECT_EQ(shell.scripts.size(), 1);
}

TEST_F(DBusBackends, ThePortalGetsTheOpenFileForTheBackgroundWithoutPreview)
{
    FakePortal portal(service);
    ASSERT_TRUE(portal.serving);
    PortalBackend backend(client, 5000);
    const Result<> result = backend.setImage(picture, "DP-1");
    EXPECT_TRUE(result.ok()) << result.reason().toStdString();
    EXPECT_EQ(portal.calls, 1);
    EXPECT_EQ(portal.filePath, picture);
    EXPECT_EQ(portal.parentWindow, "");
    EXPECT_EQ(portal.options.value("set-on").toString(), "background");
    EXPECT_EQ(portal.options.value("show-preview").metaType(), QMetaType::fromType<bool>());
    EXPECT_FALSE(portal.options.value("show-preview").toBool());
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(DBusBackends, ThePortalsOtherAnswersAreFailures)
{
    FakePortal portal(service);
    ASSERT_TRUE(portal.serving);
    PortalBackend backend(client, 300);

    // Each row: the portal's response, whether it answers at all, and the error expected.
    for (const auto& [response, answers, error] : {std::tuple{1, true, "the change was cancelled in the desktop portal"},
                                                   {2, true, "the desktop portal could not set the picture"},
                                                   {2, false, "the desktop portal did not answer within 0.3 seconds"}}) {
        portal.response = response;
        portal.answers = answers;
        const Result<> result = backend.setImage(picture, QString());
        EXPECT_FALSE(result.ok());
        EXPECT_EQ(result.reason(), error);
    }
    EXPECT_EQ(log.lines().size(), 3);
}

TEST_F(DBusBackends, NoPortalOrNoFileIsAFailure)
{
    PortalBackend backend(client, 300);
    Result<> result = backend.setImage(picture, QString());
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.reason().startsWith("the desktop portal refused the picture: ")) << result.reason().toStdString();
    EXPECT_TRUE(result.reason().contains("ServiceUnknown"));

    result = backend.setImage(pictures.filePath("gone.jpg"), QString());
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.reason().startsWith(pictures.filePath("gone.jpg") + " could not be opened"));

    PortalBackend unconnected(QDBusConnection(QString()), 300);
    result = unconnected.setImage(picture, QString());
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.reason(), "there is no D-Bus session bus for the desktop portal");
}

