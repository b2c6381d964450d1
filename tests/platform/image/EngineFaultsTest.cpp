// Faults of the engine an outside review found, each rendered on llvmpipe:
// shears folded into reads, a lopsided disc blur, aliasing when shrinking,
// an affine clamp applied in the wrong order, area averages underflowing and
// pixels shifting far from the origin.

#include "tests/support/Pixels.h"
#include "tests/support/Images.h"

#include "platform/image/CIBuiltinFilters.h"
#include "platform/image/CIGeometry.h"

#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

namespace {

CIImage inverted(const CIImage& image)
{
    CIColorInvert invert;
    invert.inputImage = boxed(image);
    return invert.outputImage();
}

// Columns: one white in `period` (`width` wide), the rest black.
QImage stripes(int size, int width, int period)
{
    QImage image(size, size, QImage::Format_RGB32);
    for (int x = 0; x < size; ++x) {
        const QColor c = x % period < width ? Qt::white : Qt::black;
        for (int y = 0; y < size; ++y)
            image.setPixelColor(x, y, c);
    }
    return image;
}

} // namespace

TEST(EngineFaults, ShearIsKeptWhenRead)
{
    // A shear keeps |m11| = |m22| = 1 and no translation, yet moves pixels
    // off the grid: reading through it must equal drawing it.
    // expected: from the drawn pixel.
    struct Row { const char* name; QTransform shear; std::function<CIImage(const CIImage&)> reader;
                 std::function<Pixel(const Pixel&)> expected; };
    const CIImage black = CIImage::imageWithColor(CIColor(0, 0, 0));
    const auto invertedPixel = [](const Pixel& p) { return Pixel{p[3] - p[0], p[3] - p[1], p[3] - p[2], p[3]}; };
    const Row rows[] = {
        {"composited, x by y", QTransform(1, 0, 0.5, 1, 0, 0),
         [&](const CIImage& i) { return i.imageByCompositingOverImage(black); },
         [](const Pixel& p) { return Pixel{p[0], p[1], p[2], 1}; }},
        {"kernel, y by x", QTransform(1, 0.5, 0, 1, 0, 0), inverted, invertedPixel},
        {"kernel, flipped and sheared", QTransform(-1, 0, 1, 1, 3, 0), inverted, invertedPixel},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const CIImage sheared = patternImage(8, 8).imageByApplyingTransform(row.shear);
        const QRect rect = CIGeometry::integral(sheared.extent());
        const Rendered drawn(sheared, rect);
        const Rendered read(row.reader(sheared), rect);
        ASSERT_TRUE(drawn.ok() && read.ok());
        for (int y = rect.y(); y < rect.y() + rect.height(); ++y)
            for (int x = rect.x(); x < rect.x() + rect.width(); ++x)
                ASSERT_THAT(read.at(x, y), PixelNear(row.expected(drawn.at(x, y)), 2e-3f)) << x << ", " << y;
    }
}

TEST(EngineFaults, DiscBlurIsRoundAtAnyRadius)
{
    // A 2 x 2 white dot centred on the origin: its blur keeps the centre and
    // spreads as far up as down and left as right.
    const CIImage dot = CIImage::imageWithQImage(stripes(2, 2, 2)).imageByApplyingTransform(QTransform::fromTranslate(-1, -1));
    for (const double radius : {7.0, 30.0, 63.0}) {
        SCOPED_TRACE(radius);
        CIDiscBlur blur;
        blur.inputImage = boxed(dot);
        blur.inputRadius = radius;
        const int reach = int(radius) + 4;
        const QRect rect(-reach, -reach, 2 * reach, 2 * reach);
        const Rendered r(blur.outputImage(), rect);
        ASSERT_TRUE(r.ok());
        double mass = 0, mx = 0, my = 0, up = 0, down = 0, left = 0, right = 0;
        for (int y = rect.y(); y < rect.y() + rect.height(); ++y)
            for (int x = rect.x(); x < rect.x() + rect.width(); ++x) {
                const double a = r.at(x, y)[3], cx = x + 0.5, cy = y + 0.5;
                mass += a;
                mx += a * cx;
                my += a * cy;
                (cy > 0 ? up : down) += a * std::abs(cy);
                (cx > 0 ? right : left) += a * std::abs(cx);
            }
        EXPECT_NEAR(mx / mass, 0.0, 0.25);
        EXPECT_NEAR(my / mass, 0.0, 0.25);
        // Mean distance of the light above, below, left and right.
        for (const double spread : {down, left, right})
            EXPECT_NEAR(spread / up, 1.0, 0.03) << "up " << up << " down " << down << " left " << left << " right " << right;
    }
}

