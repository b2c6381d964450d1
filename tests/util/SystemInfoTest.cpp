#include "util/LXSystemInfo.h"
#include "platform/foundation/MachineFacts.h"
#include "tests/support/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

TEST(SystemInfo, TheAddressEscapesEveryDelimiterAndTheReportKeepsPrivateThingsOut)
{
    EXPECT_EQ(LXSystemInfo::feedbackAddress("a b@example.org", "S &=#%+?é", "L1\nL2"),
              "mailto:a%20b@example.org?SUBJECT=S%20%26%3D%23%25%2B%3F%C3%A9&BODY=L1%0AL2");

    const QStringList lines = LXSystemInfo::systemReport().split('\n');
    const QStringList starts = {LXSystemInfo::appName() + " 0.1.0", "OS Version: ", "Device: ", "Processors: ",
                                "Total RAM: ", "Qt: 6.", "Desktop: ", "OpenGL: ", "", ""};
    ASSERT_EQ(lines.size(), starts.size()) << LXSystemInfo::systemReport().toStdString();
    for (int i = 0; i < starts.size(); ++i)
        EXPECT_TRUE(lines[i].startsWith(starts[i])) << lines[i].toStdString();
    const passwd* user = getpwuid(getuid());
    const QString report = LXSystemInfo::systemReport();
    for (const QString& word : {QSysInfo::machineHostName(), QString(user->pw_name)}) // "vm" is in "llvmpipe"
        EXPECT_FALSE(report.contains(QRegularExpression("\\b" + QRegularExpression::escape(word) + "\\b")))
            << word.toStdString();
    EXPECT_FALSE(report.contains(QString(user->pw_dir) + "/")) << user->pw_dir;
}

TEST(SystemInfo, TheDeviceIsReadAsPrintableText)
{
    struct Row { const char* name; QList<std::pair<QString, QByteArray>> files; QString device; } rows[] = {
        {"vendor and product", {{"sys/class/dmi/id/sys_vendor", "ACME\n"}, {"sys/class/dmi/id/product_name", "Box\x1b[2J 9\n"}},
         "ACME Box[2J 9"},
        {"device tree", {{"proc/device-tree/model", QByteArray("Board\0", 6)}}, "Board"},
        {"nothing", {}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir root;
        for (const auto& [path, bytes] : row.files) {
            QDir(root.path()).mkpath(QFileInfo(path).path());
            writeFile(root.filePath(path), bytes);
        }
        EXPECT_EQ(MachineFacts::deviceModel(root.path()), row.device);
    }
}
