#include "graphics/GradientStrings.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

TEST(GradientStrings, BlackToWhiteRoundTrips)
{
    const Gradient gradient({GradientStop{0, 0, 0, 0, 1}, GradientStop{1, 1, 1, 1, 1}});
    const QString text = stringRepresentation(gradient);
    EXPECT_EQ(text, "0.000000 0.000000 0.000000 0.000000 1.000000 1.000000 1.000000 1.000000 1.000000 1.000000");
    EXPECT_EQ(gradientWithString(text), gradient);
    EXPECT_EQ(stringRepresentation(Gradient()), "");
    // Stops keep their exact components.
    const QString odd = "0.000000 0.250000 0.500000 0.750000 1.000000 0.300000 0.100000 0.200000 0.300000 0.400000";
    EXPECT_EQ(stringRepresentation(gradientWithString(odd)), odd);
}

TEST(GradientStrings, ShortFormsAndBrokenCounts)
{
    // Up to four pieces: one colour description for both ends.
    Gradient g = gradientWithString("1 0 0");
    ASSERT_EQ(g.stops().size(), 2);
    EXPECT_EQ(g.stops()[0].color(), QColor::fromRgbF(1, 0, 0, 1));
    EXPECT_EQ(g.stops()[1].color(), QColor::fromRgbF(1, 0, 0, 1));
    // Eight pieces: two colours of four.
    g = gradientWithString("1 0 0 1 0 0 1 0.5");
    ASSERT_EQ(g.stops().size(), 2);
    EXPECT_EQ(g.stops()[1].location, 1.0);
    EXPECT_NEAR(g.stops()[1].alpha, 0.5, 1e-3);

    // Twelve pieces: a warning, then the two whole stops.
    LogCapture log;
    const QString twelve = "0 1 0 0 1 1 0 0 1 1 9 9";
    g = gradientWithString(twelve);
    EXPECT_EQ(log.lines(), QStringList{"Warning: Number of Gradient Components is not a multiple of 5:\n" + twelve});
    ASSERT_EQ(g.stops().size(), 2);
    EXPECT_EQ(g.stops()[1].blue, 1.0);
}

TEST(Gradient, ColourBetweenStops)
{
    const Gradient g(QColor::fromRgbF(0, 0, 0, 1), QColor::fromRgbF(1, 1, 1, 1));
    EXPECT_NEAR(g.colorAt(0.25).redF(), 0.25, 1e-3);
    EXPECT_EQ(g.colorAt(-1), QColor::fromRgbF(0, 0, 0, 1));
    EXPECT_EQ(g.colorAt(2), QColor::fromRgbF(1, 1, 1, 1));
    EXPECT_FALSE(Gradient().colorAt(0.5).isValid());
}
