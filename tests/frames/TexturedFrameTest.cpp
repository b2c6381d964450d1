// The textured frame filter: border geometry, a frame drawn round a picture,
// and what frame edits drop and announce, alike in the shaped border.

#include "frames/FrameClasses.h"
#include "frames/InnerShadow.h"
#include "frames/LXFrameCatalog.h"
#include "frames/LXFrameDescription.h"
#include "frames/LXShapedBorderFilter.h"
#include "frames/LXTexturedFrameFilter.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Timer.h"
#include "tests/support/Pixels.h"
#include "tests/support/Images.h"
#include "util/UndoManager.h"

#include <QDir>
#include <QPainter>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

namespace {

// `filter` drawing `frame` round a blue picture over `picture`, its border `width` wide.
void frameRound(LXTexturedFrameFilter& filter, LXFrameDescription* frame, const QRectF& picture, double width)
{
    filter.setFrameDescription(frame);
    filter.setInputImage(QVariant::fromValue(solid(CIColor(0, 0, 1), picture)));
    filter.setInputWidth(width);
}

// `image` saved as <dir>/<folder>/<file>, the folder made first.
bool saveArt(const QTemporaryDir& dir, const QString& folder, const QString& file, const QImage& image)
{
    return QDir(dir.path()).mkpath(folder) && image.save(dir.path() + '/' + folder + '/' + file);
}

} // namespace

TEST(TexturedFrameFilter, BorderGeometry)
{
    QTemporaryDir dir;
    ASSERT_TRUE(saveArt(dir, "ExternalMasks", "FRM-E#010#X#40-12-3.png", filled(240, 100, Qt::white)));
    LXFrameDescription frame({{"ExternalMask", "FRM-E#010#X"}, {"Inset", 0.5}}, QUrl::fromLocalFile(dir.path()), true);
    struct Row { const char* label; double proportion, width; bool inside; QRectF image; double border; QRectF mask; };
    const Row rows[] = {
        {"1000 x 0.05", 1000, 0.05, true, {0, 0, 100, 80}, 50, {0, 0, 100, 80}},
        {"width 0 is one pixel, half of it outside", 1000, 0, false, {0, 0, 100, 80}, 1, {0, 0, 100, 80}},
        {"half the border outside, whole pixels", 100, 0.15, false, {0, 0, 100, 80}, 15, {-7, -7, 114, 94}},
    };
    for (const Row& row : rows) {
        LXTexturedFrameFilter filter;
        frameRound(filter, &frame, row.image, row.width);
        filter.setCanvasProportion(row.proportion);
        filter.setForceInside(row.inside);
        EXPECT_EQ(filter.borderWidth(), row.border) << row.label;
        EXPECT_EQ(filter.maskRect(), row.mask) << row.label;
    }
    // Corner side max(40, 12): t = (500 - 80) / (240 - 80), 3 t = 7.875 gives 8 repeats.
    const CIVector factors = LXTexturedFrameFilter::repeatsVectorForFrame(frame.mask().get(), {500, 300}, 1.0);
    EXPECT_DOUBLE_EQ(factors.X(), 8.0 / 3.0);
    EXPECT_EQ(factors.Y(), 1.0);

    // Corners of 8 picture pixels drawn at half size: the far corner's 4 pixels read the picture's last 8
    // columns (rows), two each. Red marks columns 16-19 half and 20-23 full; green rows 24-27 and 28-31 (y up).
    QImage bands(24, 32, QImage::Format_RGBA8888);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 24; ++x)
            bands.setPixelColor(x, y, QColor(x < 16 ? 0 : x < 20 ? 128 : 255, y > 7 ? 0 : y > 3 ? 128 : 255, 0));
    ASSERT_TRUE(saveArt(dir, "ExternalMasks", "FRM-E#011#Bands#8.png", bands));
    LXFrameDescription banded({{"ExternalMask", "FRM-E#011#Bands"}}, QUrl::fromLocalFile(dir.path()), true);
    LXTexturedFrameFilter filter;
    frameRound(filter, &banded, QRectF(0, 0, 40, 30), 4.0);
    filter.setForceInside(true);
    const Rendered mask(filter.cachedMask(), QRect(0, 0, 40, 30));
    ASSERT_TRUE(mask.ok());
    const float half = linear(128);
    for (const auto& [x, y, r, g] : {std::tuple{37, 15, half, 0.f}, {38, 15, 1.f, 0.f}, {20, 27, 0.f, half},
                                     {20, 28, 0.f, 1.f}, {36, 26, half, half}, {39, 29, 1.f, 1.f}})
        EXPECT_THAT(mask.at(x, y), PixelNear((Pixel{r, g, 0, 1}), 4e-3f)) << x << ", " << y;
}

