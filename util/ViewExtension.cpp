#include "util/ViewExtension.h"

#include "graphics/LXShadowCatalog.h"

#include <QGraphicsDropShadowEffect>
#include <QMetaProperty>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <numbers>

void setShadowName(QWidget* view, const QString& name)
{
    if (!view)
        return;
    const LXShadowCatalog& catalog = LXShadowCatalog::sharedShadowCatalog();
    const std::optional<Shadow> shadow = catalog.shadowWithName(name);
    const QMetaObject* meta = view->metaObject();
    const int shadowIndex = meta->indexOfProperty("shadow");
    if (shadowIndex >= 0 && meta->property(shadowIndex).metaType() == QMetaType::fromType<Shadow>()) {
        view->setProperty("shadow", QVariant::fromValue(shadow.value_or(Shadow())));
    } else if (shadow && shadow->isVisible()) {
        auto* effect = new QGraphicsDropShadowEffect(view); // the view owns it
        effect->setColor(shadow->color);
        effect->setOffset(shadow->offset.width(), -shadow->offset.height()); // widgets run y down
        effect->setBlurRadius(shadow->blurRadius * 2); // Qt's radius spans the whole blur
        view->setGraphicsEffect(effect);
    } else {
        view->setGraphicsEffect(nullptr);
    }
    const QColor textColor = catalog.textColorForShadowWithName(name);
    if (!textColor.isValid())
        return;
    if (meta->indexOfProperty("textColor") >= 0) {
        view->setProperty("textColor", textColor);
        return;
    }
    QPalette palette = view->palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, textColor);
    view->setPalette(palette);
}

double globalLayerRotation(const Layer& layer)
{
    QTransform toRoot = layer.superlayer() ? layer.toSuperlayer() : QTransform(); // a root is its own space
    for (auto up = layer.superlayer(); up && up->superlayer(); up = up->superlayer())
        toRoot *= up->toSuperlayer();
    const QPointF a = toRoot.map(QPointF(0, 0)), b = toRoot.map(QPointF(100, 0));
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double cosine = std::clamp(dx / std::max(1.0, std::hypot(dx, dy)), -1.0, 1.0);
    const double degrees = std::acos(cosine) * 180 / std::numbers::pi;
    return dy < 0 ? -degrees : degrees;
}

double contentsScale(const QWidget& view)
{
    return view.devicePixelRatioF();
}

QWidget* viewAnimator(QWidget* view, bool)
{
    return view;
}
