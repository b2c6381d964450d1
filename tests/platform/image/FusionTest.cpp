// Chains of per-pixel work rendered in one fused pass give what rendering
// them node by node gives, in fewer passes; a kernel that reads elsewhere
// joins the chain only in its own world, its input read by texels.

#include "tests/support/Pixels.h"

#include "platform/image/CIBuiltinFilters.h"
#include "platform/image/CIImageAccumulator.h"
#include "platform/image/CIKernel.h"
#include "platform/image/EngineFusedPieces.h"
#include "platform/image/EngineOptimiser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace {

quint64 passes() { return Engine::GL::instance()->passCount(); }

CIImage inverted(const CIImage& image)
{
    CIColorInvert invert;
    invert.inputImage = boxed(image);
    return invert.outputImage();
}

CIImage blurred(const CIImage& image, double radius)
{
    CIGaussianBlur blur;
    blur.inputImage = boxed(image);
    blur.inputRadius = radius;
    return blur.outputImage();
}

struct Renders {
    quint64 passes;
    std::vector<float> floats;
    QImage bytes;
};

Renders render(const CIImage& image, const QRect& rect, bool fused)
{
    Engine::setFusionEnabled(fused);
    const quint64 before = passes();
    Renders r{0, CIContext().renderToFloats(image, QRectF(rect)), {}};
    r.passes = passes() - before;
    r.bytes = CIContext().createCGImage(image, QRectF(rect));
    Engine::setFusionEnabled(true);
    return r;
}

} // namespace