// A frame without masks: a plain border of whole pixels along the mask's edges, nothing inside.
TEST(TexturedFrameFilter, PlainBorderMaskCoversTheBandOnly)
{
    QTemporaryDir dir;
    LXFrameDescription frame({{"Texture.Color", "1 0 0 1"}}, QUrl::fromLocalFile(dir.path()), true);
    struct Row { const char* label; QRectF picture; double width; bool inside; };
    const Row rows[] = {
        {"outside the picture", {0, 0, 40, 30}, 4, false},
        {"inside a picture off the origin", {5, -3, 21, 12}, 3, true},
        {"wider than half the picture", {0, 0, 9, 6}, 4, true},
    };
    for (const Row& row : rows) {
        LXTexturedFrameFilter filter;
        frameRound(filter, &frame, row.picture, row.width);
        filter.setForceInside(row.inside);
        const QRect r = filter.maskRect().toAlignedRect();
        const int b = int(filter.borderWidth());
        const Rendered mask(filter.cachedMask(), r.adjusted(-1, -1, 1, 1));
        ASSERT_TRUE(mask.ok()) << row.label;
        int wrong = 0;
        for (int y = r.y() - 1; y <= r.y() + r.height(); ++y)
            for (int x = r.x() - 1; x <= r.x() + r.width(); ++x) {
                const bool onRect = r.contains(x, y);
                const int edge = std::min({x - r.x(), r.x() + r.width() - 1 - x, y - r.y(), r.y() + r.height() - 1 - y});
                const float want = onRect && edge < b ? 1.f : 0.f;
                if (std::abs(mask.at(x, y)[3] - want) > 1e-3f && ++wrong <= 3)
                    ADD_FAILURE() << row.label << ": " << mask.at(x, y)[3] << " at " << x << ", " << y;
            }
        EXPECT_EQ(wrong, 0) << row.label;
    }
}

