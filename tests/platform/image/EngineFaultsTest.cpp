// Faults of the engine an outside review found, each rendered on llvmpipe:
// shears folded into reads, a lopsided disc blur, aliasing when shrinking,
// an affine clamp applied in the wrong order, area averages underflowing and
// pixels shifting far from the origin.

#include "Pixels.h"

#include "platform/image/CIBuiltinFilters.h"
#include "platform/image/CIGeometry.h"

#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

namespace {

QVariant var(const CIImage& image)
{
    return QVariant::fromValue(image);
}

CIImage inverted(const CIImage& image)
{
    CIColorInvert invert;
    invert.inputImage = var(image);
    return invert.outputImage();
}

// Every other pixel lit, in two colours, on an 8 x 8 picture.
CIImage checker()
{
    QImage image(8, 8, QImage::Format_RGBA8888);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            image.setPixelColor(x, y, (x + y) % 2 ? QColor(255, 200, 0) : QColor(0, 60, 255, 200));
    return CIImage::imageWithQImage(image);
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
    struct Row {
        const char* name;
        QTransform shear;
        std::function<CIImage(const CIImage&)> reader;
        std::function<Pixel(const Pixel&)> expected; // from the drawn pixel
    };
    const CIImage black = CIImage::imageWithColor(CIColor(0, 0, 0));
    const Row rows[] = {
        {"composited, x by y", QTransform(1, 0, 0.5, 1, 0, 0),
         [&](const CIImage& i) { return i.imageByCompositingOverImage(black); },
         [](const Pixel& p) { return Pixel{p[0], p[1], p[2], 1}; }},
        {"kernel, y by x", QTransform(1, 0.5, 0, 1, 0, 0), inverted,
         [](const Pixel& p) { return Pixel{p[3] - p[0], p[3] - p[1], p[3] - p[2], p[3]}; }},
        {"kernel, flipped and sheared", QTransform(-1, 0, 1, 1, 3, 0), inverted,
         [](const Pixel& p) { return Pixel{p[3] - p[0], p[3] - p[1], p[3] - p[2], p[3]}; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const CIImage sheared = checker().imageByApplyingTransform(row.shear);
        const QRect rect = CIGeometry::integral(sheared.extent());
        const Rendered drawn(sheared, rect);
        const Rendered read(row.reader(sheared), rect);
        ASSERT_TRUE(drawn.ok() && read.ok());
        for (int y = rect.y(); y < rect.y() + rect.height(); ++y)
            for (int x = rect.x(); x < rect.x() + rect.width(); ++x)
                ASSERT_THAT(read.at(x, y), PixelNear(row.expected(drawn.at(x, y)), 2e-3f)) << x << ", " << y;
    }
}
