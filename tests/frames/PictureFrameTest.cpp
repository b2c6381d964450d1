#include "filters/LXFilterConstructor.h"
#include "frames/FrameClasses.h"
#include "frames/LXPictureFrameFilter.h"
#include "frames/LXPictureShadowFilter.h"
#include "frames/PictureResource.h"
#include "platform/image/EngineNodes.h"
#include "tests/support/ChildTest.h"
#include "tests/support/Images.h"
#include "tests/support/Pixels.h"
#include "tests/support/LogCapture.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLineF>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(PictureFrame, PlacesFrameAndShadowByTheirNumbers)
{
    // from, to: a picture point and where it must land.
    struct Row { const char* name; QRectF photo, layout, picture; QPointF from, to; };
    // Window 800 x 600 in a 1000 x 800 picture over 1600 x 1000: s = 5/3, 133.3 free on each side.
    const Row frames[] = {
        {"window corner", {0, 0, 1600, 1000}, {100, 100, 800, 600}, {0, 0, 1000, 800}, {100, 100}, {400.0 / 3, 0}},
        {"window top right", {0, 0, 1600, 1000}, {100, 100, 800, 600}, {0, 0, 1000, 800}, {900, 700}, {4400.0 / 3, 1000}},
        {"moved photo", {50, -20, 1600, 1000}, {100, 100, 800, 600}, {0, 0, 1000, 800}, {100, 100}, {50 + 400.0 / 3, -20}},
        {"picture off origin", {0, 0, 800, 600}, {100, 100, 800, 600}, {10, 20, 1000, 800}, {110, 120}, {0, 0}},
    };
    for (const Row& row : frames) {
        SCOPED_TRACE(row.name);
        const auto T = LXPictureFrameFilter::frameTransform(row.photo, row.layout, row.picture);
        ASSERT_TRUE(T);
        EXPECT_LT(QLineF(T->map(row.from), row.to).length(), 1e-9) << T->map(row.from).x() << ", " << T->map(row.from).y();
    }
    // Shadow 1100 wide, margin (50, 40), photo 2100 wide: k = 2, moved by (-100, -80).
    const auto S = LXPictureShadowFilter::shadowTransform({0, 0, 2100, 1400}, {50, 40}, {0, 0, 1100, 300});
    ASSERT_TRUE(S);
    EXPECT_EQ(S->map(QPointF(0, 0)), QPointF(-100, -80));
    EXPECT_EQ(S->map(QPointF(50, 40)), QPointF(0, 0));

    // Nothing to place by: no transform rather than NaN.
    EXPECT_FALSE(LXPictureFrameFilter::frameTransform({0, 0, 100, 100}, {}, {0, 0, 10, 10}));
    EXPECT_FALSE(LXPictureFrameFilter::frameTransform({0, 0, 100, 100}, {1, 1, 0, 5}, {0, 0, 10, 10}));
    EXPECT_FALSE(LXPictureShadowFilter::shadowTransform({0, 0, 100, 100}, {300, 0}, {0, 0, 300, 10}));
}

