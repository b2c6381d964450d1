#include "platform/ui/WindowEvents.h"

#include "platform/foundation/NotificationCenter.h"

#include <QCloseEvent>
#include <QWidget>
#include <QWindow>

namespace {

class WindowWatcher : public QObject {
public:
    explicit WindowWatcher(QWidget* window) : QObject(window), m_window(window)
    {
        setObjectName(QStringLiteral("_sunnyside_window_watcher"));
        window->installEventFilter(this);
    }

    std::function<bool(QWidget*)> shouldClose;
    bool forcing = false;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (object != m_window)
            return false;
        if (event->type() == QEvent::Close) {
            const bool force = std::exchange(forcing, false);
            if (!force && shouldClose && !shouldClose(m_window)) {
                event->ignore();
                return true;
            }
            NotificationCenter::defaultCenter().post(kWindowWillCloseNotification, m_window);
        } else if (event->type() == QEvent::Show && !m_screenHooked && m_window->windowHandle()) {
            m_screenHooked = true;
            connect(m_window->windowHandle(), &QWindow::screenChanged, this, [this] {
                NotificationCenter::defaultCenter().post(kWindowDidChangeScreenNotification, m_window);
            });
        }
        return false;
    }

private:
    QWidget* m_window;
    bool m_screenHooked = false;
};

WindowWatcher* watcherOf(QWidget* window)
{
    if (!window)
        return nullptr;
    window = window->window();
    for (QObject* child : window->children())
        if (auto* watcher = dynamic_cast<WindowWatcher*>(child))
            return watcher;
    return new WindowWatcher(window);
}

} // namespace

void watchWindow(QWidget* window)
{
    watcherOf(window);
}

void setWindowShouldClose(QWidget* window, std::function<bool(QWidget*)> shouldClose)
{
    if (WindowWatcher* watcher = watcherOf(window))
        watcher->shouldClose = std::move(shouldClose);
}

void forceCloseWindow(QWidget* window)
{
    if (WindowWatcher* watcher = watcherOf(window)) {
        watcher->forcing = true;
        window->window()->close();
        watcher->forcing = false;
    }
}
