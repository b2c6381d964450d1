#include "platform/image/CIColor.h"
#include "ui/controls/LXImageView.h"
#include "tests/support/LogCapture.h"

#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Red above, blue below: shows whether a picture came out upright.
QImage redOverBlue(int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, side, side / 2, Qt::red);
    return image;
}

} // namespace

class ClickDelegate : public QObject {
    Q_OBJECT
public:
    int clicks = 0;
public slots:
    void viewWasClicked(QObject*) { ++clicks; }
};

class PressRecorder : public QWidget {
public:
    int presses = 0;
protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

TEST(ImageView, PlacesPicturesByGravityAspectAndUpscaling)
{
    struct Row { const char* name; QSizeF picture, bounds; int gravity; bool aspectFit, upscale; QRectF expected; };
    const Row rows[] = {
        {"2 | 8: top left", {100, 50}, {400, 300}, 10, false, false, {0, 250, 100, 50}},
        {"4: centred", {100, 50}, {400, 300}, 4, false, false, {150, 125, 100, 50}},
        {"16: right", {100, 50}, {400, 300}, 16, false, false, {300, 125, 100, 50}},
        {"256: fills", {100, 50}, {400, 300}, 256, false, false, {0, 0, 400, 300}},
        {"256 aspect: covers", {200, 100}, {100, 100}, 256, true, false, {-50, 0, 200, 100}},
        {"aspect: fits inside", {100, 50}, {400, 300}, 4, true, false, {0, 50, 400, 200}},
        {"upscale: both axes", {100, 50}, {400, 300}, 10, false, true, {0, 0, 400, 300}},
        {"upscale: only the short axis", {500, 50}, {400, 300}, 4, false, true, {-50, 0, 500, 300}},
        {"empty picture", {0, 50}, {400, 300}, 256, false, false, {}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(LXImageView::destinationRect(row.picture, row.bounds, row.gravity, row.aspectFit, row.upscale),
                  row.expected)
            << row.name;
}

TEST(ImageView, StretchesNinePartsAroundTheMiddle)
{
    const auto parts = LXImageView::nineParts({25, 25}, {10, 10, 5, 5}, {0, 0, 100, 40});
    ASSERT_EQ(parts.size(), 9);
    EXPECT_EQ(parts[0].destination, QRectF(0, 0, 10, 10));   // bottom-left corner
    EXPECT_EQ(parts[4].destination, QRectF(10, 10, 80, 20)); // middle
    EXPECT_EQ(parts[4].source, QRectF(10, 10, 5, 5));
    EXPECT_EQ(parts[8].destination, QRectF(90, 30, 10, 10)); // top-right corner
    EXPECT_EQ(parts[8].source, QRectF(15, 15, 10, 10));
    // The whole image as the middle: drawn once over the whole destination,
    // also where it falls between points.
    const auto whole = LXImageView::nineParts({25, 25}, {0, 0, 25, 25}, {0, 1.25, 100.5, 40.25});
    ASSERT_EQ(whole.size(), 1);
    EXPECT_EQ(whole[0].destination, QRectF(0, 1.25, 100.5, 40.25));
}

TEST(ImageView, ShowsBitmapsAndEnginePicturesUprightRenderingEachOnce)
{
    LXImageView view;
    view.resize(80, 80);
    view.show();
    view.setImage(Picture(redOverBlue(40)));
    QImage shot = view.grab().toImage();
    EXPECT_EQ(shot.pixelColor(40, 10), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(40, 70), QColor(Qt::blue));

    view.setCIImage(CIImage::imageWithQImage(redOverBlue(40)));
    EXPECT_TRUE(view.image().isNull());
    shot = view.grab().toImage();
    EXPECT_GT(shot.pixelColor(40, 10).red(), 240);
    EXPECT_GT(shot.pixelColor(40, 70).blue(), 240);
    view.grab();
    view.setOpacity(0.5); // a bitmap's setting: the engine picture is not rendered again
    view.grab();
    EXPECT_EQ(view.engineRenderCount(), 1);
    view.resize(60, 60);
    view.grab();
    EXPECT_EQ(view.engineRenderCount(), 2);
}

TEST(ImageView, PicturesWithoutAFiniteSizeCountAsNone)
{
    LXImageView view;
    view.resize(40, 40);
    view.setBorderColor(Qt::green);
    view.setBorderWidth(4);
    view.setCIImage(CIImage::imageWithColor(CIColor(1, 0, 0, 1)));
    LogCapture log;
    EXPECT_TRUE(view.intrinsicContentSize().isEmpty());
    view.sizeHint();
    EXPECT_EQ(log.lines().size(), 1); // once per picture
    EXPECT_TRUE(log.lines().value(0).startsWith("Warning: "));
    view.grab();
    EXPECT_EQ(view.engineRenderCount(), 0);
    view.setImage(Picture(QImage(0, 10, QImage::Format_ARGB32)));
    EXPECT_EQ(view.grab().toImage().pixelColor(1, 1).green(), view.palette().window().color().green());
    log.clear();
    QWidget empty;
    view.captureView(&empty);
    empty.resize(0, 0);
    view.captureView(&empty);
    EXPECT_EQ(log.lines().size(), 1);

    LXImageView sized;
    sized.setImage(Picture(QImage(600, 400, QImage::Format_ARGB32)));
    sized.setFixedWidth(300);
    EXPECT_EQ(sized.intrinsicContentSize(), QSizeF(300, 200));
}

TEST(ImageView, ClicksReachTheDelegateOncePerClickOrPassToTheParent)
{
    PressRecorder parent;
    parent.resize(100, 100);
    auto* view = new LXImageView(&parent);
    view->setGeometry(10, 10, 50, 50);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    ClickDelegate delegate;
    view->setViewDelegate(&delegate);
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(delegate.clicks, 1);
    QTest::mouseDClick(view, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(delegate.clicks, 1);
    EXPECT_EQ(parent.presses, 0);
    view->setViewDelegate(nullptr);
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(20, 20), 500);
    EXPECT_EQ(parent.presses, 1);
}

#include "ImageViewTest.moc"
