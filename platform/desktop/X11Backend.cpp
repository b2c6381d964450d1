#include "platform/desktop/CommandBackends.h"
#include "platform/desktop/Command.h"

#include <QStandardPaths>

#include <xcb/xcb.h>

namespace {

// xwallpaper (0.7) shears its picture on a root window whose rows are not a
// multiple of 8 pixels once the picture is larger than one X request: it
// sends it in bands of rows with the wrong stride. True on such a root only.
bool xwallpaperShearsHere()
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    bool shears = false;
    if (!xcb_connection_has_error(connection)) {
        const xcb_screen_t* root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        const quint64 bytes = root ? quint64(root->width_in_pixels) * root->height_in_pixels * 4 : 0;
        shears = root && root->width_in_pixels % 8 != 0 && bytes > quint64(xcb_get_maximum_request_length(connection)) * 4;
    }
    xcb_disconnect(connection);
    return shears;
}

} // namespace

QString X11Backend::name() const
{
    return m_tool == Tool::Xwallpaper ? QStringLiteral("xwallpaper") : QStringLiteral("feh");
}

Result<> X11Backend::apply(const QString& filePath, const QString& screenName)
{
    const bool useFeh = m_tool == Tool::Feh
                     || (xwallpaperShearsHere() && !QStandardPaths::findExecutable(QStringLiteral("feh")).isEmpty());
    QString program = QStringLiteral("xwallpaper");
    QStringList arguments;
    if (!useFeh) {
        if (!screenName.isEmpty())
            arguments << QStringLiteral("--output") << screenName;
        arguments << QStringLiteral("--zoom") << filePath;
    } else {
        // feh cannot pick one output: --bg-fill fills every screen.
        program = QStringLiteral("feh");
        arguments << QStringLiteral("--bg-fill") << filePath;
    }
    const Result<QString> result = Command::run(program, arguments);
    if (!result.ok())
        return Result<>::failure(result.reason());
    return Result<>::success();
}
