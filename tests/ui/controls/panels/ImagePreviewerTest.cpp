#include "ui/controls/LXImagePreviewer.h"

#include "platform/foundation/UserDefaults.h"
#include "platform/image/CIColor.h"
#include "platform/ui/Layer.h"
#include "tests/support/Files.h"
#include "tests/support/LogCapture.h"
#include "ui/controls/ControlsClasses.h"
#include "ui/localization/LXLocalizeHelper.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QScreen>
#include <QTemporaryDir>
#include <QWindow>

#include <gtest/gtest.h>

// Before main() makes the application: a second screen at pixel ratio 2.
static const bool screensConfigured = qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" SCREENS_CONFIG);

namespace {

QImage filled(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

LXImagePreviewer* freshPreviewer()
{
    registerControlsClasses();
    registerLocalizationClasses();
    LXImagePreviewer* p = LXImagePreviewer::sharedImagePreviewer();
    p->setHistorySize(LXImagePreviewer::kDefaultHistorySize);
    p->clearHistory();
    return p;
}

// The shared window is closed after each test, so it covers no other test's windows.
class ImagePreviewer : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (QWidget* w = LXImagePreviewer::sharedImagePreviewer()->loadedWindow())
            w->close();
    }
};

} // namespace

TEST_F(ImagePreviewer, HistoryNamesAndTitles)
{
    LXImagePreviewer* p = freshPreviewer();
    ASSERT_NE(p->window(), nullptr);
    EXPECT_EQ(p->window()->windowTitle(), "Image Previewer");
    const QString first = LXImagePreviewer::showCGImage(filled({30, 20}, Qt::red), "Photo");
    const QString second = LXImagePreviewer::showCGImage(filled({30, 20}, Qt::green), "Photo");
    const QString other = LXImagePreviewer::showCGImage(filled({30, 20}, Qt::blue), "Mask");
    // One counter for all names.
    EXPECT_TRUE(first.startsWith("Photo.Previewer"));
    const qulonglong n = first.mid(15).toULongLong();
    EXPECT_EQ(second, QString("Photo.Previewer%1").arg(n + 1));
    EXPECT_EQ(other, QString("Mask.Previewer%1").arg(n + 2));
    EXPECT_TRUE(p->window()->isVisible());
    EXPECT_EQ(p->window()->windowTitle(), "Image Previewer (Mask): 30 x 20");
    EXPECT_TRUE(LXImagePreviewer::showNSImage(Picture(filled({8, 6}, Qt::gray))).isNull()); // unnamed
    EXPECT_EQ(p->window()->windowTitle(), "Image Previewer: 8 x 6");
    EXPECT_TRUE(p->hasPrevious());
    EXPECT_FALSE(p->hasNext());
    p->previousImage();
    EXPECT_TRUE(p->hasNext());
    ASSERT_NE(p->nextButton(), nullptr);
    EXPECT_TRUE(p->nextButton()->isEnabled());

    for (int i = 0; i < 7; ++i)
        LXImagePreviewer::showCGImage(filled({10 + i, 10}, Qt::black), "Step");
    ASSERT_EQ(p->history().size(), 11 - 1); // the eleventh dropped the first
    EXPECT_EQ(p->history().front().name, second);
    EXPECT_EQ(p->index(), 9);
    EXPECT_EQ(p->imageView()->image().size(), QSizeF(16, 10)); // the newest stays shown

    p->setHistorySize(0);
    EXPECT_EQ(p->historySize(), 1u);
    EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey("PreviewerHistorySize"), 1);
    ASSERT_EQ(p->history().size(), 1);
    EXPECT_EQ(p->index(), 0);
    EXPECT_EQ(p->imageView()->image().size(), QSizeF(16, 10));

    p->clearHistory();
    EXPECT_EQ(p->shownEntry(), nullptr);
    EXPECT_TRUE(p->imageView()->image().isNull());
    EXPECT_EQ(p->window()->windowTitle(), "Image Previewer");
    p->setHistorySize(LXImagePreviewer::kDefaultHistorySize);
}

TEST_F(ImagePreviewer, StoredHistorySizeGoesThroughTheClamp)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    struct Row { const char* name; QVariant stored; quint64 size; } rows[] = {
        {"negative stored size means the default, not a history without end", qint64(-1), 10},
        {"zero stored size keeps one, not none", 0, 1},
        {"a number", 25, 25},
        {"not a number", "lots", 10},
        {"absent", QVariant(), 10},
    };
    for (const Row& row : rows) {
        defaults.setObject(row.stored, "PreviewerHistorySize");
        LXImagePreviewer previewer;
        EXPECT_EQ(previewer.historySize(), row.size) << row.name;
    }
    defaults.removeObjectForKey("PreviewerHistorySize");
}