TEST(TexturedFrameFilter, DrawsRoundThePictureAndFollowsEdits)
{
    QTemporaryDir dir;
    ASSERT_TRUE(saveArt(dir, "ExternalMasks", "FRM-E#001#Full#20.png", filled(60, 60, Qt::white)));
    LXFrameDescription frame({{"Texture.Color", "1 0 0 1"}}, QUrl::fromLocalFile(dir.path()), true);
    LXTexturedFrameFilter filter;
    frameRound(filter, &frame, QRectF(0, 0, 40, 30), 4.0); // canvas proportion 1: a 4-pixel plain border outside
    filter.setInputShadowWidth(0.1);
    const Rendered out(filter.outputImage(), QRect(-4, -4, 48, 38));
    ASSERT_TRUE(out.ok());
    EXPECT_THAT(out.at(-2, 10), PixelNear(Pixel{1, 0, 0, 1}, 2e-3f));
    EXPECT_THAT(out.at(20, 15), PixelNear(Pixel{0, 0, 1, 1}, 2e-3f));
    // The shadow darkens the picture's edge and leaves it opaque.
    EXPECT_LT(out.at(0, 15)[2], 0.9f);
    EXPECT_NEAR(out.at(0, 15)[3], 1.0f, 2e-3f);

    // Edits announce one update per burst; a mask change rebuilds the frame in the next render.
    UndoManager undo;
    frame.setUndoManager(&undo);
    int updates = 0;
    NotificationCenter::defaultCenter().addObserver(&updates, LXFilterUpdateNotification, &filter,
                                                    [&](const Notification&) { ++updates; });
    for (double red : {0.5, 0.7, 0.6})
        frame.setTextureColor(CIColor(red, 0, 0, 1));
    ASSERT_TRUE(filter.updateTimer());
    filter.updateTimer()->fire();
    EXPECT_EQ(updates, 1);
    filter.outputImage();
    // The new mask covers the picture too: its first render shows the new frame there.
    frame.setExternalMaskName("FRM-E#001#Full");
    const Rendered covered(filter.outputImage(), QRect(20, 15, 1, 1));
    ASSERT_TRUE(covered.ok());
    EXPECT_THAT(covered.at(20, 15), PixelNear(Pixel{linear(153), 0, 0, 1}, 2e-3f));
    const CIImage mask = filter.cachedMask();
    filter.setCanvasProportion(2.0);
    EXPECT_FALSE(filter.cachedMask() == mask);
    filter.updateTimer()->fire();
    filter.setUpdateDelay(-1);
    frame.setTextureColor(CIColor(1, 1, 0, 1));
    EXPECT_EQ(updates, 3);
    NotificationCenter::defaultCenter().removeObserver(&updates);
}

// Each filter built with its frame, then edited: does the frame stay, is the edit announced?
TEST(TexturedFrameFilter, EditsDropAndAnnounceAsTheShapedBorderDoes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(saveArt(dir, "ExternalMasks", "FRM-E#001#Full#20.png", filled(60, 60, Qt::white)));
    LXFrameDescription frame({{"Texture.Color", "1 0 0 1"}}, QUrl::fromLocalFile(dir.path()), true);
    UndoManager undo; // edits are announced only under an editor
    frame.setUndoManager(&undo);
    struct Row { const char* drift; std::function<void(LXFilter&)> edit; bool keepsFrame, announced; };
    const Row rows[] = {
        {"numberComparedAsVariant", [](LXFilter& f) { f.setProperty("inputTextureScale", "1.50"); }, true, false},
        {"emptyTextureNameUnannounced", [](LXFilter& f) { f.setProperty("inputTextureName", ""); }, false, true},
        // The description's new mask clears the textured filter's; a picture of another size clears it again.
        {"nullMaskKeepsFrame", [&](LXFilter& f) { frame.setExternalMaskName("FRM-E#001#Full");
             f.setProperty("inputImage", QVariant::fromValue(solid(CIColor(0, 0, 1), QRectF(0, 0, 20, 20)))); },
         false, false},
    };
    auto check = [&](auto& filter, const Row& row) {
        if constexpr (requires { filter.setFrameDescription(&frame); })
            filter.setFrameDescription(&frame);
        filter.setInputImage(QVariant::fromValue(solid(CIColor(0, 0, 1), QRectF(0, 0, 40, 30))));
        filter.setInputWidth(4.0);
        filter.setInputTextureScale(QStringLiteral("1.5")); // as a stored document gives it
        const CIImage before = filter.cachedFrame();
        int announced = 0;
        NotificationCenter::defaultCenter().addObserver(&announced, LXFilterSettingsChangedNotification, &filter,
                                                        [&](const Notification&) { ++announced; });
        row.edit(filter);
        NotificationCenter::defaultCenter().removeObserver(&announced);
        EXPECT_FALSE(before.isNull()) << row.drift;
        EXPECT_EQ(filter.cachedFrame() == before, row.keepsFrame) << row.drift;
        EXPECT_EQ(announced > 0, row.announced) << row.drift;
    };
    for (const Row& row : rows) {
        LXTexturedFrameFilter textured;
        check(textured, row);
        LXShapedBorderFilter shaped;
        check(shaped, row);
    }
}

