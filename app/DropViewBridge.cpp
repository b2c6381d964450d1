#include "app/DropViewBridge.h"

#include "platform/foundation/Log.h"

#include <QUrl>

namespace {

template <class View>
bool take(View* view, const QMimeData* data)
{
    if constexpr (requires { view->takeMimeData(data); }) {
        return view->takeMimeData(data);
    } else {
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                return view->applyImageAt(url);
        Log::line(lcApp, QStringLiteral("Warning: the clipboard holds no photo file to use"));
        return false;
    }
}

template <class View>
void connectSaved(View* view, QObject* context, std::function<void(const QString&)> saved)
{
    if constexpr (requires { &View::wallpaperSaved; })
        QObject::connect(view, &View::wallpaperSaved, context, std::move(saved));
}

} // namespace

namespace DropViewBridge {

bool takeMimeData(SWDropView* view, const QMimeData* data)
{
    return view && data && take(view, data);
}

void onWallpaperSaved(SWDropView* view, QObject* context, std::function<void(const QString&)> saved)
{
    if (view)
        connectSaved(view, context, std::move(saved));
}

} // namespace DropViewBridge