TEST(Fusion, ChainsRenderInOnePassAsNodeByNode)
{
    const CIImage photo = CIImage::imageWithQImage(bitmap(3, 2, {{255, 0, 0, 128}, {0, 255, 0, 255}, {30, 60, 250, 255},
                                                                 {200, 90, 9, 30}, {255, 255, 255, 255}, {0, 0, 0, 0}}));
    const CIImage scaled = photo.imageByApplyingTransform(QTransform(5.3, 0, 0, 4.1, 1.5, 0.25));
    QImage checks(47, 31, QImage::Format_RGBA8888);
    for (int y = 0; y < checks.height(); ++y)
        for (int x = 0; x < checks.width(); ++x)
            checks.setPixelColor(x, y, QColor((x * 37) % 256, (x + y) % 2 * 255, (y * 53) % 256, 255));
    const CIImage shrunk = CIImage::imageWithQImage(checks).imageByApplyingTransform(QTransform(0.4247, 0, 0, 0.4247, 0.3, 0.6));
    // Opaque: the fused pass draws the part it covers with a program of its own.
    const CIImage opaque = CIImage::imageWithQImage(checks.convertToFormat(QImage::Format_RGB32))
                               .imageByApplyingTransform(QTransform::fromTranslate(5.5, 3.5));
    // A whole photo on whole pixels: its bytes are copied by the read-back,
    // never over what lies on it.
    const CIImage onPixels = CIImage::imageWithQImage(checks.copy(0, 0, 7, 5).convertToFormat(QImage::Format_RGB32))
                                 .imageByApplyingTransform(QTransform::fromTranslate(3, 2));
    const CIImage back = solid(CIColor(0.1, 0.5, 0.3, 0.6), QRectF(-3, -2, 30, 12));
    // Kept in 8 bits where partly opaque: copied only where it is, its
    // edges (half covered on a fractional move) and margin composited.
    const auto flat = [](const CIImage& photo) {
        return CIImageAccumulator::flatten(
            photo.imageByCompositingOverImage(solid(CIColor(0.9, 0.2, 0.1, 0.4), QRectF(1, 0, 14, 10))), {});
    };
    const CIImage opaqueChecks = CIImage::imageWithQImage(checks.copy(0, 0, 7, 5).convertToFormat(QImage::Format_RGB32));
    const CIImage shadow = blurred(solid(CIColor(0, 0, 0, 1), QRectF(2, 2, 9, 5)), 2.5);
    const CIImage oddFlat = CIImageAccumulator::flatten(
        CIImage::imageWithQImage(checks.copy(0, 0, 13, 7).convertToFormat(QImage::Format_RGB32))
            .imageByCompositingOverImage(solid(CIColor(0.9, 0.2, 0.1, 0.4), QRectF(-1, -1, 15, 9))), QRectF());
    CIBlendWithMask mask;
    mask.inputImage = boxed(inverted(scaled));
    mask.inputBackgroundImage = boxed(back);
    mask.inputMaskImage = boxed(scaled.imageByApplyingTransform(QTransform::fromTranslate(2, -1)));
    CIRandomGenerator random;
    const CIImage noise = random.outputImage().imageByCroppingToRect(QRectF(0, 0, 12, 7));
    const auto shifted = CIKernel::kernelWithString(
        QStringLiteral("kernel vec4 shift(sampler s) { return sample(s, samplerCoord(s) + vec2(2.0, 0.0)); }"));
    // One input read at the pixel (fused), one a texel up and to the right.
    const auto beside = CIKernel::kernelWithString(QStringLiteral(
        "kernel vec4 beside(sampler a, sampler b) {"
        " return 0.5 * sample(a, samplerCoord(a)) + 0.5 * sample(b, samplerTransform(b, destCoord() + vec2(1.0, 1.0))); }"));
    ASSERT_TRUE(shifted && beside);
    // More layers than ten sampler slots, each its own colour.
    CIImage layers = back;
    for (int k = 0; k < 12; ++k) {
        QImage tile(3, 2, QImage::Format_RGBA8888);
        tile.fill(QColor(k * 20, 250 - k * 20, k * 7, 200));
        layers = CIImage::imageWithQImage(tile).imageByApplyingTransform(QTransform::fromTranslate(k % 6 * 3, k / 6 * 3))
                     .imageByCompositingOverImage(layers);
    }
    const struct {
        const char* name;
        CIImage image;
        quint64 fewerPasses; // than node by node
    } rows[] = {
        {"kernel of kernel of a scaled move", inverted(inverted(scaled)), 2},
        {"shrunk photo over a colour", shrunk.imageByCompositingOverImage(back), 1},
        {"source over, crop, colour", scaled.imageByCompositingOverImage(back).imageByCroppingToRect(QRectF(0, 1, 14, 7)), 1},
        {"over a shadow and a colour", inverted(scaled).imageByCompositingOverImage(shadow.imageByCompositingOverImage(back)), 3},
        {"opaque photo over part", opaque.imageByCompositingOverImage(shadow.imageByCompositingOverImage(back)), 2},
        {"photo on whole pixels under a logo",
         solid(CIColor(0.8, 0.1, 0.1, 0.5), QRectF(8, 4, 6, 2)).imageByCompositingOverImage(onPixels.imageByCompositingOverImage(back)), 1},
        {"photo half a pixel off whole pixels",
         onPixels.imageByApplyingTransform(QTransform::fromTranslate(0.5, 0)).imageByCompositingOverImage(back), 1},
        {"blend with mask and whole-pixel move", mask.outputImage(), 3},
        {"generator at its pixel", inverted(noise), 1},
        {"generator moved", inverted(noise.imageByApplyingTransform(QTransform::fromTranslate(3, -2))), 0},
        {"kernel reading elsewhere", inverted(shifted->apply({boxed(inverted(scaled))})), 2},
        {"kernel reading elsewhere, moved",
         inverted(shifted->apply({boxed(scaled)}).imageByApplyingTransform(QTransform::fromTranslate(1, 2))), 0},
        {"kernel reading one input elsewhere", inverted(beside->apply({boxed(inverted(scaled)), boxed(shrunk)})), 3},
        {"blurred input read reduced", inverted(blurred(scaled, 6)).imageByCompositingOverImage(back), 1},
        {"kept photo in a margin", flat(onPixels).imageByCompositingOverImage(back), 0},
        {"kept enlarged photo in a margin",
         flat(opaqueChecks.imageByApplyingTransform(QTransform(1.5, 0, 0, 1.5, 1.6, 0))).imageByCompositingOverImage(back), 0},
        // Kept in floats, known opaque in part: read between its texels,
        // what borders that part shows the colour under it.
        {"kept odd-sided photo half a pixel off", oddFlat.imageByApplyingTransform(QTransform::fromTranslate(0.5, 1.5)).imageByCompositingOverImage(back), 1},
        {"kept odd-sided photo shrunk", oddFlat.imageByApplyingTransform(QTransform(0.6, 0, 0, 0.7, 2.3, 0.4)).imageByCompositingOverImage(back), 1},
        {"twelve layers", layers, 11},
    };
    const QRect rect(-2, -1, 20, 9);
    Engine::setFusedPartShare(0); // every part of a pass by its own program
    for (const auto& row : rows) {
        render(row.image, rect, true); // sources decoded, programs compiled
        const Renders plain = render(row.image, rect, false);
        const Renders fused = render(row.image, rect, true);
        ASSERT_FALSE(plain.floats.empty() || fused.floats.empty() || plain.bytes.isNull() || fused.bytes.isNull()) << row.name;
        EXPECT_EQ(plain.passes - fused.passes, row.fewerPasses) << row.name;
        // Within half-float precision: the fused pass skips the rounding of
        // intermediate textures.
        for (size_t i = 0; i < plain.floats.size(); ++i)
            ASSERT_NEAR(fused.floats[i], plain.floats[i], 2e-3 + 2e-3 * std::abs(plain.floats[i])) << row.name << " at " << i / 4;
        // Bytes within a code, or that precision in linear light (a code
        // near black is a hundredth of one near white).
        for (int y = 0; y < rect.height(); ++y)
            for (int x = 0; x < rect.width(); ++x)
                for (int c = 0; c < 4; ++c) {
                    const int a = fused.bytes.constScanLine(y)[x * 4 + c], b = plain.bytes.constScanLine(y)[x * 4 + c];
                    ASSERT_TRUE(std::abs(a - b) <= 1 || (c < 3 && std::abs(linear(a) - linear(b)) < 3e-3))
                        << row.name << " at " << x << ", " << y << ": " << a << " " << b;
                }
    }
    Engine::setFusedPartShare(1.0 / 16);
}