TEST(TexturedFrameFilter, EveryShippedFrameRendersTheSameInTilesAndShowsThePhoto)
{
    registerFrameClasses();
    const CIImage photo = patternImage(600, 400);
    const LXFrameCatalog& catalog = LXFrameCatalog::sharedFrameCatalog();
    int frames = 0, banded = 0;
    for (const QString& id : catalog.frameIDs()) {
        LXFrameDescription* frame = catalog.frameWithName(id);
        if (!frame) // a category header
            continue;
        ++frames;
        SCOPED_TRACE(id.toStdString());
        LXTexturedFrameFilter filter;
        filter.setFrameDescription(frame);
        filter.setInputImage(QVariant::fromValue(photo));
        filter.setCanvasProportion(600.0);
        filter.setInputWidth(0.08);
        filter.setInputShadowWidth(0.02);
        const CIImage out = filter.outputImage();
        const QRect whole = out.extent().toAlignedRect();
        EXPECT_TRUE(allFinite(out, whole));
        EXPECT_LE(tiledDifference(out, whole, 67, 43), 2e-3);
        EXPECT_LE(renderDifference(out, photo, QRect(290, 190, 20, 20)), 2e-3);
        // Its mask, drawn round what the picture's clear middle maps to, is the mask drawn whole.
        const auto art = frame->mask();
        if (!art || art->image().isNull() || !(art->width() > 0))
            continue;
        const QRectF r = filter.maskRect();
        const double scale = filter.borderWidth() / art->width();
        banded += !filter.clearMiddleOf(art.get(), art->image(), r, scale).isEmpty();
        EXPECT_LE(renderDifference(filter.cachedMask(), filter.drawFrame(art.get(), art->image(), r, scale, true), r.toAlignedRect()), 3e-3);
    }
    EXPECT_GT(frames, 0);
    EXPECT_GT(banded, 0);
}

// A square frame round an opaque photo hides what lies behind it: no seam
// between its texture's tiles (drawn reduced), none where a hard mask edge
// falls on a pixel's edge. Its inner shadow darkens the photo as its bitmap
// says, on every side, and nowhere else.
TEST(TexturedFrameFilter, SquareFramesAreOpaqueAndShadeThePhotoAsTheirShadowSays)
{
    registerFrameClasses();
    QImage waves(600, 400, QImage::Format_RGB32);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 600; ++x)
            waves.setPixel(x, y, qRgb(128 + 100 * std::sin(x * 0.2), 128 + 100 * std::sin(y * 0.3), 90));
    const CIImage photo = CIImage::imageWithQImage(waves);
    for (const char* name : {"Wood - Walnut Moulding", "Wood - Light Bevel"}) {
        SCOPED_TRACE(name);
        LXTexturedFrameFilter filter;
        filter.setFrameDescription(LXFrameCatalog::sharedFrameCatalog().frameWithName(name));
        filter.setInputImage(QVariant::fromValue(photo));
        // As round kleiber on a 2560 x 1600 screen: masks enlarged 1.42 times, tiles drawn at 0.67.
        filter.setCanvasProportion(1362.0);
        filter.setInputWidth(68.0 / 1362.0);
        filter.setInputShadowWidth(0.02);
        const CIImage out = filter.outputImage();
        const QRect whole = out.extent().toAlignedRect();
        const Rendered pixels(out, whole), in(photo, whole), shadow(filter.cachedShadow(), whole);
        ASSERT_TRUE(pixels.ok() && in.ok() && shadow.ok());
        EXPECT_TRUE(out.isOpaque());
        double clearest = 1, worstShade = 0;
        int darkened = 0;
        for (int y = whole.top(); y <= whole.bottom(); ++y)
            for (int x = whole.left(); x <= whole.right(); ++x) {
                clearest = std::min(clearest, double(pixels.at(x, y)[3]));
                const float k = 1 - shadow.at(x, y)[3]; // black: only its alpha darkens
                for (int c = 0; c < 3 && QRect(0, 0, 600, 400).contains(x, y); ++c)
                    worstShade = std::max(worstShade, double(std::abs(pixels.at(x, y)[c] - in.at(x, y)[c] * k)));
                darkened += k < 0.99f;
            }
        EXPECT_GT(clearest, 0.999);
        EXPECT_LE(worstShade, 2e-3);
        EXPECT_GT(darkened, 10000);
    }
}

