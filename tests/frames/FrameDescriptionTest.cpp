// Frame image descriptions and the frame description, on real picture files
// in a temporary resource folder.

#include "filters/LXAdjustableBlendFilter.h"
#include "frames/LXCombinedShadeDescription.h"
#include "frames/LXFrameDescription.h"
#include "graphics/ImageExtension.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Timer.h"
#include "resources/LXTempCleaner.h"
#include "tests/support/Pixels.h"
#include "tests/support/LogCapture.h"
#include "util/UndoManager.h"
#include "util/UndoCoalescing.h"

#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

// A resource folder: <root>/<directory>/<file>.png, each pixel from `colour`.
struct Resources {
    QTemporaryDir dir;
    QUrl base() const { return QUrl::fromLocalFile(dir.path()); }
    QUrl add(const QString& directory, const QString& file, QSize size = {8, 6},
             std::function<QColor(int x, int y)> colour = {})
    {
        QImage image(size, QImage::Format_RGBA8888);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                image.setPixelColor(x, y, colour ? colour(x, y) : QColor(255, 255, 255, 255));
        QDir(dir.path()).mkpath(directory);
        const QString path = dir.path() + '/' + directory + '/' + file + ".png";
        EXPECT_TRUE(image.save(path));
        return QUrl::fromLocalFile(path);
    }
};

QVariantMap shadeEntry(const QString& name, const QVariant& mode, const QVariant& intensity)
{
    QVariantMap entry{{"Shade", name}, {"BlendMode", mode}, {"Intensity", intensity}};
    entry.removeIf([](const auto& item) { return !item.value().isValid(); });
    return entry;
}

} // namespace

TEST(FrameImageDescription, GeometryFromTheFileName)
{
    struct Row { const char* label; QString file; QString name; LXFrameImageOptions options; double cornerSide; };
    const Row rows[] = {
        {"corner larger than width", "FRM-E#010#Gold#8-20.png", "FRM-E#010#Gold", {8, 20, 0, 0}, 20},
        {"no options", "FRM-S#020#Gloss.png", "FRM-S#020#Gloss", {1, 0, 0, 0}, 1},
        {"empty options", "FRM-S#020#Gloss#.png", "FRM-S#020#Gloss", {0, 0, 0, 0}, 0},
        {"decimals, words, extra pieces", "FRM-S#001#A#2.5-x-7.9-3y-9.png", "FRM-S#001#A", {2.5, 0, 7, 3}, 2.5},
        {"huge repeat and number", "FRM-S#001#A#1e999-1-99999999999999999999.png", "FRM-S#001#A", {0, 1, 0, 0}, 1},
    };
    for (const Row& row : rows) {
        const LXFrameImageDescription d(QUrl::fromLocalFile("/res/Shades/" + row.file));
        EXPECT_EQ(d.name(), row.name) << row.label;
        EXPECT_EQ((LXFrameImageOptions{d.width(), d.corner(), d.repeatX(), d.repeatY()}), row.options) << row.label;
        EXPECT_EQ(d.cornerSize(), QSizeF(row.cornerSide, row.cornerSide)) << row.label;
    }
}

TEST(MaskDescription, JoinsTheGeometryOfBothMasks)
{
    Resources res;
    const QUrl external = res.add("ExternalMasks", "FRM-E#010#Gold#40-5-3-0");
    const QUrl internal = res.add("InternalMasks", "FRM-I#010#Gold#20-30-0-4");
    const QUrl flat = res.add("InternalMasks", "FRM-I#011#Flat#");
    const QUrl fallback = res.add("InternalMasks", "FRM-I#000#Plain#10");
    struct Row { const char* label; QUrl internal; QString name, warning; double scale, innerCorner, width, corner;
                 quint64 repeatX, repeatY; };
    const Row rows[] = {
        {"both masks", internal, "FRM-I#010#Gold", "", 2, 30, 40, 30, 3, 4},
        {"default internal mask", {}, "FRM-I#000#Plain", "", 4, 10, 40, 5, 3, 0},
        {"internal width 0", flat, "FRM-I#011#Flat", "Warning: Internal mask", 1, 0, 40, 5, 3, 0},
    };
    for (const Row& row : rows) {
        LogCapture log;
        LXMaskDescription mask(external, row.internal);
        SCOPED_TRACE(row.label);
        EXPECT_EQ(log.lines().size(), row.warning.isEmpty() ? 0 : 1);
        EXPECT_TRUE(row.warning.isEmpty() || log.contains(row.warning));
        EXPECT_EQ(std::tuple(mask.name(), mask.scale(), mask.innerCornerWidth(), mask.width(), mask.corner(),
                             mask.repeatX(), mask.repeatY(), mask.image().extent()),
                  std::tuple(row.name, row.scale, row.innerCorner, row.width, row.corner, row.repeatX, row.repeatY,
                             QRectF(0, 0, 8, 6)));
    }
}

