#include "platform/ui/ScreenRoom.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

QSize clientRoom(const QScreen* screen)
{
    if (!screen)
        return {};
    const QSize free = screen->availableGeometry().size();
    return {free.width() - kFrameRoom, free.height() - kTitleBarRoom};
}

void fitDialogToScreen(QWidget& dialog)
{
    const QWidget* parent = dialog.parentWidget();
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QSize room = clientRoom(screen);
    if (room.isEmpty())
        return;
    dialog.ensurePolished();
    const QSize wanted = dialog.testAttribute(Qt::WA_Resized) ? dialog.size() : dialog.sizeHint();
    const QSize fitted = wanted.boundedTo(room).expandedTo(dialog.minimumSizeHint());
    if (fitted != wanted)
        dialog.resize(fitted);
}
