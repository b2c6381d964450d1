#include "ui/controls/ControlsClasses.h"
#include "ui/controls/LXLabel.h"
#include "ui/controls/LXSlider.h"

#include "platform/foundation/Bundle.h"
#include "platform/ui/InterfaceFile.h"
#include "tests/support/Files.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>
#include <memory>

TEST(Slider, EveryCurveRoundTripsAndStaysInRange)
{
    for (unsigned curve : {0u, 1u, 2u, 3u, 4u, 5u, 9u}) {
        SCOPED_TRACE(curve);
        LXSlider slider;
        slider.setMaxValue(100);
        slider.setSliderCurve(curve);
        for (double v : {0.0, 25.0, 50.0, 75.0, 100.0}) {
            slider.setDoubleValue(v);
            EXPECT_NEAR(slider.doubleValue(), v, 0.01) << v;
        }
        for (double wild : {-50.0, 250.0, std::numeric_limits<double>::quiet_NaN()}) {
            slider.setDoubleValue(wild);
            EXPECT_TRUE(slider.doubleValue() >= 0 && slider.doubleValue() <= 100) << wild;
        }
        slider.setExpFactor(1e-12);
        slider.setMinValue(100); // an empty range
        slider.setDoubleValue(7);
        EXPECT_EQ(slider.doubleValue(), 100);
    }
    LXSlider square;
    square.setMaxValue(100);
    square.setSliderCurve(1);
    square.setValue(LXSlider::kTrackSteps / 2);
    EXPECT_DOUBLE_EQ(square.doubleValue(), 25);

    LXSlider exponential;
    exponential.setMaxValue(10);
    exponential.setSliderCurve(3);
    exponential.setDoubleValue(2);
    const int knob = exponential.value();
    exponential.setExpFactor(6);
    EXPECT_NEAR(exponential.doubleValue(), 2, 1e-3);
    EXPECT_NE(exponential.value(), knob);
}

TEST(Label, ShrinksFadesWhenDisabledAndTranslatesInCodeAndFromFiles)
{
    LXLabel label;
    label.setStringValue(QStringLiteral("A rather long label text"));
    const QFont font = label.font();
    const double textWidth = QFontMetricsF(font).horizontalAdvance(label.text());
    label.setShrinkToFit(true);
    label.resize(int(textWidth / 2), 30);
    const double ratio = label.drawingFont().pointSizeF() / font.pointSizeF();
    EXPECT_TRUE(ratio > 0.49 && ratio < 0.5) << ratio;
    label.resize(int(textWidth) + 4, 30);
    EXPECT_EQ(label.drawingFont().pointSizeF(), font.pointSizeF());

    label.setDrawsBackground(true);
    label.setBackgroundColor(Qt::red);
    for (bool enabled : {true, false}) {
        label.setEnabled(enabled);
        QImage image(label.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        label.render(&image, {}, {}, QWidget::DrawChildren);
        EXPECT_NEAR(qAlpha(image.pixel(1, 1)), enabled ? 255 : 128, 1);
    }

    // In German, set in code and from an interface file.
    registerControlsClasses();
    QTemporaryDir dir;
    const QString path = writeInterfaceFile(dir.filePath("Panel.ui"), R"(<widget class="QWidget" name="view"><layout class="QVBoxLayout">
      <item><widget class="LXLabel" name="label"><property name="text"><string>Cancel</string></property></widget></item>
      </layout></widget>)");
    const QStringList languages = Bundle::preferredLanguages();
    Bundle::setPreferredLanguages({QStringLiteral("de")});
    label.setStringValue(QStringLiteral("Cancel"));
    std::unique_ptr<QWidget> root(InterfaceFile::loadFile(path, nullptr).root);
    Bundle::setPreferredLanguages(languages);
    EXPECT_EQ(label.text(), QStringLiteral("Abbrechen"));
    ASSERT_TRUE(root);
    EXPECT_EQ(root->findChild<LXLabel*>("label")->text(), QStringLiteral("Abbrechen"));
}
