// Contexts: 8-bit sRGB bitmaps, drawing into a painter at device size,
// and a process without EGL.

#include "tests/support/ChildTest.h"
#include "tests/support/Pixels.h"

#include "platform/image/CIBuiltinFilters.h"
#include "platform/image/CIKernel.h"
#include "tests/support/LogCapture.h"

#include <QColorSpace>
#include <QPainter>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

TEST(ContextBitmaps, EightBitSRGBRoundTripsAndKeepsRowsTopDown)
{
    QImage source(16, 3, QImage::Format_RGBA8888);
    for (int x = 0; x < 16; ++x) {
        source.setPixelColor(x, 0, QColor(x * 17, 0, 0, 255));
        source.setPixelColor(x, 1, QColor(0, 255 - x * 17, x * 17, 255));
        source.setPixelColor(x, 2, QColor(255, 255, 255, 255));
    }
    const QImage out = CIContext().createCGImage(CIImage::imageWithQImage(source), QRectF(0, 0, 16, 3));
    ASSERT_EQ(out.size(), QSize(16, 3));
    EXPECT_EQ(out.format(), QImage::Format_RGBA8888_Premultiplied);
    EXPECT_EQ(out.colorSpace(), QColorSpace(QColorSpace::SRgb));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 16; ++x) {
            const QColor a = source.pixelColor(x, y), b = out.pixelColor(x, y);
            for (const auto channel : {&QColor::red, &QColor::green, &QColor::blue})
                EXPECT_NEAR((a.*channel)(), (b.*channel)(), 1) << x << "," << y;
            EXPECT_EQ(b.alpha(), 255);
        }
    // Half-transparent red stays so (premultiplied in the bitmap).
    const QImage half = CIContext().createCGImage(CIImage::imageWithQImage(bitmap(1, 1, {{255, 0, 0, 128}})),
                                                  QRectF(0, 0, 1, 1));
    EXPECT_EQ(half.pixelColor(0, 0).alpha(), 128);
    EXPECT_NEAR(half.pixelColor(0, 0).red(), 255, 1);
    // A rectangle of a moved image: its own coordinates, not the bitmap's.
    const CIImage moved = CIImage::imageWithQImage(source).imageByApplyingTransform(QTransform::fromTranslate(100, 200));
    const QImage part = CIContext().createCGImage(moved, QRectF(104, 202, 2, 1));
    ASSERT_EQ(part.size(), QSize(2, 1));
    EXPECT_NEAR(part.pixelColor(0, 0).red(), 4 * 17, 1); // the top row, columns 4 and 5
}

TEST(ContextBitmaps, EmptyRectanglesAndNilGiveNullBitmaps)
{
    const CIImage image = CIImage::imageWithQImage(bitmap(1, 1, {{1, 2, 3, 255}}));
    EXPECT_TRUE(CIContext().createCGImage(image, QRectF()).isNull());
    EXPECT_TRUE(CIContext().createCGImage(CIImage(), QRectF(0, 0, 1, 1)).isNull());
    EXPECT_TRUE(CIContext().renderToFloats(image, QRectF(0, 0, 0, 5)).empty());
}

TEST(ContextDrawing, DrawsAtTheDestinationsPixelSize)
{
    // 4 x 2: left half red, right half blue; drawn into 40 x 20 of a painter.
    QImage halves(4, 2, QImage::Format_RGBA8888);
    halves.fill(Qt::red);
    QPainter(&halves).fillRect(2, 0, 2, 2, Qt::blue);
    const CIImage image = CIImage::imageWithQImage(halves);
    QImage canvas(60, 30, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        CIContext().drawImage(image, &painter, QRectF(10, 5, 40, 20), image.extent());
    }
    for (const auto& [x, colour] : {std::pair{5, Qt::white}, {15, Qt::red}, {45, Qt::blue}, {55, Qt::white}})
        EXPECT_EQ(canvas.pixelColor(x, 15), QColor(colour)) << x;
    // A null image or a null painter draws nothing and does not crash.
    CIContext().drawImage(CIImage(), nullptr, QRectF(0, 0, 1, 1), QRectF(0, 0, 1, 1));
}

