#pragma once
// Additions to views shared by panels and controls: a named shadow, the
// rotation on screen, the contents scale and the animator. Thread: main thread.

#include "platform/ui/Layer.h"

class QWidget;
class QString;

// Gives the view the catalog's shadow of that name: its "shadow" property
// when it has one of type Shadow, else a drop-shadow effect (an unknown name
// removes the shadow). Its text colour becomes the catalog's for the name
// (a "textColor" property, else the palette's text roles); an unknown name
// keeps the colour. A null view: nothing.
void setShadowName(QWidget* view, const QString& name);

// The layer's rotation on screen in degrees (-180..180], from where its
// points (0, 0) and (100, 0) land in the root layer's space, y up.
double globalLayerRotation(const Layer& layer);

// Device pixels per point of the view's screen (1 without one).
double contentsScale(const QWidget& view);

// Qt has no animator proxy: changes are animated by QPropertyAnimation on
// the view itself, so both answers are the view.
QWidget* viewAnimator(QWidget* view, bool animated);