TEST(PictureFrame, EveryShippedPictureRendersTheSameInTilesAndShowsThePhoto)
{
    registerFrameClasses();
    const QString frameClass = QStringLiteral("LXPictureFrameFilter");
    LXFilterConstructor::registerFilterInDescription(
        {{"CIPlugInFilterList", QVariantMap{{frameClass, QVariantMap{{"CIFilterClass", frameClass}}}}}});
    // Large enough that every frame is enlarged, as over real photos.
    const CIImage source = patternImage(1500, 1000);
    ASSERT_GE(LXPictureFrameFilter::frameList().size(), 4);
    ASSERT_GE(LXPictureShadowFilter::shadowList().size(), 3);
    for (const QString& name : LXPictureFrameFilter::frameList()) {
        SCOPED_TRACE(name.toStdString());
        auto filter = CIFilter::filterWithName(frameClass);
        ASSERT_TRUE(filter);
        filter->setValue(QVariant::fromValue(source), QStringLiteral("inputImage"));
        filter->setValue(name, QStringLiteral("inputFrameName"));
        const CIImage out = filter->outputImage();
        const auto* frame = static_cast<LXPictureFrameFilter*>(filter.get());
        const QRectF window = frame->frameLayout.toRectF();
        const QPointF corner = LXPictureFrameFilter::frameTransform(source.extent(), window,
                                                                    frame->frameImage.value<CIImage>().extent())
                                   ->map(window.topLeft());
        // Around the window's corner: frame, mask edge and photo meet there.
        const QRect area = QRect(int(corner.x()) - 90, int(corner.y()) - 70, 180, 140);
        EXPECT_TRUE(allFinite(out, area));
        EXPECT_LE(tiledDifference(out, area, 37, 29), 2e-3);
        // The middle of the photo shows through the window unchanged.
        EXPECT_LE(renderDifference(out, source, QRect(740, 490, 8, 8)), 2e-3);
    }
    const CIImage small = patternImage(96, 64);
    for (const QString& name : LXPictureShadowFilter::shadowList()) {
        SCOPED_TRACE(name.toStdString());
        LXPictureShadowFilter filter;
        filter.inputImage = QVariant::fromValue(small);
        filter.setInputShadowName(name);
        const CIImage out = filter.outputImage();
        EXPECT_GT(out.extent().width(), small.extent().width());
        EXPECT_TRUE(allFinite(out, out.extent().toAlignedRect()));
        EXPECT_LE(tiledDifference(out, out.extent().toAlignedRect(), 37, 29), 1e-3);
    }
}

// An opaque photo is laid over its framed self where the frame is known
// clear and the mask white, so that a kept picture copies it there: laid
// over a pixel of the frame's or mask's edge, it would hide that edge.
TEST(PictureFrame, ThePhotoLaidThroughTheWindowHidesNothingOfTheFrame)
{
    registerFrameClasses();
    const auto opaquePattern = [](int w, int h) {
        QImage image(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * 5 + y * 23 + 60) % 256, (x * 7 + y * 3) % 256));
        return CIImage::imageWithQImage(image);
    };
    // The top layer and the picture under it: an opaque photo's part laid
    // over a picture that is the same there, a translucent one not at all.
    const auto check = [](LXPictureFrameFilter& filter, const CIImage& photo) {
        filter.inputImage = QVariant::fromValue(photo);
        const CIImage out = filter.outputImage();
        std::vector<CIImage> layers;
        out.node()->forEachInput([&](const CIImage& input) { layers.push_back(input); });
        ASSERT_EQ(layers.size(), 2u);
        if (!photo.isOpaque()) {
            EXPECT_EQ(layers[0].extent(), filter.outputExtentFor(photo.extent())) << "the frame is not on top";
            return;
        }
        EXPECT_TRUE(photo.extent().contains(layers[0].extent())) << "a part of the photo is on top";
        EXPECT_LE(renderDifference(out, layers[1], out.extent().toAlignedRect()), 2e-3);
    };
    const struct { const char* name; CIImage photo; } rows[] = {
        {"enlarged", opaquePattern(1500, 1000)},
        {"shrunk for a preview", opaquePattern(150, 100)},
        {"upright", opaquePattern(300, 450)},
        {"translucent", patternImage(300, 200)},
    };
    ASSERT_GE(LXPictureFrameFilter::frameList().size(), 4);
    for (const QString& name : LXPictureFrameFilter::frameList())
        for (const auto& row : rows) {
            SCOPED_TRACE(name.toStdString() + " " + row.name);
            LXPictureFrameFilter filter;
            filter.setInputFrameName(name);
            check(filter, row.photo);
        }
    // A mask white in less than the window, grey round that: laid only where it is white.
    QImage frame(100, 80, QImage::Format_ARGB32_Premultiplied), mask(100, 80, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::darkRed);
    mask.fill(Qt::transparent);
    QPainter(&mask).fillRect(QRect(10, 10, 80, 60), QColor(128, 128, 128));
    QPainter(&mask).fillRect(QRect(30, 25, 40, 30), Qt::white);
    QPainter clear(&frame);
    clear.setCompositionMode(QPainter::CompositionMode_Clear);
    clear.fillRect(QRect(10, 10, 80, 60), Qt::transparent);
    clear.end();
    LXPictureFrameFilter grey;
    grey.frameImage = QVariant::fromValue(CIImage::imageWithQImage(frame));
    grey.maskImage = QVariant::fromValue(CIImage::imageWithQImage(mask));
    grey.frameLayout = QRectF(10, 10, 80, 60);
    SCOPED_TRACE("grey mask");
    check(grey, opaquePattern(400, 300));
}

