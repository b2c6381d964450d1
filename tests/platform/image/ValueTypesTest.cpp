// Value types of the engine: vectors, colours, rectangles.

#include "platform/image/CIColor.h"
#include "platform/image/CIGeometry.h"
#include "platform/image/CIImage.h"
#include "platform/image/CIVector.h"

#include <gtest/gtest.h>

TEST(CIVector, ComponentsRectangleFormAndText)
{
    const CIVector v(1.5, -2, 3);
    EXPECT_EQ(v.count(), 3);
    EXPECT_EQ(v.valueAtIndex(2), 3);
    EXPECT_EQ(v.valueAtIndex(3), 0); // beyond count
    EXPECT_EQ(v.stringRepresentation(), QStringLiteral("[1.5 -2 3]"));
    EXPECT_EQ(CIVector::vectorWithString(QStringLiteral("[1.5 -2 3]")), v);
    EXPECT_TRUE(CIVector::vectorWithString(QStringLiteral("[1 x]")).isNull());
    EXPECT_TRUE(CIVector::vectorWithString(QStringLiteral("[1]")).isNull());

    const CIVector r = CIVector::vectorWithCGRect(QRectF(10.7, -3.2, 100.5, 50.25));
    EXPECT_EQ(r.count(), 4);
    EXPECT_EQ(r.CGRectValue(), QRectF(10.7, -3.2, 100.5, 50.25));
    EXPECT_TRUE(CIVector().isNull());
}

TEST(CIColor, TextBothWaysAndQColor)
{
    const CIColor c(1, 0.5, 0.25, 0.75);
    EXPECT_EQ(c.stringRepresentation(), QStringLiteral("1 0.5 0.25 0.75"));
    EXPECT_EQ(CIColor::colorWithString(QStringLiteral("1 0.5 0.25 0.75")), c);
    EXPECT_EQ(CIColor::colorWithString(QStringLiteral("0 1 0")), CIColor(0, 1, 0, 1));
    EXPECT_TRUE(CIColor::colorWithString(QStringLiteral("red")).isNull());
    EXPECT_TRUE(CIColor::colorWithString(QStringLiteral("1 2")).isNull());
    EXPECT_TRUE(CIColor(QColor()).isNull());
    EXPECT_EQ(CIColor(QColor(255, 0, 0)), CIColor(1, 0, 0, 1));
    EXPECT_TRUE(CIColor().stringRepresentation().isNull());
}

TEST(CIGeometry, InfiniteRectanglesSurviveEveryOperation)
{
    const QRectF inf = CIGeometry::infiniteRect();
    EXPECT_TRUE(CIGeometry::isInfinite(inf));
    EXPECT_TRUE(CIGeometry::isInfinite(CIGeometry::outset(inf, 30, 30)));
    EXPECT_TRUE(CIGeometry::isInfinite(CIGeometry::transformed(inf, QTransform().rotate(30))));
    EXPECT_EQ(CIGeometry::intersect(inf, QRectF(1, 2, 3, 4)), QRectF(1, 2, 3, 4));
    EXPECT_TRUE(CIGeometry::isInfinite(CIGeometry::unite(inf, QRectF(1, 2, 3, 4))));
    EXPECT_TRUE(CIGeometry::isEmpty(CIGeometry::intersect(QRectF(0, 0, 1, 1), QRectF(2, 2, 1, 1))));
    EXPECT_EQ(CIGeometry::unite(QRectF(), QRectF(1, 1, 2, 2)), QRectF(1, 1, 2, 2));
    EXPECT_EQ(CIGeometry::integral(QRectF(0.5, -0.5, 1, 1)), QRect(0, -1, 2, 2));
    EXPECT_EQ(CIGeometry::integral(QRectF(10.7, -3.2, 100.5, 50.25)), QRect(10, -4, 102, 52));
    EXPECT_EQ(CIGeometry::integral(inf).width(), 1 << 30);
    // A quarter turn about the origin moves (0,0,4,2) to (-2,0,2,4).
    EXPECT_EQ(CIGeometry::transformed(QRectF(0, 0, 4, 2), QTransform().rotate(90)).toRect(), QRect(-2, 0, 2, 4));
}
