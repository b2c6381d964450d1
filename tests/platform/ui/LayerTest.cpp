#include "platform/ui/Layer.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

// Renders `root` into a w x h canvas the way a hosting view does: y flipped
// so that layer space has its origin bottom left.
QImage host(const Layer& root, int w, int h)
{
    QImage canvas(w, h, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.translate(0, h);
    painter.scale(1, -1);
    root.render(painter);
    return canvas;
}

// The pixel at layer-space (x, y) of a hosted canvas of height h.
QColor at(const QImage& canvas, int x, int y)
{
    return canvas.pixelColor(x, canvas.height() - 1 - y);
}

std::shared_ptr<Layer> box(QRectF bounds, QPointF position, QColor color)
{
    auto layer = Layer::create();
    layer->bounds = bounds;
    layer->position = position;
    layer->backgroundColor = color;
    return layer;
}

} // namespace

TEST(Layer, PositionPlacesTheAnchorPoint)
{
    auto layer = box(QRectF(0, 0, 10, 4), QPointF(20, 10), Qt::red);
    EXPECT_EQ(layer->frame(), QRectF(15, 8, 10, 4));
    layer->anchorPoint = QPointF(0, 0);
    EXPECT_EQ(layer->frame(), QRectF(20, 10, 10, 4));
    const QImage canvas = host(*layer, 40, 20);
    EXPECT_EQ(at(canvas, 21, 11), QColor(Qt::red));
    EXPECT_EQ(at(canvas, 19, 11).alpha(), 0);
    EXPECT_EQ(at(canvas, 21, 13).red(), 255);
    EXPECT_EQ(at(canvas, 21, 14).alpha(), 0);
}

TEST(Layer, SublayersDrawByZPositionAndPicturesStandUpright)
{
    auto root = box(QRectF(0, 0, 20, 20), QPointF(10, 10), Qt::transparent);
    auto low = box(QRectF(0, 0, 20, 20), QPointF(10, 10), Qt::red);
    auto high = box(QRectF(0, 0, 20, 20), QPointF(10, 10), Qt::green);
    high->zPosition = 1;
    root->addSublayer(high);
    root->addSublayer(low);
    EXPECT_EQ(at(host(*root, 20, 20), 10, 10), QColor(Qt::green));

    // A picture whose top row is blue: in y-up layer space the top is the larger y.
    QImage picture(4, 4, QImage::Format_ARGB32);
    picture.fill(Qt::white);
    for (int x = 0; x < 4; ++x)
        picture.setPixelColor(x, 0, Qt::blue);
    auto shown = Layer::create();
    shown->bounds = QRectF(0, 0, 4, 4);
    shown->anchorPoint = QPointF(0, 0);
    shown->contents = Picture(picture);
    const QImage canvas = host(*shown, 4, 4);
    EXPECT_EQ(at(canvas, 1, 3), QColor(Qt::blue));
    EXPECT_EQ(at(canvas, 1, 0), QColor(Qt::white));

    high->removeFromSuperlayer();
    EXPECT_EQ(root->sublayers().size(), 1u);
    EXPECT_FALSE(high->superlayer());
}

TEST(Layer, AspectGravityFitsThePicture)
{
    auto layer = Layer::create();
    layer->bounds = QRectF(0, 0, 20, 10);
    layer->anchorPoint = QPointF(0, 0);
    QImage square(4, 4, QImage::Format_ARGB32);
    square.fill(Qt::red);
    layer->contents = Picture(square);
    layer->contentsGravity = "resizeAspect";
    QImage canvas = host(*layer, 20, 10);
    EXPECT_EQ(at(canvas, 10, 5), QColor(Qt::red));
    EXPECT_EQ(at(canvas, 2, 5).alpha(), 0); // bars left and right
    layer->contentsGravity = "left";
    canvas = host(*layer, 20, 10);
    EXPECT_EQ(at(canvas, 1, 5), QColor(Qt::red));
    EXPECT_EQ(at(canvas, 10, 5).alpha(), 0);
}

TEST(Layer, AMaskKeepsOnlyWhatItCovers)
{
    auto layer = box(QRectF(0, 0, 20, 20), QPointF(10, 10), Qt::red);
    layer->mask = box(QRectF(0, 0, 10, 20), QPointF(5, 10), Qt::black); // left half
    const QImage canvas = host(*layer, 20, 20);
    EXPECT_EQ(at(canvas, 3, 10), QColor(Qt::red));
    EXPECT_EQ(at(canvas, 15, 10).alpha(), 0);
}

TEST(Layer, ShadowFallsByItsOffset)
{
    auto layer = box(QRectF(0, 0, 10, 10), QPointF(15, 15), Qt::white);
    layer->shadowOpacity = 1;
    layer->shadowRadius = 0;
    layer->shadowOffset = QSizeF(5, -5); // right and down
    const QImage canvas = host(*layer, 30, 30);
    EXPECT_EQ(at(canvas, 17, 7), QColor(Qt::black));     // only the shadow is here
    EXPECT_EQ(at(canvas, 15, 15), QColor(Qt::white));    // the layer covers its shadow
    EXPECT_EQ(at(canvas, 8, 22).alpha(), 0);             // nothing up and left
}