TEST(PictureFrame, PortraitPhotosShowLittleThroughLandscapeWindows)
{
    registerFrameClasses();
    // The share of the photo's pixels that show unchanged.
    const auto shown = [](LXPictureFrameFilter& filter, int w, int h) {
        filter.inputImage = QVariant::fromValue(solid(CIColor(1, 0, 0), QRectF(0, 0, w, h)));
        const Rendered out(filter.outputImage(), QRect(0, 0, w, h));
        int count = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                count += out.at(x, y)[0] > 0.99f && out.at(x, y)[1] < 0.01f;
        return double(count) / (w * h);
    };
    for (const QString& name : LXPictureFrameFilter::frameList()) {
        SCOPED_TRACE(name.toStdString());
        LXPictureFrameFilter filter;
        filter.setInputFrameName(name);
        const double landscape = shown(filter, 240, 160), portrait = shown(filter, 160, 240);
        EXPECT_GT(landscape, 0.5);
        EXPECT_GE(portrait, landscape - 0.03) << "landscape " << landscape;
    }
}

TEST(PictureFrame, WindowMeetingThePhotosEdgeLeavesATransparentSeam)
{
    registerFrameClasses();
    for (const QString& name : LXPictureFrameFilter::frameList())
        for (const QRectF photo : {QRectF(0, 0, 240, 160), QRectF(0, 0, 160, 240)}) {
            SCOPED_TRACE(name.toStdString() + (photo.width() > photo.height() ? " landscape" : " portrait"));
            LXPictureFrameFilter filter;
            filter.setInputFrameName(name);
            filter.inputImage = QVariant::fromValue(solid(CIColor(1, 0, 0), photo));
            const LXPictureFrameFilter::Variant v = filter.variantFor(photo);
            const auto T = LXPictureFrameFilter::frameTransform(photo, v.layout, v.frame.extent());
            ASSERT_TRUE(T);
            const QRect w = T->mapRect(v.layout.translated(v.frame.extent().topLeft())).toAlignedRect();
            const Rendered out(filter.outputImage(), w.adjusted(-2, -2, 2, 2));
            // A pixel out from the middle of each side of the window: frame over photo, opaque.
            const int cx = w.center().x(), cy = w.center().y();
            for (const auto& [x, y] : {std::pair{cx, w.top() - 1}, {cx, w.bottom() + 1}, {w.left() - 1, cy}, {w.right() + 1, cy}})
                EXPECT_GT(out.at(x, y)[3], 0.95f) << x << ", " << y;
        }
}