TEST(FrameImageDescription, ReleaseTimerLetsPicturesGoAndWritesMerges)
{
    Resources res;
    const QUrl url = res.add("Shades", "FRM-S#001#A#4", {8, 6}, [](int, int) { return QColor(200, 100, 50, 128); });
    LXFrameImageDescription plain(url);
    EXPECT_FALSE(plain.image().isNull());
    ASSERT_TRUE(plain.cacheTimer());
    EXPECT_EQ(plain.cacheTimer()->interval(), 300.0);
    plain.cacheTimer()->fire();
    EXPECT_FALSE(plain.isCached());
    EXPECT_FALSE(plain.cacheTimer());

    QString copy;
    {
        LXShadeDescription half(url, "multiply", 0.5);
        LXCombinedShadeDescription merged(url, "multiply", 1.0);
        copy = merged.imageURL().toLocalFile();
        EXPECT_TRUE(LXTempCleaner::sharedTempCleaner().registered().contains(merged.imageURL()));
        merged.addDescription(&half);
        ASSERT_TRUE(merged.cacheTimer());
        merged.cacheTimer()->fire();
        EXPECT_TRUE(merged.isCached());
        EXPECT_FALSE(merged.hasChanges());
        // The file now holds the merge: more opaque than either layer.
        QImage written = QImageReader(copy).read().convertToFormat(QImage::Format_RGBA8888);
        ASSERT_EQ(written.size(), QSize(8, 6));
        EXPECT_NEAR(written.pixelColor(3, 3).alphaF(), 1 - 0.5 * (1 - 0.5 * 0.5), 2.0 / 255);
    }
    EXPECT_FALSE(QFile::exists(copy));
}

TEST(FrameDescription, OptimizedShadesRenderLikeTheShadesOneByOne)
{
    Resources res;
    auto gradient = [](int r, int g) { return [=](int x, int y) { return QColor(r, g, 30 * x, 60 + 25 * y); }; };
    res.add("Shades", "FRM-S#001#Dark#4", {8, 6}, gradient(40, 200));
    res.add("Shades", "FRM-S#002#Soft#4-6", {8, 6}, gradient(220, 90));
    res.add("Shades", "FRM-S#003#Wide#4", {9, 6}, gradient(10, 10));
    res.add("Shades", "FRM-S#004#Gloss#4", {8, 6}, gradient(250, 250));
    const QVariantList shades{shadeEntry("FRM-S#001#Dark", "multiply", 0.5),
                              shadeEntry("FRM-S#002#Soft", "multiply", 0.25),
                              shadeEntry("FRM-S#003#Wide", "multiply", 0.8),
                              shadeEntry("FRM-S#004#Gloss", "overlay", 1.0)};
    LXFrameDescription frame({{"Name", "Gold"}, {"Shades", shades}}, res.base(), true);
    ASSERT_EQ(frame.shades().size(), 4u);
    const LXShadeList& optimized = frame.optimizedShades();
    ASSERT_EQ(optimized.size(), 3u); // other extents are not merged
    EXPECT_EQ(optimized[0]->intensity(), 1.0);
    EXPECT_EQ(optimized[1], frame.shades()[2]);

    auto blendAll = [](const LXShadeList& list) {
        CIImage picture = CIImage::imageWithColor(CIColor(0.7, 0.5, 0.3)).imageByCroppingToRect(QRectF(0, 0, 8, 6));
        for (const auto& shade : list) {
            LXAdjustableBlendFilter blend;
            blend.inputBlendName = shade->blendMode();
            blend.inputIntensity = shade->intensity();
            blend.inputBackgroundImage = QVariant::fromValue(picture);
            blend.inputImage = QVariant::fromValue(shade->image());
            blend.inputUseBGExtent = true;
            picture = blend.outputImage();
        }
        return picture;
    };
    const double off = renderDifference(blendAll(frame.shades()), blendAll(optimized), QRect(0, 0, 8, 6));
    EXPECT_TRUE(off >= 0 && off < 2e-3) << off;
    // Changed by code, without an editor: the merged list follows.
    frame.removeShadeAtIndex(2);
    EXPECT_EQ(frame.optimizedShades().size(), 2u);
}

