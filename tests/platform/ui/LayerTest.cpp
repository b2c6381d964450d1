#include "platform/ui/Layer.h"
#include "tests/support/Images.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <functional>

namespace {

std::shared_ptr<Layer> box(QRectF bounds, QPointF position, QColor color)
{
    auto layer = Layer::create();
    layer->bounds = bounds;
    layer->position = position;
    layer->backgroundColor = color;
    return layer;
}

// A layer showing `picture` in a w x h box at the origin.
std::shared_ptr<Layer> showing(const QImage& picture, double w, double h, const char* gravity)
{
    auto layer = box(QRectF(0, 0, w, h), QPointF(0, 0), Qt::transparent);
    layer->anchorPoint = QPointF(0, 0);
    layer->contents = Picture(picture);
    layer->contentsGravity = gravity;
    return layer;
}

// x, y: layer space, y up; colour: transparent where nothing is drawn.
struct Probe { int x, y; QColor colour; };

struct Row { const char* name; std::function<std::shared_ptr<Layer>()> make; QSize canvas; std::vector<Probe> probes; };

} // namespace

// Each layer is hosted the way a view does: y flipped, origin bottom left.
TEST(Layer, RendersWhereAndWhatItsPropertiesSay)
{
    const QImage square = filled(4, 4, Qt::red, QImage::Format_ARGB32);
    QImage blueTop = filled(4, 4, Qt::white, QImage::Format_ARGB32);
    QPainter(&blueTop).fillRect(0, 0, 4, 1, Qt::blue);
    const QColor none(Qt::transparent);
    const Row rows[] = {
        {"the position places the anchor point",
         [] {
             auto layer = box(QRectF(0, 0, 10, 4), QPointF(20, 10), Qt::red);
             layer->anchorPoint = QPointF(0, 0);
             return layer;
         },
         {40, 20}, {{21, 11, Qt::red}, {19, 11, none}, {21, 13, Qt::red}, {21, 14, none}}},
        {"sublayers draw by z position",
         [] {
             auto root = box(QRectF(0, 0, 20, 20), QPointF(10, 10), Qt::transparent);
             auto high = box(QRectF(0, 0, 20, 20), QPointF(10, 10), Qt::green);
             high->zPosition = 1;
             root->addSublayer(high);
             root->addSublayer(box(QRectF(0, 0, 20, 20), QPointF(10, 10), Qt::red));
             return root;
         },
         {20, 20}, {{10, 10, Qt::green}}},
        {"a picture's top row is the larger y", [&] { return showing(blueTop, 4, 4, "resize"); }, {4, 4},
         {{1, 3, Qt::blue}, {1, 0, Qt::white}}},
        {"aspect gravity leaves bars", [&] { return showing(square, 20, 10, "resizeAspect"); }, {20, 10},
         {{10, 5, Qt::red}, {2, 5, none}}},
        {"left gravity", [&] { return showing(square, 20, 10, "left"); }, {20, 10}, {{1, 5, Qt::red}, {10, 5, none}}},
        {"a mask keeps what it covers",
         [] {
             auto layer = box(QRectF(0, 0, 20, 20), QPointF(10, 10), Qt::red);
             layer->mask = box(QRectF(0, 0, 10, 20), QPointF(5, 10), Qt::black); // left half
             return layer;
         },
         {20, 20}, {{3, 10, Qt::red}, {15, 10, none}}},
        {"the shadow falls by its offset, under the layer",
         [] {
             auto layer = box(QRectF(0, 0, 10, 10), QPointF(15, 15), Qt::white);
             layer->shadowOpacity = 1;
             layer->shadowRadius = 0;
             layer->shadowOffset = QSizeF(5, -5); // right and down
             return layer;
         },
         {30, 30}, {{17, 7, Qt::black}, {15, 15, Qt::white}, {8, 22, none}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QImage canvas = filled(row.canvas.width(), row.canvas.height(), Qt::transparent, QImage::Format_ARGB32_Premultiplied);
        {
            QPainter painter(&canvas);
            painter.translate(0, canvas.height());
            painter.scale(1, -1);
            row.make()->render(painter);
        }
        for (const Probe& p : row.probes) {
            const QColor seen = canvas.pixelColor(p.x, canvas.height() - 1 - p.y);
            EXPECT_EQ(seen.alpha() ? seen : none, p.colour) << p.x << "," << p.y;
        }
    }

    auto root = Layer::create(), child = Layer::create();
    root->addSublayer(child);
    child->removeFromSuperlayer();
    EXPECT_TRUE(root->sublayers().empty() && !child->superlayer());
}
