#pragma once
// What the tests of the controls share: a widget grabbed as the screen would show it,
// pointer events sent straight to a widget, a sibling that counts the presses it gets,
// and the keys on a window's cursor stack.

#include "util/LXCursorStack.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

// Drawn at `ratio` over `background`; saved into $SUNNYSIDE_GRAB_DIR as <name>-<ratio>x.png when set, to look at.
inline QImage grab(QWidget& widget, double ratio, const QString& name, QColor background = Qt::white,
                   QWidget::RenderFlags flags = QWidget::DrawWindowBackground | QWidget::DrawChildren)
{
    QImage image(widget.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(background);
    widget.render(&image, {}, {}, flags);
    if (const QString dir = qEnvironmentVariable("SUNNYSIDE_GRAB_DIR"); !dir.isEmpty())
        image.save(QStringLiteral("%1/%2-%3x.png").arg(dir, name).arg(ratio));
    return image;
}

// A move carries no button of its own; a press or release is the left button's.
inline void send(QWidget* widget, QEvent::Type type, QPointF point, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, point, widget->mapToGlobal(point), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Painted blue and counting presses: what lies under a control gets what the control lets through.
class Below : public QWidget {
public:
    using QWidget::QWidget;
    int presses = 0;
protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(40, 120, 200)); }
};

inline QList<QVariant> cursorKeys(QWidget* window)
{
    const LXCursorStack* stack = LXCursorStack::cursorStackForWindow(window);
    return stack ? stack->keys() : QList<QVariant>();
}
