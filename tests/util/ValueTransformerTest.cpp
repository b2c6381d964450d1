#include "util/LXValueBinder.h"
#include "util/ValueTransformer.h"
#include "platform/foundation/UserDefaults.h"

#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

TEST(ValueTransformer, TimeTextsBothWaysAndNegation)
{
    ValueTransformer* time = ValueTransformer::valueTransformerForName("LXTimeValueTransformer");
    ASSERT_TRUE(time);
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const std::pair<double, QString> shown[] = {{3725.5, "01:02:05'500"}, {59.9996, "00:01:00'000"},
                                                {-0.5, "-1:59:59'500"}, {nan, ""}, {inf, ""}, {1e300, ""}};
    for (const auto& [seconds, text] : shown)
        EXPECT_EQ(time->transformedValue(seconds).toString(), text) << seconds;
    const std::pair<QString, QVariant> read[] = {{"01:02:05'500", 3725.5}, {"00:01:00'000", 60.0}, {"-1:59:59'500", -0.5},
                                                 {"5", {}}, {"1:30", {}}, {"x", {}}, {"", {}}};
    for (const auto& [text, seconds] : read)
        EXPECT_EQ(time->reverseTransformedValue(text), seconds) << text.toStdString();

    ValueTransformer* negate = ValueTransformer::valueTransformerForName("LXNegateValueTransformer");
    EXPECT_EQ(negate->transformedValue(3).toDouble(), -3);
    EXPECT_EQ(negate->reverseTransformedValue(-3).toDouble(), 3);
    EXPECT_TRUE(std::signbit(negate->transformedValue({}).toDouble()));
}

TEST(ValueTransformer, TheBinderShowsTheDefaultAndKeepsItOnUnreadableText)
{
    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath("d.conf"));
    defaults.setDouble(3725.5, "duration");
    QLineEdit field;
    field.setProperty("bind.text", "duration");
    field.setProperty("transformer.text", "LXTimeValueTransformer");
    LXValueBinder::bindObject(&field, defaults);
    EXPECT_EQ(field.text(), "01:02:05'500");
    field.setText("00:00:10'000");
    EXPECT_EQ(defaults.doubleForKey("duration"), 10);
    field.setText("x");
    EXPECT_EQ(defaults.doubleForKey("duration"), 10);
    defaults.setDouble(60, "duration");
    EXPECT_EQ(field.text(), "00:01:00'000");
}
