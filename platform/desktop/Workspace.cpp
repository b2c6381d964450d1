#include "platform/desktop/Workspace.h"

#include <QDesktopServices>

namespace Workspace {

bool openURL(const QUrl& url)
{
    return url.isValid() && QDesktopServices::openUrl(url);
}

} // namespace Workspace
