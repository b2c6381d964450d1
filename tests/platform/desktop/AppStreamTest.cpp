#include "DesktopTestKit.h"

#include "platform/desktop/AppStream.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

TEST(AppStream, AReviewPageOnlyWhereOurMetainfoAndAHandlerAre)
{
    const QByteArray cached = "[MIME Cache]\nx-scheme-handler/appstream=centre.desktop;\n";
    struct Row { const char* name; std::vector<std::pair<const char*, QByteArray>> files; bool review; };
    const Row rows[] = {
        {"metainfo and a cached handler", {{"system/metainfo/io.x.Sunny.metainfo.xml", "<component/>"},
                                           {"system/applications/mimeinfo.cache", cached}}, true},
        {"older appdata and a handler in the user's own entry", {{"home/appdata/io.x.Sunny.appdata.xml", "<component/>"},
             {"home/applications/c.desktop", "[Desktop Entry]\nMimeType=text/plain;x-scheme-handler/appstream;\n"}}, true},
        {"no metainfo", {{"system/applications/mimeinfo.cache", cached}}, false},
        {"an empty or removed association", {{"system/metainfo/io.x.Sunny.metainfo.xml", "<component/>"},
             {"config/mimeapps.list", "[Default Applications]\nx-scheme-handler/appstream=\n"
                                      "[Removed Associations]\nx-scheme-handler/appstream=c.desktop\n"}}, false},
    };
    for (const Row& row : rows) {
        QTemporaryDir dir;
        ScopedVariable home("XDG_DATA_HOME", dir.filePath("home")), data("XDG_DATA_DIRS", dir.filePath("system")),
            config("XDG_CONFIG_HOME", dir.filePath("config")), configDirs("XDG_CONFIG_DIRS", dir.filePath("etc"));
        for (const auto& [path, text] : row.files)
            writeFile(dir.filePath(path), text);
        EXPECT_EQ(AppStream::reviewAddress("io.x.Sunny"), row.review ? QUrl("appstream://io.x.Sunny") : QUrl()) << row.name;
    }
}