TEST(PictureFrame, WithoutAPictureOrWindowThePhotoStays)
{
    const CIImage source = patternImage(40, 30);
    // line: the one log line expected, if any.
    struct Row { const char* name; std::function<void(LXPictureFrameFilter&)> set; const char* line; };
    const Row rows[] = {
        {"no name", [](LXPictureFrameFilter& f) { f.setInputFrameName({}); }, nullptr},
        {"unknown name", [](LXPictureFrameFilter& f) { f.setInputFrameName(QStringLiteral("ALX-F#999#Gone")); },
         "Warning: Picture Frame 'ALX-F#999#Gone' not found"},
        {"bare name", [](LXPictureFrameFilter& f) { f.setInputFrameName(QStringLiteral("Polaroid")); },
         "Warning: Picture Frame 'Polaroid' not found"},
        {"empty window",
         [&](LXPictureFrameFilter& f) {
             f.frameImage = QVariant::fromValue(patternImage(10, 10));
             f.frameLayout = QRectF();
         },
         nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LXPictureFrameFilter filter;
        filter.setInputFrameName(LXPictureFrameFilter::frameList().first());
        filter.inputImage = QVariant::fromValue(source);
        LogCapture log;
        row.set(filter);
        EXPECT_EQ(filter.outputImage(), source);
        EXPECT_EQ(log.lines(), row.line ? QStringList{QString::fromLatin1(row.line)} : QStringList{});
    }
}

// A picture kept for every filter that shows it is read anew once its file changes.
TEST(PictureFrame, KeptPictureOfAChangedFileIsNotShown)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("card.png"));
    // Times seconds apart, also where the file system keeps whole seconds.
    const auto write = [&](const QColor& colour, int side, int seconds) {
        QFile file(path);
        return filled(side, side, colour).save(path) && file.open(QIODevice::ReadWrite)
            && file.setFileTime(QDateTime::currentDateTime().addSecs(seconds), QFileDevice::FileModificationTime);
    };
    const auto blue = [&] { return Rendered(sharedPictureAt(path), QRect(0, 0, 1, 1)).at(0, 0)[2]; };
    ASSERT_TRUE(write(Qt::red, 4, 0));
    EXPECT_NEAR(blue(), 0.0f, 1e-3); // drawn once, so that its pixels are held
    ASSERT_TRUE(write(Qt::blue, 4, 2)); // same size, later
    EXPECT_NEAR(blue(), 1.0f, 1e-3);
    ASSERT_TRUE(write(Qt::red, 6, 2)); // same time, larger
    EXPECT_EQ(sharedPictureAt(path).extent(), QRectF(0, 0, 6, 6));
}

// Run by the test below in a process whose bundle is installed under "MaskedInstall".
TEST(PictureFrame, InstalledElsewhere)
{
    if (qEnvironmentVariableIsEmpty("SUNNYSIDE_RESOURCES"))
        GTEST_SKIP() << "helper of FramesAreFoundWhereverInstalledAndBadNamesKeepTheFrameBefore";
    EXPECT_EQ(LXPictureFrameFilter::frameList(), (QStringList{"ALX-F#001#Card", "ALX-F#002#Bad"}));
    LXPictureFrameFilter filter;
    filter.setInputFrameName(QStringLiteral("ALX-F#001"));
    LogCapture log;
    filter.setInputFrameName(QStringLiteral("ALX-F#002"));
    EXPECT_EQ(log.lines(), QStringList{"Error: Picture Frame ALX-F#002 has wrong number of Name-Components 3 (1, 2, 3)"});
    EXPECT_EQ(filter.inputFrameName().toString(), "ALX-F#001#Card");
    EXPECT_EQ(filter.frameLayout.toRectF(), QRectF(4, 4, 8, 8));
    EXPECT_FALSE(filter.maskImage.value<CIImage>().isNull());
}

TEST(PictureFrame, FramesAreFoundWhereverInstalledAndBadNamesKeepTheFrameBefore)
{
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("MaskedInstall/share/sunnyside"));
    ASSERT_TRUE(QDir().mkpath(root + "/Frames"));
    QImage card(16, 16, QImage::Format_ARGB32);
    card.fill(Qt::white);
    for (const char* name : {"ALX-F#001#Card#4-4-8-8.png", "ALX-F#001#CardMask.png", "ALX-F#002#Bad#1-2-3.png"})
        ASSERT_TRUE(card.save(root + "/Frames/" + name));
    const ChildRun child = runTestInChild("PictureFrame.InstalledElsewhere", {{"SUNNYSIDE_RESOURCES", root}});
    EXPECT_TRUE(child.passed) << child.output.toStdString();
}
