#include "graphics/LayerExtension.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

// A layer class of the toolkit's kind, to check that duplicates keep their class.
class MarkedLayer : public Layer {
public:
    static std::shared_ptr<MarkedLayer> make() { return std::shared_ptr<MarkedLayer>(new MarkedLayer); }
    QString className() const override { return QStringLiteral("MarkedLayer"); }
    std::shared_ptr<Layer> newLayer() const override { return make(); }
    void copyContentFrom(const Layer& other) override
    {
        Layer::copyContentFrom(other);
        mark = static_cast<const MarkedLayer&>(other).mark;
    }
    int mark = 0;
};

} // namespace

TEST(LayerExtension, DuplicateCopiesTheListedPropertiesAndClassButNoSublayers)
{
    auto layer = MarkedLayer::make();
    layer->mark = 7;
    layer->bounds = QRectF(0, 0, 40, 20);
    layer->position = QPointF(100, 50);
    layer->anchorPoint = QPointF(0, 1);
    layer->zPosition = 3;
    layer->opacity = 0.5f;
    layer->cornerRadius = 4;
    layer->borderWidth = 2;
    layer->transform = QTransform().rotate(30);
    layer->contentsRect = QRectF(0, 0, 0.5, 0.5);
    layer->contents = Picture(QImage(4, 4, QImage::Format_ARGB32));
    layer->backgroundColor = Qt::red; // not among the copied properties
    layer->addSublayer(Layer::create());

    const std::shared_ptr<Layer> copy = duplicate(*layer);
    ASSERT_TRUE(std::dynamic_pointer_cast<MarkedLayer>(copy));
    EXPECT_EQ(std::static_pointer_cast<MarkedLayer>(copy)->mark, 7);
    EXPECT_TRUE(std::tuple(copy->bounds, copy->position, copy->anchorPoint, copy->zPosition, copy->opacity,
                           copy->transform, copy->contentsRect)
                == std::tuple(QRectF(0, 0, 40, 20), QPointF(100, 50), QPointF(0, 1), 3.0, 0.5f, layer->transform,
                              QRectF(0, 0, 0.5, 0.5)));
    EXPECT_EQ(copy->contents.pixelSize(), QSize(4, 4));
    EXPECT_EQ(copy->backgroundColor, QColor(Qt::transparent));
    EXPECT_TRUE(copy->sublayers().empty());
}

TEST(LayerExtension, TransparencyAtReadsTheRenderedAlpha)
{
    auto layer = Layer::create();
    layer->bounds = QRectF(0, 0, 10, 10);
    QImage half(10, 10, QImage::Format_ARGB32);
    half.fill(Qt::transparent);
    QPainter(&half).fillRect(5, 0, 5, 10, Qt::red);
    layer->contents = Picture(half);

    EXPECT_EQ(transparencyAt(*layer, QPointF(7, 3)), 1.0);
    EXPECT_EQ(transparencyAt(*layer, QPointF(2, 3)), 0.0);
    EXPECT_EQ(transparencyAt(*layer, QPointF(20, 3)), 0.0); // outside

    layer->opacity = 0.5f;
    EXPECT_NEAR(transparencyAt(*layer, QPointF(7, 3)), 0.5, 0.01);
}