TEST(EngineFaults, ShrinkingAveragesInsteadOfAliasing)
{
    // One white column in four is a 25 % linear grey once shrunk; a single
    // read per output pixel lands on white or black instead.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("stripes.jpg"));
    // Eight-pixel bands on the JPEG blocks: a 1/8 decode is one column in four.
    ASSERT_TRUE(stripes(1600, 8, 32).save(file, "JPEG", 100));
    const CIImage bitmap = CIImage::imageWithQImage(stripes(400, 1, 4));
    // low, high: each pixel's linear value (a box of 1/scale columns).
    struct Row { const char* name; CIImage image; double scale; float low, high; };
    const Row rows[] = {
        {"bitmap by 0.25", bitmap, 0.25, 0.23f, 0.27f},
        {"bitmap by 0.3", bitmap, 0.3, 0.08f, 0.32f},
        {"kernel output by 0.3", inverted(inverted(bitmap)), 0.3, 0.08f, 0.32f},
        {"file by 1/32", CIImage::imageWithContentsOfFile(file), 1.0 / 32, 0.22f, 0.28f},
        {"file by 0.03", CIImage::imageWithContentsOfFile(file), 0.03, 0.2f, 0.3f},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const CIImage small = row.image.imageByApplyingTransform(QTransform::fromScale(row.scale, row.scale));
        const QRect rect = CIGeometry::integral(small.extent());
        const Rendered r(small, rect);
        ASSERT_TRUE(r.ok());
        double sum = 0;
        float lowest = 1, highest = 0;
        // The outermost pixels blend with the transparent outside.
        for (int y = 1; y < rect.height() - 1; ++y)
            for (int x = 1; x < rect.width() - 1; ++x) {
                const float v = r.at(x, y)[0];
                lowest = std::min(lowest, v);
                highest = std::max(highest, v);
                sum += v;
            }
        EXPECT_GE(lowest, row.low);
        EXPECT_LE(highest, row.high);
        EXPECT_NEAR(sum / ((rect.width() - 2) * (rect.height() - 2)), 0.25, 0.015);
        // The boxes lie where the whole render has them, whatever the tile.
        EXPECT_LE(tiledDifference(small, rect, 23, 17), 2e-3);
    }
}

TEST(EngineFaults, AffineClampExtendsEdgesBeforeTransforming)
{
    // A 1024 x 1 strip extended up and down without end, then shrunk and
    // turned: every pixel is opaque.
    CIAffineClamp clamp;
    clamp.inputImage = boxed(CIImage::imageWithQImage(filled(1024, 1, QColor(200, 30, 90), QImage::Format_RGBA8888)));
    clamp.inputTransform = boxed(QTransform().rotate(30).scale(0.5, 0.5));
    const CIImage turned = clamp.outputImage();
    EXPECT_TRUE(CIGeometry::isInfinite(turned.extent()));
    const Rendered r(turned, QRect(-40, -40, 80, 80));
    ASSERT_TRUE(r.ok());
    int seeThrough = 0;
    for (int y = -40; y < 40; ++y)
        for (int x = -40; x < 40; ++x)
            seeThrough += std::abs(r.at(x, y)[3] - 1.0f) > 1e-3f;
    EXPECT_EQ(seeThrough, 0);
}

TEST(EngineFaults, AreaAverageOfAThinStripDoesNotUnderflow)
{
    // Reduced by 16 each step, a strip one texel high lost a factor of four
    // a step in half floats and averaged to zero.
    const CIImage faint = CIImage::imageWithColor(CIColor(0, 0, 0, 0.01));
    for (const QRect& rect : {QRect(0, 0, 16384, 1), QRect(0, 0, 1, 16384), QRect(-7, 3, 9000, 3)}) {
        SCOPED_TRACE(rect.width());
        CIAreaAverage average;
        average.inputImage = boxed(faint);
        average.inputExtent = boxed(CIVector::vectorWithCGRect(rect));
        const Rendered r(average.outputImage(), QRect(0, 0, 1, 1));
        ASSERT_TRUE(r.ok());
        EXPECT_NEAR(r.at(0, 0)[3], 0.01f, 1e-4f);
    }
}

TEST(EngineFaults, PixelsFarFromTheOriginStayInPlace)
{
    // Beyond 2^24 a float cannot hold every whole number; the same picture
    // at x = 2^24 + 3 renders as it does at x = 3.
    const CIImage source = patternImage(7, 3);
    const CIImage grey = CIImage::imageWithColor(CIColor(0.5, 0.5, 0.5));
    // apply: to the picture moved to x; place: before moving.
    struct Row { const char* name; std::function<CIImage(const CIImage&)> apply; QTransform place; };
    const Row rows[] = {
        {"read by a kernel", inverted, QTransform()},
        {"composited", [&](const CIImage& i) { return i.imageByCompositingOverImage(grey); }, QTransform()},
        {"enlarged", [](const CIImage& i) { return i; }, QTransform::fromScale(2, 2)},
    };
    const double far = 16777216.0 + 3;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const CIImage placed = source.imageByApplyingTransform(row.place);
        const QRect size = CIGeometry::integral(placed.extent());
        const CIImage nearImage = row.apply(placed.imageByApplyingTransform(QTransform::fromTranslate(3, 0)));
        const CIImage farImage = row.apply(placed.imageByApplyingTransform(QTransform::fromTranslate(far, 0)));
        const Rendered nearPixels(nearImage, size.translated(3, 0));
        const Rendered farPixels(farImage, size.translated(int(far), 0));
        ASSERT_TRUE(nearPixels.ok() && farPixels.ok());
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                ASSERT_THAT(farPixels.at(int(far) + x, y), PixelNear(nearPixels.at(3 + x, y), 1e-3f)) << x << ", " << y;
    }
}
