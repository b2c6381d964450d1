#pragma once
// A widget drawn into a picture at a device pixel ratio, as the screen would
// show it; saved into $SUNNYSIDE_GRAB_DIR as <name>-<ratio>x.png when set, to look at.

#include <QImage>
#include <QWidget>

inline QImage grab(QWidget& widget, double ratio, const QString& name)
{
    QImage image(widget.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    widget.render(&image);
    if (const QString dir = qEnvironmentVariable("SUNNYSIDE_GRAB_DIR"); !dir.isEmpty())
        image.save(QStringLiteral("%1/%2-%3x.png").arg(dir, name).arg(ratio));
    return image;
}
