// Textures by name, their layout options, tinting and tiling, rendered.

#include "frames/LXShapedBorderFilter.h"
#include "frames/LXTextureCatalog.h"
#include "frames/LXTexturizeFilter.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Bundle.h"
#include "tests/support/Pixels.h"
#include "tests/support/LogCapture.h"

#include <QDir>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

// A colourful texture without symmetry, so that a wrong period or offset shows.
QImage texturePicture()
{
    QImage image(32, 24, QImage::Format_RGB32);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x)
            image.setPixel(x, y, qRgb(40 + 6 * x, 30 + 9 * y, (x * 37 + y * 91) % 200 + 30));
    return image;
}

// The texture's texel under pixel (x, y), y up, tiled from the origin.
Colour texel(int x, int y)
{
    static const QImage picture = texturePicture();
    const QRgb c = picture.pixel(x % 32, 23 - y % 24);
    return {linear(qRed(c)), linear(qGreen(c)), linear(qBlue(c)), 1};
}

// In German the list began "Einfarbig", a name no filter takes: a look with
// the Border frame was then refused as damaged.
TEST(TextureNames, AreTheNamesTheFiltersTakeInAnyLanguage)
{
    Bundle::setPreferredLanguages({"de"});
    const QString shown = Bundle::mainBundle().localizedString("Plain Color");
    const QStringList names = LXTextureCatalog::textureNames(LXTextureCatalog::sharedTextureCatalog());
    Bundle::setPreferredLanguages({});
    ASSERT_EQ(shown, "Einfarbig");
    EXPECT_EQ(names.mid(0, 2), (QStringList{"Plain Color", "-"}));
    EXPECT_TRUE(names.contains("Paper -") && names.contains("Wood -")) << names.join(", ").toStdString();
}

TEST(TextureOptions, ReadFromTheFileName)
{
    struct Row { const char* name; QString options; quint64 sections; double hue, saturation, value, scale;
                 bool shouldScale, repeating; };
    const Row rows[] = {
        {"everything", "S2#30-50-80$2.5", 2, 30 / 360.0, 0.5, 0.8, 2.5, true, false},
        {"repeating", "R", 1, 0, 1, 1, 4, false, true},
        {"sections above 4", "abc7", 4, 0, 1, 1, 4, false, false},
        {"none", "", 1, 0, 1, 1, 4, false, false},
        {"scale at least 0.1", "x$0.05", 1, 0, 1, 1, 0.1, false, false},
        {"scale in the colour part", "x#0-0-100-0.05", 1, 0, 0, 1, 0.05, false, false},
    };
    for (const Row& row : rows) {
        const TextureOptions o = TextureOptions::parse(row.options);
        EXPECT_EQ(o.sections, row.sections) << row.name;
        EXPECT_THAT((std::array{o.baseColor.hue, o.baseColor.saturation, o.baseColor.value, o.baseScale}),
                    testing::Pointwise(testing::DoubleNear(1e-12), std::array{row.hue, row.saturation, row.value, row.scale}))
            << row.name;
        EXPECT_EQ(o.shouldScale, row.shouldScale) << row.name;
        EXPECT_EQ(o.repeating, row.repeating) << row.name;
    }
}

class Texturize : public ::testing::Test {
public:
    // One folder for the whole run: the shared catalog keeps the first file of an identifier.
    static void SetUpTestSuite()
    {
        folder = new QTemporaryDir(Application::temporaryDirectory() + "/texturize-XXXXXX");
        const QString catalogFile = folder->filePath("ALX-T#900#Test-Grain#S2#30-50-80$2.jpg");
        ASSERT_TRUE(texturePicture().save(catalogFile, "JPEG", 100));
        ASSERT_TRUE(texturePicture().save(folder->filePath("grain.png")));
        LXTextureCatalog::sharedTextureCatalog().addTextureWithFileName(catalogFile);
        temporaryName = QDir(Application::temporaryDirectory()).relativeFilePath(folder->filePath("grain.png"));
    }
    static void TearDownTestSuite() { delete folder; }
    static inline QTemporaryDir* folder = nullptr;
    static inline QString temporaryName;
    const CIImage shape = CIImage::imageWithColor(CIColor(1, 1, 1, 1)).imageByCroppingToRect(QRectF(0, 0, 80, 60));
};

