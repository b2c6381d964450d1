#include "filters/LXAffineTransformFilter.h"
#include "platform/image/CIGeometry.h"
#include "tests/support/Pixels.h"
#include "tests/support/LogCapture.h"

#include <QPolygonF>

#include <gtest/gtest.h>

#include <functional>

TEST(AffineTransform, ExtentsOfTurnsCropsAndMoves)
{
    struct Row { const char* name; std::function<void(LXAffineTransformFilter&)> set; QRectF extent; };
    const std::vector<Row> rows = {
        {"quarterTurnKeptInPlace", [](auto& f) { f.inputAngle = 90.0; f.inputKeepExtent = true; },
         QRectF(50, -50, 100, 200)},
        {"storedTransformWinsOverItsParts",
         [](auto& f) { f.setInputTransform(boxed(QTransform::fromTranslate(5, 7))); f.inputAngle = 45.0;
                       f.setInputScale(boxed(CIVector(3, 3))); f.inputTranslation = boxed(CIVector(100, 100)); f.inputKeepExtent = true; },
         QRectF(5, 7, 200, 100)},
        {"cropRectMovedToOrigin", [](auto& f) { f.inputCropRect = QRectF(10, 10, 50, 50); }, QRectF(0, 0, 50, 50)},
        {"cropRectAsVector", [](auto& f) { f.inputCropRect = boxed(CIVector(10, 10, 50, 50)); },
         QRectF(0, 0, 50, 50)},
        {"cropOriginTruncated",
         [](auto& f) { f.inputCropRect = QRectF(50.7, 0, 20, 20); f.inputKeepExtent = true; }, QRectF(50, 0, 20, 20)},
        {"preCropRectTransformed",
         [](auto& f) { f.inputAngle = 90.0; f.inputPreCropRect = QRectF(0, 0, 100, 100); f.inputKeepExtent = true; },
         QRectF(50, -50, 100, 100)},
        {"cropRectWinsOverPreCrop",
         [](auto& f) { f.inputPreCropRect = QRectF(0, 0, 100, 100); f.inputCropRect = QRectF(1, 2, 3, 4); f.inputKeepExtent = true; },
         QRectF(1, 2, 3, 4)},
        {"scaleAboutTheCentre",
         [](auto& f) { f.setInputScale(boxed(CIVector(2, 0.5))); f.inputKeepExtent = true; },
         QRectF(-100, 25, 400, 50)},
        {"halfTurnThenShift", [](auto& f) { f.inputAngle = 180.0; f.inputTranslation = boxed(CIVector(7, -3)); f.inputKeepExtent = true; },
         QRectF(7, -3, 200, 100)},
    };
    const CIImage image = solid(CIColor(0.3, 0.6, 0.9), QRectF(0, 0, 200, 100));
    for (const Row& row : rows) {
        LXAffineTransformFilter filter;
        filter.inputImage = boxed(image);
        row.set(filter);
        EXPECT_EQ(filter.outputImage().extent(), row.extent) << row.name;
    }
}

TEST(AffineTransform, TurnScaleAndShiftMatchABilinearOracle)
{
    const int w = 40, h = 30;
    const double degrees = 30, sx = 1.5, sy = 0.75, tx = 7, ty = -3;
    const CIImage image = patternImage(w, h);
    LXAffineTransformFilter filter;
    filter.inputImage = boxed(image);
    filter.inputAngle = degrees;
    filter.setInputScale(boxed(CIVector(sx, sy)));
    filter.inputTranslation = boxed(CIVector(tx, ty));
    const CIImage out = filter.outputImage();

    // p' = S R (p - c) + c + t, written out by hand.
    const double a = degrees * M_PI / 180, co = std::cos(a), si = std::sin(a), cx = w / 2.0, cy = h / 2.0;
    auto forward = [&](double x, double y) {
        const double rx = co * (x - cx) - si * (y - cy), ry = si * (x - cx) + co * (y - cy);
        return QPointF(sx * rx + cx + tx, sy * ry + cy + ty);
    };
    const QRectF box = QPolygonF({forward(0, 0), forward(w, 0), forward(0, h), forward(w, h)}).boundingRect();
    const double x0 = box.left(), y0 = box.top(), x1 = box.right(), y1 = box.bottom();
    EXPECT_NEAR(out.extent().width(), x1 - x0, 1e-4);
    EXPECT_NEAR(out.extent().height(), y1 - y0, 1e-4);
    auto backward = [&](double X, double Y) { // the output is moved by (-x0, -y0)
        const double rx = (X + x0 - cx - tx) / sx, ry = (Y + y0 - cy - ty) / sy;
        return QPointF(co * rx + si * ry + cx, -si * rx + co * ry + cy);
    };

    const Texels input(image, QRect(0, 0, w, h));
    const QRect area(0, 0, int(std::ceil(x1 - x0)), int(std::ceil(y1 - y0)));
    const Texels got(out, area);
    ASSERT_TRUE(input.ok() && got.ok());
    EXPECT_LT(got.worstAgainst(area, [&](int X, int Y) {
        if (X + 0.5 > x1 - x0 || Y + 0.5 > y1 - y0)
            return got.at(X, Y); // centre beyond the crop rectangle's far edge
        const QPointF p = backward(X + 0.5, Y + 0.5);
        return input.bilinear(p.x(), p.y());
    }), 0.01);
}

TEST(AffineTransform, InfiniteInputTurnsAboutTheOriginAndStaysInPlace)
{
    LXAffineTransformFilter filter;
    filter.inputImage = boxed(CIImage::imageWithColor(CIColor(1, 0.5, 0, 1)));
    filter.inputAngle = 30.0;
    LogCapture log;
    const CIImage out = filter.outputImage();
    EXPECT_EQ(log.lines(), QStringList{"Warning: inputImage extent is infinite when center Point is requested "});
    EXPECT_TRUE(CIGeometry::isInfinite(out.extent()));
    const Texels got(out, QRect(-2, -2, 4, 4));
    ASSERT_TRUE(got.ok());
    EXPECT_NEAR(got.at(-2, -2)[0], 1.0, 1e-3);
    EXPECT_NEAR(got.at(1, 1)[3], 1.0, 1e-3);
}

TEST(AffineTransform, SingularScaleGivesAnEmptyImageQuietly)
{
    LXAffineTransformFilter filter;
    filter.inputImage = boxed(patternImage(20, 10));
    filter.setInputScale(boxed(CIVector(0, 1)));
    LogCapture log;
    const CIImage out = filter.outputImage();
    EXPECT_FALSE(out.isNull());
    EXPECT_TRUE(CIGeometry::isEmpty(out.extent()));
    EXPECT_TRUE(log.lines().filter("Error").isEmpty()) << log.lines().join('\n').toStdString();
    EXPECT_TRUE(filter.regionOf(0, QRectF(0, 0, 5, 5), {}).isEmpty());
}
