#include "platform/foundation/UserDefaults.h"
#include "platform/image/CIFilter.h"
#include "platform/ui/InterfaceFile.h"
#include "ui/controls/ControlsClasses.h"
#include "ui/controls/FilterInputValue.h"
#include "ui/controls/LXFilterPreview.h"
#include "util/LXValueBinder.h"
#include "tests/support/Files.h"
#include "tests/support/LogCapture.h"

#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

QImage grab(QWidget& widget, double ratio, const QString& name)
{
    QImage image(widget.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    widget.render(&image);
    if (const QString dir = qEnvironmentVariable("SUNNYSIDE_GRAB_DIR"); !dir.isEmpty())
        image.save(QStringLiteral("%1/%2-%3x.png").arg(dir, name).arg(ratio));
    return image;
}

QVariant input(const LXFilterPreview& view, const char* key) { return view.filter()->valueForKey(QString::fromLatin1(key)); }

// Red over blue, 40 x 20 pixels: shows whether the output comes out upright.
CIImage redOverBlue()
{
    QImage image(40, 20, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, 40, 10, Qt::red);
    return CIImage::imageWithQImage(image);
}

QByteArray property(const char* name, const char* type, const char* value)
{
    return QByteArray("<property name=\"") + name + "\"><" + type + ">" + value + "</" + type + "></property>";
}

} // namespace

TEST(FilterPreview, LoadsFromAnInterfaceFileAndFollowsItsBinding)
{
    registerControlsClasses();
    QTemporaryDir bundle;
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setDouble(7, QStringLiteral("previewRadius"));
    const QString path = writeInterfaceFile(bundle.filePath("Preview.ui"),
        "<widget class=\"LXFilterPreview\" name=\"preview\">"
        + property("geometry", "rect", "<x>0</x><y>0</y><width>60</width><height>40</height>")
        + property("filter.inputRadius", "double", "3") + property("filterName", "string", "CIGaussianBlur")
        + property("imageName", "string", "Sample") + property("adjustImage", "bool", "true")
        + property("bind.previewRadius", "string", "inputRadius") + property("filter.", "string", "plain")
        + "</widget>");
    LXFilterPreview* view = nullptr;
    const InterfaceFile::Result loaded = InterfaceFile::loadFile(path, nullptr);
    std::unique_ptr<QWidget> root(loaded.root);
    ASSERT_TRUE(view = qobject_cast<LXFilterPreview*>(root.get()));
    LogCapture log;
    LXValueBinder::bindObjects(loaded.objects, defaults); // its "bind." keys are not properties' bindings
    EXPECT_EQ(log.lines(), QStringList());
    EXPECT_EQ(input(*view, "inputRadius"), QVariant(7.0));
    EXPECT_EQ(view->property("filter.").toString(), "plain");
    EXPECT_EQ(CIFilter::imageValue(input(*view, "inputImage")).extent(), QRectF(0, 0, 60, 40));
    grab(*view, 1, "preview");
    const int renders = view->renderCount();
    defaults.setDouble(12, QStringLiteral("previewRadius"));
    grab(*view, 1, "preview");
    EXPECT_EQ(input(*view, "inputRadius"), QVariant(12.0));
    EXPECT_EQ(view->renderCount(), renders + 1);
    root.reset();
    defaults.setDouble(2, QStringLiteral("previewRadius")); // no observer left behind (ASan)
    defaults.removeObjectForKey(QStringLiteral("previewRadius"));
}

TEST(FilterPreview, FitsUprightAndMendsItsFaults)
{
    struct Row { const char* name; const char* filter; std::function<void(LXFilterPreview&, LogCapture&)> check; };
    const Row rows[] = {
        {"upright with its border", "CIAffineTransform", [](LXFilterPreview& v, LogCapture&) {
             v.setAdjustResult(true);
             v.setFilterValue(kCIInputImageKey, QVariant::fromValue(redOverBlue()));
             for (double ratio : {1.0, 2.0}) {
                 const QImage image = grab(v, ratio, QStringLiteral("upright"));
                 EXPECT_EQ(image.pixelColor(QPoint(30, 5) * ratio), QColor(Qt::red)) << ratio;
                 EXPECT_EQ(image.pixelColor(QPoint(30, 35) * ratio), QColor(Qt::blue)) << ratio;
                 EXPECT_EQ(image.pixelColor(QPoint(30, 0) * ratio), QColor(Qt::black)) << ratio;
             } }},
        {"an infinite extent with adjustResult draws the 1:1 part", "CIConstantColorGenerator",
         [](LXFilterPreview& v, LogCapture&) {
             v.setAdjustResult(true);
             v.setFilterValue(kCIInputColorKey, QStringLiteral("0 1 0 1"));
             EXPECT_EQ(grab(v, 2, QStringLiteral("infinite")).pixelColor(60, 40), QColor(Qt::green)); }},
        {"a nil output draws only the border", "CIGaussianBlur", [](LXFilterPreview& v, LogCapture&) {
             const QImage image = grab(v, 1, QStringLiteral("nil"));
             EXPECT_EQ(image.pixelColor(30, 20), v.palette().color(QPalette::Window));
             EXPECT_EQ(image.pixelColor(59, 20), QColor(Qt::black)); }},
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

TEST(FilterPreview, TurnsTextIntoTheDeclaredTypes)
{
    const QVariantMap distance{{kCIAttributeType, kCIAttributeTypeDistance}};
    const QVariantMap color{{kCIAttributeType, kCIAttributeTypeColor}};
    const QVariantMap flag{{kCIAttributeDefault, false}};
    struct Row { const char* name; QVariant value; QVariantMap attributes; std::optional<QVariant> expected; };
    const Row rows[] = {
        {"distance text", QStringLiteral(" 5 "), distance, QVariant(5.0)},
        {"distance not a number", QStringLiteral("five"), distance, std::nullopt},
        {"colour text", QStringLiteral("1 0 0"), color, QVariant::fromValue(CIColor(1, 0, 0))},
        {"boolean by its default", QStringLiteral("YES"), flag, QVariant(true)},
        {"undeclared passes", QStringLiteral("x"), {}, QVariant(QStringLiteral("x"))},
        {"nil", QVariant(), distance, std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(filterInputValue(row.value, row.attributes), row.expected) << row.name;
}