// The 8-bit last pass fills the bitmap in bands of a few megabytes, the
// photo's rectangle copied: every band lands on its own rows, seamless.
TEST(Fusion, ALastPassInBandsGivesThePictureDrawnWhole)
{
    QImage photo(1500, 500, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb((x * 7) % 256, (y * 5) % 256, (x + y) % 256));
    const CIImage back = blurred(solid(CIColor(0.2, 0.6, 0.9, 1), QRectF(0, 0, 4096, 700)), 3);
    const CIImage picture = solid(CIColor(0.8, 0.1, 0.1, 0.5), QRectF(1400, 80, 300, 60))
                                .imageByCompositingOverImage(CIImage::imageWithQImage(photo)
                                                                 .imageByApplyingTransform(QTransform::fromTranslate(900, 100))
                                                                 .imageByCompositingOverImage(back));
    const QRect rect(-5, 3, 4096, 700); // bands of 256 rows, the last one short
    const QImage banded = render(picture, rect, true).bytes, whole = render(picture, rect, false).bytes;
    ASSERT_FALSE(banded.isNull() || whole.isNull());
    int worst = 0;
    for (int y = 0; y < rect.height(); ++y)
        for (int x = 0; x < rect.width() * 4; ++x)
            worst = std::max(worst, std::abs(banded.constScanLine(y)[x] - whole.constScanLine(y)[x]));
    EXPECT_LE(worst, 1);
}

namespace {

struct Piece {
    GLuint program;
    int x, y, w, h;
    bool operator<(const Piece& o) const { return std::tie(y, x, program) < std::tie(o.y, o.x, o.program); }
    bool operator==(const Piece& o) const = default;
};

std::vector<Piece> merged(const std::vector<int>& xs, const std::vector<int>& ys, const std::vector<GLuint>& programs,
                          QPoint origin = {})
{
    std::vector<Piece> out;
    for (const Engine::PassPiece& p : Engine::mergeCellRuns(xs, ys, programs, origin))
        out.push_back({p.program, p.viewport.x(), p.viewport.y(), p.viewport.width(), p.viewport.height()});
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

// A fused pass draws each cell of its grid exactly once, in as few pieces as
// equal neighbours allow: a lost cell is a hole in the picture, a doubled one
// draws twice.
TEST(Fusion, CellRunsMergeIntoFewPiecesCoveringEachCellOnce)
{
    struct Row {
        const char* name;
        std::vector<int> xs, ys;
        std::vector<GLuint> programs;
        QPoint origin;
        std::vector<Piece> expected;
    };
    const std::vector<Row> rows = {
        {"one cell", {0, 10}, {0, 5}, {1}, {}, {{1, 0, 0, 10, 5}}},
        {"a row of one program is one run", {0, 2, 5, 9}, {0, 4}, {1, 1, 1}, {}, {{1, 0, 0, 9, 4}}},
        {"another program in the middle splits the row", {0, 2, 5, 9}, {0, 4}, {1, 2, 1}, {},
         {{1, 0, 0, 2, 4}, {2, 2, 0, 3, 4}, {1, 5, 0, 4, 4}}},
        {"rows with the same columns stack", {0, 3, 8}, {0, 2, 6}, {1, 2, 1, 2}, {},
         {{1, 0, 0, 3, 6}, {2, 3, 0, 5, 6}}},
        {"a run with other columns below closes", {0, 3, 8}, {0, 2, 6}, {1, 1, 1, 2}, {},
         {{1, 0, 0, 8, 2}, {1, 0, 2, 3, 4}, {2, 3, 2, 5, 4}}},
        {"a program interrupted down a column does not rejoin", {0, 4}, {0, 1, 2, 3}, {1, 2, 1}, {},
         {{1, 0, 0, 4, 1}, {2, 0, 1, 4, 1}, {1, 0, 2, 4, 1}}},
        {"rectangles are relative to the pass", {10, 14, 20}, {20, 30}, {3, 4}, {10, 20},
         {{3, 0, 0, 4, 10}, {4, 4, 0, 6, 10}}},
        {"cells that do not fill the grid give nothing", {0, 3, 8}, {0, 2}, {1}, {}, {}},
        {"an empty grid gives nothing", {0}, {0, 2}, {}, {}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<Piece> expected = row.expected;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(merged(row.xs, row.ys, row.programs, row.origin), expected);
    }
}