TEST_F(ImagePreviewer, RefusesWhatIsNoPictureWithItsWarning)
{
    freshPreviewer();
    const std::shared_ptr<Layer> none;
    struct Row { const char* name; std::function<QString()> show; const char* warning; } rows[] = {
        {"nil picture", [] { return LXImagePreviewer::showNSImage(Picture(), "a"); },
         "Warning: Previewing (null) image with name a"},
        {"empty bitmap", [] { return LXImagePreviewer::showCGImage(QImage(), "b"); },
         "Warning: Previewing Null image with name b"},
        {"infinite extent is refused before rendering",
         [] { return LXImagePreviewer::showCIImage(CIImage::imageWithColor(CIColor(1, 0, 0, 1)), "c"); },
         "Warning: Previewing <CIImage extent"},
        {"nil layer", [] { return LXImagePreviewer::showLayer(nullptr, "d"); },
         "Warning: Previewing (null) layer with name d"},
        {"nil view", [] { return LXImagePreviewer::showView(nullptr, {}); },
         "Warning: Previewing (null) view with name (null)"},
    };
    for (const Row& row : rows) {
        LogCapture log;
        EXPECT_TRUE(row.show().isNull()) << row.name;
        ASSERT_EQ(log.lines().size(), 1) << row.name << ": " << log.lines().join(" | ").toStdString();
        EXPECT_TRUE(log.lines().front().startsWith(row.warning)) << row.name << ": " << log.lines().front().toStdString();
    }
    EXPECT_TRUE(LXImagePreviewer::sharedImagePreviewer()->history().isEmpty());
}

TEST_F(ImagePreviewer, LayersViewsAndEngineImagesAtTheirSize)
{
    LXImagePreviewer* p = freshPreviewer();
    const std::shared_ptr<Layer> layer = Layer::create();
    layer->bounds = QRectF(0, 0, 100, 50);
    layer->backgroundColor = Qt::red;
    EXPECT_FALSE(LXImagePreviewer::showLayer(layer.get(), "Layer").isNull());
    EXPECT_EQ(p->shownEntry()->image.pixelSize(), QSize(100, 50));
    EXPECT_EQ(p->shownEntry()->image.toImage().pixelColor(50, 25), QColor(Qt::red));

    const CIImage engine = CIImage::imageWithQImage(filled({40, 30}, Qt::blue));
    EXPECT_FALSE(LXImagePreviewer::showCIImage(engine, "Engine").isNull());
    EXPECT_EQ(p->shownEntry()->image.pixelSize(), QSize(40, 30));

    QWidget view;
    view.setStyleSheet("background: green");
    view.setAutoFillBackground(true);
    view.resize(100, 50);
    view.winId();
    QScreen* two = QGuiApplication::screens().value(1);
    ASSERT_NE(two, nullptr);
    view.windowHandle()->setScreen(two);
    ASSERT_EQ(view.devicePixelRatioF(), 2);
    EXPECT_FALSE(LXImagePreviewer::showView(&view, "View").isNull());
    EXPECT_EQ(p->shownEntry()->image.pixelSize(), QSize(200, 100));
    EXPECT_EQ(p->shownEntry()->image.size(), QSizeF(100, 50));
    EXPECT_EQ(p->window()->windowTitle(), "Image Previewer (View): 100 x 50");
}

TEST_F(ImagePreviewer, SavesPngOnly)
{
    LXImagePreviewer* p = freshPreviewer();
    QTemporaryDir dir;
    {
        LogCapture log;
        EXPECT_FALSE(p->saveTo(dir.filePath("nothing.png")));
        EXPECT_EQ(log.lines(), QStringList{"Warning: the image previewer has no picture to save"});
    }
    LXImagePreviewer::showCGImage(filled({12, 7}, QColor(10, 200, 30)), "a/b");
    EXPECT_EQ(LXImagePreviewer::proposedFileName(p->shownEntry()->name), "ab.png");
    EXPECT_EQ(LXImagePreviewer::proposedFileName({}), "Preview.png");

    struct Row { const char* name; QString chosen, written; } rows[] = {
        {"png round trip", "shot.png", "shot.png"},
        {"jpg name saved as png, not a jpeg under a png promise", "x.jpg", "x.jpg.png"},
        {"no extension", "plain", "plain.png"},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(p->saveTo(dir.filePath(row.chosen))) << row.name;
        EXPECT_TRUE(readFile(dir.filePath(row.written)).startsWith("\x89PNG")) << row.name;
        const QImage back(dir.filePath(row.written));
        EXPECT_EQ(back.size(), QSize(12, 7)) << row.name;
        EXPECT_EQ(back.pixelColor(3, 3), QColor(10, 200, 30)) << row.name;
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("x.jpg")));
}
