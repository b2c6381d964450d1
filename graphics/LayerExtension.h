#pragma once
// Additions to layers: copying one without its sublayers, hit-testing by
// transparency, and a description for debugging. Main thread.

#include "platform/ui/Layer.h"

#include <QPointF>
#include <QString>

#include <memory>

// A new layer of the same class with the same content (its class decides
// what that is) and geometry and appearance; no sublayers, no mask.
std::shared_ptr<Layer> duplicate(const Layer& layer);

// The layer's alpha at `point` (its own coordinates): 0 transparent .. 1 opaque.
double transparencyAt(const Layer& layer, QPointF point);

// The description, then "\n Frame: (x, y, w, h)" and "\n Contents Rect: (...)".
QString fullDescription(const Layer& layer);