TEST_F(Texturize, TilesTheTintedTextureOverTheShape)
{
    struct Row { const char* name; QString texture; int fillMode; double width; QRect checked;
                 std::function<Colour(int, int)> expected; QString logged; };
    const Row rows[] = {
        {"own colour tints nothing; the texture repeats", temporaryName, 2, 2048, QRect(0, 0, 80, 60), texel, {}},
        {"cut texture runs along the bottom side", temporaryName, 1, 2048, QRect(12, 0, 56, 10), texel, {}},
        {"width 0 leaves the shape", temporaryName, 2, 0, QRect(0, 0, 80, 60),
         [](int, int) { return Colour{1, 1, 1, 1}; }, "Warning: texturize needs"},
        {"no way out of the temporary folder", "../grain.png", 2, 300, QRect(0, 0, 80, 60),
         [](int, int) { return Colour{1, 1, 1, 1}; }, "Warning: texture '../grain.png'"},
    };
    for (const Row& row : rows) {
        LogCapture log;
        LXTexturizeFilter filter;
        filter.imageIsMask = true;
        filter.textureFillMode = row.fillMode;
        filter.setInputTextureName(row.texture);
        filter.inputTextureWidth = row.width;
        filter.inputImage = QVariant::fromValue(shape);
        const Texels out(filter.outputImage(), QRect(0, 0, 80, 60));
        ASSERT_TRUE(out.ok()) << row.name;
        EXPECT_LT(out.worstAgainst(row.checked, row.expected), 4e-3) << row.name;
        EXPECT_EQ(log.lines().size(), row.logged.isEmpty() ? 0 : 1) << row.name;
        EXPECT_TRUE(row.logged.isEmpty() || log.contains(row.logged)) << row.name;
    }
}

// A shape smaller than a tile reads only its part of the first tile: the same texels as a large shape.
TEST_F(Texturize, SmallShapesReadTheirPartOfTheTile)
{
    // The 32 x 24 texture enlarged four times: tiles of 128 x 96 (the catalog's copy: rows shifted).
    struct Row { const char* name; QRectF shape; QString texture; double width; };
    const Row rows[] = {
        {"inside the first tile", {10, 10, 50, 40}, temporaryName, 4 * 2048},
        {"whole tiles away", {10 + 3 * 128, 10 - 2 * 96, 50, 40}, temporaryName, 4 * 2048},
        {"across a tile's corner", {100, 80, 60, 40}, temporaryName, 4 * 2048},
        {"shifted rows", {-70, 85, 40, 30}, "Test-Grain", 4 * 32 * 2},
    };
    for (const Row& row : rows) {
        const auto textured = [&](const QRectF& shape) {
            LXTexturizeFilter filter;
            filter.imageIsMask = true;
            filter.textureFillMode = 2;
            filter.setInputTextureName(row.texture);
            filter.inputTextureWidth = row.width;
            filter.inputImage = QVariant::fromValue(solid(CIColor(1, 1, 1, 1), shape));
            return filter.outputImage();
        };
        const CIImage small = textured(row.shape), large = textured(QRectF(-1024, -1024, 2048, 2048));
        EXPECT_LT(renderDifference(small, large, row.shape.toAlignedRect()), 1e-3) << row.name;
    }
}

// Copies made by the filter base, so the inputs that a copy carries are tested too.
TEST_F(Texturize, TilesRenderedEqualTheWholeRender)
{
    QImage disc(64, 48, QImage::Format_RGBA8888);
    disc.fill(Qt::transparent);
    {
        QPainter p(&disc);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(90, 140, 200));
        p.drawEllipse(QPointF(32, 24), 18, 14);
    }
    const CIImage picture = CIImage::imageWithQImage(disc);
    struct Row { const char* name; std::shared_ptr<CIFilter> filter; };
    auto texturize = std::make_shared<LXTexturizeFilter>();
    texturize->setInputTextureName(QStringLiteral("Test-Grain"));
    texturize->setInputColor(QVariant::fromValue(CIColor(0.2, 0.6, 0.3, 1)));
    texturize->textureFillMode = 1;
    texturize->inputTextureWidth = 50;
    texturize->inputCompositeName = QStringLiteral("multiply");
    texturize->inputImage = QVariant::fromValue(picture);
    auto shifted = std::static_pointer_cast<LXTexturizeFilter>(texturize->copy());
    shifted->textureFillMode = 2;
    auto border = std::make_shared<LXShapedBorderFilter>();
    border->setInputImage(QVariant::fromValue(picture));
    border->setInputTextureName(QStringLiteral("ALX-T#900"));
    border->setCanvasProportion(100.0);
    border->setInputWidth(0.07);
    border->setInputTextureScale(0.4);
    border->setInputShadowWidth(0.1);
    const Row rows[] = {{"cut texture in two sections", texturize->copy()},
                        {"shifted pattern", shifted},
                        {"shaped border with inner shadow", border->copy()}};
    const QRect whole(-8, -8, 80, 64);
    for (const Row& row : rows) {
        LogCapture log;
        ASSERT_TRUE(row.filter) << row.name;
        const CIImage out = row.filter->outputImage();
        EXPECT_TRUE(allFinite(out, whole)) << row.name;
        const double tiled = tiledDifference(out, whole, 37, 29);
        EXPECT_TRUE(tiled >= 0 && tiled < 1e-3) << row.name << ": " << tiled;
        EXPECT_GT(renderDifference(out, solid(CIColor(0, 0, 0, 0), QRectF(whole)), whole), 0.05) << row.name << " renders something";
        EXPECT_EQ(log.lines(), QStringList()) << row.name;
    }
}

} // namespace