TEST(FrameDescription, DictionaryRoundTripWithMissingKeys)
{
    Resources res;
    res.add("Shades", "FRM-S#001#Gloss#4");
    struct Row { const char* label; QVariantMap in, out; QString log; } rows[] = {
        {"empty", {}, {{"Name", ""}, {"Texture.Color", "0 0 0 1"}, {"TextureFillMode", 0}, {"Inset", 0.0}}, ""},
        {"unknown texture, colour and masks kept",
         {{"Name", "A"}, {"Texture", "Nothing"}, {"Texture.Color", "0.5 0.25 1 1"}, {"TextureFillMode", -1},
          {"ExternalMask", "FRM-E#010#X"}, {"Inset", 12.5}},
         {{"Name", "A"}, {"Texture.Color", "0.5 0.25 1 1"}, {"TextureFillMode", 4294967295ll},
          {"ExternalMask", "FRM-E#010#X"}, {"Inset", 12.5}},
         "Warning: Did not find Texture 'Nothing'"},
        {"shade defaults, missing shade, bare name",
         {{"Shades", QVariantList{shadeEntry("FRM-S#001#Gloss", "noSuchMode", {}), shadeEntry("FRM-S#009#Gone", {}, 1),
                                  shadeEntry("Gloss", {}, 1)}}},
         {{"Name", ""}, {"Texture.Color", "0 0 0 1"}, {"TextureFillMode", 0}, {"Inset", 0.0},
          {"Shades", QVariantList{shadeEntry("FRM-S#001#Gloss", "sourceOver", 0.0)}}},
         "Error: Did not find Shade 'FRM-S#009#Gone'"},
    };
    for (const Row& row : rows) {
        LogCapture log;
        LXFrameDescription frame(row.in, res.base(), false);
        EXPECT_EQ(frame.saveDictionary(), row.out) << row.label;
        EXPECT_EQ(LXFrameDescription(frame.saveDictionary(), res.base(), false).saveDictionary(), row.out) << row.label;
        EXPECT_TRUE(row.log.isEmpty() ? log.lines().isEmpty() : log.contains(row.log)) << row.label;
    }
}

TEST(FrameDescription, UndoRestoresTheUsersColourAndPostsChanges)
{
    Resources res;
    res.add("Shades", "FRM-S#001#Gloss#4");
    res.add("ExternalMasks", "FRM-E#001#Gold#4");
    LXFrameDescription::setTextureResolver([](QString& name, HSVTriple& base) {
        const QString plain = name.section('#', -1);
        if (plain != "Wood" && plain != "Oak")
            return false;
        base = {plain == "Wood" ? 0.1 : 0.6, 0.5, 0.8};
        name = "ALX-T#010#" + plain;
        return true;
    });
    LXFrameDescription frame({{"Texture", "Wood"}, {"Texture.Color", "0.2 0.4 0.6 1"}, {"ExternalMask", "Gold"},
                              {"Shades", QVariantList{shadeEntry("FRM-S#001#Gloss", "multiply", 1)}}},
                             res.base(), true);
    EXPECT_EQ(frame.mask(), nullptr) << "a bare name has no identifier to look up";
    UndoManager undo;
    frame.setUndoManager(&undo);
    QStringList posted;
    for (const char* name : {"FrameShadeChanged", "FrameTextureChanged", "FrameChanged", "FrameUndo"})
        NotificationCenter::defaultCenter().addObserver(&posted, name, &frame,
                                                        [&](const Notification& n) { posted << n.name; });
    frame.setTextureName("Oak");
    undo.closeGroup();
    frame.removeShadeAtIndex(0);
    frame.removeShadeAtIndex(3);
    undo.closeGroup();
    posted.clear();
    ASSERT_TRUE(undo.undo());
    EXPECT_EQ(frame.shades().size(), 1u);
    EXPECT_EQ(posted, QStringList({"FrameShadeChanged", "FrameChanged", "FrameUndo"}));
    ASSERT_TRUE(undo.undo());
    EXPECT_EQ(frame.textureName(), "ALX-T#010#Wood");
    EXPECT_EQ(frame.textureColor(), CIColor(0.2, 0.4, 0.6, 1));
    ASSERT_TRUE(undo.redo());
    EXPECT_EQ(frame.textureName(), "ALX-T#010#Oak");
    EXPECT_EQ(frame.textureColor(), colorForHSV({0.6, 0.5, 0.8}));
    // A slider drag: ten changes while the button is down, one undo step.
    undo.closeGroup();
    frame.removeShadeAtIndex(0);
    frame.insertShade(std::make_shared<LXShadeDescription>(), 0);
    undo.closeGroup();
    setLeftMouseButtonSource([] { return true; });
    for (int i = 1; i <= 10; ++i)
        frame.setShadeIntensity(i / 20.0, 0);
    setLeftMouseButtonSource({});
    undo.closeGroup();
    ASSERT_TRUE(undo.undo());
    EXPECT_EQ(frame.shades()[0]->intensity(), 1.0);
    EXPECT_EQ(frame.shades().size(), 1u);
    NotificationCenter::defaultCenter().removeObserver(&posted);
    LXFrameDescription::setTextureResolver({});
}