// Runs in a child process (see the next test) where EGL finds no driver.
TEST(ContextWithoutEGL, Child)
{
    if (qEnvironmentVariableIsEmpty("SUNNYSIDE_TEST_NO_EGL_CHILD"))
        GTEST_SKIP() << "runs only as the child of WithoutEGLImagesAreNilAndOneErrorIsLogged";
    LogCapture log;
    const CIImage image = CIImage::imageWithQImage(bitmap(1, 1, {{1, 2, 3, 255}}));
    EXPECT_FALSE(image.isNull()); // recipes need no GL
    EXPECT_TRUE(CIContext().createCGImage(image, QRectF(0, 0, 1, 1)).isNull());
    EXPECT_TRUE(CIContext().renderToFloats(image, QRectF(0, 0, 1, 1)).empty());
    EXPECT_TRUE(CIKernel::kernelsWithString(QStringLiteral("kernel vec4 k() { return vec4(1.0); }")).isEmpty());
    CIGaussianBlur blur;
    blur.inputImage = QVariant::fromValue(image);
    EXPECT_TRUE(CIContext().createCGImage(blur.outputImage(), QRectF(0, 0, 1, 1)).isNull());
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].startsWith(QLatin1String("Error: image engine has no OpenGL context")));
}

TEST(ContextWithoutEGL, ImagesAreNilAndOneErrorIsLogged)
{
    // libglvnd then finds no EGL driver at all.
    const ChildRun child = runTestInChild("ContextWithoutEGL.Child", {{"SUNNYSIDE_TEST_NO_EGL_CHILD", "1"},
                                          {"__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent/egl_vendor.json"}});
    EXPECT_TRUE(child.passed) << child.output.toStdString();
}

TEST(ContextBitmaps, PremultipliedBitmapsReadAsTheirStraightColours)
{
    // White coverage (a mask) is read without a conversion pass; any other
    // premultiplied colour must not be taken for it.
    const auto premultiplied = [](std::initializer_list<std::array<int, 4>> pixels, QImage::Format format) {
        return bitmap(int(pixels.size()), 1, pixels).convertToFormat(format);
    };
    const struct {
        const char* name;
        QImage image;
    } rows[] = {
        {"white coverage", premultiplied({{255, 255, 255, 0}, {255, 255, 255, 128}, {255, 255, 255, 255}, {255, 255, 255, 7}},
                                         QImage::Format_RGBA8888_Premultiplied)},
        {"white coverage, Qt's order", premultiplied({{255, 255, 255, 60}, {255, 255, 255, 255}}, QImage::Format_ARGB32_Premultiplied)},
        {"grey coverage", premultiplied({{255, 255, 255, 128}, {128, 128, 128, 200}}, QImage::Format_RGBA8888_Premultiplied)},
        {"red coverage", premultiplied({{255, 255, 255, 90}, {255, 0, 0, 90}}, QImage::Format_ARGB32_Premultiplied)},
    };
    for (const auto& row : rows) {
        const CIImage given = CIImage::imageWithQImage(row.image);
        const CIImage straight = CIImage::imageWithQImage(row.image.convertToFormat(QImage::Format_RGBA8888));
        const QTransform halved = QTransform::fromScale(0.5, 1);
        for (const QTransform& t : {QTransform(), halved}) {
            const QRectF r = t.mapRect(given.extent());
            const std::vector<float> a = CIContext().renderToFloats(given.imageByApplyingTransform(t), r);
            const std::vector<float> b = CIContext().renderToFloats(straight.imageByApplyingTransform(t), r);
            ASSERT_EQ(a.size(), b.size()) << row.name;
            for (size_t i = 0; i < a.size(); ++i)
                EXPECT_NEAR(a[i], b[i], 2e-3) << row.name << (t.isIdentity() ? "" : ", halved") << " at " << i;
        }
    }
}