TEST(TexturedFrameFilter, ScallopsOfTheOuterMaskAreLostInTheJoin)
{
    registerFrameClasses();
    // Stored descriptions name the mask by its old full name; type and index find it.
    LXFrameDescription* paper = LXFrameCatalog::sharedFrameCatalog().frameWithName("Paper - Handmade");
    ASSERT_TRUE(paper);
    ASSERT_EQ(paper->externalMaskName(), "FRM-E#012#Scalloped");
    LXTexturedFrameFilter filter;
    // A border of 48 pixels, the mask's own size: scallops 50 wide, 6 across and 4 down.
    frameRound(filter, paper, QRectF(0, 0, 300, 200), 0.1);
    filter.setCanvasProportion(480.0);
    EXPECT_EQ(LXTexturedFrameFilter::repeatsVectorForFrame(paper->mask().get(), {396, 296}, 1.0), CIVector(3, 2));
    const Rendered mask(filter.cachedMask(), QRect(-48, -48, 396, 296));
    ASSERT_TRUE(mask.ok());
    // The outline dips 5 pixels where two scallops meet and reaches the edge between.
    for (int k = 1; k < 6; ++k) {
        EXPECT_LT(mask.at(50 * k, -47)[3], 0.05f) << "dip along the bottom at " << 50 * k;
        EXPECT_GT(mask.at(50 * k - 25, -48)[3], 0.9f) << "crest along the bottom at " << 50 * k - 25;
        EXPECT_LT(mask.at(-47, 50 * (k % 3 + 1))[3], 0.05f) << "dip along the left at " << 50 * (k % 3 + 1);
    }
}

TEST(TexturedFrameFilter, AntialiasedOuterEdgeIsCoveredTwiceAndLightenedByShades)
{
    QTemporaryDir dir;
    // A border 20 wide whose outermost ring is half covered; its corner pixels lie outside the outline.
    QImage art = filled(60, 60, Qt::transparent, QImage::Format_RGBA8888);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x)
            if (const int ring = std::min(std::min(x, y), std::min(59 - x, 59 - y)); ring < 20)
                art.setPixelColor(x, y, QColor(255, 255, 255, ring ? 255 : (x % 59 || y % 59) ? 128 : 0));
    ASSERT_TRUE(saveArt(dir, "ExternalMasks", "FRM-E#001#Edge#20.png", art));
    // An opaque, light multiply shade over the whole square, outside the outline too.
    ASSERT_TRUE(saveArt(dir, "Shades", "FRM-S#001#Light#20.png", filled(60, 60, QColor(220, 220, 220))));
    const QVariantList shade{QVariantMap{{"Shade", "FRM-S#001#Light"}, {"BlendMode", "multiply"}, {"Intensity", 1.0}}};
    const float half = 128.f / 255.f;
    for (const QVariantList& shades : {QVariantList(), shade}) {
        SCOPED_TRACE(shades.size());
        LXFrameDescription frame({{"ExternalMask", "FRM-E#001#Edge"}, {"Texture.Color", "0.8 0.4 0.2 1"}, {"Shades", shades}},
                                 QUrl::fromLocalFile(dir.path()), false);
        LXTexturedFrameFilter filter;
        frameRound(filter, &frame, QRectF(0, 0, 40, 30), 20.0);
        const Rendered out(filter.outputImage(), QRect(-20, -20, 80, 70)), alone(filter.cachedFrame(), QRect(-20, -20, 1, 1));
        ASSERT_TRUE(out.ok() && alone.ok());
        // Coverage once: the edge is the inside colour at the mask's alpha; outside the outline nothing.
        const Pixel in = out.at(-10, 10);
        ASSERT_NEAR(in[3], 1.0f, 1e-3f);
        EXPECT_THAT(out.at(-20, 10), PixelNear((Pixel{half * in[0], half * in[1], half * in[2], half}), 4e-3f));
        EXPECT_THAT(out.at(-20, -20), PixelNear((Pixel{0, 0, 0, 0}), 1e-3f));
        EXPECT_THAT(alone.at(-20, -20), PixelNear((Pixel{0, 0, 0, 0}), 1e-3f));
    }
}

