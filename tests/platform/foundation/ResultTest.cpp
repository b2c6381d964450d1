#include "platform/foundation/Result.h"

#include <gtest/gtest.h>

TEST(Result, AFailureWithoutAReasonStillFailsWithOne)
{
    const Result<QString> crashed = Result<QString>::failure("xfconf-query crashed", "half a list");
    EXPECT_EQ(crashed.reason(), "xfconf-query crashed");
    EXPECT_EQ(crashed.value(), "half a list"); // what the work left is kept
    EXPECT_EQ(Result<>::failure(QString()).reason(), "no reason was given");
}
