// Pictures from files: decoded late, at a reduced scale when fewer pixels
// are needed, upright by their EXIF orientation, in sRGB whatever they hold.

#include "tests/support/Files.h"
#include "tests/support/Images.h"
#include "tests/support/Pixels.h"

#include "platform/image/CIImageFile.h"
#include "platform/image/BitmapReduction.h"
#include "platform/image/EngineNodes.h"
#include "platform/image/JpegDecode.h"
#include "tests/support/LogCapture.h"

#include <QColorSpace>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>
#include <jpeglib.h>

namespace {

// A CMYK JPEG as print software writes it (Adobe marker, inverted values).
bool writeCmykJpeg(const QString& path, int width, int height, const std::array<uchar, 4>& inverted)
{
    FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file)
        return false;
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uchar> row(size_t(width) * 4);
    for (int x = 0; x < width; ++x)
        std::copy(inverted.begin(), inverted.end(), row.begin() + x * 4);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(file);
    return true;
}

const Engine::SourceNode* sourceOf(const CIImage& image)
{
    return dynamic_cast<const Engine::SourceNode*>(image.node().get());
}

} // namespace

TEST(ImageFiles, ExifOrientationSixLoadsUpright)
{
    QTemporaryDir dir;
    // Stored w x h: left half red, right half blue. Turned a quarter clockwise
    // for display, red is on top.
    const auto turned = [&](int w, int h) {
        QImage stored = filled(w, h, Qt::blue);
        QPainter(&stored).fillRect(0, 0, w / 2, h, Qt::red);
        const QString file = writeFile(dir.filePath(QString("turned%1.jpg").arg(w)), jpegWithOrientation(stored, 6));
        const CIImage image = CIImage::imageWithContentsOfURL(QUrl::fromLocalFile(file));
        EXPECT_EQ(image.extent(), QRectF(0, 0, h, w));
        return image;
    };
    const Rendered r(turned(8, 4), QRect(0, 0, 4, 8));
    ASSERT_TRUE(r.ok());
    EXPECT_GT(r.at(1, 6)[0], 0.8f); // top: red
    EXPECT_LT(r.at(1, 6)[2], 0.2f);
    EXPECT_GT(r.at(2, 1)[2], 0.8f); // bottom: blue
    EXPECT_LT(r.at(2, 1)[0], 0.2f);

    // Decoded at the first render, at a half for a tiny view, still upright.
    const CIImage big = turned(64, 32);
    ASSERT_NE(sourceOf(big), nullptr);
    EXPECT_EQ(sourceOf(big)->decodeCount(), 0); // making it read only the header
    const Rendered small(big.imageByApplyingTransform(QTransform::fromScale(0.0625, 0.0625)), QRect(0, 0, 2, 4));
    ASSERT_TRUE(small.ok());
    EXPECT_EQ(sourceOf(big)->lastDecodedSize(), QSize(16, 32));
    EXPECT_GT(small.at(1, 3)[0], 0.8f); // top: red
    EXPECT_GT(small.at(1, 0)[2], 0.8f); // bottom: blue
    // A full-size render needs every pixel.
    const Rendered full(big, QRect(0, 0, 32, 64));
    EXPECT_EQ(sourceOf(big)->lastDecodedSize(), QSize(32, 64));
}

TEST(ImageFiles, GreyscaleAndCmykJpegsLoadWithTheirColours)
{
    QTemporaryDir dir;
    const QString greyPath = dir.filePath(QStringLiteral("grey.jpg"));
    ASSERT_TRUE(filled(6, 6, QColor(128, 128, 128), QImage::Format_Grayscale8).save(greyPath, "JPEG", 100));
    const Rendered g(CIImage::imageWithContentsOfFile(greyPath), QRect(0, 0, 6, 6));
    ASSERT_TRUE(g.ok());
    EXPECT_THAT(g.at(3, 3), PixelNear((Pixel{linear(128), linear(128), linear(128), 1}), 0.01f));

    // Ink: no cyan, full magenta and yellow, no black -> red.
    const QString cmykPath = dir.filePath(QStringLiteral("cmyk.jpg"));
    ASSERT_TRUE(writeCmykJpeg(cmykPath, 8, 8, {255, 0, 0, 255}));
    const Rendered c(CIImage::imageWithContentsOfFile(cmykPath), QRect(0, 0, 8, 8));
    ASSERT_TRUE(c.ok());
    EXPECT_THAT(c.at(4, 4), PixelNear((Pixel{1, 0, 0, 1}), 0.03f));
}