TEST(TexturedFrameFilter, GrainRunsAcrossTheLeftAndRightSides)
{
    registerFrameClasses();
    const LXFrameCatalog& catalog = LXFrameCatalog::sharedFrameCatalog();
    for (const char* name : {"Wood - Light Bevel", "Wood - Walnut Moulding", "Metal - Brushed"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(catalog.frameWithName(name));
        // The texture alone: shades change across the border and would hide its direction.
        QVariantMap saved = catalog.frameWithName(name)->saveDictionary();
        saved.remove("Shades");
        LXFrameDescription bare(saved, catalog.URL(), false);
        LXTexturedFrameFilter filter;
        frameRound(filter, &bare, QRectF(0, 0, 300, 200), 0.1);
        filter.setCanvasProportion(600.0);
        const Rendered out(filter.outputImage(), QRect(-60, -60, 420, 320));
        // Mean luminance steps along and across a stretch of border: the grain is smooth along it.
        const auto steps = [&](QRect area, int dx, int dy) {
            double sum = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    sum += std::abs(luma(out.at(x + dx, y + dy)) - luma(out.at(x, y)));
            return sum;
        };
        const QRect left(-50, 40, 40, 120), bottom(40, -50, 220, 40);
        EXPECT_LT(steps(left, 0, 1), 0.7 * steps(left, 1, 0)) << "left side";
        EXPECT_LT(steps(bottom, 1, 0), 0.7 * steps(bottom, 0, 1)) << "bottom side";
    }
}

// The inner shadow blurred on the CPU darkens as the engine's disc blur of the mask did.
TEST(TexturedFrameFilter, ShadowFromTheMasksBitmapMatchesTheDiscBlur)
{
    // mask: drawn into `size` at `origin`; extent: where the shadow is asked for.
    struct Row { const char* name; QSize size; QPoint origin; QRect extent; double radius; };
    const Row rows[] = {
        {"few texels: no halving", {60, 50}, {0, 0}, {0, 0, 60, 50}, 5},
        {"halved once, odd sizes", {91, 67}, {-3, 4}, {4, 7, 77, 53}, 13.5},
        {"halved twice, mask beyond the picture", {160, 120}, {-30, -20}, {-2, 3, 101, 79}, 21},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // A ring with a soft outer edge, a black stripe (light but opaque) and a scalloped inner edge.
        QImage art = filled(row.size.width(), row.size.height(), Qt::transparent, QImage::Format_RGBA8888_Premultiplied);
        {
            QPainter p(&art);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawRoundedRect(QRectF(1.5, 2.3, row.size.width() - 3.1, row.size.height() - 4.2), 9, 9);
            p.fillRect(QRectF(0, row.size.height() * 0.1, row.size.width(), 3.5), QColor(0, 0, 0, 200));
            p.setCompositionMode(QPainter::CompositionMode_Clear);
            p.drawEllipse(QRectF(row.size.width() * 0.22, row.size.height() * 0.2, row.size.width() * 0.55,
                                 row.size.height() * 0.6));
        }
        const CIImage mask =
            CIImage::imageWithQImage(art).imageByApplyingTransform(QTransform::fromTranslate(row.origin.x(), row.origin.y()));
        const Rendered engine(innerShadowOf(mask, "CIDiscBlur", row.radius, QRectF(row.extent)), row.extent);
        const QImage cpu = discShadowBitmap(art, row.origin, row.radius, row.extent);
        const QTransform placed = QTransform::fromTranslate(row.extent.x(), row.extent.y());
        const Rendered ours(CIImage::imageWithQImage(cpu).imageByApplyingTransform(placed), row.extent);
        ASSERT_TRUE(engine.ok() && ours.ok());
        // The factor the inner multiply darkens by, in levels.
        const auto factor = [](const Pixel& s) { return 255 * (1 - s[3] + 0.2126 * s[0] + 0.7152 * s[1] + 0.0722 * s[2]); };
        double worst = 0, sum = 0;
        for (int y = row.extent.top(); y <= row.extent.bottom(); ++y)
            for (int x = row.extent.left(); x <= row.extent.right(); ++x) {
                const double d = std::abs(factor(engine.at(x, y)) - factor(ours.at(x, y)));
                worst = std::max(worst, d);
                sum += d;
            }
        // Half-float passes against 8-bit bytes: under two levels anywhere, half a level on average.
        EXPECT_LE(worst, 2.0);
        EXPECT_LE(sum / (row.extent.width() * row.extent.height()), 0.5);
    }
}

// The frame is drawn only round its mask's clear middle: its coverage is still the mask's everywhere.
TEST(TexturedFrameFilter, FrameDrawnRoundTheClearMiddleCoversTheWholeMask)
{
    QTemporaryDir dir;
    // window: the transparent part of a 60 x 60 mask picture (top-down rows); radius rounds its corners.
    struct Row { const char* name; QRect window; double radius; };
    const Row rows[] = {
        {"window off centre", {14, 24, 36, 30}, 0},
        {"rounded window", {12, 12, 36, 36}, 10},
        {"no window", {}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QImage art = filled(60, 60, Qt::white, QImage::Format_RGBA8888_Premultiplied);
        {
            QPainter p(&art);
            p.setRenderHint(QPainter::Antialiasing);
            p.setCompositionMode(QPainter::CompositionMode_Clear);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::black);
            p.drawRoundedRect(QRectF(row.window), row.radius, row.radius);
        }
        const QString name = QStringLiteral("FRM-E#%1#Window").arg(int(&row - rows) + 1, 3, 10, QChar('0'));
        ASSERT_TRUE(saveArt(dir, "ExternalMasks", name + "#20.png", art));
        LXFrameDescription frame({{"ExternalMask", name}, {"Texture.Color", "0.2 0.5 0.9 1"}}, QUrl::fromLocalFile(dir.path()), true);
        LXTexturedFrameFilter filter;
        frameRound(filter, &frame, QRectF(3, -5, 160, 110), 30.0);
        filter.setForceInside(true);
        const QRect area = filter.cachedMask().extent().toAlignedRect();
        const Rendered mask(filter.cachedMask(), area), framed(filter.cachedFrame(), area);
        ASSERT_TRUE(mask.ok() && framed.ok());
        double worst = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                worst = std::max(worst, double(std::abs(mask.at(x, y)[3] - framed.at(x, y)[3])));
        EXPECT_LE(worst, 3e-3);
        // Drawn round the photo, a solid frame makes a picture known opaque
        // (nothing is drawn under it), whatever the photo; one that leaves
        // a clear gap to the photo does not.
        filter.setForceInside(false);
        EXPECT_EQ(filter.outputImage().isOpaque(), row.window.isEmpty());
        filter.setInputImage(QVariant::fromValue(solid(CIColor(0, 0, 1, 0.5), QRectF(3, -5, 160, 110))));
        EXPECT_EQ(filter.outputImage().isOpaque(), row.window.isEmpty());
    }
}
