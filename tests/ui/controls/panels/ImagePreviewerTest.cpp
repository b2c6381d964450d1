#include "ui/controls/LXImagePreviewer.h"

#include "platform/foundation/UserDefaults.h"
#include "platform/image/CIColor.h"
#include "platform/ui/Layer.h"
#include "tests/support/Files.h"
#include "tests/support/Images.h"
#include "tests/support/LogCapture.h"
#include "ui/controls/ControlsClasses.h"
#include "ui/localization/LXLocalizeHelper.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <QWindow>

#include <gtest/gtest.h>

// Before main() makes the application: a second screen at pixel ratio 2.
static const bool screensConfigured = qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" SCREENS_CONFIG);

namespace {

// The shared previewer, emptied; its window closed afterwards so it covers no other test's windows.
class ImagePreviewer : public ::testing::Test {
protected:
    LXImagePreviewer* p = LXImagePreviewer::sharedImagePreviewer();
    void SetUp() override
    {
        registerControlsClasses();
        registerLocalizationClasses();
        p->setHistorySize(LXImagePreviewer::kDefaultHistorySize);
        p->clearHistory();
    }
    void TearDown() override { p->window()->close(); }
};

} // namespace

TEST_F(ImagePreviewer, HistoryNamesAndTitles)
{
    const QString first = LXImagePreviewer::showCGImage(filled(30, 20, Qt::red), "Photo");
    const qulonglong n = first.mid(15).toULongLong(); // one counter for all names
    EXPECT_EQ(first, QString("Photo.Previewer%1").arg(n));
    EXPECT_EQ(LXImagePreviewer::showCGImage(filled(30, 20, Qt::red), "Photo"), QString("Photo.Previewer%1").arg(n + 1));
    EXPECT_EQ(LXImagePreviewer::showCGImage(filled(30, 20, Qt::red), "Mask"), QString("Mask.Previewer%1").arg(n + 2));
    EXPECT_TRUE(LXImagePreviewer::showNSImage(Picture(filled(8, 6, Qt::gray))).isNull()); // unnamed
    EXPECT_EQ(p->window()->windowTitle(), "Image Previewer: 8 x 6");

    for (int i = 0; i < 7; ++i)
        LXImagePreviewer::showCGImage(filled(10 + i, 10, Qt::black), "Step");
    ASSERT_EQ(p->history().size(), 10); // the eleventh dropped the first
    EXPECT_EQ(p->history().front().name, QString("Photo.Previewer%1").arg(n + 1));
    EXPECT_EQ(p->imageView()->image().size(), QSizeF(16, 10)); // the newest stays shown

    p->setHistorySize(0);
    ASSERT_EQ(p->history().size(), 1); // zero keeps one
    EXPECT_EQ(p->imageView()->image().size(), QSizeF(16, 10));
    p->clearHistory();
    EXPECT_TRUE(p->imageView()->image().isNull());
    EXPECT_EQ(p->window()->windowTitle(), "Image Previewer");
}

TEST_F(ImagePreviewer, StoredHistorySizeGoesThroughTheClamp)
{
    struct Row { const char* name; QVariant stored; quint64 size; } rows[] = {
        {"negative stored size means the default, not a history without end", qint64(-1), 10},
        {"zero stored size keeps one, not none", 0, 1},
        {"a number", 25, 25},
    };
    for (const Row& row : rows) {
        UserDefaults::standardUserDefaults().setObject(row.stored, "PreviewerHistorySize");
        EXPECT_EQ(LXImagePreviewer().historySize(), row.size) << row.name;
    }
    UserDefaults::standardUserDefaults().removeObjectForKey("PreviewerHistorySize");
}

TEST_F(ImagePreviewer, RefusesWhatIsNoPictureWithItsWarning)
{
    struct Row { const char* name; std::function<QString()> show; const char* warning; } rows[] = {
        {"infinite extent is refused before rendering",
         [] { return LXImagePreviewer::showCIImage(CIImage::imageWithColor(CIColor(1, 0, 0)), "c"); },
         "Warning: Previewing <CIImage extent (-"},
        {"nil view", [] { return LXImagePreviewer::showView(nullptr); }, "Warning: Previewing (null) view with name (null)"},
    };
    for (const Row& row : rows) {
        LogCapture log;
        EXPECT_TRUE(row.show().isNull()) << row.name;
        ASSERT_EQ(log.lines().size(), 1) << row.name << ": " << log.lines().join(" | ").toStdString();
        EXPECT_TRUE(log.lines().front().startsWith(row.warning)) << row.name;
    }
}

TEST_F(ImagePreviewer, LayersAndViewsAtTheirSize)
{
    const std::shared_ptr<Layer> layer = Layer::create();
    layer->bounds = QRectF(0, 0, 100, 50);
    LXImagePreviewer::showLayer(layer.get(), "Layer");
    EXPECT_EQ(p->shownEntry()->image.pixelSize(), QSize(100, 50));

    QWidget view;
    view.resize(100, 50);
    view.winId();
    view.windowHandle()->setScreen(QGuiApplication::screens().value(1));
    ASSERT_EQ(view.devicePixelRatioF(), 2);
    LXImagePreviewer::showView(&view, "View");
    EXPECT_EQ(p->shownEntry()->image.pixelSize(), QSize(200, 100));
    EXPECT_EQ(p->window()->windowTitle(), "Image Previewer (View): 100 x 50");
}

TEST_F(ImagePreviewer, SavesPngOnly)
{
    QTemporaryDir dir;
    LXImagePreviewer::showCGImage(filled(12, 7, QColor(10, 200, 30)), "a/b");
    EXPECT_EQ(LXImagePreviewer::proposedFileName(p->shownEntry()->name), "ab.png");
    struct Row { const char* name; QString chosen, written; } rows[] = {
        {"png round trip", "shot.png", "shot.png"},
        {"jpg name saved as png, not a jpeg under a png promise", "x.jpg", "x.jpg.png"},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(p->saveTo(dir.filePath(row.chosen))) << row.name;
        EXPECT_TRUE(readFile(dir.filePath(row.written)).startsWith("\x89PNG")) << row.name;
        EXPECT_EQ(QImage(dir.filePath(row.written)).pixelColor(3, 3), QColor(10, 200, 30)) << row.name;
    }
}