TEST(ImageFiles, AnEmbeddedColourSpaceIsConvertedToSRGB)
{
    QImage wide = filled(2, 2, QColor(200, 100, 50), QImage::Format_RGBA8888);
    wide.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    const QColor expected =
        QColorSpace(QColorSpace::DisplayP3).transformationToColorSpace(QColorSpace::SRgb).map(QColor(200, 100, 50));
    const QImage out = CIContext().createCGImage(CIImage::imageWithQImage(wide), QRectF(0, 0, 2, 2));
    const QColor got = out.pixelColor(0, 0);
    EXPECT_NEAR(got.red(), expected.red(), 2);
    EXPECT_NEAR(got.green(), expected.green(), 2);
    EXPECT_NEAR(got.blue(), expected.blue(), 2);
}

TEST(ImageFiles, UnreadableFilesGiveNilWithOneError)
{
    QTemporaryDir dir;
    LogCapture log;
    EXPECT_TRUE(CIImage::imageWithContentsOfFile(dir.filePath(QStringLiteral("missing.png"))).isNull());
    const QString junk = writeFile(dir.filePath(QStringLiteral("junk.png")), "not a picture");
    EXPECT_TRUE(CIImage::imageWithContentsOfFile(junk).isNull());
    EXPECT_TRUE(CIImage::imageWithContentsOfURL(QUrl(QStringLiteral("https://example.org/a.png"))).isNull());
    ASSERT_EQ(log.lines().size(), 3);
    for (const QString& line : log.lines())
        EXPECT_TRUE(line.startsWith(QLatin1String("Error: "))) << line.toStdString();
}

TEST(ImageFiles, ShrinkingAPhotoFileAveragesInGammaSpace)
{
    // One white column in four: a quarter of white in linear light (137), not a quarter of 255.
    QImage columns = filled(400, 400, Qt::black);
    for (int x = 0; x < 400; x += 4)
        QPainter(&columns).fillRect(x, 0, 1, 400, Qt::white);
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("c.png")), jpeg = dir.filePath(QStringLiteral("c.jpg"));
    ASSERT_TRUE(columns.save(png, "PNG") && columns.save(jpeg, "JPEG", 100));
    const std::tuple<const char*, CIImage, double> rows[] = {
        {"bitmap", CIImage::imageWithQImage(columns), 0.25},
        {"PNG", CIImage::imageWithContentsOfFile(png), 0.25},
        {"JPEG", CIImage::imageWithContentsOfFile(jpeg), 0.25},
        {"PNG for its size", imageWithContentsOfFileDrawnAt(png, QSizeF(100, 100)), 0.25},
        {"JPEG for its size", imageWithContentsOfFileDrawnAt(jpeg, QSizeF(100, 100)), 0.25},
        {"JPEG to an eighth", CIImage::imageWithContentsOfFile(jpeg), 0.125}};
    for (const auto& [name, photo, scale] : rows) {
        const CIImage shrunk = photo.imageByApplyingTransform(QTransform::fromScale(scale, scale));
        const QImage out = CIContext().createCGImage(shrunk, QRectF(0, 0, 20, 20));
        EXPECT_NEAR(qGreen(out.pixel(10, 10)), 137, 3) << name;
    }
}

