#include "platform/foundation/MainQueue.h"

#include "platform/foundation/Log.h"

#include <QCoreApplication>
#include <QThread>

namespace MainQueue {

void async(std::function<void()> block)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        Log::line(lcFoundation, QStringLiteral("Warning: no event loop; a queued block was dropped"));
        return;
    }
    QMetaObject::invokeMethod(app, std::move(block), Qt::QueuedConnection);
}

bool isMainThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace MainQueue
