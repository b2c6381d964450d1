#pragma once
// A layer: a rectangle of content in a tree of layers, drawn with QPainter.
// It stands in for the platform's compositing layers in the toolkit's views
// (a view may host a root layer and paint it).
//
// Geometry is in points with y upwards, like the views that host layers: a
// layer's `bounds` is its own coordinate space; `position` is where its
// `anchorPoint` (unit coordinates of the bounds, default the centre) sits in
// the superlayer; `transform` turns the layer about that point; `zPosition`
// orders siblings. The host flips y once when it paints the root layer.
//
// Ownership: a layer owns its sublayers and its mask (shared_ptr); the
// superlayer link is weak. Thread: main thread.

#include "platform/ui/Picture.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QTransform>

#include <memory>
#include <vector>

class QPainter;

class Layer : public std::enable_shared_from_this<Layer> {
public:
    static std::shared_ptr<Layer> create() { return std::shared_ptr<Layer>(new Layer); }
    virtual ~Layer() = default;
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    // Geometry.
    QRectF bounds;
    QPointF position;
    QPointF anchorPoint{0.5, 0.5};
    double anchorPointZ = 0;
    double zPosition = 0;
    QTransform transform;
    QTransform sublayerTransform; // applied to sublayers about the bounds' centre

    // Appearance.
    float opacity = 1;
    QColor backgroundColor = Qt::transparent;
    Picture contents;
    // "resize" (default), "resizeAspect", "resizeAspectFill", "center", "top",
    // "bottom", "left", "right", "topLeft", "topRight", "bottomLeft", "bottomRight".
    QString contentsGravity = QStringLiteral("resize");
    QRectF contentsRect{0, 0, 1, 1}; // the part of `contents` shown, unit coordinates, y up
    QColor shadowColor = Qt::black;
    QSizeF shadowOffset{0, -3};
    double shadowRadius = 3;
    float shadowOpacity = 0; // no shadow unless raised
    QColor borderColor = Qt::black;
    double borderWidth = 0;
    double cornerRadius = 0;
    bool masksToBounds = false;
    std::shared_ptr<Layer> mask; // its alpha masks this layer; drawn in this layer's space

    // The tree.
    const std::vector<std::shared_ptr<Layer>>& sublayers() const { return m_sublayers; }
    std::shared_ptr<Layer> superlayer() const { return m_superlayer.lock(); }
    void addSublayer(const std::shared_ptr<Layer>& layer);
    void removeFromSuperlayer();

    // The bounds as placed in the superlayer (anchor, position, transform).
    QRectF frame() const;
    // From this layer's space into its superlayer's.
    QTransform toSuperlayer() const;

    // Draws the layer and its sublayers; the painter is in the superlayer's space.
    void render(QPainter& painter) const;
    // Draws the layer and its sublayers in the layer's own space (bounds).
    void renderInContext(QPainter& painter) const;

    // "<ClassName: 0xADDRESS>"; subclasses name themselves.
    virtual QString className() const { return QStringLiteral("Layer"); }
    QString description() const;

    // A new, empty layer of the same class, and what that class copies of
    // its content when duplicated (the contents picture here).
    virtual std::shared_ptr<Layer> newLayer() const { return create(); }
    virtual void copyContentFrom(const Layer& other) { contents = other.contents; }

protected:
    Layer() = default;
    // Subclasses draw their content into `rect` (the bounds), y up.
    virtual void drawContent(QPainter& painter, const QRectF& rect) const;

private:
    void drawSelf(QPainter& painter) const;
    void drawShadow(QPainter& painter) const;

    std::vector<std::shared_ptr<Layer>> m_sublayers;
    std::weak_ptr<Layer> m_superlayer;
};