TEST(ImageFiles, JpegsDecodedStraightMatchQtsReader)
{
    // Quadrants of four colours over a fine pattern: any turn, mirror or
    // shifted row shows.
    QImage stored(203, 117, QImage::Format_RGB32);
    for (int y = 0; y < stored.height(); ++y)
        for (int x = 0; x < stored.width(); ++x)
            stored.setPixel(x, y, qRgb(x < 101 ? 220 : 30, y < 58 ? 200 : 40, (x * 7 + y * 3) % 256));
    QTemporaryDir dir;
    QImage wide = stored;
    wide.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    const QString p3 = dir.filePath(QStringLiteral("p3.jpg"));
    ASSERT_TRUE(wide.save(p3, "JPEG", 90));
    struct Row {
        const char* name;
        QString path;
    };
    std::vector<Row> rows = {{"a Display P3 profile, converted", p3}};
    for (int orientation = 1; orientation <= 8; ++orientation)
        rows.push_back({"orientation", writeFile(dir.filePath(QString("o%1.jpg").arg(orientation)),
                                                 jpegWithOrientation(stored, orientation))});
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " " + row.path.toStdString());
        QImageReader reader(row.path);
        reader.setAutoTransform(true);
        QImage expected = reader.read();
        if (expected.colorSpace().isValid())
            expected.convertToColorSpace(QColorSpace(QColorSpace::SRgb));
        expected = expected.convertToFormat(QImage::Format_RGB32);
        const CIImage image = CIImage::imageWithContentsOfFile(row.path);
        ASSERT_EQ(image.extent(), QRectF(QPointF(0, 0), expected.size()));
        const QImage got = CIContext().createCGImage(image, image.extent()).convertToFormat(QImage::Format_RGB32);
        int worst = 0;
        for (int y = 0; y < got.height(); ++y)
            for (int x = 0; x < got.width(); ++x) {
                const QRgb a = got.pixel(x, y), b = expected.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                  std::abs(qBlue(a) - qBlue(b))});
            }
        EXPECT_LE(worst, 1);
    }

    // Reduced: exactly the DCT scaling's size, and averaged as the rows
    // arrive just as the whole picture averaged after.
    const QString plain = rows[1].path;
    const struct { int denominator; QSize decoded, averaged; } reductions[] = {
        {2, QSize(102, 59), QSize()}, {8, QSize(26, 15), QSize()}, {1, QSize(203, 117), QSize(61, 35)},
        {2, QSize(102, 59), QSize(100, 58)}, // within a few percent: kept as decoded
    };
    for (const auto& r : reductions) {
        SCOPED_TRACE(r.denominator);
        const Engine::JpegDecode d = Engine::decodeJpeg(plain, r.denominator, r.averaged);
        EXPECT_EQ(d.decodedSize, r.decoded);
        const Engine::JpegDecode whole = Engine::decodeJpeg(plain, r.denominator, {});
        const bool averages = r.averaged.isValid() && r.averaged.width() * 1.03 < r.decoded.width();
        EXPECT_EQ(d.image, averages ? Engine::reduceOpaqueBitmap(whole.image, r.averaged) : whole.image);
    }
    // For a preview: the smallest scale whose picture still covers the photo
    // fitted in the size, never one a pixel smaller.
    const QString turned = writeFile(dir.filePath("turned.jpg"), jpegWithOrientation(filled(160, 80, Qt::red), 6));
    const QString junk = writeFile(dir.filePath("junk.jpg"), "\xFF\xD8 junk");
    const struct { const char* name; QString path; QSizeF drawn; QSize decoded; } previews[] = {
        {"an eighth", plain, {26, 15}, {26, 15}}, {"a pixel more: a quarter", plain, {27, 16}, {51, 30}},
        {"three eighths", plain, {60, 40}, {77, 44}}, {"larger than the photo", plain, {400, 400}, {203, 117}},
        {"turned a quarter: upright", turned, {20, 40}, {20, 40}}, {"damaged", junk, {20, 40}, {0, 0}}};
    for (const auto& p : previews) {
        QString error;
        EXPECT_EQ(decodedImageCovering(p.path, p.drawn, &error).size(), p.decoded) << p.name;
        EXPECT_EQ(error.isEmpty(), !p.decoded.isEmpty()) << p.name;
    }
    const Engine::JpegDecode broken = Engine::decodeJpeg(junk, 1, {});
    EXPECT_TRUE(broken.image.isNull() && !broken.error.isEmpty() && !broken.declined);
}

// A photo shrunk to fit a screen lies on whole pixels when centred, so that
// it can be copied as decoded; its proportions stay within a pixel.
TEST(ImageFiles, FittedPhotosLieOnWholePixelsWhenCentred)
{
    const struct {
        const char* name;
        QSizeF photo, box, fitted;
    } rows[] = {
        {"wide: 1440.14 rows, 80 left above and below", {6028, 3391}, {2560, 1600}, {2560, 1440}},
        {"tall: 2133.3 columns, 213 left at each side", {4224, 3168}, {2560, 1600}, {2134, 1600}},
        {"odd screen: an odd side is left whole", {6028, 3391}, {2561, 1601}, {2561, 1441}},
        {"exact already", {3000, 1000}, {1440, 900}, {1440, 480}},
        {"enlarged", {48, 30}, {2560, 1600}, {2560, 1600}},
        {"a sliver keeps its width", {10000, 1}, {2560, 1600}, {2560, 0.256}},
        {"nothing to fit", {0, 10}, {2560, 1600}, {}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(centredFitSize(row.photo, row.box), row.fitted) << row.name;
}
