// --apply's start-up when Qt cannot reach the display: the real executable.

#include "tests/app/Session.h"

#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct Row {
    const char* row;
    const char* platform;  // QT_QPA_PLATFORM; nullptr: unset
    bool emptyPluginPath;  // QT_QPA_PLATFORM_PLUGIN_PATH names an empty folder
};

class ApplyAbortsWithoutAPlatformPlugin : public ::testing::TestWithParam<Row> {};

} // namespace

TEST_P(ApplyAbortsWithoutAPlatformPlugin, TheWallpaperGetsTheDefaultSizeAndOneWarning)
{
    DesktopSession session;
    session.sway();
    QTemporaryDir dir, plugins;
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(QColor(20, 120, 60));
    ASSERT_TRUE(image.save(dir.filePath("Beach.png")));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("WAYLAND_DISPLAY", "no-compositor-here"); // a socket that does not exist
    environment.remove("QT_QPA_PLATFORM");
    environment.insert("ASAN_OPTIONS", "detect_leaks=0:abort_on_error=0"); // as the command-line tests' children
    if (GetParam().platform)
        environment.insert("QT_QPA_PLATFORM", GetParam().platform);
    if (GetParam().emptyPluginPath)
        environment.insert("QT_QPA_PLATFORM_PLUGIN_PATH", plugins.path());
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationDirPath() + "/sunnyside", {"--apply", dir.filePath("Beach.png")});
    ASSERT_TRUE(process.waitForFinished(120000));
    const QString err = QString::fromUtf8(process.readAllStandardError());

    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << err.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << err.toStdString();
    EXPECT_EQ(QImageReader(session.wallpapers() + "/Beach.jpg").size(), QSize(2560, 1600));
    QStringList warnings;
    for (const QString& line : err.split('\n'))
        if (line.startsWith("Warning: ") || line.startsWith("Error: "))
            warnings << line;
    const QString platform = GetParam().platform ? GetParam().platform : "wayland";
    EXPECT_EQ(warnings, QStringList{"Warning: cannot reach the display through Qt's " + platform
                                    + " platform; making the wallpaper for a 2560 x 1600 screen"})
        << err.toStdString();
    EXPECT_TRUE(session.swayLog().contains("*")); // set on every output, there being no screen to name
}

INSTANTIATE_TEST_SUITE_P(Platforms, ApplyAbortsWithoutAPlatformPlugin,
                         ::testing::Values(Row{"CompositorNotRunning", "wayland", false},
                                           Row{"SessionsPlatformInAnEmptyPluginFolder", nullptr, true}),
                         [](const auto& info) { return std::string(info.param.row); });
