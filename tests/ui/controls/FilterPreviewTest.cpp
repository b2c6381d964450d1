#include "platform/foundation/Bundle.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/image/CIFilter.h"
#include "platform/ui/InterfaceFile.h"
#include "ui/controls/ControlsClasses.h"
#include "ui/controls/LXFilterPreview.h"
#include "util/LXValueBinder.h"
#include "tests/support/LogCapture.h"
#include "tests/ui/controls/ControlsTest.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

QVariant input(const LXFilterPreview& view, const char* key) { return view.filter()->valueForKey(QString::fromLatin1(key)); }

// Red over blue, 40 x 20 pixels: shows whether the output comes out upright.
CIImage redOverBlue()
{
    QImage image(40, 20, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, 40, 10, Qt::red);
    return CIImage::imageWithQImage(image);
}

} // namespace

TEST(FilterPreview, FitsUprightAndMendsItsFaults)
{
    struct Row { const char* name; const char* filter; std::function<void(LXFilterPreview&, LogCapture&)> check; };
    const Row rows[] = {
        {"upright with its border", "CIAffineTransform", [](LXFilterPreview& v, LogCapture&) {
             v.setAdjustResult(true);
             v.setFilterValue(kCIInputImageKey, QVariant::fromValue(redOverBlue()));
             for (double ratio : {1.0, 2.0}) {
                 const QImage image = grab(v, ratio, QStringLiteral("upright"));
                 EXPECT_EQ((QList<QColor>{image.pixelColor(QPoint(30, 5) * ratio), image.pixelColor(QPoint(30, 35) * ratio),
                                          image.pixelColor(QPoint(30, 0) * ratio)}), (QList<QColor>{Qt::red, Qt::blue, Qt::black}));
             } }},
        {"an infinite extent with adjustResult draws the 1:1 part", "CIConstantColorGenerator",
         [](LXFilterPreview& v, LogCapture&) {
             v.setAdjustResult(true);
             v.setFilterValue(kCIInputColorKey, QStringLiteral("0 1 0 1"));
             EXPECT_EQ(grab(v, 2, QStringLiteral("infinite")).pixelColor(60, 40), QColor(Qt::green)); }},
        {"a nil output draws only the border", "CIGaussianBlur", [](LXFilterPreview& v, LogCapture&) {
             EXPECT_EQ(grab(v, 1, QStringLiteral("nil")).pixelColor(30, 20), v.palette().color(QPalette::Window)); }},
        {"a 0 x 0 view adapts nothing until it has a size", "CIGaussianBlur", [](LXFilterPreview& v, LogCapture&) {
             v.resize(0, 0);
             v.setAdjustImage(true);
             v.setImageName(QStringLiteral("Sample"));
             EXPECT_FALSE(input(v, "inputImage").isValid());
             v.resize(30, 20);
             grab(v, 1, QStringLiteral("adapted"));
             EXPECT_EQ(CIFilter::imageValue(input(v, "inputImage")).extent(), QRectF(0, 0, 30, 20)); }},
        {"a typo in a filter. key warns and leaves nothing", "CIGaussianBlur", [](LXFilterPreview& v, LogCapture& log) {
             v.setProperty("filter.inputRadios", 4);
             EXPECT_TRUE(log.contains("Warning: the filter CIGaussianBlur has no input 'inputRadios'"));
             EXPECT_FALSE(v.property("filter.inputRadios").isValid()); }},
        {"a default without a value keeps the filter's default", "CIGaussianBlur", [](LXFilterPreview& v, LogCapture& log) {
             v.setProperty("bind.neverStored", QStringLiteral("inputRadius"));
             v.awakeFromNib();
             EXPECT_EQ(input(v, "inputRadius"), QVariant(10.0));
             EXPECT_EQ(log.lines(), QStringList()); }},
    };
    for (const Row& row : rows) {
        LogCapture log;
        LXFilterPreview view;
        view.resize(60, 40);
        view.setFilterName(QString::fromLatin1(row.filter));
        SCOPED_TRACE(row.name);
        row.check(view, log);
    }
}

// The editing controls loaded together from a bundle's interface file, as a settings window would.
TEST(FilterPreview, ShowcaseLoadsTheControlsAndFollowsTheBinding)
{
    registerControlsClasses();
    QTemporaryDir bundle;
    QFile::copy(QStringLiteral(QT_TESTCASE_SOURCEDIR "/Showcase.ui"), bundle.filePath("Showcase.ui"));
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setDouble(7, QStringLiteral("previewRadius"));
    const InterfaceFile::Result loaded = InterfaceFile::load(QStringLiteral("Showcase"), Bundle(bundle.path()), nullptr);
    std::unique_ptr<QWidget> window(loaded.root);
    ASSERT_TRUE(window);
    for (const char* name : {"LXCropView", "LXRotationView", "LXResizeView", "LXFilterPreview"})
        EXPECT_TRUE(std::ranges::any_of(window->findChildren<QWidget*>(), [&](QWidget* w) { return w->inherits(name); })) << name;
    LogCapture log;
    LXValueBinder::bindObjects(loaded.objects, defaults); // the preview's "bind." keys are its own
    EXPECT_EQ(log.lines(), QStringList());
    auto* view = window->findChild<LXFilterPreview*>();
    EXPECT_EQ(input(*view, "inputRadius"), QVariant(7.0));
    EXPECT_EQ(view->property("filter.").toString(), "plain");
    EXPECT_EQ(CIFilter::imageValue(input(*view, "inputImage")).extent(), QRectF(0, 0, 160, 100));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    for (double ratio : {1.0, 2.0}) // the preview's border, inside the resize frame
        EXPECT_EQ(grab(*window, ratio, QStringLiteral("showcase")).pixelColor(QPoint(40, 250) * ratio), QColor(Qt::black));
    const int renders = view->renderCount();
    defaults.setDouble(12, QStringLiteral("previewRadius"));
    grab(*view, 1, QStringLiteral("preview"));
    EXPECT_EQ(input(*view, "inputRadius"), QVariant(12.0));
    EXPECT_EQ(view->renderCount(), renders + 1);
    window.reset();
    defaults.setDouble(2, QStringLiteral("previewRadius")); // no observer left behind (ASan)
    defaults.removeObjectForKey(QStringLiteral("previewRadius"));
}
